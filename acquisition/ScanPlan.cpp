#include "acquisition/ScanPlan.h"

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

// Halvings of a step from step max until it is no longer than step min.
int Halvings(const ZoneRecord& zone) {
    int halvings = 0;
    for (double step = std::abs(static_cast<double>(zone.stepMax)); step > std::abs(static_cast<double>(zone.stepMin)) && halvings < 31; step /= 2)
        ++halvings;
    return halvings;
}

}  // namespace

ScanPlan PlanScan(const ProfileState& state, double countingSeconds) {
    int64_t points = 1;    // the start point, where the stage stands
    double travel = 0.0;
    int64_t at = 0;        // the last point, from the profile start
    int64_t end = 0;       // E(z)
    bool estimated = false, atMost = false;
    for (int z = 0; z < state.NbZones && z < kZoneSlots; ++z) {
        const ZoneRecord& zone = state.Zones[static_cast<std::size_t>(z)];
        end += zone.length;
        if (zone.type == 'F') {
            if (zone.stepMin <= 0 || at >= end) continue;  // no step forward, or nothing left to walk
            points += (end - at + zone.stepMin - 1) / zone.stepMin;  // the last one on the end
            travel += static_cast<double>(end - at);
            at = end;
            continue;
        }
        // A variable zone: its steps of step max short of the limit (the one that reaches it
        // is never measured), and the halvings of one change of concentration.
        const int64_t step = std::abs(int64_t{zone.stepMax});
        const int64_t room = zone.stepMin > 0 ? end - at : at + end;
        if (step == 0 || zone.stepMin == 0 || room <= 0) continue;
        const int64_t steps = (room + step - 1) / step - 1;
        if (steps <= 0) continue;
        const int halvings = Halvings(zone);
        if (zone.type == kAdaptiveZone) {
            // Every coarse interval may be split down to step min, within the budget.
            const int64_t splits = std::min<int64_t>(steps * MostSplits(step, zone.stepMin), state.AdaptivePointBudget);
            points += steps + splits;
            travel += static_cast<double>(steps * step) * (splits > 0 ? 2.0 : 1.0);
            atMost = true;
        } else {
            points += steps + halvings;
            travel += static_cast<double>(steps * step + (halvings > 0 ? 2 * step : 0));
            estimated = true;
        }
        at += zone.stepMin > 0 ? steps * step : -steps * step;
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
    return std::string(CountQualifier(plan.estimated, plan.atMost)) + std::to_string(plan.points) + " points, about " +
           ClockText(plan.seconds);
}

ScanProgressScope::ScanProgressScope(ProfileState& state, MainView& view, const ScanPlan& plan)
    : state_(state), view_(view) {
    state.Progress = {.running = true, .planned = plan.points, .estimated = plan.estimated, .atMost = plan.atMost,
                      .plannedSeconds = plan.seconds, .started = std::chrono::steady_clock::now()};
    view.showScanProgress(state.Progress);
}

ScanProgressScope::~ScanProgressScope() {
    state_.Progress.running = false;
    view_.showScanProgress(state_.Progress);
}

void CountScanPoint(ProfileState& state, MainView& view, int point) {
    ScanProgress& progress = state.Progress;
    if (!progress.running) return;
    ++progress.measured;
    progress.lastPoint = point;
    progress.elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - progress.started).count();
    view.showScanProgress(progress);
}

int ProgressTotal(const ScanProgress& progress) { return std::max(progress.planned, progress.measured); }

double ProgressSecondsLeft(const ScanProgress& progress) {
    if (progress.measured <= 0) return progress.plannedSeconds;
    return progress.elapsed / progress.measured * (ProgressTotal(progress) - progress.measured);
}

std::string ProgressText(const ScanProgress& progress) {
    return "Point " + std::to_string(progress.measured) + " of " + CountQualifier(progress.estimated, progress.atMost) +
           std::to_string(ProgressTotal(progress)) + " - " + ClockText(progress.elapsed) + " elapsed - about " +
           ClockText(ProgressSecondsLeft(progress)) + " left";
}

}  // namespace kest
