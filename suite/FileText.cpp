#include "suite/FileText.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

namespace kest {

std::optional<std::string> ReadFileText(const std::filesystem::path& path, std::string& error) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        error = "it is a folder";
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    if (in) text << in.rdbuf();
    if (!in || in.bad()) {
        error = std::strerror(errno);
        return std::nullopt;
    }
    return text.str();
}

}  // namespace kest
