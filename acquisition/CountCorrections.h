#pragma once
// The corrections of one count, as plain functions of its numbers.
//
// Dead time. The counter is non-paralysable: while it is dead after a pulse it loses the
// pulses that come, so it shows the rate m = r / (1 + tau r) for a true rate r, whatever
// the counting time. The correction works on the rate, never on the count:
//
//   r = (N / t) / (1 - tau N / t)
//
// Beam current. Counts scale with the beam current. A count is brought to the reference
// current of the scan with the mean of the currents read just before and just after it,
// which is the mean current of the count when the beam drifts linearly:
//
//   f = I_ref / ((I_before + I_after) / 2)

#include <optional>

namespace kest {

// The true rate of N counts in t seconds with the dead time tau (seconds); nothing when t
// is not above 0, the numbers are not finite, or the counter lies beyond the reach of the
// correction (tau N / t of 1 or more).
std::optional<double> DeadTimeCorrectedRate(double counts, double seconds, double tau);

// The beam-current factor of a count; 1 (no correction) when the reference or the mean
// current is not above 0 or not finite.
double BeamCurrentFactor(double reference, double before, double after);

}  // namespace kest
