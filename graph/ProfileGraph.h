#pragma once
// The profile graph: the plotted points built from the point and result tables, and the
// two drawings of them, the main window's graph and the printable chart.
//
// Along the profile a plotted point lies at its straight-line distance in space from the
// first plotted point, shifted by the offset O. The window's graph has one series per
// element, each in a colour of its own, under a legend and axis titles, and one more, in
// white and without a legend entry, at the planned end of the profile (O plus the end
// distance of the last zone), which stretches the distance axis to it. The printable chart
// has no such series; its elements other than carbon (light red) and nitrogen (green) are
// black, and it has a grid on request.

#include "core/MainView.h"
#include "core/ProfileChart.h"
#include "core/ProfileState.h"
#include "suite/AnalysisDatabase.h"

namespace kest {

inline constexpr int kAllRows = 1 << 30;  // an `end` past every row

// The points to plot: every point, or with "Sel" (GraphSelectedOnly 1) the points whose
// rows are selected in the point list.
void BuildGraphPoints(ProfileState& state, const MainView& view);
// Without "Sel", after a change of the table rows [first, end) alone (the rows past the
// table's end gone): those plotted points are set again and the count follows the table.
void BuildGraphPointRows(ProfileState& state, int first, int end);

// Distance of plotted point k from plotted point 0.
double GraphDistance(const GraphArrays& graph, int k);

// Both drawings hide the chart and leave it hidden without elements or with fewer than two
// plotted points. The title is the document's, at most 50 characters.
void DrawProfileGraph(ProfileState& state, AnalysisDatabase& db, ProfileChart& chart);
// The window's graph after a change of plotted points [first, end) alone, so that a scan
// costs the same at its thousandth point as at its first: those points are set and the
// chart drawn again. A whole drawing when more changes: the chart shows or hides, its
// series, or every distance (the first point changed).
void DrawProfileGraphRows(ProfileState& state, AnalysisDatabase& db, ProfileChart& chart, int first, int end);
void DrawPrintGraph(ProfileState& state, AnalysisDatabase& db, ProfileChart& chart, bool grid);

// BuildGraphPoints, then DrawProfileGraph on the main window's graph: after every refill of
// the point list, and when the points to plot change.
void RebuildProfileGraph(ProfileState& state, AnalysisDatabase& db, MainView& view);
// The same after a change of the table rows [first, end) alone; with "Sel" it rebuilds.
void RebuildProfileGraphRows(ProfileState& state, AnalysisDatabase& db, MainView& view, int first, int end);

}  // namespace kest
