#pragma once
// What the tests compare texts with: a list row as the lists pad it, and a file's bytes.

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace kest::fakes {

inline std::string Padded(std::string row) {
    row.resize(80, ' ');
    return row;
}

inline std::string FileBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace kest::fakes
