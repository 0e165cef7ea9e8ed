#include "acquisition/CountCorrections.h"

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

}  // namespace kest
