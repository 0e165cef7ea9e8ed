#pragma once
// The batch file: the lines of a night's work, each a document to save, a zones file, the
// stage position where the line starts and, when it has its own, a counting time.
//
//   {"lines": [{"save": "couple-A/line1.ana", "zones": "couple-A/line1.PRF",
//               "start": [1200, -340, 0], "time": 10}, ...]}
//
// Relative paths are taken from the batch file's folder. A malformed file is refused with
// a message naming the field, as the suite file is.

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace kest {

struct BatchLine {
    std::filesystem::path save;   // as written in the file
    std::filesystem::path zones;  // as written in the file
    std::array<int32_t, 3> start{0, 0, 0};
    std::optional<double> time;   // seconds per count; the default counting time otherwise

    bool operator==(const BatchLine&) const = default;
};

struct BatchFile {
    std::filesystem::path folder;  // relative paths are taken from here
    std::vector<BatchLine> lines;

    // The line's document (".ana" added to a name that lacks it) and zones file.
    std::filesystem::path documentOf(const BatchLine& line) const;
    std::filesystem::path zonesOf(const BatchLine& line) const;
};

class BatchFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads and checks a batch file; throws BatchFileError naming the faulty field.
BatchFile ReadBatchFile(const std::filesystem::path& file);
BatchFile ParseBatchText(const std::string& text, const std::filesystem::path& folder, const std::string& origin);
// The file's JSON text, with the paths as the lines hold them.
std::string BatchFileText(const BatchFile& batch);
// "10", "2.5": a counting time as the settings show it.
std::string SecondsText(double seconds);

}  // namespace kest
