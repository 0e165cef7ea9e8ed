#include "results/CountingStatistics.h"

#include <algorithm>
#include <cmath>

namespace kest {

namespace {

float Percent(double cps, double sensitivity) {
    const double percent = cps * std::abs(sensitivity);
    return std::isfinite(percent) ? static_cast<float>(percent) : 0.0f;
}

float PoissonSigma(double rate, double seconds) {
    if (!(seconds > 0.0)) return 0.0f;
    return static_cast<float>(std::sqrt(std::max(rate, 1.0 / seconds) / seconds));
}

}  // namespace

float StandardSensitivity(double standardPercent, double standardCps) {
    const double sensitivity = standardPercent / standardCps;
    return standardCps != 0.0 && std::isfinite(sensitivity) ? static_cast<float>(sensitivity) : 0.0f;
}

CountStatistics WithPercentStatistics(const EltEntry& element, CountStatistics statistics) {
    if (statistics.rateSigma == 0.0f && statistics.backgroundSigma == 0.0f) {
        statistics.rateSigma = PoissonSigma(statistics.rate, statistics.countingTime);
        statistics.backgroundSigma = PoissonSigma(element.backgroundCps, statistics.countingTime);
    }
    statistics.sigma = Percent(statistics.rateSigma, element.sensitivity);
    statistics.lod = 3.0f * Percent(statistics.backgroundSigma, element.sensitivity);
    return statistics;
}

}  // namespace kest
