#include "suite/StandardComputation.h"

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
};

ComputeResult Quantify(const ElementSetup& setup, float countRate) {
    const double net = static_cast<double>(countRate) - setup.background_cps;
    // A standard without net counts cannot calibrate anything: report nothing rather than infinity.
    const double kRatio = setup.standard_cps != 0.0 ? net / setup.standard_cps : 0.0;
    const double fraction = setup.standard_percent / 100.0 * kRatio;
    ComputeResult result;
    result.field[kMassFraction] = static_cast<float>(fraction);
    result.field[kKRatio] = static_cast<float>(kRatio);
    result.field[kNetRate] = static_cast<float>(net);
    result.field[kBackground] = static_cast<float>(setup.background_cps);
    result.field[kWeightPercent] = static_cast<float>(fraction * 100.0);
    return result;
}

}  // namespace

StandardComputation::StandardComputation(SqliteAnalysisDatabase& database) : database_(database) {}

Status StandardComputation::KestComputeQti(std::string& key, int32_t point, int32_t /*mode*/, int32_t /*flags*/) {
    const AnalysisDocument* document = database_.document(key);
    if (!document) return 0;
    const auto count = static_cast<int32_t>(document->points.size());
    if (point != -1 && (point < 0 || point >= count)) return 0;
    const int32_t first = point == -1 ? 0 : point;
    const int32_t last = point == -1 ? count : point + 1;

    const auto batch = database_.batch(key);  // every point reaches the working file at once
    std::vector<ComputeResult> results(document->elements.size());
    for (int32_t p = first; p < last; ++p) {
        const DocumentPoint& stored = document->points[static_cast<std::size_t>(p)];
        double total = 0.0;
        for (std::size_t e = 0; e < results.size(); ++e) {
            results[e] = Quantify(document->elements[e].setup, stored.values[e].measures[0]);
            if (document->elements[e].setup.profile) total += results[e].field[kMassFraction];
        }
        for (std::size_t e = 0; e < results.size(); ++e) {
            results[e].field[kTotal] = static_cast<float>(total);
            if (database_.KestDbEltSetComputeRes(key, static_cast<int32_t>(e), kByPosition, p, results[e]) == 0)
                return 0;
        }
    }
    return 1;
}

}  // namespace kest
