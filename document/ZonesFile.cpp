#include "document/ZonesFile.h"

#include "core/Formats.h"
#include "core/WholeFile.h"
#include "geometry/ZoneTable.h"

#include <fstream>
#include <istream>
#include <optional>
#include <sstream>
#include <string_view>

namespace kest {
namespace {

constexpr const char* kLineEnd = "\r\n";
constexpr std::size_t kZoneLineWidth = 80;
// The furthest column any field reaches is 33; the rest of a longer line is skipped unread
// into memory, so a file of one enormous line costs no more than a normal one.
constexpr std::size_t kLineKept = 256;

std::string SettingLine(const char* name, int32_t value) { return name + FmtInt6(value) + kLineEnd; }

std::string ZoneFileLine(const ZoneRecord& zone) {
    std::string line = std::string{ZoneTypeLetter(zone), ' '} + zone.tag.str() + " " + ZoneNumberColumns(zone);
    line.resize(kZoneLineWidth, ' ');
    return line + kLineEnd;
}

// One line without its end (CR LF, LF or a lone CR); nothing at the end of the file.
std::optional<std::string> ReadLine(std::istream& in) {
    using Traits = std::istream::traits_type;
    if (Traits::eq_int_type(in.peek(), Traits::eof())) return std::nullopt;
    std::string line;
    for (auto c = in.get(); !Traits::eq_int_type(c, Traits::eof()); c = in.get()) {
        if (c == '\n') break;
        if (c == '\r') {
            if (in.peek() == '\n') in.get();
            break;
        }
        if (line.size() < kLineKept) line.push_back(Traits::to_char_type(c));
    }
    return line;
}

// Columns first+1 .. first+width of a line, shorter or empty where the line is.
std::string_view Columns(std::string_view line, std::size_t first, std::size_t width = std::string_view::npos) {
    return first < line.size() ? line.substr(first, width) : std::string_view{};
}

std::optional<int16_t> Int16At(std::string_view line, std::size_t first, std::size_t width = std::string_view::npos) {
    return WholeInt16(TextValue(Columns(line, first, width)));
}

std::optional<int32_t> Int32At(std::string_view line, std::size_t first, std::size_t width = std::string_view::npos) {
    return WholeInt32(TextValue(Columns(line, first, width)));
}

std::optional<float> SingleAt(std::string_view line, std::size_t first, std::size_t width) {
    return SingleOf(TextValue(Columns(line, first, width)));
}

// A zone line; nothing when one of its numbers does not fit its field.
std::optional<ZoneRecord> ZoneOfLine(std::string_view line, const ZoneRecord& slot) {
    ZoneRecord zone = slot;
    zone.type = line.empty() ? ' ' : line[0];
    const auto length = Int32At(line, 6, 6);
    const auto stepMin = Int32At(line, 13, 6);
    const auto stepMax = Int32At(line, 20, 6);
    const auto dConc = SingleAt(line, 27, 6);
    if (!length || !stepMin || !stepMax || !dConc) return std::nullopt;
    zone.length = *length;
    zone.stepMin = *stepMin;
    zone.stepMax = *stepMax;
    zone.dConc = *dConc;
    zone.tag = Columns(line, 2, 3);
    return zone;
}

// The four settings lines of a version 2 file, each kept as soon as it is read.
bool ReadSettings(ProfileState& state, std::istream& in) {
    for (int16_t* setting : {&state.Nc, &state.Ax, &state.Mp, &state.Dm}) {
        const auto line = ReadLine(in);
        const auto value = line ? Int16At(*line, 2) : std::nullopt;
        if (!value) return false;
        *setting = *value;
    }
    return true;
}

bool ReadOffset(ProfileState& state, std::istream& in) {
    const auto line = ReadLine(in);
    const auto value = line ? Int32At(*line, 2) : std::nullopt;
    if (value) state.O = *value;
    return value.has_value();
}

bool ReadZoneLines(ProfileState& state, std::istream& in) {
    for (auto line = ReadLine(in); line; line = ReadLine(in)) {
        if (state.NbZones >= kZoneSlots) return false;
        ZoneRecord& slot = state.Zones[static_cast<std::size_t>(state.NbZones)];
        const auto zone = ZoneOfLine(*line, slot);
        if (!zone) return false;
        slot = *zone;
        ++state.NbZones;
    }
    return true;
}

ZonesReadEnd Reported(ZonesReadEnd end, MainView& view) {
    if (end == ZonesReadEnd::WrongMagic) view.showMessage("Magic Number Error");
    return end;
}

// What Load Zones does with the chosen file's bytes.
ZonesReadEnd ReplaceZones(ProfileState& state, MainView& view, std::istream& in) {
    ClearZones(state);
    const ZonesReadEnd end = Reported(ReadZones(state, in), view);
    ComputeEndDistances(state);
    ShowZones(state, view);
    return end;
}

}  // namespace

std::string ZonesFileText(const ProfileState& state) {
    std::string text = std::string(kZonesMagic) + " " + std::to_string(kZonesVersion) + kLineEnd;
    text += SettingLine("Nc", state.Nc);
    text += SettingLine("Ax", state.Ax);
    text += SettingLine("Mp", state.Mp);
    text += SettingLine("Dm", state.Dm);
    text += SettingLine("O ", state.O);
    for (int i = 0; i < state.NbZones && i < kZoneSlots; ++i) text += ZoneFileLine(state.Zones[static_cast<std::size_t>(i)]);
    return text;
}

bool WriteZonesFile(const ProfileState& state, std::string* error) {
    std::string reason;
    const bool written = WriteWholeFile(state.ZonesPath, ZonesFileText(state), reason);
    if (error) *error = reason;
    return written;
}

ZonesReadEnd ReadZones(ProfileState& state, std::istream& in) {
    const auto first = ReadLine(in);
    if (!first) return ZonesReadEnd::Stopped;
    if (first->compare(0, std::string_view(kZonesMagic).size(), kZonesMagic) != 0) return ZonesReadEnd::WrongMagic;
    const auto version = Int16At(*first, std::string_view(kZonesMagic).size() - 1);
    if (!version) return ZonesReadEnd::Stopped;
    if (*version == kZonesVersion && !ReadSettings(state, in)) return ZonesReadEnd::Stopped;
    if (!ReadOffset(state, in) || !ReadZoneLines(state, in)) return ZonesReadEnd::Stopped;
    return ZonesReadEnd::Complete;
}

// A file that cannot be opened reads as an empty one: nothing is read, silently.
ZonesReadEnd ReadZonesFile(ProfileState& state, MainView& view, const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Reported(ReadZones(state, in), view);
}

void LoadZones(ProfileState& state, MainView& view) {
    if (const auto path = view.chooseZonesFile()) {
        std::ifstream in(*path, std::ios::binary);
        ReplaceZones(state, view, in);
    }
    DisableZoneCommands(view);
}

ZonesReadEnd LoadZonesText(ProfileState& state, MainView& view, const std::string& text) {
    std::istringstream in(text);
    const ZonesReadEnd end = ReplaceZones(state, view, in);
    DisableZoneCommands(view);
    return end;
}

}  // namespace kest
