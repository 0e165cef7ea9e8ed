#include "core/WholeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace fs = std::filesystem;

namespace kest {
namespace {

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// A device, a pipe or a terminal takes the bytes as they come: nothing to rename.
bool WriteDirectly(const std::string& path, std::string_view bytes, std::string& error) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    bool written = WriteAll(fd, bytes);
    int failure = errno;
    if (::close(fd) != 0 && written) {
        written = false;
        failure = errno;
    }
    if (!written) error = std::strerror(failure);
    return written;
}

fs::path FolderOf(const fs::path& path) { return path.has_parent_path() ? path.parent_path() : fs::path("."); }

}  // namespace

std::string FileBehindLinks(const std::string& path) {
    fs::path file(path);
    std::error_code ec;
    for (int hops = 0; hops < 40 && fs::is_symlink(fs::symlink_status(file, ec)); ++hops) {
        const fs::path link = fs::read_symlink(file, ec);
        if (ec) break;
        file = link.is_absolute() ? link : FolderOf(file) / link;
    }
    return file.string();
}

bool SameFile(const std::string& a, const std::string& b) {
    struct stat first {}, second {};
    const fs::path pa(FileBehindLinks(a)), pb(FileBehindLinks(b));
    if (::stat(pa.c_str(), &first) == 0 && ::stat(pb.c_str(), &second) == 0)
        return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
    if (pa.filename() != pb.filename()) return false;
    return ::stat(FolderOf(pa).c_str(), &first) == 0 && ::stat(FolderOf(pb).c_str(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

std::optional<std::string> WritePlaceProblem(const std::string& path, std::size_t pathLimit) {
    const fs::path file = fs::absolute(fs::path(FileBehindLinks(path))).lexically_normal();
    if (file.string().size() >= pathLimit)
        return "the path " + file.string() + " is " + std::to_string(file.string().size()) +
               " bytes long; the program keeps paths shorter than " + std::to_string(pathLimit);
    const fs::path folder = FolderOf(file);
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) return "the folder " + folder.string() + " does not exist";
    const long nameMax = ::pathconf(folder.c_str(), _PC_NAME_MAX);
    const std::size_t longest = nameMax > 0 ? static_cast<std::size_t>(nameMax) : NAME_MAX;
    if (file.filename().string().size() + kTemporaryNameExtra > longest)
        return "the name " + file.filename().string() + " is " + std::to_string(file.filename().string().size()) +
               " bytes long; with the temporary name written beside it first, the folder takes names of at most " +
               std::to_string(longest - kTemporaryNameExtra);
    if (fs::is_directory(file, ec)) return file.string() + " is a folder";
    if (::access(folder.c_str(), W_OK) != 0)
        return "the folder " + folder.string() + " cannot be written (" + std::strerror(errno) + ")";
    return std::nullopt;
}

bool WriteWholeFile(const std::string& path, std::string_view bytes, std::string& error) {
    struct stat named {};
    if (::stat(path.c_str(), &named) == 0 && !S_ISREG(named.st_mode)) {
        if (S_ISDIR(named.st_mode)) {
            error = std::strerror(EISDIR);
            return false;
        }
        return WriteDirectly(path, bytes, error);
    }
    const std::string target = FileBehindLinks(path);
    std::string temporary = FolderOf(target).string() + "/.kestplus-XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    bool written = ::fchmod(fd, 0644) == 0 && WriteAll(fd, bytes) && ::fsync(fd) == 0;
    int failure = errno;
    if (::close(fd) != 0 && written) {
        written = false;
        failure = errno;
    }
    if (written && ::rename(temporary.c_str(), target.c_str()) == 0) return true;
    error = std::strerror(written ? errno : failure);
    ::unlink(temporary.c_str());
    return false;
}

}  // namespace kest
