#include "document/DocumentView.h"

#include "core/SettingsEvents.h"
#include "document/ElementSetup.h"
#include "geometry/ZoneTable.h"
#include "results/ResultLists.h"
#include "results/ResultTables.h"

namespace kest {

bool LoadDocumentView(ProfileState& state, Suite& suite, MainView& view) {
    SelectOption1(state, view, 0);
    state.Dm = 0;
    OptNCClicked(state, state.DefaultNumberOfMeasures);
    state.Ax = 1;
    state.Mp = 1;
    for (SpectroRecord& spectrometer : state.SpectroTable) spectrometer.used = kFalse;
    ClearZones(state);
    if (!SetupElements(state, suite, view)) return false;
    LoadPoints(state, suite.db);
    LoadResults(state, suite.db);
    return true;
}

void RefreshLists(ProfileState& state, Suite& suite, MainView& view) {
    ShowZones(state, view);
    ListElements(state, suite, view);
    ListPoints(state, suite.db, view);
}

}  // namespace kest
