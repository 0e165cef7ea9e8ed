#pragma once
// Working files. While the program runs, each open document is mirrored change by change
// in a working file of the work folder ("<pid>-<n>.ana", with its write-ahead log), which
// its process keeps locked for as long as the document is open. A working file whose lock
// is free was left behind by a program that ended without releasing its document (a crash,
// a kill, a session that ended): a leftover, whose points can be recovered. Beside each
// working file the program keeps its document's path and its zones file's text, so that a
// recovered document comes back under its name and with its zones.

#include "suite/SuiteTypes.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace kest {

// An flock on the working file itself: the system releases it when the process ends, however
// it ends, so a free lock means that no running program holds the file.
class WorkingFileLock {
public:
    // Creates `file`, which must not exist yet, and locks it; nothing when it exists or
    // another process took it first.
    static std::optional<WorkingFileLock> Create(const std::filesystem::path& file);
    // Locks a working file that no running program holds; nothing when one does.
    static std::optional<WorkingFileLock> Take(const std::filesystem::path& file);

    WorkingFileLock(WorkingFileLock&& other) noexcept;
    WorkingFileLock(const WorkingFileLock&) = delete;
    WorkingFileLock& operator=(const WorkingFileLock&) = delete;
    WorkingFileLock& operator=(WorkingFileLock&&) = delete;
    ~WorkingFileLock();

private:
    explicit WorkingFileLock(int fd) : fd_(fd) {}
    int fd_ = -1;
};

// The files kept beside a working file.
inline constexpr const char* kDocumentCompanion = "-document";  // the document's path
inline constexpr const char* kZonesCompanion = "-zones";        // the zones file's text
inline constexpr const char* kDisposableCompanion = "-disposable";  // nothing to recover in it

std::filesystem::path CompanionOf(const std::filesystem::path& workingFile, const char* companion);
// The companion's bytes; empty when there is none.
std::string ReadCompanion(const std::filesystem::path& workingFile, const char* companion);
// Replaces the companion with `bytes`; an empty text removes it.
void WriteCompanion(const std::filesystem::path& workingFile, const char* companion, const std::string& bytes);

// True when `file` is a working file of `workDir` by its name ("<pid>-<n>.ana" in it).
bool IsWorkingFileOf(const std::filesystem::path& workDir, const std::filesystem::path& file);

// The leftovers of `workDir`, oldest change first, each read under its lock. A file just
// being created (still empty) is none, nor are this process's own working files (`own`),
// which are never opened here: closing any descriptor of a file drops the locks SQLite holds
// on it. A leftover that holds no work (a new document without points, texts or zones, an
// empty file that a program killed at once left behind, a file marked disposable) is
// removed.
std::vector<LeftoverDocument> FindLeftovers(const std::filesystem::path& workDir,
                                            const std::vector<std::filesystem::path>& own);

// "2026-12-05 17:23:46": local time, as documents keep the time of their last save.
std::string LocalTimeText(std::filesystem::file_time_type time);

}  // namespace kest
