#include "suite/StandardComputation.h"

#include "suite/MatrixSetup.h"
#include "suite/SqliteAnalysisDatabase.h"

#include <vector>

namespace kest {

namespace {

enum ResultField : std::size_t {
    kMassFraction = 0,
    kKRatio = 1,
    kNetRate = 2,
    kBackground = 3,
    kWeightPercent = 4,
    kTotal = 5,
    kZFactor = 6,
    kAFactor = 7,
    kFFactor = 8,
    kIterations = 9,
    kMatrixFlag = 10,
};

ComputeResult Result(double massFraction, double kRatio, double net, double background) {
    ComputeResult result;
    result.field[kMassFraction] = static_cast<float>(massFraction);
    result.field[kKRatio] = static_cast<float>(kRatio);
    result.field[kNetRate] = static_cast<float>(net);
    result.field[kBackground] = static_cast<float>(background);
    result.field[kWeightPercent] = static_cast<float>(massFraction * 100.0);
    return result;
}

// Without a correction (a set-up the model cannot correct): the proportion to the standard.
ComputeResult Proportion(const ElementSetup& setup, float countRate) {
    const double net = static_cast<double>(countRate) - setup.background_cps;
    // A standard without net counts cannot calibrate anything: report nothing rather than infinity.
    const double kRatio = setup.standard_cps != 0.0 ? net / setup.standard_cps : 0.0;
    ComputeResult result = Result(setup.standard_percent / 100.0 * kRatio, kRatio, net, setup.background_cps);
    result.field[kZFactor] = result.field[kAFactor] = result.field[kFFactor] = 1.0f;
    result.field[kMatrixFlag] = 1.0f;
    return result;
}

void Correct(const physics::MatrixCorrection& correction, const AnalysisDocument& document, const DocumentPoint& point,
             std::vector<ComputeResult>& results) {
    std::vector<physics::PeakMeasurement> peaks;
    for (std::size_t e = 0; e < results.size(); ++e) {
        const ElementSetup& setup = document.elements[e].setup;
        peaks.push_back({point.values[e].measures[0], setup.standard_cps, setup.background_cps});
    }
    const physics::Quantification q = correction.quantify(peaks);
    for (std::size_t e = 0; e < results.size(); ++e) {
        const physics::CorrectionFactors& f = q.factors[e];
        const double background = q.backgroundCps[e];
        results[e] = Result(q.massFractions[e], f.kRatio, point.values[e].measures[0] - background, background);
        results[e].field[kZFactor] = static_cast<float>(f.Z);
        results[e].field[kAFactor] = static_cast<float>(f.A);
        results[e].field[kFFactor] = static_cast<float>(f.F);
        results[e].field[kIterations] = static_cast<float>(q.iterations);
        results[e].field[kMatrixFlag] = q.converged ? 0.0f : 1.0f;
    }
}

std::vector<ElementSetup> SetupsOf(const AnalysisDocument& document) {
    std::vector<ElementSetup> setups;
    for (const DocumentElement& element : document.elements) setups.push_back(element.setup);
    return setups;
}

}  // namespace

StandardComputation::StandardComputation(SqliteAnalysisDatabase& database) : database_(database) {}

const std::optional<physics::MatrixCorrection>& StandardComputation::correctionFor(const MatrixConditions& matrix,
                                                                                   const std::vector<ElementSetup>& elements) {
    if (!corrected_ || matrix != correctedMatrix_ || elements != correctedElements_) {
        correction_ = MatrixCorrectionFor(matrix, elements);
        correctedMatrix_ = matrix;
        correctedElements_ = elements;
        corrected_ = true;
    }
    return correction_;
}

Status StandardComputation::KestComputeQti(std::string& key, int32_t point, int32_t /*mode*/, int32_t /*flags*/) {
    const AnalysisDocument* document = database_.document(key);
    if (!document) return 0;
    const auto count = static_cast<int32_t>(document->points.size());
    if (point != -1 && (point < 0 || point >= count)) return 0;
    const int32_t first = point == -1 ? 0 : point;
    const int32_t last = point == -1 ? count : point + 1;

    const std::optional<physics::MatrixCorrection>& correction = correctionFor(document->matrix, SetupsOf(*document));
    const auto batch = database_.batch(key);  // every point reaches the working file at once
    std::vector<ComputeResult> results(document->elements.size());
    for (int32_t p = first; p < last; ++p) {
        const DocumentPoint& stored = document->points[static_cast<std::size_t>(p)];
        if (correction) {
            Correct(*correction, *document, stored, results);
        } else {
            for (std::size_t e = 0; e < results.size(); ++e)
                results[e] = Proportion(document->elements[e].setup, stored.values[e].measures[0]);
        }
        double total = 0.0;
        for (std::size_t e = 0; e < results.size(); ++e)
            if (document->elements[e].setup.profile) total += results[e].field[kMassFraction];
        for (std::size_t e = 0; e < results.size(); ++e) {
            results[e].field[kTotal] = static_cast<float>(total);
            if (database_.KestDbEltSetComputeRes(key, static_cast<int32_t>(e), kByPosition, p, results[e]) == 0)
                return 0;
        }
    }
    return 1;
}

}  // namespace kest
