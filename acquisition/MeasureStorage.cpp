#include "acquisition/MeasureStorage.h"

#include "acquisition/CountCorrections.h"
#include "core/DocKey.h"
#include "core/Formats.h"
#include "results/CountingStatistics.h"
#include "results/PointComputation.h"

#include <cmath>
#include <cstddef>
#include <optional>

namespace kest {

namespace {

// The spectrometer's record; an element on no spectrometer of the table gets zeros.
SpectroRecord RecordOfSpectrometer(const ProfileState& state, int32_t spectrometer) {
    if (spectrometer < 1 || spectrometer > kSpectrometers) return {};
    return state.SpectroTable[static_cast<std::size_t>(spectrometer - 1)];
}

constexpr float kLowBeam = 0.1f;  // a current below this share of the standard's is flagged

// The share of the spectrometer's rate that is the element's: the spectrometer's rates are
// brought to the current of its first element's standard, another element's to its own.
float CurrentShare(const EltEntry& element, const SpectroRecord& counted) {
    if (!counted.currentRead || !(counted.referenceCurrent > 0.0f) || !(element.standardCurrent > 0.0f)) return 1.0f;
    return element.standardCurrent / counted.referenceCurrent;
}

// The statistics of the element's rate: its standard deviation and that of the background
// the set-up gives it, counted as the point was (Mueller's variance of a dead-time counter,
// in CountCorrections), and the flags of its counts and its beam.
CountStatistics MeasuredStatistics(const EltEntry& element, const SpectroRecord& counted, float share) {
    CountStatistics s;
    s.rate = counted.rate * share;
    s.countingTime = counted.countingTime;
    s.repeats = counted.repeats;
    s.passed = counted.passed ? 1 : 0;
    s.rateSigma = counted.rateSigma * share;
    const double factor = counted.currentRead && counted.currentFactor > 0.0f ? double{counted.currentFactor} * share : 1.0;
    s.backgroundSigma = static_cast<float>(
        std::sqrt(CorrectedRateVariance(element.backgroundCps, counted.countingTime, counted.deadTime, factor).value_or(0.0)));
    const bool lowBeam = counted.currentRead && !(counted.lowestCurrent >= kLowBeam * element.standardCurrent &&
                                                  counted.lowestCurrent > 0.0f);
    s.flags = counted.flags | (lowBeam ? kFlagBeam : 0);
    return WithPercentStatistics(element, s);
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
        const float share = CurrentShare(element, counted);
        m1 = counted.rate * share;
        StoredDocCall(state, [&](std::string& key) { return db.KestDbEltGetBcAv(key, z, kByAtomicNumber, m5, average); });
        if (counted.currentRead) m5 = counted.current;  // 0 too: a beam that was gone
        StoredDocCall(state, [&](std::string& key) {
            return db.KestDbEltGetSpectroPositions(key, z, kByAtomicNumber, sp, peak, bgLow, currentFactor, bgHigh, widthLow, widthHigh);
        });
        m3 = currentFactor * m5;
        StoredDocCall(state, [&](std::string& key) { return db.KestDbEltSetMeasures(key, z, kByAtomicNumber, point, m1, m2, m3, m4, m5); });
        const CountStatistics statistics = MeasuredStatistics(element, counted, share);
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
