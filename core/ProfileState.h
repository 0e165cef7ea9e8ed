#pragma once
// The state the whole program shares: one object owned by the application and passed by
// reference. Names and widths are those of the program's design: 16-bit counts and flags
// (true = -1), single-precision rates, an 8-character document key, 201 zone slots.

#include "core/FixedText.h"
#include "suite/SuiteTypes.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kest {

inline constexpr int16_t kTrue = -1;
inline constexpr int16_t kFalse = 0;

inline constexpr int kZoneSlots = 201;
inline constexpr int kElementSlots = 151;
inline constexpr int kSpectrometers = 5;
inline constexpr int kLabelLength = 80;
inline constexpr int kPathLength = kPathCapacity;  // documents, zones files, references

// One zone of the profile line.
struct ZoneRecord {
    char type = ' ';            // 'F' fixed step, 'A' adaptive, anything else variable; ' ' in a free slot
    int32_t length = 0;         // stage units along the active axis
    int32_t stepMin = 0;        // step of an F zone; smallest step of a V zone (sign = direction)
    int32_t stepMax = 0;        // largest step of a V zone
    float dConc = 0.0f;         // largest accepted change of concentration, weight percent
    FixedText<3> tag;           // stays with its slot
    int32_t endDistance = 0;    // sum of the lengths up to and including this zone
};

inline constexpr char kAdaptiveZone = 'A';

// The letter the zone list and the zones file show: F, A, or V for every other type.
inline char ZoneTypeLetter(const ZoneRecord& zone) {
    return zone.type == 'F' || zone.type == kAdaptiveZone ? zone.type : 'V';
}

// One profile element of the analysis set-up.
struct EltEntry {
    int16_t position = 0;       // position in the document, from 0 (selector -1)
    FixedText<2> symbol;        // "C " for carbon
    int16_t atomicNumber = 0;   // selector 0
    std::string standardName;
    int32_t spectrometer = 0;   // 1..5
    float slope = 0.0f;         // reference-profile calibration: percent per count/s
    float intercept = 0.0f;     // percent
    bool referenceFailed = false;  // its reference profile gave no line: A = B = 0
    bool byReference = false;   // quantified on its reference profile's line, else on its standard
    float sensitivity = 0.0f;   // percent per count/s: of the standard, or the line's slope
    float backgroundCps = 0.0f; // background rate of the set-up
    float standardCurrent = 0.0f;  // nA the standard was measured at: rates are brought to it
};

struct SpectroRecord {
    float rate = 0.0f;          // counts per second, averaged over the pattern points
    int16_t used = kFalse;      // -1 when a profile element is measured on it
    // How the rate was counted: the time of every kept count at every pattern point, the
    // mean beam current (nA; 0 when it could not be read), the counts taken again for the
    // chi-square test and whether every test passed.
    float countingTime = 0.0f;
    float current = 0.0f;
    int32_t repeats = 0;
    bool passed = false;
    // One standard deviation of the rate (cps); the dead time (s) and mean current factor it
    // was corrected with; the current the rate is brought to (nA; 0 when none); the lowest
    // current of a count (nA, when read); the flags of the counts (chi2, deadtime).
    float rateSigma = 0.0f;
    float deadTime = 0.0f;
    float currentFactor = 1.0f;
    float referenceCurrent = 0.0f;
    float lowestCurrent = 0.0f;
    bool currentRead = false;
    int32_t flags = 0;
};

struct PointRecord {
    int32_t x = 0;
    int32_t y = 0;
    int32_t z = 0;
    FixedText<kLabelLength> label{'\0'};
    PointStatus status = PointStatus::None;
    bool operator==(const PointRecord&) const = default;
};

struct ResultRecord {
    float rate = 0.0f;          // count rate, counts per second
    float conc = 0.0f;          // weight percent
    float sigma = 0.0f;         // one standard deviation of conc, weight percent
    float lod = 0.0f;           // detection limit, weight percent
    float kRatio = 0.0f;        // net rate over the standard's net rate
    float zFactor = 0.0f, aFactor = 0.0f, fFactor = 0.0f;  // the matrix correction's Z, A, F
    int32_t flags = 0;          // QualityFlag bits
    bool operator==(const ResultRecord&) const = default;
};

// A point removed by a variable-step bisection, kept to be put back.
struct TrialEntry {
    PointRecord point;
    std::vector<ResultRecord> results;  // one per element entry in use
    std::vector<CountStatistics> statistics{};  // the same
};

// The points the profile graph plots, packed from index 0 in point order. The arrays grow
// with the profile, so that a scan of any length is charted whole; entries at and beyond
// `count` are left over from earlier builds and never drawn.
struct GraphArrays {
    std::vector<int32_t> x, y, z;              // stage position of each plotted point
    std::vector<std::vector<float>> conc;      // [element][plotted point], weight percent
    std::vector<uint8_t> hollow;               // 1 for a point whose acquisition stopped or failed, or flagged
    int16_t count = 0;          // NbGraphPts
};

// The scan that runs, as the operator follows it: what it planned, how many points it has
// measured and how long that took (acquisition/ScanProgress).
struct ScanProgress {
    bool running = false;
    int planned = 0;              // points, the start point included
    bool estimated = false;       // a variable zone makes `planned` an estimate
    bool atMost = false;          // an adaptive zone makes it a bound
    double plannedSeconds = 0.0;  // of wall-clock time
    int measured = 0;             // every point counted so far, points waiting on the trial stack included
    int remaining = 0;            // points still to measure, estimated again after every point
    int zone = -1;                // the zone being walked; -1 before the first (the start point, Scan Old)
    int lastPoint = -1;           // the point measured last, from 0
    int32_t lastX = 0, lastY = 0; // and where it was measured
    double elapsed = 0.0;         // seconds of scanning from the start to the last point measured
    std::chrono::steady_clock::time_point started{};  // moved on by the time spent paused
};

