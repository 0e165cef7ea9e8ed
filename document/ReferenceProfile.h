#pragma once
// Calibration of an element on a reference profile: an analysis document measured and
// quantified earlier. A straight line through its points turns a count rate into a
// concentration in percent; it is fitted in single precision on the rates normalised to
// 0..1, then brought back to count rates.

#include "core/MainView.h"
#include "core/ProfileState.h"
#include "suite/Suite.h"

#include <optional>
#include <vector>

namespace kest {

struct CalibrationLine {
    float slope = 0.0f;      // A: percent per count/s
    float intercept = 0.0f;  // B: percent
};

// The least-squares line of `percent` against `rates`; nothing when there are no points or
// every rate is the same.
std::optional<CalibrationLine> FitCalibrationLine(const std::vector<float>& rates, const std::vector<float>& percent);

// Fits the line of entry `entry` on the reference document its standard names, through a
// temporary document object. On any failure the entry gets A = B = 0 and the operator
// "Reference Error!  A =  0     B =  0".
void ReadReferenceProfile(ProfileState& state, Suite& suite, MainView& view, int entry);

}  // namespace kest
