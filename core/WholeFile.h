#pragma once
// Every file the program writes beside its documents (zones files, CSV, chart images and
// pages) is written whole to a temporary file in the same folder, made durable, then renamed
// into its place: a failure leaves the earlier file, or none, never a part of one.

#include <string>
#include <string_view>

namespace kest {

// False with `error` in the system's words (a full disk, a folder that cannot be written)
// when the file cannot be written.
bool WriteWholeFile(const std::string& path, std::string_view bytes, std::string& error);

}  // namespace kest
