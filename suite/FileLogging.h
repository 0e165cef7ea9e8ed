#pragma once
// The logging library on the program's home folder: the acquisition log file, object keys
// counted in a file that every process shares, and the single-instance check.
//
// One instance of the program runs per home folder. The running instance holds an
// InstanceLock and listens with an InstanceBeacon; a later one finds the lock held and asks
// the beacon, through KestCheckUnique, to bring the earlier window to the front.

#include "suite/Logging.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class QLocalServer;
class QLockFile;

namespace kest {

// The local channel on which the instance working on `home` listens; homes that differ get
// channels that differ.
std::string InstanceChannelName(const std::filesystem::path& home);

class FileLogging : public Logging {
public:
    // The log is moved to acquisition.log.1 once it has passed this, the older ones down to
    // acquisition.log.5: a 3,000-point scan writes some 13 MB, so the last few long scans
    // stay, in at most 60 MB.
    static constexpr std::uintmax_t kLogRotationBytes = 10 * 1000 * 1000;
    static constexpr int kKeptLogs = 5;

    // `answerTimeoutMs`: how long KestCheckUnique waits for the earlier instance to answer.
    explicit FileLogging(std::filesystem::path home, int answerTimeoutMs = 3000,
                         std::uintmax_t logRotationBytes = kLogRotationBytes);

    std::filesystem::path logFile() const { return home_ / "acquisition.log"; }
    std::filesystem::path keyCounterFile() const { return home_ / "objectkeys.counter"; }

    // Appends the bytes of `text` to acquisition.log; they are in the file when the call
    // returns. 1, or 0 when the file cannot be written. A log that has passed its size is
    // first moved to acquisition.log.1 (the older ones one place down, up to .5), so that the
    // logs of a program that runs for months never fill the disk.
    Status KestPrintfVB(const std::string& text) override;

    // `prefix` followed by the next number of the home's key counter in base 36, lowest digit
    // first and at least two digits ("DbScan10", "DbScan20", ...), so that the characters
    // right after the prefix change from one key to the next. The counter is taken under an
    // exclusive lock, so processes sharing the home never get the same key. Returns the
    // key's length; 0 when the key and its NUL do not fit `capacity` or the counter cannot
    // be kept.
    Status KestGetUniqueObjectKey(std::string& buffer, int32_t capacity, const std::string& prefix) override;

    // Asks the beacon of the earlier instance to bring its window to the front. Non-zero when
    // it answered within the timeout; 0 when nobody listens. Runs a local event loop while it
    // waits, so a beacon of this same process answers too; needs a QCoreApplication.
    Status KestCheckUnique(int32_t windowHandle, const std::string& title) override;

private:
    std::filesystem::path home_;
    int answerTimeoutMs_;
    std::uintmax_t logRotationBytes_;
};

// The running instance's side of the single-instance check: listens on the home's channel
// and calls `raise` whenever a later instance asks. Start it only while holding the
// InstanceLock: listening removes a channel left behind by an instance that crashed.
class InstanceBeacon {
public:
    InstanceBeacon(const std::filesystem::path& home, std::function<void()> raise);
    ~InstanceBeacon();
    InstanceBeacon(const InstanceBeacon&) = delete;
    InstanceBeacon& operator=(const InstanceBeacon&) = delete;

    // False with `error` set when the channel cannot be opened.
    bool listen(std::string& error);
    bool isListening() const;

private:
    std::unique_ptr<QLocalServer> server_;
    std::string channel_;
    std::function<void()> raise_;
};

// The lock file (kestplus-profile.lock in the home folder) that the running instance holds
// for its whole run. A lock left by a process that no longer runs is taken over.
class InstanceLock {
public:
    explicit InstanceLock(const std::filesystem::path& home);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // Takes the lock unless this object holds it already; true when another instance holds
    // it (this one then does not). A lock file that cannot be written counts as no earlier
    // instance: the program runs, unlocked.
    bool earlierInstanceRuns();
    bool held() const;

private:
    std::filesystem::path home_;
    std::unique_ptr<QLockFile> file_;
    bool held_ = false;
};

// One program drives the instrument: the window, a headless scan or a batch holds this lock
// (instrument.lock in the home folder) while it may move the stage or count; a second one
// refuses to start. Reading documents (list, export, recover) takes no lock. A lock left by
// a process that no longer runs is taken over.
class InstrumentLock {
public:
    explicit InstrumentLock(const std::filesystem::path& home);
    ~InstrumentLock();
    InstrumentLock(const InstrumentLock&) = delete;
    InstrumentLock& operator=(const InstrumentLock&) = delete;

    // Takes the lock for `holder` ("the window", "kestplus-profile scan"); nothing when taken,
    // else who holds it, in words for the operator. A home that cannot be written holds no
    // lock: the program runs, unlocked.
    std::optional<std::string> take(const std::string& holder);

private:
    std::filesystem::path file_;
    std::unique_ptr<QLockFile> lock_;
};

}  // namespace kest