struct ProfileState {
    // Document identity and library status.
    FixedText<8> DocKey;
    std::string AppLabel;
    FixedText<kPathLength> DocPath;
    std::string ZonesPath;
    int16_t LibStatus = 0;

    // Selections and counts.
    int16_t CurElt = -1;
    int16_t CurPnt = -1;
    int16_t CurZone = -1;
    int16_t NbElt = 0;
    int16_t NbPts = 0;
    int16_t NbZones = 0;

    // Acquisition and display settings.
    int16_t Nc = 1;             // counts per point: 1, 5, 10, 15
    int16_t Ax = 1;             // active axis: 1 X, 2 Y
    int16_t Mp = 1;             // pattern points: 1, 3, 5
    int16_t Dm = 0;             // pattern spacing
    int32_t O = 0;              // distance offset of the graph
    int16_t GraphSelectedOnly = 0;  // 1 (not -1): graph only the selected points

    // Scan and computation flags.
    int16_t ComputeMode = kTrue;    // -1 computation library, 0 reference calibration line
    int16_t AutoAcquire = kFalse;
    int16_t ScanStop = kFalse;
    int16_t ScanPause = kFalse;       // Scan > Pause: the scan waits after the point being measured
    int16_t ScanFailed = kFalse;      // the last scan ended early without being stopped: a fault, a guard, a full document
    int16_t PointUnreached = kFalse;  // the stage refused the last point's position: nothing stored for it
    ScanProgress Progress;

    // Beam current and dead time. Rates are brought to the current each element's standard
    // was measured at; an unreadable current or a dead time taken by default is told once.
    bool CurrentUnreadableTold = false;   // in the log, once a scan
    bool DefaultDeadTimeTold = false;     // in the log and a message, once a session

    // Configuration.
    int16_t StatisticEnable = kFalse;
    int16_t DefaultNumberOfMeasures = 0;
    int16_t DefaultCountingTime = 10;
    // A change of concentration between two points counts only beyond this many standard
    // deviations of the difference (0: any change above dConc counts).
    int16_t NoiseSigmas = 3;
    int32_t AdaptivePointBudget = 100;  // the most points an adaptive zone adds to its coarse pass
    double StageTimeoutSeconds = 60.0;  // longest wait for a stage axis that stands still
    double StageSpeed = 10000.0;        // stage units per second, for the time a scan will take
    double TimeScale = 1.0;             // wall-clock seconds per instrument second (a simulator's)
    bool LogFailureTold = false;  // the acquisition log could not be written, and the operator was told
    std::optional<std::array<int32_t, 2>> StageLimits;  // travel of every axis, where the suite knows it
    std::string RegistryRoot;
    std::string RegistrySection;
    std::string KeyStatisticEnable;
    std::string KeyDefaultNumberOfMeasures;
    std::string KeyDefaultCountingTime;
    std::string KeyNoiseSigmas;
    std::string KeyAdaptivePointBudget;

    // Shared tables.
    std::array<SpectroRecord, kSpectrometers> SpectroTable{};  // index 0 is spectrometer 1
    std::array<EltEntry, kElementSlots> ElementTable{};
    std::array<ZoneRecord, kZoneSlots> Zones{};
    std::vector<PointRecord> PointTable;                    // NbPts + 1 records
    std::vector<std::vector<ResultRecord>> ResultTable;     // [element][point], one spare each way
    GraphArrays Graph;
    std::vector<TrialEntry> TrialStack;

    // Work not yet saved: the zones file's text as the document was last opened or saved
    // (another text is an unsaved change), the text last kept beside the working file, and
    // whether the document came back from a working file a crash left behind.
    std::string SavedZonesText;
    std::string KeptZonesText;
    bool Recovered = false;

    // Arguments handed to the information and about dialogs.
    std::string DialogArg1;
    std::string DialogArg2;

    // Every library result is kept, narrowed to 16 bits.
    Status store(Status status) {
        LibStatus = static_cast<int16_t>(status);
        return status;
    }
};

// The elements whose rows the result table holds: NbElt, bounded by the table as last sized.
inline int ElementsInResultTable(const ProfileState& state) {
    return std::min<int>(state.NbElt, static_cast<int>(state.ResultTable.size()));
}

// The count rate and concentration of element e at point p; zeros outside the table.
inline ResultRecord ResultAt(const ProfileState& state, int e, int p) {
    if (e < 0 || e >= ElementsInResultTable(state) || p < 0) return {};
    const auto& row = state.ResultTable[static_cast<std::size_t>(e)];
    return static_cast<std::size_t>(p) < row.size() ? row[static_cast<std::size_t>(p)] : ResultRecord{};
}

// Point p was stored without counts: no status, and neither a count rate nor a
// concentration for any element (a point placed and not measured yet, or one a crash
// interrupted). A document of the earlier format, without statuses, has values at its
// measured points.
inline bool Unmeasured(const ProfileState& state, int p) {
    if (p < 0 || static_cast<std::size_t>(p) >= state.PointTable.size()) return false;
    if (state.PointTable[static_cast<std::size_t>(p)].status != PointStatus::None) return false;
    const int elements = ElementsInResultTable(state);
    for (int e = 0; e < elements; ++e)
        if (ResultAt(state, e, p).rate != 0.0f || ResultAt(state, e, p).conc != 0.0f) return false;
    return elements > 0;
}

}  // namespace kest
