#pragma once
// How far a batch has come, kept beside its batch file (FILE.state) and written whole after
// every line, so that a batch stopped, failed or killed can be resumed at the first line
// not done.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace kest {

enum class LineStatus { Waiting, Done, Failed, Stopped };
// "waiting", "done", "failed", "stopped".
std::string StatusWord(LineStatus status);

struct LineRecord {
    LineStatus status = LineStatus::Waiting;
    std::string document;  // where the line was saved (or was to be)
    int points = 0;
    double seconds = 0.0;  // from the move to its start to the end of its save
    std::string saved;     // the document's FileFingerprint when the line was done
};

// The size and time of last change of a file, as a text ("12288 1733490000123456789");
// empty when there is no such file. A line stays done only while its document has it.
std::string FileFingerprint(const std::filesystem::path& file);

struct BatchState {
    std::vector<LineRecord> lines;
};

// FILE.state beside FILE.
std::filesystem::path StateFileOf(const std::filesystem::path& batchFile);
// The state as kept; an empty state when there is none, nothing (with `error`) when the
// file cannot be read or is not a state.
std::optional<BatchState> ReadBatchState(const std::filesystem::path& file, std::string& error);
bool WriteBatchState(const std::filesystem::path& file, const BatchState& state, std::string& error);

}  // namespace kest
