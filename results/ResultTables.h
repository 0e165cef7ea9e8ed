#pragma once
// The point table and the result table: the main window's copy of the document's points
// (position and label) and, per element and point, the count rate and the concentration.
// The document is the reference; both tables are rebuilt after every change of its points.

#include "core/ProfileState.h"
#include "suite/AnalysisDatabase.h"

namespace kest {

// NbPts and the point table from the document; CurPnt becomes 0, or -1 without points.
// Both tables get one spare record in each direction; the result table is zeroed.
void LoadPoints(ProfileState& state, AnalysisDatabase& db);

// The count rate (measure 1) and concentration (result field 1, in percent) of every
// element in use at every point.
void LoadResults(ProfileState& state, AnalysisDatabase& db);

}  // namespace kest
