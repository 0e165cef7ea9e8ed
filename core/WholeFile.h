#pragma once
// Every file the program writes beside its documents (zones files, CSV, chart images and
// pages) is written whole to a temporary file in the same folder, made durable, then renamed
// into its place: a failure leaves the earlier file, or none, never a part of one. What the
// path names is looked at first: a symbolic link is followed, so that the file it names is
// replaced and the link stays; a device, a named pipe or a terminal (standard output as
// /dev/stdout) is written directly, since renaming over it would replace the device itself.

#include <optional>
#include <string>
#include <string_view>

namespace kest {

// False with `error` in the system's words (a full disk, a folder that cannot be written)
// when the file cannot be written.
bool WriteWholeFile(const std::string& path, std::string_view bytes, std::string& error);

// The file a path names once its symbolic links are followed (those that lead nowhere too):
// where a file written whole is renamed into place. The path itself when it names no link.
std::string FileBehindLinks(const std::string& path);

// True when the two paths name one file: the same device and inode, or for a file that does
// not exist yet the same folder (by device and inode) and name. Links are followed.
bool SameFile(const std::string& a, const std::string& b);

// The longest temporary name a save puts beside a file ("." NAME ".saving-" PID).
inline constexpr std::size_t kTemporaryNameExtra = 1 + 8 + 10;

// Why a file written whole could not be written at `path`: a folder that does not exist or
// cannot be written, a folder in its place, a path or name too long (its temporary name
// included). Nothing when it can be written (a device or a pipe is written directly). Checked before long work
// (a scan, a batch), so that the work never ends without a place for it.
std::optional<std::string> WritePlaceProblem(const std::string& path, std::size_t pathLimit);

}  // namespace kest
