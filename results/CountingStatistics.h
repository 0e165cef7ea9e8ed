#pragma once
// Counting statistics of one element at one point, from the counts the point kept (after
// the chi-square repeats): R the rate in counts per second, t the counting time of every
// kept count at every pattern point, R_bg the background rate of the element's set-up.
//
//   sigma = sqrt(R / t) x S         one standard deviation of the rate, in weight percent
//   LOD   = 3 sqrt(R_bg / t) x S    the detection limit, in weight percent
//
// S, the sensitivity, turns counts per second into weight percent: standard_percent /
// standard_cps for an element quantified on a standard, the slope of the calibration line
// for one on a reference profile. Counts follow a Poisson law, so a rate counted for t
// seconds has the variance R / t.

#include "core/ProfileState.h"
#include "suite/SuiteTypes.h"

namespace kest {

// Weight percent per count per second of a standard; 0 when it has no counts.
float StandardSensitivity(double standardPercent, double standardCps);

// sqrt(rate / seconds) x |sensitivity|; 0 without counting time or with a negative rate.
float StandardDeviationPercent(double rate, double seconds, double sensitivity);

// The element's statistics at a point: sigma and LOD from the rate and counting time
// given, the repeats and the test's verdict as they are.
CountStatistics StatisticsOf(const EltEntry& element, float rate, float seconds, int32_t repeats, bool passed);

}  // namespace kest
