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
// measured and shown through the main window; the time left follows the pace so far.

#include "core/MainView.h"
#include "core/ProfileState.h"

#include <string>

namespace kest {

struct ScanPlan {
    int points = 0;          // the start point included
    bool estimated = false;  // a variable zone makes the count an estimate
    bool atMost = false;     // an adaptive zone makes it a bound: it stops once the profile is resolved
    double seconds = 0.0;
};

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
void CountScanPoint(ProfileState& state, MainView& view, int point);

// The points the scan is expected to measure in all: the plan, or the points already
// measured when the plan fell short.
int ProgressTotal(const ScanProgress& progress);
// At the pace so far; the plan's time before the first point.
double ProgressSecondsLeft(const ScanProgress& progress);
// "Point 12 of 40 - 0:03:10 elapsed - about 0:07:20 left" ("of about 40" for an estimate).
std::string ProgressText(const ScanProgress& progress);

}  // namespace kest
