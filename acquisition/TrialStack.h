#pragma once
// The trial stack of a variable-step zone: points measured beyond a bisection wait here,
// last in first out, until the finer points show the change resolved; then they go back to
// the document behind those finer points, so the points stay in scan order. The document
// keeps the waiting points too, apart from its profile (KestDbParkPt), so that a crash
// loses none of them.

#include "core/ProfileState.h"
#include "suite/AnalysisDatabase.h"

namespace kest {

// The last point of the document leaves it for the top of the stack, with its position,
// label, status and, for every element in use, count rate and concentration as last
// loaded and its counting statistics.
void PushTrial(ProfileState& state, AnalysisDatabase& db);

// The top entry comes back as the last point of the document: position, all 80 characters
// of its label, and per element a result block holding only the concentration (as a mass
// fraction) and the count rate as measure 1, its statistics and its status. Nothing on an
// empty stack.
void PopTrial(ProfileState& state, AnalysisDatabase& db);

// Empties the stack, the document's with it.
void ResetTrials(ProfileState& state, AnalysisDatabase& db);

}  // namespace kest
