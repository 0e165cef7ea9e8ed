#pragma once
// The command line: the window program without a command, else one of the headless
// commands with its options.

#include <filesystem>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace kest {

using Path = std::filesystem::path;

struct WindowCommand {
    std::optional<Path> suiteFile;
};
struct ScanCommand {
    Path zones;
    Path save;                         // DOC.ana (".ana" is added to another name); DOC.PRF beside it
    std::optional<Path> suiteFile;
    std::optional<std::string> time;   // counting time in seconds
    std::optional<Path> csv;
    std::optional<Path> chart;         // the printable chart, .pdf or .png
    bool quiet = false;                // no progress and no lists
    bool force = false;                // an existing document may be replaced
};
struct ListCommand {
    Path document;
    std::optional<std::string> element;  // its symbol; the first element otherwise
    bool stats = false;                  // the counting statistics after the lists
};
struct ExportCommand {
    Path document;
    std::optional<Path> csv;    // standard output when neither file is asked for
    std::optional<Path> chart;  // the printable chart, .pdf or .png
};
struct RecomputeCommand {
    Path document;
    std::optional<Path> suiteFile;
};
struct RecoverCommand {
    std::optional<Path> workingFile;  // none: list the working files left behind
    std::optional<Path> save;         // where the working file's document is saved
    bool force = false;               // an existing document may be replaced
};
struct BatchCommand {
    Path file;                     // the batch file; its progress is kept in FILE.state
    std::optional<Path> suiteFile;
    bool quiet = false;            // no plan, progress or table
    bool resume = false;           // the lines done are skipped
    bool force = false;            // existing documents may be replaced
};
struct InstrumentCommand {
    std::optional<Path> suiteFile;
    std::string listen = "127.0.0.1:10767";  // host:port; port 0 takes a free one
};
struct HelpCommand {};

using Command =
    std::variant<WindowCommand, ScanCommand, ListCommand, ExportCommand, RecomputeCommand, RecoverCommand, BatchCommand,
                 InstrumentCommand, HelpCommand>;

extern const char* const kUsage;

// The command the arguments (without the program name) ask for; nothing, with `error`
// saying why, when they are not understood.
std::optional<Command> ParseCommandLine(const std::vector<std::string>& arguments, std::string& error);

}  // namespace kest
