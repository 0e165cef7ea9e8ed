#include "acquisition/StageMotion.h"

#include "core/Formats.h"

#include <chrono>
#include <optional>

namespace kest {

namespace {

constexpr std::chrono::milliseconds kStagePoll{5};

std::string AxisName(int32_t axis) { return axis == 1 ? "X" : "Y"; }

// Polls the axis until it reports idle. Every half time-out the wait looks where the axis
// stands: a stage still on its way is waited for, one that stood still between two looks
// has been busy without moving for the whole time-out and is given up.
bool WaitForAxis(ProfileState& state, Microprobe& probe, Pacer& pacer, int32_t axis) {
    const auto halfTimeout = std::chrono::duration_cast<Pacer::Clock::duration>(
        std::chrono::duration<double>(state.StageTimeoutSeconds / 2.0));
    auto nextLook = pacer.now() + halfTimeout;
    std::optional<int32_t> lastSeen;
    for (;;) {
        int32_t busy = 0;
        state.store(probe.KestReadStageStatus(axis, 0, busy));
        if (busy == 0) return true;
        if (pacer.now() >= nextLook) {
            int32_t at = 0;
            state.store(probe.KestReadStagePos(axis, at));
            if (lastSeen == at) return false;
            lastSeen = at;
            nextLook = pacer.now() + halfTimeout;
        }
        pacer.pause(kStagePoll);
    }
}

}  // namespace

int16_t MoveStage(ProfileState& state, Microprobe& probe, AcquisitionView& view, Pacer& pacer,
                  int32_t x, int32_t y) {
    state.store(probe.KestBacklashStage(1));
    state.store(probe.KestBacklashStage(2));
    state.store(probe.KestLoadStageAbs(1, static_cast<float>(x)));
    state.store(probe.KestLoadStageAbs(2, static_cast<float>(y)));
    state.store(probe.KestStartStage(0));
    int16_t result = kTrue;
    for (const int32_t axis : {1, 2}) {
        if (WaitForAxis(state, probe, pacer, axis)) continue;
        view.showMessage("The stage's " + AxisName(axis) + " axis has not moved for" +
                         NumberText(state.StageTimeoutSeconds) + " s and still reports busy.");
        result = kFalse;
        break;
    }
    view.showStageTarget(FmtCoord8(x), FmtCoord8(y));
    return result;
}

StagePositionTexts ReadStagePosition(ProfileState& state, Microprobe& probe) {
    int32_t x = 0, y = 0;
    state.store(probe.KestReadStagePos(1, x));
    state.store(probe.KestReadStagePos(2, y));
    return {NumberText(x), NumberText(y)};
}

StageAxes ReadStageAxes(ProfileState& state, Microprobe& probe) {
    StageAxes at;
    state.store(probe.KestReadStagePos(1, at.x));
    state.store(probe.KestReadStagePos(2, at.y));
    state.store(probe.KestReadStagePos(3, at.third));
    return at;
}

}  // namespace kest
