#pragma once
// Stage moves to absolute X/Y positions and the read of where the stage stands.

#include "acquisition/AcquisitionView.h"
#include "acquisition/Pacer.h"
#include "core/ProfileState.h"
#include "suite/Microprobe.h"

#include <cstdint>
#include <optional>
#include <string>

namespace kest {

// Why a stage move failed, in words for the operator.
struct StageFault {
    std::string text;
    bool refusedTarget = false;  // the stage refused the target and did not set off for it
};

// Backlash, targets and one start for both axes, every status checked as it comes; then,
// with `wait`, waits for X, then for Y; and shows the target in LX and LY. Nothing once
// both axes report idle (or, without `wait`, once the move has started); otherwise why not:
// a refused target outside the stage's travel ("The stage cannot reach X = 5999994."), a
// failing call (a refused target within the travel among them), or an axis that
// stood still, busy, for the state's stage time-out.
std::optional<StageFault> MoveStage(ProfileState& state, Microprobe& probe, AcquisitionView& view, Pacer& pacer,
                                    int32_t x, int32_t y, bool wait = true);

// The same on the three axes, waiting for each: where a batch puts the start of a line.
std::optional<StageFault> MoveStageAxes(ProfileState& state, Microprobe& probe, AcquisitionView& view, Pacer& pacer,
                                        int32_t x, int32_t y, int32_t third);

// "The microprobe call KestReadCounter failed on spectrometer 1." (`on` may be empty), or
// what the microprobe says of its failure when it says more (an instrument on the network).
std::string FailedCall(const Microprobe& probe, const std::string& call, const std::string& on = "");

// Read XY: where the stage stands, as the texts of LabelX and LabelY.
struct StagePositionTexts {
    std::string x, y;
};
StagePositionTexts ReadStagePosition(ProfileState& state, Microprobe& probe);

// Where the stage stands on its three axes, where a scan puts its next point; nothing, with
// `failure` naming the call, when the stage cannot say.
struct StageAxes {
    int32_t x = 0, y = 0, third = 0;
};
std::optional<StageAxes> ReadStageAxes(ProfileState& state, Microprobe& probe, std::string& failure);

}  // namespace kest
