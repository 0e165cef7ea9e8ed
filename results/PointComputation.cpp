#include "results/PointComputation.h"

#include "core/DocKey.h"
#include "results/CountingStatistics.h"
#include "results/ResultLists.h"

#include <cmath>
#include <cstddef>
#include <optional>
#include <vector>

namespace kest {

namespace {

constexpr std::size_t kTotalField = 5;  // field 6: the analytical total

bool AnyByReference(const ProfileState& state) {
    for (int e = 0; e < state.NbElt; ++e)
        if (state.ElementTable[static_cast<std::size_t>(e)].byReference) return true;
    return false;
}

// Field 1 of every element on a reference profile from its calibration line, then field 6
// of every element, the total of their fields 1. The other fields of an element on a
// reference go back as the read left them (a failed read leaves the previous element's);
// an element on a standard whose result cannot be read is left alone.
void ComputeByCalibration(ProfileState& state, AnalysisDatabase& db, int32_t point) {
    float m1 = 0, m2 = 0, m3 = 0, m4 = 0, m5 = 0;
    ComputeResult result;  // one record for every element of the run
    std::vector<std::optional<ComputeResult>> results;
    results.reserve(static_cast<std::size_t>(state.NbElt));
    double total = 0.0;
    for (int e = 0; e < state.NbElt; ++e) {
        const EltEntry& element = state.ElementTable[static_cast<std::size_t>(e)];
        const int32_t z = element.atomicNumber;
        if (element.byReference)
            StoredDocCall(state, [&](std::string& key) { return db.KestDbEltGetMeasures(key, z, kByAtomicNumber, point, m1, m2, m3, m4, m5); });
        const Status read = StoredDocCall(state, [&](std::string& key) { return db.KestDbEltGetComputeRes(key, z, kByAtomicNumber, point, result); });
        if (element.byReference) {
            const double percent = double{m1} * double{element.slope} + double{element.intercept};
            const auto fraction = static_cast<float>(percent / 100.0);
            if (std::isfinite(fraction)) result.field[0] = fraction;
        }
        results.push_back(read != 0 || element.byReference ? std::optional(result) : std::nullopt);
        total += results.back() ? result.field[0] : 0.0f;
    }
    for (int e = 0; e < state.NbElt; ++e) {
        const int32_t z = state.ElementTable[static_cast<std::size_t>(e)].atomicNumber;
        std::optional<ComputeResult>& computed = results[static_cast<std::size_t>(e)];
        if (!computed) continue;
        computed->field[kTotalField] = static_cast<float>(total);
        StoredDocCall(state, [&](std::string& key) { return db.KestDbEltSetComputeRes(key, z, kByAtomicNumber, point, *computed); });
    }
}

void ComputeByLibrary(ProfileState& state, Computation& comp, int32_t point) {
    StoredDocCall(state, [&](std::string& key) { return comp.KestComputeQti(key, point, -1, 0); });
}

}  // namespace

void ComputePoint(ProfileState& state, Suite& suite, int16_t point) {
    if (state.ComputeMode == kTrue) ComputeByLibrary(state, suite.comp, point);
    if (AnyByReference(state)) ComputeByCalibration(state, suite.db, point);
}

void ComputeAllPointsFirst(ProfileState& state, Suite& suite) {
    if (state.ComputeMode != kTrue) return;
    ComputeByLibrary(state, suite.comp, -1);
    if (!AnyByReference(state)) return;
    for (int16_t p = 0; p < state.NbPts; ++p) ComputeByCalibration(state, suite.db, p);
}

void RecomputeStatistics(ProfileState& state, AnalysisDatabase& db, int16_t point) {
    for (int e = 0; e < state.NbElt; ++e) {
        const EltEntry& element = state.ElementTable[static_cast<std::size_t>(e)];
        const int32_t z = element.atomicNumber;
        CountStatistics s;
        if (StoredDocCall(state, [&](std::string& key) { return db.KestDbEltGetStatistics(key, z, kByAtomicNumber, point, s); }) == 0)
            continue;
        const CountStatistics again = WithPercentStatistics(element, s);
        if (again != s)
            StoredDocCall(state, [&](std::string& key) { return db.KestDbEltSetStatistics(key, z, kByAtomicNumber, point, again); });
    }
}

void RecomputeAll(ProfileState& state, Suite& suite, MainView& view) {
    if (state.NbElt < 1 || state.NbPts < 1) return;
    view.setBusy(true);
    ComputeAllPointsFirst(state, suite);
    for (int16_t p = 0; p < state.NbPts; ++p) {
        ComputePoint(state, suite, p);
        RecomputeStatistics(state, suite.db, p);
    }
    view.setBusy(false);
    ReloadPoints(state, suite.db, view);
}

}  // namespace kest
