#pragma once
// The profile elements of the working document: which of its elements the profile measures,
// their symbols, standards and spectrometers, the spectrometers in use, and how their
// concentrations are computed.

#include "core/MainView.h"
#include "core/ProfileState.h"
#include "suite/Suite.h"

#include <string_view>

namespace kest {

// At most five profile elements are taken: the selection ends at an element flagged at
// document position 5.
inline constexpr int32_t kLastSelectablePosition = 5;

// Fills the element table from the document. False, after "Elt = <symbol> Reference Error !",
// when an element has no standard. An element whose standard is an analysis document gets
// the calibration line of that reference profile, every other element is computed on its
// standard: ComputeMode is -1 when any element is, 0 when every element has a line.
bool SetupElements(ProfileState& state, Suite& suite, MainView& view);

// A standard named "*.ana" in any case is a reference profile.
bool IsReferenceDocument(std::string_view standardName);

}  // namespace kest
