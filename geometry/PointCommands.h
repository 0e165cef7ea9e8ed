#pragma once
// The point commands of the main window and the point selection.

#include "core/MainView.h"
#include "core/ProfileState.h"
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

}  // namespace kest
