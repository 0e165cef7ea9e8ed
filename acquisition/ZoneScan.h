#pragma once
// The walk of one zone of the profile line, and the steps it is made of. Coordinates run
// along the active axis from the profile start c0, the coordinate of point 0; the points
// of zone z are clipped to its end c0 + E(z).
//
//   fixed step ("F"):    c0 ─ s ─ s ─ s ─┤end      a point every step min, the last on the end
//   variable step:       a step max at a time; a step across which some concentration
//                        changes by more than dConc is halved, down to step min; the points
//                        beyond the halving wait on the trial stack (acquisition/TrialStack)
//   adaptive ("A"):      step max at a time, then midpoints where the straight line between
//                        neighbours misses the profile most (acquisition/AdaptiveRefinement)
//
// A point is measured by the acquisition window in its automatic mode (MainView's
// acquirePoint); the stop button and an instrument fault set ScanStop, which is looked at
// between points only. A zone that measures more points than its length can need ends the
// scan, with a message naming it: an unattended scan never runs on for hours.

#include "core/MainView.h"
#include "core/ProfileState.h"
#include "suite/Suite.h"

#include <cstdint>
#include <string>

namespace kest {

// X on axis 1, Y on axis 2, 0 on any other axis.
int32_t AxisCoordinate(int16_t axis, int32_t x, int32_t y);
// The coordinate of a point of the document, read from the document.
int32_t PointCoordinate(ProfileState& state, AnalysisDatabase& db, int32_t point);
// (t + c) / 2 rounded to the nearest whole number, halves to the even neighbour.
int32_t Midpoint(int32_t t, int32_t c);
// "Z01" for zone 0, "Z12" for zone 11, "Z100" for zone 99.
std::string ZoneLabel(int zone);

// Appends a point of zone z at coordinate c, clipped to the zone's end, where the stage
// stands across the axis. False, with the trial stack put back, a message and ScanStop
// set, when the document could not hold the point and the waiting trials together.
bool AddPointAt(ProfileState& state, Suite& suite, MainView& view, int64_t c, int zone);
// The last point measured in the acquisition window's automatic mode, then the lists; the
// point counts in the scan's progress, shown (and a pause held) unless `showProgress` is
// off, for a walk that shows it once it has placed its next point.
void MeasureLast(ProfileState& state, Suite& suite, MainView& view, bool showProgress = true);
// The same for point `point`, wherever it stands in the document.
void MeasurePoint(ProfileState& state, Suite& suite, MainView& view, int point, bool showProgress = true);
// The tables and the point list (with the graph) after a change of points [first, end)
// alone, the points past the document's end gone: each point of a scan costs the same,
// however long the profile has grown.
void RefreshViews(ProfileState& state, AnalysisDatabase& db, MainView& view, int first, int end);

// The step from the last-but-one to the last point: accepted when it cannot be made finer
// or no element's concentration changed across it by more than dConc or, when larger,
// NoiseSigmas standard deviations of the difference.
bool StepAcceptable(ProfileState& state, AnalysisDatabase& db, int zone);
// The top trial against the last point: accepted when it lies within |step min| of it or
// no element's concentration differs by more than that threshold. The distance is compared by
// magnitude, as in the step test, so that a descending zone ends as its mirror image does.
bool TrialAcceptable(ProfileState& state, AnalysisDatabase& db, int zone);

void ScanFixedZone(ProfileState& state, Suite& suite, MainView& view, int zone);
void ScanVariableZone(ProfileState& state, Suite& suite, MainView& view, int zone);
// An adaptive zone: a coarse pass at step max, then the refinement of AdaptiveRefinement,
// each point added at the end of the document, moved at once to its place in scan order
// among the zone's points, and measured there.
void ScanAdaptiveZone(ProfileState& state, Suite& suite, MainView& view, int zone);

}  // namespace kest
