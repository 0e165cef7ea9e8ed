#pragma once
// The zone table of the profile line and the zone commands of the main window: add, delete,
// move up and down, edit, and the zone list that shows the table.
//
// The table has 201 slots; zones 0..NbZones-1 are in use, in scan order. A slot's tag stays
// with the slot: deleting and moving zones carry their type, length, steps and dConc, never
// the tag or the end distance.

#include "core/MainView.h"
#include "core/ProfileState.h"

#include <string>

namespace kest {

// Empties every slot (tags too) and sets the offset to 0. The caller redraws the list.
void ClearZones(ProfileState& state);

// E(z) of every zone in use: the sum of the lengths up to and including the zone. A scan
// works them out as it starts, and loading zones does, so that the graph of a document
// opened or recovered stretches to the planned end of its profile.
void ComputeEndDistances(ProfileState& state);

// A new "F" zone in the first free slot. False, with a message and nothing changed, when
// the table is full.
bool AddZone(ProfileState& state, MainView& view);

// The zone of the first selected row; the zone commands are greyed afterwards in any case.
void DeleteZone(ProfileState& state, MainView& view);

// The zone of the first selected row that can move swaps with its neighbour, and the
// selection follows it.
void MoveZoneUp(ProfileState& state, MainView& view);
void MoveZoneDown(ProfileState& state, MainView& view);

// The zone editor on the selected row; nothing when no row is selected.
void EditZone(ProfileState& state, MainView& view);

// The numbers of a zone as the list and the zones file show them, each right-aligned in 6
// characters: length and step min, then for any type but "F" step max and dConc.
std::string ZoneNumberColumns(const ZoneRecord& zone);

// The line of one zone in the zone list: 80 characters of fixed columns, under a heading
// whose words start at their columns.
std::string ZoneListLine(const ZoneRecord& zone);
inline constexpr const char* kZoneListHeading = "T Length SMin   SMax   dConc% Prf";

// The zone list, then the settings controls brought in line with the settings. A setting
// that matches no button of its group shows no button selected and keeps its value.
void ShowZones(ProfileState& state, MainView& view);

// A click on a zone row makes it the current zone and enables the zone commands; selecting
// a row from the program does the same.
void ZoneRowClicked(ProfileState& state, MainView& view, int row);
void SelectZoneRow(ProfileState& state, MainView& view, int row);

void EnableZoneCommands(MainView& view);
void DisableZoneCommands(MainView& view);

}  // namespace kest
