#pragma once
// An analysis document as the database library holds it in memory: the analysis set-up,
// the descriptive fields and, per point, the stage position, the label and for every
// element its five measures and its result record.

#include "suite/SuiteFile.h"
#include "suite/SuiteTypes.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace kest {

inline constexpr std::size_t kMeasureCount = 5;
// What a document's values must fit: the program's buffers and ranges.
inline constexpr std::size_t kLabelCapacity = 80;    // longest label a point keeps
inline constexpr std::size_t kFieldCapacity = 512;   // longest title, user, company, comments
inline constexpr std::size_t kCrystalCapacity = 6;   // longest crystal name
inline constexpr int kMostSpectrometers = 5;         // spectrometers 1..5

using Measures = std::array<float, kMeasureCount>;

struct DocumentFields {
    std::string title;
    std::string userName;
    std::string company;
    std::string comments;
    std::string lastSave;  // "2026-12-05 17:23:46", local time; empty before the first save
};

struct DocumentElement {
    ElementSetup setup;
    std::string crystal;  // crystal of the element's spectrometer when the set-up was made
};

// What one element holds at one point.
struct ElementValues {
    Measures measures{};  // measure 1 is the count rate, counts per second
    ComputeResult result{};
    CountStatistics statistics{};  // all zero until the point is acquired
};

struct DocumentPoint {
    int32_t x = 0;
    int32_t y = 0;
    int32_t z = 0;
    std::string label;
    std::vector<ElementValues> values;  // one per element of the document, in element order
    PointStatus status = PointStatus::None;
};

struct AnalysisDocument {
    DocumentFields fields;
    MatrixConditions matrix;  // voltage, take-off angle, unmeasured elements
    std::vector<DocumentElement> elements;
    std::vector<DocumentPoint> points;
    // Points a variable zone measured and holds back on its trial stack (the top last): apart
    // from the profile, kept by the working file so that a crash loses none.
    std::vector<DocumentPoint> trials;

    // Index into `elements` of the element addressed by (element, selector): selector -1
    // takes `element` as the position, 0 as the atomic number. -1 when there is none.
    int elementIndex(int32_t element, int32_t selector) const {
        if (selector == kByPosition)
            return element >= 0 && element < static_cast<int32_t>(elements.size()) ? element : -1;
        if (selector == kByAtomicNumber) {
            for (std::size_t i = 0; i < elements.size(); ++i)
                if (elements[i].setup.z == element) return static_cast<int>(i);
        }
        return -1;
    }
    bool hasPoint(int32_t point) const {
        return point >= 0 && point < static_cast<int32_t>(points.size());
    }
    // A point at (x, y, z) with zero measures and results for every element.
    DocumentPoint newPoint(int32_t x, int32_t y, int32_t z) const {
        DocumentPoint point{x, y, z, {}, {}, PointStatus::None};
        point.values.resize(elements.size());
        return point;
    }
};

}  // namespace kest
