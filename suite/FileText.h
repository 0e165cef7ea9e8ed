#pragma once
// The whole text of a file the program reads in one piece: a suite file, a zones file, a
// batch file and its progress.

#include <filesystem>
#include <optional>
#include <string>

namespace kest {

// The file's bytes; nothing, with `error` in the system's words ("it is a folder" for a
// folder), when it cannot be read.
std::optional<std::string> ReadFileText(const std::filesystem::path& path, std::string& error);

}  // namespace kest
