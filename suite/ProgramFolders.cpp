#include "suite/ProgramFolders.h"

#include <QFile>
#include <QStandardPaths>

#include <unistd.h>

#include <cstdlib>
#include <string>

namespace kest {

namespace {

std::filesystem::path standardFolder(QStandardPaths::StandardLocation location) {
    const QString folder = QStandardPaths::writableLocation(location);
    return std::filesystem::path(QFile::encodeName(folder).toStdString()) / "kestplus-profile";
}

}  // namespace

ProgramFolders ResolveProgramFolders() {
    ProgramFolders folders;
    if (const char* home = std::getenv("KESTPLUS_HOME"); home != nullptr && *home != '\0') {
        folders.config = home;
        folders.data = home;
    } else {
        folders.config = standardFolder(QStandardPaths::GenericConfigLocation);
        folders.data = standardFolder(QStandardPaths::GenericDataLocation);
    }
    std::error_code ignored;
    std::filesystem::create_directories(folders.config, ignored);
    std::filesystem::create_directories(folders.data, ignored);
    return folders;
}

ProgramFolders ReadingFolders(ProgramFolders folders) {
    std::error_code ec;
    std::filesystem::create_directories(folders.workDir(), ec);
    if (!ec && ::access(folders.workDir().c_str(), W_OK) == 0) return folders;
    folders.data = std::filesystem::temp_directory_path(ec) / ("kestplus-profile-" + std::to_string(::getuid()));
    std::filesystem::create_directories(folders.workDir(), ec);
    return folders;
}

}  // namespace kest
