#pragma once
// The point commands of the main window, the point selection, and the load of a document's
// view after New and Open.

#include "shell/MainView.h"
#include "shell/ProfileState.h"
#include "suite/Suite.h"

namespace kest {

// A point at stage position 0, 0, 0 without a label; the lists show it at once.
void AddPoint(ProfileState& state, Suite& suite, MainView& view);

// The points selected in the point list, after the operator confirms: one selected row
// deletes CurPnt, several delete every selected row, from the highest index down.
void DeletePoints(ProfileState& state, Suite& suite, MainView& view);

// A click on a point row makes it the current point; with Graph "Sel" the graph is rebuilt
// from the rows now selected.
void PointRowClicked(ProfileState& state, AnalysisDatabase& db, MainView& view, int row);

// The per-document settings back to their defaults (graph "All", no pattern spacing, the
// default counts per point, axis X, one pattern point), the zone table emptied, the
// elements set up, and the points and results loaded. False when the element set-up fails.
// The caller redraws the lists.
bool LoadDocumentView(ProfileState& state, Suite& suite, MainView& view);

}  // namespace kest
