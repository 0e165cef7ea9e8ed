#pragma once
// The profile graph: the plotted points built from the point and result tables, and the
// two drawings of them, the main window's graph and the printable chart.
//
// Along the profile a plotted point lies at its straight-line distance in space from the
// first plotted point, shifted by the offset O. The window's graph has one series per
// element and one more, in white, at the planned end of the profile (O plus the end
// distance of the last zone), which stretches the distance axis to it. The printable chart
// has no such series, but a legend, axis titles and an optional grid.

#include "core/MainView.h"
#include "core/ProfileChart.h"
#include "core/ProfileState.h"
#include "suite/AnalysisDatabase.h"

namespace kest {

// The points to plot: every point, or with "Sel" (GraphSelectedOnly 1) the points whose
// rows are selected in the point list.
void BuildGraphPoints(ProfileState& state, const MainView& view);

// Distance of plotted point k from plotted point 0.
double GraphDistance(const GraphArrays& graph, int k);

// Both drawings hide the chart and leave it hidden without elements or with fewer than two
// plotted points. The title is the document's, at most 50 characters.
void DrawProfileGraph(ProfileState& state, AnalysisDatabase& db, ProfileChart& chart);
void DrawPrintGraph(ProfileState& state, AnalysisDatabase& db, ProfileChart& chart, bool grid);

// BuildGraphPoints, then DrawProfileGraph on the main window's graph: after every refill of
// the point list, and when the points to plot change.
void RebuildProfileGraph(ProfileState& state, AnalysisDatabase& db, MainView& view);

}  // namespace kest
