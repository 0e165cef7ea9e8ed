#pragma once
// The corrections of one count, as plain functions of its numbers.
//
// Dead time. The counter is non-paralysable: while it is dead after a pulse it loses the
// pulses that come, so it shows the rate m = r / (1 + tau r) for a true rate r, whatever
// the counting time. The correction works on the rate, never on the count:
//
//   r = (N / t) / (1 - tau N / t)
//
// Beam current. Counts scale with the beam current. A count is brought to the current its
// element's standard was measured at, with the mean of the currents read just before and
// just after it, which is the mean current of the count when the beam drifts linearly:
//
//   f = I_standard / ((I_before + I_after) / 2)
//
// Statistics. The observed count of a non-paralysable counter is a renewal process with
// variance m t (1 - tau m)^2 (Mueller, Nucl. Instrum. Methods 112 (1973) 47; Knoll,
// Radiation Detection and Measurement, the chapter on dead time), so the corrected rate
// r = m / (1 - tau m) has the variance r (1 + tau r) / t, and the rate brought to the
// standard's current, R = f r, has f^2 times it:
//
//   var R = f R (1 + tau R / f) / t
//
// A count without pulses is given the uncertainty of one pulse: no count is certain.

#include <optional>

namespace kest {

// The true rate of N counts in t seconds with the dead time tau (seconds); nothing when t
// is not above 0, the numbers are not finite, or the counter lies beyond the reach of the
// correction (tau N / t of 1 or more).
std::optional<double> DeadTimeCorrectedRate(double counts, double seconds, double tau);

// The beam-current factor of a count; 1 (no correction) when the reference or the mean
// current is not above 0 or not finite.
double BeamCurrentFactor(double reference, double before, double after);

// The variance (cps^2) of a rate R corrected for the dead time tau (seconds) and brought to
// the standard's current by the factor f, from a count of t seconds; nothing without time.
std::optional<double> CorrectedRateVariance(double rate, double seconds, double tau, double factor);

}  // namespace kest
