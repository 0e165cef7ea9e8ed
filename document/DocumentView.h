#pragma once
// What the main window shows of a document once New or Open has given it: the per-document
// settings back to their defaults, the zones emptied, the elements, points and results
// loaded, then the three lists.

#include "core/MainView.h"
#include "core/ProfileState.h"
#include "suite/Suite.h"

namespace kest {

// The per-document settings back to their defaults (graph "All", no pattern spacing, the
// default counts per point, axis X, one pattern point), the zone table emptied, the
// elements set up, and the points and results loaded. False when the element set-up fails.
// The caller redraws the lists.
bool LoadDocumentView(ProfileState& state, Suite& suite, MainView& view);

// The zone list, the element list and the point list, in that order.
void RefreshLists(ProfileState& state, Suite& suite, MainView& view);

}  // namespace kest
