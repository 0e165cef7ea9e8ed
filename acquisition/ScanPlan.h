#pragma once
// What a scan will take, said before it starts, and how far it has come while it runs.
//
// The plan walks the zones as the scan walks them. A fixed zone's points are known exactly;
// a variable zone is counted at its step max, plus the halvings that one sharp change of
// concentration costs on the way down to step min, so its count is an estimate; an
// adaptive zone at its coarse pass plus all the points its refinement may add (the splits
// down to step min, at most the point budget), so its count is a bound. Every point
// counts NC times the counting time at each pattern point; the stage travels from point to
// point, out across the pattern and back, at its speed. The time is wall-clock time: the
// instrument's seconds times the state's time scale.
//
// While a scan runs, its progress (the state's Progress) is counted after every point
// measured and shown through the main window. What is left is estimated again each time
// from where the scan stands: the zone being walked from its last point (and the points
// waiting on its trial stack), then the zones after it as the plan walks them; the time
// left follows the pace so far. So a variable zone that needs more points than planned
// never shows nothing left while points remain.

#include "core/MainView.h"
#include "core/ProfileState.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kest {

struct ScanPlan {
    int points = 0;          // the start point included
    bool estimated = false;  // a variable zone makes the count an estimate
    bool atMost = false;     // an adaptive zone makes it a bound: it stops once the profile is resolved
    double seconds = 0.0;
};

// What one zone measures from where its walk stands to its end.
struct ZoneWalk {
    int64_t points = 0;
    double travel = 0.0;     // stage units along the axis
    int64_t at = 0;          // where its last point will lie, from the profile start
    bool estimated = false;  // a count that depends on the specimen
    bool atMost = false;     // a bound: an adaptive zone stops once the profile is resolved
};

// Zone `zone` whose end distance is `end`, walked from `at` (its last point, from the profile
// start along the active axis). `waiting`: the points waiting on its trial stack, nearest
// first, from the profile start. Each kind of zone gives its own count: a fixed zone its
// points exactly; a variable zone its steps of step max from the farthest waiting point,
// plus the halvings down to the nearest waiting one, or, walked from its start (`fresh`),
// the halvings that one sharp change costs.
ZoneWalk WalkZone(const ZoneRecord& zone, int64_t end, int64_t at, const std::vector<int64_t>& waiting, bool fresh);

// "about " before an estimated count (a variable zone makes the whole count one), "at most "
// before a bound, nothing before an exact one.
const char* CountQualifier(bool estimated, bool atMost);
// The plan a scan started with.
ScanPlan PlanOf(const ScanProgress& progress);

// Scan New of the zones in use, from the profile start, `countingSeconds` per count.
ScanPlan PlanScan(const ProfileState& state, double countingSeconds);
// Scan Old: every point of the point table measured again where it stands.
ScanPlan PlanRescan(const ProfileState& state, double countingSeconds);

// "0:03:10": hours, minutes and seconds, rounded to the second.
std::string ClockText(double seconds);
// "about 40 points, about 0:10:30"; "40 points, about 0:10:30" when the count is exact,
// "at most 40 points, about 0:10:30" when it is a bound.
std::string PlanText(const ScanPlan& plan);

// The progress of a scan, shown to the view at each step: started with its plan for as
// long as the scan's command runs, however it returns, and counted after every point the
// scan measured (nothing while no scan runs).
class ScanProgressScope {
public:
    ScanProgressScope(ProfileState& state, MainView& view, const ScanPlan& plan);
    ~ScanProgressScope();
    ScanProgressScope(const ScanProgressScope&) = delete;
    ScanProgressScope& operator=(const ScanProgressScope&) = delete;

private:
    ProfileState& state_;
    MainView& view_;
};
// Point `point` has been measured (the point table holds it): one more, and where.
void CountScanPoint(ProfileState& state, int point);
// The progress shown, with the points to come estimated again: after the zone's last point
// as the point table holds it, or, when the next point has been placed at `placedAt` (an
// axis coordinate), from that point on, which is then one of them.
void ShowScanProgress(ProfileState& state, MainView& view, std::optional<int64_t> placedAt = std::nullopt);
// The points still to measure as the scan stands: see ShowScanProgress.
int PointsToCome(const ProfileState& state, std::optional<int64_t> placedAt);

// Scan > Pause: after the point measured, a paused scan waits in the view until it is
// resumed or stopped; the time it waited is no part of the pace.
void HoldIfPaused(ProfileState& state, MainView& view);

// The points the scan is expected to measure in all: those measured and those to come.
int ProgressTotal(const ScanProgress& progress);
// At the pace so far; the plan's time before the first point.
double ProgressSecondsLeft(const ScanProgress& progress);
// "Point 12 of 40 - 0:03:10 elapsed - about 0:07:20 left" ("of about 40" for an estimate).
std::string ProgressText(const ScanProgress& progress);

}  // namespace kest
