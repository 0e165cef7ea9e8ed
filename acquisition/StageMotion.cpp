#include "acquisition/StageMotion.h"

#include "core/Formats.h"

#include <chrono>
#include <initializer_list>
#include <optional>
#include <utility>

namespace kest {

namespace {

constexpr std::chrono::milliseconds kStagePoll{5};

std::string AxisName(int32_t axis) { return axis == 1 ? "X" : axis == 2 ? "Y" : "third"; }

std::string OnAxis(int32_t axis) { return "axis " + std::to_string(axis); }

// Polls the axis until it reports idle. Every half time-out the wait looks where the axis
// stands: a stage still on its way is waited for, one that stood still between two looks
// has been busy without moving for the whole time-out and is given up.
std::optional<StageFault> WaitForAxis(ProfileState& state, Microprobe& probe, Pacer& pacer, int32_t axis) {
    const auto halfTimeout = std::chrono::duration_cast<Pacer::Clock::duration>(
        std::chrono::duration<double>(state.StageTimeoutSeconds / 2.0));
    auto nextLook = pacer.now() + halfTimeout;
    std::optional<int32_t> lastSeen;
    for (;;) {
        int32_t busy = 0;
        if (state.store(probe.KestReadStageStatus(axis, 0, busy)) == 0)
            return StageFault{FailedCall(probe, "KestReadStageStatus", OnAxis(axis))};
        if (busy == 0) return std::nullopt;
        if (pacer.now() >= nextLook) {
            int32_t at = 0;
            if (state.store(probe.KestReadStagePos(axis, at)) == 0)
                return StageFault{FailedCall(probe, "KestReadStagePos", OnAxis(axis))};
            if (lastSeen == at)
                return StageFault{"The stage's " + AxisName(axis) + " axis has not moved for" +
                                  NumberText(state.StageTimeoutSeconds) + " s and still reports busy."};
            lastSeen = at;
            nextLook = pacer.now() + halfTimeout;
        }
        pacer.pause(kStagePoll);
    }
}

// A target the stage's known travel holds: a refusal of it is a failing call, not a target
// out of reach.
bool WithinTravel(const ProfileState& state, int32_t target) {
    return state.StageLimits && target >= (*state.StageLimits)[0] && target <= (*state.StageLimits)[1];
}

using AxisTargets = std::initializer_list<std::pair<int32_t, int32_t>>;

// Backlash, targets and the start: the first status of 0 ends the move.
std::optional<StageFault> SendStage(ProfileState& state, Microprobe& probe, AxisTargets targets) {
    for (const auto& [axis, target] : targets)
        if (state.store(probe.KestBacklashStage(axis)) == 0) return StageFault{FailedCall(probe, "KestBacklashStage", OnAxis(axis))};
    for (const auto& [axis, target] : targets) {
        if (state.store(probe.KestLoadStageAbs(axis, static_cast<float>(target))) != 0) continue;
        if (std::string said = probe.faultText(); !said.empty()) return StageFault{said, true};
        return StageFault{WithinTravel(state, target) ? FailedCall(probe, "KestLoadStageAbs", OnAxis(axis) + " (" + AxisName(axis) + " = " + std::to_string(target) + ")")
                                                      : "The stage cannot reach " + AxisName(axis) + " = " + std::to_string(target) + ".",
                          true};
    }
    if (state.store(probe.KestStartStage(0)) == 0) return StageFault{FailedCall(probe, "KestStartStage")};
    return std::nullopt;
}

}  // namespace

std::string FailedCall(const Microprobe& probe, const std::string& call, const std::string& on) {
    if (std::string said = probe.faultText(); !said.empty()) return said;
    return "The microprobe call " + call + " failed" + (on.empty() ? "" : " on " + on) + ".";
}

std::optional<StageFault> MoveStage(ProfileState& state, Microprobe& probe, AcquisitionView& view, Pacer& pacer,
                                    int32_t x, int32_t y, bool wait) {
    std::optional<StageFault> fault = SendStage(state, probe, {{1, x}, {2, y}});
    for (const int32_t axis : {1, 2})
        if (!fault && wait) fault = WaitForAxis(state, probe, pacer, axis);
    view.showStageTarget(FmtCoord8(x), FmtCoord8(y));
    return fault;
}

std::optional<StageFault> MoveStageAxes(ProfileState& state, Microprobe& probe, AcquisitionView& view, Pacer& pacer,
                                        int32_t x, int32_t y, int32_t third) {
    std::optional<StageFault> fault = SendStage(state, probe, {{1, x}, {2, y}, {3, third}});
    for (const int32_t axis : {1, 2, 3})
        if (!fault) fault = WaitForAxis(state, probe, pacer, axis);
    view.showStageTarget(FmtCoord8(x), FmtCoord8(y));
    return fault;
}

StagePositionTexts ReadStagePosition(ProfileState& state, Microprobe& probe) {
    int32_t x = 0, y = 0;
    state.store(probe.KestReadStagePos(1, x));
    state.store(probe.KestReadStagePos(2, y));
    return {NumberText(x), NumberText(y)};
}

std::optional<StageAxes> ReadStageAxes(ProfileState& state, Microprobe& probe, std::string& failure) {
    StageAxes at;
    for (const auto& [axis, value] : {std::pair{1, &at.x}, {2, &at.y}, {3, &at.third}})
        if (state.store(probe.KestReadStagePos(axis, *value)) == 0) {
            failure = FailedCall(probe, "KestReadStagePos", OnAxis(axis));
            return std::nullopt;
        }
    return at;
}

}  // namespace kest
