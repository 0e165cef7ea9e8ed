#include "acquisition/ScanPlan.h"

#include "core/Formats.h"
#include "acquisition/AdaptiveRefinement.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace kest {
namespace {

// Where the pattern points lie across the profile, in spacings (as the acquisition visits them).
constexpr std::array<int, 5> kPatternOffsets{0, 1, -1, 2, -2};

// Counting and stage travel of one point, besides the travel to it.
struct PointCost {
    double countingSeconds = 0.0;
    double travel = 0.0;  // out across the pattern and back to the point
};

PointCost CostOfPoint(const ProfileState& state, double countingSeconds) {
    const int patternPoints = std::clamp<int>(state.Mp, 1, static_cast<int>(kPatternOffsets.size()));
    int at = 0, travelled = 0;
    for (int p = 1; p < patternPoints; ++p) {
        travelled += std::abs(kPatternOffsets[static_cast<std::size_t>(p)] - at);
        at = kPatternOffsets[static_cast<std::size_t>(p)];
    }
    travelled += std::abs(at);
    return {std::max(countingSeconds, 0.0) * std::max<int>(state.Nc, 1) * patternPoints,
            static_cast<double>(travelled) * std::abs(state.Dm)};
}

ScanPlan Priced(const ProfileState& state, double countingSeconds, int points, bool estimated, bool atMost,
              double travel) {
    const PointCost cost = CostOfPoint(state, countingSeconds);
    const double speed = state.StageSpeed > 0 ? state.StageSpeed : 1.0;
    const double instrument = points * cost.countingSeconds + (travel + points * cost.travel) / speed;
    return {points, estimated, atMost, instrument * std::max(state.TimeScale, 0.0)};
}

// Halvings of a step of `length` until it is no longer than step min.
int Halvings(double length, const ZoneRecord& zone) {
    int halvings = 0;
    for (double step = std::abs(length); step > std::abs(static_cast<double>(zone.stepMin)) && halvings < 31; step /= 2)
        ++halvings;
    return halvings;
}

// A fixed zone: a point every step min up to its end, the last one on the end.
ZoneWalk WalkFixedZone(const ZoneRecord& zone, int64_t end, int64_t at) {
    if (zone.stepMin <= 0 || at >= end) return {0, 0.0, at, false};  // no step forward, or nothing left to walk
    return {(end - at + zone.stepMin - 1) / zone.stepMin, static_cast<double>(end - at), end, false};
}

// A variable zone: its steps of step max short of the limit (the one that reaches it is
// never measured), and the halvings of a change.
ZoneWalk WalkVariableZone(const ZoneRecord& zone, int64_t end, int64_t at, const std::vector<int64_t>& waiting, bool fresh) {
    const int64_t step = std::abs(int64_t{zone.stepMax});
    if (step == 0 || zone.stepMin == 0) return {0, 0.0, at, false};
    const int64_t direction = zone.stepMin > 0 ? 1 : -1;
    const int64_t limit = direction * end;
    const int64_t from = waiting.empty() ? at : waiting.back();
    const int64_t room = direction * (limit - from);
    const int64_t steps = room > 0 ? (room + step - 1) / step - 1 : 0;
    int halvings = 0;
    if (!waiting.empty())
        halvings = Halvings(static_cast<double>(waiting.front() - at), zone);
    else if (fresh && steps > 0)
        halvings = Halvings(static_cast<double>(zone.stepMax), zone);
    const int64_t points = std::max<int64_t>(steps, 0) + halvings;
    const double travel = static_cast<double>(steps * step) + std::abs(static_cast<double>(from - at)) +
                          (fresh && halvings > 0 ? 2.0 * static_cast<double>(step) : 0.0);
    return {points, travel, from + direction * steps * step, points > 0};
}

// An adaptive zone before the scan: its coarse pass at step max short of the limit, plus every
// split its refinement may make down to step min, within the point budget: a bound.
ZoneWalk PlanAdaptiveZone(const ProfileState& state, const ZoneRecord& zone, int64_t end, int64_t at) {
    const int64_t step = std::abs(int64_t{zone.stepMax});
    const int64_t room = zone.stepMin > 0 ? end - at : at + end;
    const int64_t steps = step == 0 || zone.stepMin == 0 || room <= 0 ? 0 : (room + step - 1) / step - 1;
    if (steps <= 0) return {0, 0.0, at, false, false};
    const int64_t splits = std::min<int64_t>(steps * MostSplits(step, zone.stepMin), state.AdaptivePointBudget);
    return {steps + splits, static_cast<double>(steps * step) * (splits > 0 ? 2.0 : 1.0),
            at + (zone.stepMin > 0 ? steps * step : -steps * step), false, true};
}

// The coordinate of a point record along the active axis.
int64_t AlongAxis(const ProfileState& state, const PointRecord& point) {
    return state.Ax == 1 ? point.x : state.Ax == 2 ? point.y : 0;
}

}  // namespace

