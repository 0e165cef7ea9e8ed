#include "acquisition/ScanCommands.h"

#include "acquisition/ScanPlan.h"
#include "acquisition/StageMotion.h"
#include "acquisition/TrialStack.h"
#include "acquisition/ZoneChecks.h"
#include "acquisition/ZoneScan.h"
#include "core/DocKey.h"
#include "document/DocumentCommands.h"
#include "geometry/ZoneTable.h"
#include "core/Formats.h"
#include "results/PointComputation.h"
#include "results/ResultLists.h"

namespace kest {

namespace {

// An unreadable beam current is logged once a scan (the rates are brought to the current of
// each element's standard, whatever the scan).
void StartBeamReference(ProfileState& state) { state.CurrentUnreadableTold = false; }

// Scan New from its start point to its last zone, or its stop.
void WalkProfile(ProfileState& state, Suite& suite, MainView& view) {
    state.ScanStop = state.ScanFailed = kFalse;
    StartBeamReference(state);
    ResetTrials(state, suite.db);  // what a stopped scan left waiting
    for (int16_t i = state.NbPts; i > 0; --i)
        StoredDocCall(state, [&](std::string& key) { return suite.db.KestDbDeletePt(key, 0); });
    ReloadPoints(state, suite.db, view);
    StartProfile(state, suite, view);
    if (state.ScanStop == kTrue) return;
    for (int z = 0; z < state.NbZones; ++z) {
        const char type = state.Zones[static_cast<std::size_t>(z)].type;
        if (type == 'F')
            ScanFixedZone(state, suite, view, z);
        else if (type == kAdaptiveZone)
            ScanAdaptiveZone(state, suite, view, z);
        else
            ScanVariableZone(state, suite, view, z);
        if (state.ScanStop == kTrue) return;
    }
}

}  // namespace

std::optional<std::string> StartRefusal(ProfileState& state, Suite& suite) {
    std::string failure;
    const auto stage = ReadStageAxes(state, suite.probe, failure);
    if (!stage) return "The scan cannot start: the stage cannot say where it stands. " + failure;
    return TravelRefusal(state, stage->x, stage->y);
}

void ScanNew(ProfileState& state, Suite& suite, MainView& view) {
    if (state.NbElt < 1 || state.NbZones < 1) return;
    if (const auto refusal = ScanRefusal(state)) {
        view.showMessage(*refusal);
        return;
    }
    if (const auto refusal = StartRefusal(state, suite)) {
        state.ScanStop = state.ScanFailed = kTrue;  // a batch line so refused has failed
        view.showMessage(*refusal);
        return;
    }
    if (!SavePointsFirst(state, suite, view)) return;
    {
        const ScanProgressScope progress(state, view, PlanScan(state, TextValue(view.defTimeText())));
        WalkProfile(state, suite, view);
    }
    // The points still waiting on the trial stack are listed while the scan runs only.
    if (!state.TrialStack.empty()) RefreshViews(state, suite.db, view, state.NbPts, state.NbPts);
}

void StartProfile(ProfileState& state, Suite& suite, MainView& view) {
    ComputeEndDistances(state);
    ComputeAllPointsFirst(state, suite);
    std::string failure;
    const auto stage = ReadStageAxes(state, suite.probe, failure);
    if (!stage) {  // looked at before the scan; a stage that fails since stops it
        state.ScanStop = state.ScanFailed = kTrue;
        view.showMessage("Acquire Error ! Point 1: " + failure + " The scan stops here.");
        return;
    }
    const auto [x, y, third] = *stage;
    StoredDocCall(state, [&](std::string& key) { return suite.db.KestDbAddPt(key, x, y, third); });
    StoredDocCall(state, [&](std::string& key) { return suite.db.KestDbSetAnaLabel(key, 0, ZoneLabel(0), 0); });
    ++state.NbPts;
    MeasureLast(state, suite, view);
}

void ScanOld(ProfileState& state, Suite& suite, MainView& view) {
    if (state.NbElt < 1 || state.NbPts < 1) return;
    state.ScanStop = state.ScanFailed = kFalse;
    StartBeamReference(state);
    ComputeAllPointsFirst(state, suite);
    ReloadPoints(state, suite.db, view);  // the computation may have changed every point
    const ScanProgressScope progress(state, view, PlanRescan(state, TextValue(view.defTimeText())));
    for (int16_t i = 0; i < state.NbPts; ++i) {
        state.AutoAcquire = kTrue;
        state.CurPnt = i;
        view.acquirePoint();
        RefreshViews(state, suite.db, view, i, i + 1);
        CountScanPoint(state, i);
        ShowScanProgress(state, view);
        HoldIfPaused(state, view);
        if (state.ScanStop == kTrue) return;
    }
}

void ScanPoint(ProfileState& state, Suite& suite, MainView& view) {
    if (state.CurElt == -1) return;
    const int row = view.currentPointRow();
    if (row < 0) return;
    state.CurPnt = static_cast<int16_t>(row);
    state.AutoAcquire = kFalse;
    StartBeamReference(state);
    ComputeAllPointsFirst(state, suite);
    view.acquirePoint();
    ReloadPoints(state, suite.db, view);
}

}  // namespace kest
