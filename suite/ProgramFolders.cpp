#include "suite/ProgramFolders.h"

#include <QFile>
#include <QStandardPaths>

#include <cstdlib>

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

}  // namespace kest
