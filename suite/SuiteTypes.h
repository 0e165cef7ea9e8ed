#pragma once
// Types exchanged with the instrument suite's libraries.

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>

namespace kest {

// Every suite call returns a 32-bit status: 0 is failure; calls that return a text length
// treat 0 or less as failure or cancel.
using Status = int32_t;

// Result of one element at one point as the database exchanges it: eleven 4-byte fields.
// Field 1 (index 0) is the concentration as a mass fraction; the others belong to the
// computation library and are passed back unchanged by the program.
struct ComputeResult {
    std::array<float, 11> field{};
};
static_assert(sizeof(ComputeResult) == 44, "ComputeResult is eleven 4-byte fields");

// What makes a measured number doubtful, per point and element (bits of `flags`).
enum QualityFlag : int32_t {
    kFlagChi2 = 1,      // "chi2": the counts never passed the chi-square test
    kFlagBeam = 2,      // "beam": a current of 0 or below a tenth of the standard's
    kFlagDeadTime = 4,  // "deadtime": the counter was dead more than half of the time
    kFlagMatrix = 8,    // "matrix": the composition did not converge in 50 iterations, or the
                        // set-up could not be corrected and the proportion was used
};
inline constexpr std::array<std::pair<QualityFlag, const char*>, 4> kQualityFlagNames{
    {{kFlagChi2, "chi2"}, {kFlagBeam, "beam"}, {kFlagDeadTime, "deadtime"}, {kFlagMatrix, "matrix"}}};

// "chi2 deadtime": the names of the flags set, separated by `separator`; empty for none.
inline std::string QualityFlagText(int32_t flags, const std::string& separator = " ") {
    std::string text;
    for (const auto& [flag, name] : kQualityFlagNames)
        if ((flags & flag) != 0) text += (text.empty() ? "" : separator) + name;
    return text;
}

// Counting statistics of one element at one point, from the counts the point kept.
struct CountStatistics {
    float countingTime = 0.0f;  // seconds: every kept count at every pattern point
    float rate = 0.0f;          // counts per second, as measure 1
    float sigma = 0.0f;         // one standard deviation of the rate, weight percent
    float lod = 0.0f;           // detection limit over the background, weight percent
    int32_t repeats = 0;        // counts taken again while the chi-square test failed
    int32_t passed = 0;         // 1 when the test passed or none was asked for
    float rateSigma = 0.0f;        // one standard deviation of the rate, counts per second
    float backgroundSigma = 0.0f;  // that of the background rate, counts per second
    int32_t flags = 0;             // QualityFlag bits
    bool operator==(const CountStatistics&) const = default;
};

// How the last acquisition of a point ended; None before any (a point added, or kept by a
// document written before points had a status).
enum class PointStatus : int32_t { None = 0, Measured = 1, Stopped = 2, Failed = 3 };

// Fills a caller's text buffer as every suite call does: `capacity` characters, the text
// (cut to the capacity) at the start, NUL characters after it. Returns the length written.
inline Status FillTextBuffer(std::string& buffer, int32_t capacity, const std::string& text) {
    const auto size = static_cast<std::size_t>(std::max(capacity, int32_t{0}));
    buffer.assign(size, '\0');
    const std::size_t length = std::min(text.size(), size);
    std::copy_n(text.begin(), length, buffer.begin());
    return static_cast<Status>(length);
}

// The most points a document holds: the program counts points in 16 bits.
inline constexpr int32_t kDocumentPointCapacity = 32767;

// The longest path the program keeps (documents, zones files, references): the system's own
// limit, in bytes, as the file system names them (UTF-8 on this system).
inline constexpr int32_t kPathCapacity = 4096;

// A working file that a program left behind when it ended without releasing its document (a
// crash, a kill, a session that ended): what it holds, for the operator to recover or delete.
struct LeftoverDocument {
    std::string workingFile;
    std::string documentPath;  // where its document was last opened or saved; empty: never saved
    int32_t points = 0;
    std::string lastChange;    // local time of its last change, "2026-12-05 17:23:46"
    std::string zonesText;     // the zones file as the program last had it; empty when unknown
    std::string problem;       // why it cannot be read; empty when it can
};

// Element addressing in the database calls: (element, selector).
inline constexpr int32_t kByPosition = -1;     // element = position in the document, from 0
inline constexpr int32_t kByAtomicNumber = 0;  // element = atomic number

// What a path chooser is asked for; it returns the chosen path, or nothing when cancelled.
enum class PathRequest { Open, SaveAs };
using PathChooser = std::function<std::optional<std::string>(PathRequest, const std::string& current)>;

// Where a library sends a message meant for the operator (the window program shows a box,
// the headless commands print to standard error).
using MessageSink = std::function<void(const std::string&)>;

}  // namespace kest
