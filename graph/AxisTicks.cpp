#include "graph/AxisTicks.h"

#include <algorithm>
#include <cmath>

namespace kest {

AxisTicks RoundTicks(double low, double high, int most) {
    most = std::max(most, 2);
    const double span = high - low;
    if (!std::isfinite(span) || !(span > 0.0)) return {1.0, std::isfinite(low) ? std::ceil(low) : 0.0, 0};
    static constexpr double kMantissas[] = {1.0, 2.0, 2.5, 5.0};
    // From a power of ten below the span's share of one tick upwards: the first that fits.
    for (int exponent = static_cast<int>(std::floor(std::log10(span / most))) - 1;; ++exponent) {
        for (const double mantissa : kMantissas) {
            const double interval = mantissa * std::pow(10.0, exponent);
            const double first = std::ceil(low / interval - 1e-9) * interval;
            const double ticks = std::floor(high / interval + 1e-9) - std::ceil(low / interval - 1e-9) + 1;
            if (ticks > most) continue;
            const int decimals = std::max(0, -exponent) + (mantissa == 2.5 && exponent <= 0 ? 1 : 0);
            return {interval, first, decimals};
        }
    }
}

}  // namespace kest
