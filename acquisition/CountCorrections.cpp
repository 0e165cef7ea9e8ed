#include "acquisition/CountCorrections.h"

#include <algorithm>
#include <cmath>

namespace kest {

std::optional<double> DeadTimeCorrectedRate(double counts, double seconds, double tau) {
    if (!(seconds > 0.0)) return std::nullopt;
    const double shown = counts / seconds;
    const double live = 1.0 - tau * shown;
    if (!std::isfinite(shown) || !(live > 0.0)) return std::nullopt;
    return shown / live;
}

double BeamCurrentFactor(double reference, double before, double after) {
    const double mean = (before + after) / 2.0;
    const double factor = reference / mean;
    return reference > 0.0 && mean > 0.0 && std::isfinite(factor) ? factor : 1.0;
}

std::optional<double> CorrectedRateVariance(double rate, double seconds, double tau, double factor) {
    if (!(seconds > 0.0) || !(factor > 0.0)) return std::nullopt;
    const double atBeam = std::max(rate / factor, 1.0 / seconds);  // one pulse at least
    const double variance = factor * factor * atBeam * (1.0 + tau * atBeam) / seconds;
    return std::isfinite(variance) ? std::optional(variance) : std::nullopt;
}

}  // namespace kest
