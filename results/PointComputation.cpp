#include "results/PointComputation.h"

#include "core/DocKey.h"
#include "results/ResultLists.h"

#include <cmath>
#include <cstddef>

namespace kest {

namespace {

// Field 1 of the element's result at the point from its calibration line; the other
// fields go back as the read left them (a failed read leaves the previous element's).
void ComputeByCalibration(ProfileState& state, AnalysisDatabase& db, int32_t point, ComputeResult& result) {
    float m1 = 0, m2 = 0, m3 = 0, m4 = 0, m5 = 0;
    for (int e = 0; e < state.NbElt; ++e) {
        const EltEntry& element = state.ElementTable[static_cast<std::size_t>(e)];
        const int32_t z = element.atomicNumber;
        StoredDocCall(state, [&](std::string& key) { return db.KestDbEltGetMeasures(key, z, kByAtomicNumber, point, m1, m2, m3, m4, m5); });
        StoredDocCall(state, [&](std::string& key) { return db.KestDbEltGetComputeRes(key, z, kByAtomicNumber, point, result); });
        const double percent = double{m1} * double{element.slope} + double{element.intercept};
        const auto fraction = static_cast<float>(percent / 100.0);
        if (!std::isfinite(fraction)) continue;
        result.field[0] = fraction;
        StoredDocCall(state, [&](std::string& key) { return db.KestDbEltSetComputeRes(key, z, kByAtomicNumber, point, result); });
    }
}

void ComputeByLibrary(ProfileState& state, Computation& comp, int32_t point) {
    StoredDocCall(state, [&](std::string& key) { return comp.KestComputeQti(key, point, -1, 0); });
}

}  // namespace

void ComputePoint(ProfileState& state, Suite& suite, int16_t point) {
    ComputeResult result;  // one record for every element of the run
    if (state.ComputeMode == kFalse) ComputeByCalibration(state, suite.db, point, result);
    if (state.ComputeMode == kTrue) ComputeByLibrary(state, suite.comp, point);
}

void ComputeAllPointsFirst(ProfileState& state, Suite& suite) {
    if (state.ComputeMode == kTrue) ComputeByLibrary(state, suite.comp, -1);
}

void RecomputeAll(ProfileState& state, Suite& suite, MainView& view) {
    if (state.NbElt < 1 || state.NbPts < 1) return;
    view.setBusy(true);
    ComputeAllPointsFirst(state, suite);
    for (int16_t p = 0; p < state.NbPts; ++p) ComputePoint(state, suite, p);
    view.setBusy(false);
    ReloadPoints(state, suite.db, view);
}

}  // namespace kest
