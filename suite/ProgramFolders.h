#pragma once
// Where the program keeps what is its own: the registry file, the default suite file, the
// acquisition log, working files and new documents. $KESTPLUS_HOME holds all of them when
// set; otherwise the user's configuration and data folders.

#include <filesystem>

namespace kest {

struct ProgramFolders {
    std::filesystem::path config;  // registry.ini, suite.json
    std::filesystem::path data;    // acquisition.log, work/, documents/

    std::filesystem::path registryFile() const { return config / "registry.ini"; }
    std::filesystem::path defaultSuiteFile() const { return config / "suite.json"; }
    std::filesystem::path workDir() const { return data / "work"; }
    std::filesystem::path documentsDir() const { return data / "documents"; }
};

// Resolves the folders and creates them when missing.
ProgramFolders ResolveProgramFolders();

}  // namespace kest
