#include "results/CountingStatistics.h"

#include <cmath>

namespace kest {

float StandardSensitivity(double standardPercent, double standardCps) {
    const double sensitivity = standardPercent / standardCps;
    return standardCps != 0.0 && std::isfinite(sensitivity) ? static_cast<float>(sensitivity) : 0.0f;
}

float StandardDeviationPercent(double rate, double seconds, double sensitivity) {
    if (!(seconds > 0.0) || !(rate >= 0.0)) return 0.0f;
    const double sigma = std::sqrt(rate / seconds) * std::abs(sensitivity);
    return std::isfinite(sigma) ? static_cast<float>(sigma) : 0.0f;
}

CountStatistics StatisticsOf(const EltEntry& element, float rate, float seconds, int32_t repeats, bool passed) {
    CountStatistics statistics;
    statistics.countingTime = seconds;
    statistics.rate = rate;
    statistics.sigma = StandardDeviationPercent(rate, seconds, element.sensitivity);
    statistics.lod = 3.0f * StandardDeviationPercent(element.backgroundCps, seconds, element.sensitivity);
    statistics.repeats = repeats;
    statistics.passed = passed ? 1 : 0;
    return statistics;
}

}  // namespace kest
