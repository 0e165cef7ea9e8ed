#pragma once
// The zones file: the zone table and five acquisition settings, kept beside the document as
// a small text file of CR LF lines.
//
//   KestProfile  2          magic and version
//   Nc     1                counts per point      (version 2 only)
//   Ax     1                active axis           (version 2 only)
//   Mp     1                pattern points        (version 2 only)
//   Dm    10                pattern spacing       (version 2 only)
//   O      0                graph offset
//   V Ni1    600      5     50  1.000 ...        a line of 80 characters per zone: type, tag,
//                                                length, step min, step max, dConc
//
// Numbers are right-aligned in 6 characters; a longer number keeps its first 6 characters.

#include "core/MainView.h"
#include "core/ProfileState.h"

#include <iosfwd>
#include <string>

namespace kest {

inline constexpr const char* kZonesMagic = "KestProfile ";
inline constexpr int16_t kZonesVersion = 2;

// The whole file for the current settings and zones.
std::string ZonesFileText(const ProfileState& state);

// Writes the file at ZonesPath, replacing it only once the new one is complete. False, with
// the reason in `error`, when the file cannot be written; the former file, if any, is then
// left as it was.
bool WriteZonesFile(const ProfileState& state, std::string* error = nullptr);

enum class ZonesReadEnd {
    Complete,     // the whole file was read
    Stopped,      // a line was missing or a number did not fit: what was read stays
    WrongMagic,   // the first line does not start with the magic: nothing was read
};

// Reads settings and zones into the state, over whatever the caller left there (callers
// clear the zone table first). Reading stops silently at the first error; a 202nd zone is
// an error. Only the first characters of a very long line are looked at.
ZonesReadEnd ReadZones(ProfileState& state, std::istream& in);

// ReadZones on a file; "Magic Number Error" for a file that is not a zones file. A missing
// or unreadable file ends the reading silently.
ZonesReadEnd ReadZonesFile(ProfileState& state, MainView& view, const std::string& path);

// Zones > Load: the file the operator picks replaces the zone table and the settings it
// holds. A cancelled choice changes nothing. The zone commands are greyed in any case.
void LoadZones(ProfileState& state, MainView& view);

// The same, from a zones file's text (the built-in demo and the headless scan bring one).
ZonesReadEnd LoadZonesText(ProfileState& state, MainView& view, const std::string& text);

}  // namespace kest
