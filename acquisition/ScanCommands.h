#pragma once
// The scan commands of the main window. A scan runs inside its command: each point is
// measured in the modal acquisition window, and the stop button there ends the scan after
// the point it interrupted (ScanStop, looked at between points only).

#include "core/MainView.h"
#include "core/ProfileState.h"
#include "suite/Suite.h"

#include <optional>
#include <string>

namespace kest {

// Why a new scan cannot start where the stage stands: a stage that cannot say where it
// stands (the message names the failing call), or a line that would leave the stage's
// travel. Nothing when it can start.
std::optional<std::string> StartRefusal(ProfileState& state, Suite& suite);

// Scan New: the document's points are deleted, the start point is measured where the stage
// stands, and the zones are walked in order. Nothing without elements or zones; a zone that
// can never reach its limit, or StartRefusal, refuses the scan with a message, before
// anything is deleted.
// Points with unsaved changes are offered a save first; Cancel scans nothing.
void ScanNew(ProfileState& state, Suite& suite, MainView& view);

// The start point of a new scan, labelled "Z01", measured at the stage position.
void StartProfile(ProfileState& state, Suite& suite, MainView& view);

// Scan Old: every point of the document measured again, in order. Nothing without elements
// or points.
void ScanOld(ProfileState& state, Suite& suite, MainView& view);

// Scan Point: the acquisition window on the point row with the focus, for the operator to
// start; then the tables and the point list. Nothing without a selected element or row.
void ScanPoint(ProfileState& state, Suite& suite, MainView& view);

}  // namespace kest
