#include "geometry/ZoneTable.h"

#include "core/Formats.h"
#include "core/SettingsEvents.h"

#include <algorithm>
#include <limits>
#include <utility>
#include <vector>

namespace kest {
namespace {

constexpr std::size_t kLineWidth = 80;
constexpr std::size_t kTagColumn = 30;  // characters before the tag in a list line

// The first selected row in first..last; -1 when none is.
int FirstSelectedRow(const MainView& view, int first, int last) {
    for (int row : view.selectedZoneRows()) {
        if (row >= first && row <= last) return row;
    }
    return -1;
}

// What moves with a zone: everything but the slot's tag and end distance.
void SwapContents(ZoneRecord& a, ZoneRecord& b) {
    std::swap(a.type, b.type);
    std::swap(a.length, b.length);
    std::swap(a.stepMin, b.stepMin);
    std::swap(a.stepMax, b.stepMax);
    std::swap(a.dConc, b.dConc);
}

void FreeContents(ZoneRecord& zone) {
    zone.type = ' ';
    zone.length = 0;
    zone.stepMin = 0;
    zone.stepMax = 0;
    zone.dConc = 0.0f;
}

// Swaps the zone of the first selected row in first..last with the one `offset` rows away.
void MoveSelectedZone(ProfileState& state, MainView& view, int first, int last, int offset) {
    const int row = FirstSelectedRow(view, first, last);
    if (row < 0) return;
    SwapContents(state.Zones[static_cast<std::size_t>(row)], state.Zones[static_cast<std::size_t>(row + offset)]);
    ShowZones(state, view);
    SelectZoneRow(state, view, row + offset);
}

}  // namespace

void ClearZones(ProfileState& state) {
    state.NbZones = 0;
    state.Zones.fill(ZoneRecord{});
    state.O = 0;
}

bool AddZone(ProfileState& state, MainView& view) {
    if (state.NbZones >= kZoneSlots) {
        view.showMessage("The profile already has " + std::to_string(kZoneSlots) + " zones, the most it can hold.");
        return false;
    }
    state.Zones[static_cast<std::size_t>(state.NbZones)].type = 'F';
    ++state.NbZones;
    ShowZones(state, view);
    return true;
}

void DeleteZone(ProfileState& state, MainView& view) {
    const int row = FirstSelectedRow(view, 0, state.NbZones - 1);
    if (row >= 0) {
        for (int i = row; i + 1 < state.NbZones; ++i)
            SwapContents(state.Zones[static_cast<std::size_t>(i)], state.Zones[static_cast<std::size_t>(i + 1)]);
        FreeContents(state.Zones[static_cast<std::size_t>(state.NbZones - 1)]);
        --state.NbZones;
        ShowZones(state, view);
    }
    DisableZoneCommands(view);
}

void MoveZoneUp(ProfileState& state, MainView& view) { MoveSelectedZone(state, view, 1, state.NbZones - 1, -1); }

void MoveZoneDown(ProfileState& state, MainView& view) { MoveSelectedZone(state, view, 0, state.NbZones - 2, +1); }

void EditZone(ProfileState& state, MainView& view) {
    const int row = FirstSelectedRow(view, 0, state.NbZones - 1);
    state.CurZone = static_cast<int16_t>(row);
    if (row < 0) return;
    view.editZone(state.Zones[static_cast<std::size_t>(row)]);
    ShowZones(state, view);
    SelectZoneRow(state, view, row);
}

std::string ZoneNumberColumns(const ZoneRecord& zone) {
    std::string columns = FmtInt6(zone.length) + " " + FmtInt6(zone.stepMin);
    if (zone.type != 'F') columns += " " + FmtInt6(zone.stepMax) + " " + FmtDConc6(zone.dConc);
    return columns;
}

std::string ZoneListLine(const ZoneRecord& zone) {
    // The tag stands in columns 31-33 for both types.
    std::string line = FitLeft(std::string{ZoneTypeLetter(zone), ' '} + ZoneNumberColumns(zone), kTagColumn) + zone.tag.str();
    line.resize(kLineWidth, ' ');
    return line;
}

void ShowZones(ProfileState& state, MainView& view) {
    std::vector<std::string> lines;
    for (int i = 0; i < state.NbZones; ++i) lines.push_back(ZoneListLine(state.Zones[static_cast<std::size_t>(i)]));
    view.showZoneLines(lines);

    view.setOffsetText(NumberText(state.O));
    SelectOptXY(state, view, state.Ax - 1);
    SelectOptNC(state, view, OptNCButtonOf(state.Nc));
    SelectOMP(state, view, OMPButtonOf(state.Mp));
    view.setPatternText(NumberText(int32_t{state.Dm}));
}

void ZoneRowClicked(ProfileState& state, MainView& view, int row) {
    state.CurZone = static_cast<int16_t>(row);
    EnableZoneCommands(view);
}

void SelectZoneRow(ProfileState& state, MainView& view, int row) {
    view.selectZoneRow(row);
    ZoneRowClicked(state, view, row);
}

void EnableZoneCommands(MainView& view) { view.setZoneCommandsEnabled(true); }
void DisableZoneCommands(MainView& view) { view.setZoneCommandsEnabled(false); }

void ComputeEndDistances(ProfileState& state) {
    int64_t end = 0;
    for (int i = 0; i < state.NbZones && i < kZoneSlots; ++i) {
        ZoneRecord& zone = state.Zones[static_cast<std::size_t>(i)];
        end += zone.length;
        zone.endDistance = static_cast<int32_t>(
            std::clamp<int64_t>(end, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
    }
}

}  // namespace kest