ZoneWalk WalkZone(const ZoneRecord& zone, int64_t end, int64_t at, const std::vector<int64_t>& waiting, bool fresh) {
    if (zone.type == 'F') return WalkFixedZone(zone, end, at);
    return WalkVariableZone(zone, end, at, waiting, fresh);
}

ScanPlan PlanScan(const ProfileState& state, double countingSeconds) {
    int64_t points = 1;    // the start point, where the stage stands
    double travel = 0.0;
    int64_t at = 0;        // the last point, from the profile start
    int64_t end = 0;       // E(z)
    bool estimated = false, atMost = false;
    for (int z = 0; z < state.NbZones && z < kZoneSlots; ++z) {
        const ZoneRecord& zone = state.Zones[static_cast<std::size_t>(z)];
        end += zone.length;
        const ZoneWalk walk = zone.type == kAdaptiveZone ? PlanAdaptiveZone(state, zone, end, at) : WalkZone(zone, end, at, {}, true);
        points += walk.points;
        travel += walk.travel;
        at = walk.at;
        estimated = estimated || walk.estimated;
        atMost = atMost || walk.atMost;
    }
    return Priced(state, countingSeconds, static_cast<int>(std::min<int64_t>(points, kDocumentPointCapacity)), estimated,
                  atMost, travel);
}

ScanPlan PlanRescan(const ProfileState& state, double countingSeconds) {
    const int points = std::max(std::min<int>(state.NbPts, static_cast<int>(state.PointTable.size())), 0);
    double travel = 0.0;
    for (int p = 1; p < points; ++p) {
        const PointRecord& a = state.PointTable[static_cast<std::size_t>(p - 1)];
        const PointRecord& b = state.PointTable[static_cast<std::size_t>(p)];
        travel += std::hypot(static_cast<double>(b.x) - a.x, static_cast<double>(b.y) - a.y);
    }
    return Priced(state, countingSeconds, points, false, false, travel);
}

std::string ClockText(double seconds) {
    const long long whole = std::llround(std::max(seconds, 0.0));
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", whole / 3600, whole / 60 % 60, whole % 60);
    return text;
}

const char* CountQualifier(bool estimated, bool atMost) { return estimated ? "about " : atMost ? "at most " : ""; }

ScanPlan PlanOf(const ScanProgress& progress) {
    return {progress.planned, progress.estimated, progress.atMost, progress.plannedSeconds};
}

std::string PlanText(const ScanPlan& plan) {
    return std::string(CountQualifier(plan.estimated, plan.atMost)) + CountOf(plan.points, "point") + ", about " +
           ClockText(plan.seconds);
}

ScanProgressScope::ScanProgressScope(ProfileState& state, MainView& view, const ScanPlan& plan)
    : state_(state), view_(view) {
    state.ScanPause = kFalse;
    state.Progress = {.running = true, .planned = plan.points, .estimated = plan.estimated, .atMost = plan.atMost,
                      .plannedSeconds = plan.seconds, .remaining = plan.points,
                      .started = std::chrono::steady_clock::now()};
    view.showScanProgress(state.Progress);
}

