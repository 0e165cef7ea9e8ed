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

// The folders for a command that only reads documents: when the work folder cannot be made
// or written (a read-only home), a folder of the user's in the system's temporary folder
// takes the data folder's place; the configuration is still read from the home.
ProgramFolders ReadingFolders(ProgramFolders folders);

}  // namespace kest
