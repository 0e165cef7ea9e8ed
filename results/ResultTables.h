#pragma once
// The point table and the result table: the main window's copy of the document's points
// (position, label and status) and, per element and point, the count rate, the
// concentration, its standard deviation and the detection limit.
// The document is the reference; the tables follow every change of its points, wholly or,
// when a scan adds, measures or removes one point, by that point's rows alone.

#include "core/ProfileState.h"
#include "suite/AnalysisDatabase.h"

#include <string>

namespace kest {

// NbPts and the point table from the document; CurPnt becomes 0, or -1 without points.
// Both tables get one spare record in each direction; the result table is zeroed.
void LoadPoints(ProfileState& state, AnalysisDatabase& db);

// The count rate (measure 1), concentration (result field 1, in percent), standard
// deviation, detection limit and quality flags of every element in use at every point.
void LoadResults(ProfileState& state, AnalysisDatabase& db);

// Both tables as LoadPoints and LoadResults leave them, when only points [first, end) of
// the document have changed (added, measured) and the points past the document's end are
// gone: those rows alone are read.
void LoadPointRows(ProfileState& state, AnalysisDatabase& db, int first, int end);

// "measured", "stopped" or "failed"; empty for a point without status.
const char* PointStatusName(PointStatus status);

// The analytical total of point p: the sum of the concentrations of the elements in the
// result table, weight percent.
float PointTotal(const ProfileState& state, int p);

// A stopped or failed point holds the rates of the point before it: it has no numbers of its own.
bool HasOwnNumbers(const PointRecord& point);

// "Fe:chi2 Ni:beam+deadtime": the quality flags of point p, element by element; empty for none.
std::string PointFlagsText(const ProfileState& state, int p);

// The points of the table with a quality flag on some element.
int FlaggedPoints(const ProfileState& state);

}  // namespace kest
