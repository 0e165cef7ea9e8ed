#pragma once
// Counting statistics of one element at one point, in weight percent, from those of its
// rate: sigma_R, one standard deviation of the rate the point kept (after the chi-square
// repeats), and sigma_bg, that of the set-up's background rate counted the same way, both in
// counts per second and worked out where the point is counted (the dead-time counter's
// variance, the current factor, the mean over counts and pattern points).
//
//   sigma = sigma_R x S         one standard deviation, in weight percent
//   LOD   = 3 sigma_bg x S      the detection limit, in weight percent
//
// S, the sensitivity, turns counts per second into weight percent: standard_percent /
// standard_cps for an element quantified on a standard, the slope of the calibration line
// for one on a reference profile.

#include "core/ProfileState.h"
#include "suite/SuiteTypes.h"

namespace kest {

// Weight percent per count per second of a standard; 0 when it has no counts.
float StandardSensitivity(double standardPercent, double standardCps);

// The statistics with sigma and LOD worked out anew from sigma_R and sigma_bg and the
// element's sensitivity. Statistics kept before the rate's deviation was (sigma_R of 0 with
// a counting time) take a Poisson law's, sqrt(R / t), at least one count's.
CountStatistics WithPercentStatistics(const EltEntry& element, CountStatistics statistics);

}  // namespace kest
