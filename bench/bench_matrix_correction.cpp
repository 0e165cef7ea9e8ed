// What the matrix correction costs: one point of five elements (a steel-like specimen, one
// element on a compound standard, one by difference) corrected from its peak rates, with
// backgrounds that follow the mean atomic number, and the set-up it needs (xraylib's data read
// once per document). Prints medians of processor time.

#include "ProcessorClock.h"

#include "physics/MatrixCorrection.h"

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace kest::physics;

namespace {

constexpr XRayLine Ka = XRayLine::KAlpha;

template <typename Work>
double MedianMilliseconds(int runs, Work&& work) {
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        const auto start = ProcessorClock::now();
        work();
        times.push_back(Milliseconds(ProcessorClock::now() - start));
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

}  // namespace

int main() {
    const std::vector<AnalysedElement> analysed{{26, Ka, {{26, 1.0}}},
                                                {28, Ka, {{28, 1.0}}},
                                                {24, Ka, {{24, 0.684}, {8, 0.316}}},
                                                {42, XRayLine::LAlpha, {{42, 1.0}}},
                                                {25, Ka, {{25, 1.0}}}};
    const AnalysisConditions conditions{20.0, 40.0, true};
    const Composition specimen{{26, 0.62}, {28, 0.12}, {24, 0.18}, {42, 0.03}, {25, 0.02}, {6, 0.03}};
    const MatrixCorrection correction(conditions, analysed, {{6, true, 0.0}});
    std::vector<PeakMeasurement> peaks;
    const std::vector<CorrectionFactors> k = correction.kRatios(specimen);
    for (std::size_t i = 0; i < analysed.size(); ++i)
        peaks.push_back({5000.0 * k[i].kRatio + 30.0 * correction.backgroundScale(i, specimen), 5000.0, 30.0});

    constexpr int kPointsPerRun = 1000;
    int iterations = 0;
    double sink = 0.0;
    const double point = MedianMilliseconds(15, [&] {
        for (int p = 0; p < kPointsPerRun; ++p) {
            const Quantification q = correction.quantify(peaks);
            iterations = q.iterations;
            sink += q.massFractions[0];
        }
    }) / kPointsPerRun;
    const double setUp = MedianMilliseconds(15, [&] { sink += MatrixCorrection(conditions, analysed, {{6, true, 0.0}}).analysedCount(); });
    std::printf("matrix correction, one point of 5 elements: %.4f ms (%d iterations; target 0.2 ms)\n", point, iterations);
    std::printf("matrix correction set-up for 5 elements (xraylib read):  %.3f ms\n", setUp);
    return sink > 0.0 ? 0 : 1;
}