ScanProgressScope::~ScanProgressScope() {
    state_.Progress.running = false;
    state_.ScanPause = kFalse;
    view_.showScanProgress(state_.Progress);
}

void CountScanPoint(ProfileState& state, int point) {
    ScanProgress& progress = state.Progress;
    if (!progress.running) return;
    ++progress.measured;
    progress.lastPoint = point;
    if (point >= 0 && static_cast<std::size_t>(point) < state.PointTable.size()) {
        progress.lastX = state.PointTable[static_cast<std::size_t>(point)].x;
        progress.lastY = state.PointTable[static_cast<std::size_t>(point)].y;
    }
    progress.elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - progress.started).count();
}

int PointsToCome(const ProfileState& state, std::optional<int64_t> placedAt) {
    const ScanProgress& progress = state.Progress;
    const int points = std::min<int>(state.NbPts, static_cast<int>(state.PointTable.size()));
    if (progress.zone < 0 || progress.zone >= state.NbZones || points < 1)
        return std::max(progress.planned - progress.measured, 0);
    const int64_t c0 = AlongAxis(state, state.PointTable[0]);
    const int64_t at = placedAt.value_or(AlongAxis(state, state.PointTable[static_cast<std::size_t>(points - 1)])) - c0;
    std::vector<int64_t> waiting;  // nearest first: the top of the stack
    for (auto trial = state.TrialStack.rbegin(); trial != state.TrialStack.rend(); ++trial)
        waiting.push_back(AlongAxis(state, trial->point) - c0);
    const ZoneRecord& zone = state.Zones[static_cast<std::size_t>(progress.zone)];
    // A placed point is measured unless it lies on the zone's limit (a variable zone deletes it there).
    const int64_t direction = zone.type != 'F' && zone.stepMin < 0 ? -1 : 1;
    int64_t count = placedAt && direction * (direction * zone.endDistance - at) > 0 ? 1 : 0;
    ZoneWalk walk = WalkZone(zone, zone.endDistance, at, waiting, false);
    count += walk.points;
    for (int z = progress.zone + 1; z < state.NbZones && z < kZoneSlots; ++z) {
        const ZoneRecord& next = state.Zones[static_cast<std::size_t>(z)];
        walk = WalkZone(next, next.endDistance, walk.at, {}, true);
        count += walk.points;
    }
    return static_cast<int>(std::min<int64_t>(count, kDocumentPointCapacity));
}

void ShowScanProgress(ProfileState& state, MainView& view, std::optional<int64_t> placedAt) {
    if (!state.Progress.running) return;
    state.Progress.remaining = PointsToCome(state, placedAt);
    view.showScanProgress(state.Progress);
}

void HoldIfPaused(ProfileState& state, MainView& view) {
    if (state.ScanPause != kTrue || state.ScanStop == kTrue) return;
    const auto paused = std::chrono::steady_clock::now();
    view.holdScan();
    state.ScanPause = kFalse;
    state.Progress.started += std::chrono::steady_clock::now() - paused;
}

int ProgressTotal(const ScanProgress& progress) { return progress.measured + std::max(progress.remaining, 0); }

double ProgressSecondsLeft(const ScanProgress& progress) {
    if (progress.measured <= 0) return progress.plannedSeconds;
    return progress.elapsed / progress.measured * std::max(progress.remaining, 0);
}

std::string ProgressText(const ScanProgress& progress) {
    return "Point " + std::to_string(progress.measured) + " of " + CountQualifier(progress.estimated, progress.atMost) +
           std::to_string(ProgressTotal(progress)) + " - " + ClockText(progress.elapsed) + " elapsed - about " +
           ClockText(ProgressSecondsLeft(progress)) + " left";
}

}  // namespace kest
