#pragma once
// Stage moves to absolute X/Y positions and the read of where the stage stands.

#include "acquisition/AcquisitionView.h"
#include "acquisition/Pacer.h"
#include "core/ProfileState.h"
#include "suite/Microprobe.h"

#include <cstdint>
#include <string>

namespace kest {

// Backlash, targets and one start for both axes, then waits for X, then for Y, and shows
// the target in LX and LY. The library's statuses are kept and not tested. True (-1) once
// both axes report idle; an axis that stands still, busy, for the state's stage time-out
// is reported by a message naming it, and the move returns false (0).
int16_t MoveStage(ProfileState& state, Microprobe& probe, AcquisitionView& view, Pacer& pacer,
                  int32_t x, int32_t y);

// Read XY: where the stage stands, as the texts of LabelX and LabelY.
struct StagePositionTexts {
    std::string x, y;
};
StagePositionTexts ReadStagePosition(ProfileState& state, Microprobe& probe);

// Where the stage stands on its three axes, where a scan puts its next point.
struct StageAxes {
    int32_t x = 0, y = 0, third = 0;
};
StageAxes ReadStageAxes(ProfileState& state, Microprobe& probe);

}  // namespace kest
