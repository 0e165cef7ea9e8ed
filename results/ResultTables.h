#pragma once
// The point table and the result table: the main window's copy of the document's points
// (position and label) and, per element and point, the count rate and the concentration.
// The document is the reference; the tables follow every change of its points, wholly or,
// when a scan adds, measures or removes one point, by that point's rows alone.

#include "core/ProfileState.h"
#include "suite/AnalysisDatabase.h"

namespace kest {

// NbPts and the point table from the document; CurPnt becomes 0, or -1 without points.
// Both tables get one spare record in each direction; the result table is zeroed.
void LoadPoints(ProfileState& state, AnalysisDatabase& db);

// The count rate (measure 1) and concentration (result field 1, in percent) of every
// element in use at every point.
void LoadResults(ProfileState& state, AnalysisDatabase& db);

// Both tables as LoadPoints and LoadResults leave them, when only points [first, end) of
// the document have changed (added, measured) and the points past the document's end are
// gone: those rows alone are read.
void LoadPointRows(ProfileState& state, AnalysisDatabase& db, int first, int end);

}  // namespace kest
