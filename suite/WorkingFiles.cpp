#include "suite/WorkingFiles.h"

#include "suite/DocumentFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <fstream>
#include <iterator>
#include <string_view>
#include <tuple>
#include <utility>

namespace fs = std::filesystem;

namespace kest {
namespace {

std::optional<int> LockedDescriptor(const fs::path& file, int flags) {
    // Close-on-exec: a program started from this one must not keep the lock after a crash.
    const int fd = ::open(file.c_str(), flags | O_RDWR | O_CLOEXEC, 0644);
    if (fd < 0) return std::nullopt;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return std::nullopt;
    }
    return fd;
}

std::string ReadBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The file's or its log's, whichever changed last; reading a leftover leaves an empty log
// behind, which says nothing of its changes.
fs::file_time_type LastChange(const fs::path& file) {
    std::error_code ec;
    const fs::path log = file.string() + "-wal";
    const fs::file_time_type latest = fs::last_write_time(file, ec);
    return fs::file_size(log, ec) > 0 && !ec ? std::max(latest, fs::last_write_time(log, ec)) : latest;
}

// Nothing when the file holds no work: a new document without points, texts or zones (a
// program killed before anything was done).
std::optional<LeftoverDocument> Describe(const fs::path& file, fs::file_time_type changed) {
    LeftoverDocument leftover;
    leftover.workingFile = file.string();
    leftover.documentPath = ReadCompanion(file, kDocumentCompanion);
    leftover.zonesText = ReadCompanion(file, kZonesCompanion);
    leftover.lastChange = LocalTimeText(changed);
    try {
        const AnalysisDocument document = ReadDocumentFile(file);
        leftover.points = static_cast<int32_t>(document.points.size() + document.trials.size());
        const DocumentFields& f = document.fields;
        const bool noZone = std::count(leftover.zonesText.begin(), leftover.zonesText.end(), '\n') <= 6;  // the header
        if (leftover.points == 0 && leftover.documentPath.empty() && noZone &&
            (f.title + f.userName + f.company + f.comments).empty())
            return std::nullopt;
    } catch (const DocumentFileError& e) {
        leftover.problem = e.what();
    }
    return leftover;
}

}  // namespace

std::optional<WorkingFileLock> WorkingFileLock::Create(const fs::path& file) {
    const auto fd = LockedDescriptor(file, O_CREAT | O_EXCL);
    return fd ? std::optional(WorkingFileLock(*fd)) : std::nullopt;
}

std::optional<WorkingFileLock> WorkingFileLock::Take(const fs::path& file) {
    const auto fd = LockedDescriptor(file, 0);
    return fd ? std::optional(WorkingFileLock(*fd)) : std::nullopt;
}

WorkingFileLock::WorkingFileLock(WorkingFileLock&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

WorkingFileLock::~WorkingFileLock() {
    if (fd_ >= 0) ::close(fd_);
}

fs::path CompanionOf(const fs::path& workingFile, const char* companion) {
    return fs::path(workingFile.string() + companion);
}

std::string ReadCompanion(const fs::path& workingFile, const char* companion) {
    return ReadBytes(CompanionOf(workingFile, companion));
}

void WriteCompanion(const fs::path& workingFile, const char* companion, const std::string& bytes) {
    const fs::path file = CompanionOf(workingFile, companion);
    std::error_code ec;
    if (bytes.empty()) {
        fs::remove(file, ec);
        return;
    }
    const fs::path temporary = file.string() + ".new";
    std::ofstream(temporary, std::ios::binary | std::ios::trunc) << bytes;
    fs::rename(temporary, file, ec);
}

bool IsWorkingFileOf(const fs::path& workDir, const fs::path& file) {
    // "<digits>-<digits>.ana"
    const std::string name = file.filename().string();
    const std::size_t dash = name.find('-');
    const auto digits = [](std::string_view text) {
        return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    std::error_code ec;
    return name.ends_with(".ana") && dash != std::string::npos && digits(std::string_view(name).substr(0, dash)) &&
           digits(std::string_view(name).substr(dash + 1, name.size() - dash - 5)) &&
           fs::equivalent(fs::absolute(file, ec).parent_path(), workDir, ec);
}

std::vector<LeftoverDocument> FindLeftovers(const fs::path& workDir, const std::vector<fs::path>& own) {
    std::vector<std::pair<fs::file_time_type, LeftoverDocument>> found;
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(workDir, ec)) {
        if (!IsWorkingFileOf(workDir, entry.path())) continue;
        const auto isOwn = [&](const fs::path& file) { return file.filename() == entry.path().filename(); };
        if (std::any_of(own.begin(), own.end(), isOwn)) continue;
        const auto lock = WorkingFileLock::Take(entry.path());
        if (!lock) continue;  // its program runs, or is creating it
        if (fs::file_size(entry.path(), ec) == 0 || fs::exists(CompanionOf(entry.path(), kDisposableCompanion), ec)) {
            DocumentStore::RemoveFiles(entry.path());
            continue;
        }
        const fs::file_time_type changed = LastChange(entry.path());
        if (auto leftover = Describe(entry.path(), changed))
            found.emplace_back(changed, std::move(*leftover));
        else
            DocumentStore::RemoveFiles(entry.path());
    }
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
        return std::tie(a.first, a.second.workingFile) < std::tie(b.first, b.second.workingFile);
    });
    std::vector<LeftoverDocument> leftovers;
    for (auto& [time, leftover] : found) leftovers.push_back(std::move(leftover));
    return leftovers;
}

std::string LocalTimeText(fs::file_time_type time) {
    const auto system = std::chrono::file_clock::to_sys(time);
    const std::time_t seconds = std::chrono::system_clock::to_time_t(system);
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

}  // namespace kest
