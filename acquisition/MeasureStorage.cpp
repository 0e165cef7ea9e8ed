#include "acquisition/MeasureStorage.h"

#include "core/DocKey.h"
#include "core/Formats.h"
#include "results/CountingStatistics.h"
#include "results/PointComputation.h"

#include <cstddef>
#include <optional>

namespace kest {

namespace {

// The spectrometer's record; an element on no spectrometer of the table gets zeros.
SpectroRecord RecordOfSpectrometer(const ProfileState& state, int32_t spectrometer) {
    if (spectrometer < 1 || spectrometer > kSpectrometers) return {};
    return state.SpectroTable[static_cast<std::size_t>(spectrometer - 1)];
}

}  // namespace

void StoreMeasures(ProfileState& state, AnalysisDatabase& db, int16_t point) {
    float m1 = 0, m2 = 0, m3 = 0, m4 = 0, m5 = 0, average = 0, currentFactor = 0;
    int32_t sp = 0, peak = 0, bgLow = 0, bgHigh = 0, widthLow = 0, widthHigh = 0;
    for (int e = 0; e < state.NbElt; ++e) {
        const EltEntry& element = state.ElementTable[static_cast<std::size_t>(e)];
        const int32_t z = element.atomicNumber;
        StoredDocCall(state, [&](std::string& key) { return db.KestDbEltGetMeasures(key, z, kByAtomicNumber, point, m1, m2, m3, m4, m5); });
        const SpectroRecord counted = RecordOfSpectrometer(state, element.spectrometer);
        m1 = counted.rate;
        StoredDocCall(state, [&](std::string& key) { return db.KestDbEltGetBcAv(key, z, kByAtomicNumber, m5, average); });
        if (counted.current > 0.0f) m5 = counted.current;
        StoredDocCall(state, [&](std::string& key) {
            return db.KestDbEltGetSpectroPositions(key, z, kByAtomicNumber, sp, peak, bgLow, currentFactor, bgHigh, widthLow, widthHigh);
        });
        m3 = currentFactor * m5;
        StoredDocCall(state, [&](std::string& key) { return db.KestDbEltSetMeasures(key, z, kByAtomicNumber, point, m1, m2, m3, m4, m5); });
        const CountStatistics statistics = StatisticsOf(element, m1, counted.countingTime, counted.repeats, counted.passed);
        StoredDocCall(state, [&](std::string& key) { return db.KestDbEltSetStatistics(key, z, kByAtomicNumber, point, statistics); });
    }
}

void StorePoint(ProfileState& state, Suite& suite, int16_t point, const std::string& xText,
                const std::string& yText, const std::string& label, PointStatus status) {
    // The point reaches the working file whole, in one transaction rather than one a value.
    StoredDocCall(state, [&](std::string& key) { return suite.db.KestDbBeginChanges(key); });
    StoreMeasures(state, suite.db, point);
    ComputePoint(state, suite, point);
    int32_t x = 0, y = 0, z = 0;
    StoredDocCall(state, [&](std::string& key) { return suite.db.KestDbGetStagePos(key, point, x, y, z); });
    const std::optional<int32_t> newX = WholeInt32Value(xText), newY = WholeInt32Value(yText);
    if (newX && newY)
        StoredDocCall(state, [&](std::string& key) { return suite.db.KestDbSetStagePos(key, point, *newX, *newY, z); });
    StoredDocCall(state, [&](std::string& key) { return suite.db.KestDbSetAnaLabel(key, point, label, 0); });
    StoredDocCall(state, [&](std::string& key) { return suite.db.KestDbSetPointStatus(key, point, status); });
    StoredDocCall(state, [&](std::string& key) { return suite.db.KestDbEndChanges(key); });
}

}  // namespace kest
