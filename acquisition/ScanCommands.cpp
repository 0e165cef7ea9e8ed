#include "acquisition/ScanCommands.h"

#include "results/PointComputation.h"
#include "results/ResultLists.h"

namespace kest {

void ScanPoint(ProfileState& state, Suite& suite, MainView& view) {
    if (state.CurElt == -1) return;
    const int row = view.currentPointRow();
    if (row < 0) return;
    state.CurPnt = static_cast<int16_t>(row);
    state.AutoAcquire = kFalse;
    ComputeAllPointsFirst(state, suite);
    view.acquirePoint();
    ReloadPoints(state, suite.db, view);
}

}  // namespace kest
