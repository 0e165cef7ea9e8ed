#include "document/ReferenceProfile.h"

#include "core/Formats.h"
#include "core/ObjectKeys.h"

#include <algorithm>
#include <cmath>

namespace kest {
namespace {

// The reference document's count rates (measure 1) and concentrations (percent) of the
// element; nothing when the document cannot be read or lacks the element.
struct ReferencePoints {
    std::vector<float> rates;
    std::vector<float> percent;
};

std::optional<ReferencePoints> ReadReferencePoints(AnalysisDatabase& db, std::string& key, const EltEntry& entry) {
    if (db.KestDbObjectNew(key, 1, 0) == 0) return std::nullopt;
    if (db.KestDbObjectRead(key, entry.standardName) == 0) return std::nullopt;
    const Status count = db.KestDbGetNbPts(key);
    float concentration = 0;
    int32_t flag = 0;
    if (db.KestDbEltGetConc(key, entry.atomicNumber, kByAtomicNumber, concentration, flag) == 0) return std::nullopt;

    ReferencePoints points;
    ComputeResult result;
    float m1 = 0, m2 = 0, m3 = 0, m4 = 0, m5 = 0;
    for (int32_t j = 0; j < count; ++j) {
        db.KestDbEltGetComputeRes(key, entry.atomicNumber, kByAtomicNumber, j, result);
        db.KestDbEltGetMeasures(key, entry.atomicNumber, kByAtomicNumber, j, m1, m2, m3, m4, m5);
        points.percent.push_back(100.0f * result.field[0]);
        points.rates.push_back(m1);
    }
    return points;
}

}  // namespace

std::optional<CalibrationLine> FitCalibrationLine(const std::vector<float>& rates, const std::vector<float>& percent) {
    const std::size_t count = std::min(rates.size(), percent.size());
    if (count == 0) return std::nullopt;
    float rmax = -999999.0f;
    float rmin = 999999.0f;
    for (std::size_t j = 0; j < count; ++j) {
        if (rates[j] > rmax) rmax = rates[j];
        if (rates[j] < rmin) rmin = rates[j];
    }
    if (rmax == rmin) return std::nullopt;

    const float range = rmax - rmin;
    const auto n = static_cast<float>(count);
    float sxy = 0, sx = 0, sy = 0, sxx = 0;
    for (std::size_t j = 0; j < count; ++j) {
        const float x = (rates[j] - rmin) / range;
        sxy += x * percent[j];
        sx += x;
        sy += percent[j];
        sxx += x * x;
    }
    const float s = (n * sxy - sx * sy) / (n * sxx - sx * sx);
    const float i = (sy - s * sx) / n;
    const CalibrationLine line{s / range, i - rmin * s / range};
    if (!std::isfinite(line.slope) || !std::isfinite(line.intercept)) return std::nullopt;
    return line;
}

void ReadReferenceProfile(ProfileState& state, Suite& suite, MainView& view, int entry) {
    EltEntry& element = state.ElementTable[static_cast<std::size_t>(entry)];
    std::string key = NewObjectKey(suite.log, "RL");
    const auto points = ReadReferencePoints(suite.db, key, element);
    const auto line = points ? FitCalibrationLine(points->rates, points->percent) : std::nullopt;
    suite.db.KestDbObjectDelete(key);

    const CalibrationLine stored = line.value_or(CalibrationLine{});
    element.slope = stored.slope;
    element.intercept = stored.intercept;
    element.referenceFailed = !line;
    if (!line)
        view.showMessage("Reference Error!  A = " + NumberText(stored.slope) + "     B = " + NumberText(stored.intercept));
}

}  // namespace kest
