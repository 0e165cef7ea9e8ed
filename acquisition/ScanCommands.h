#pragma once
// The scan commands of the main window.

#include "shell/MainView.h"
#include "shell/ProfileState.h"
#include "suite/Suite.h"

namespace kest {

// Scan Point: the acquisition window on the point row with the focus, for the operator to
// start; then the tables and the point list. Nothing without a selected element or row.
void ScanPoint(ProfileState& state, Suite& suite, MainView& view);

}  // namespace kest
