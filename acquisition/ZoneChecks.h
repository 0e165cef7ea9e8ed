#pragma once
// The check made before a scan: an unattended scan must never run forever. The zone editor
// accepts any steps, so a zone whose steps can never reach its limit is found here, before
// anything is deleted, and named to the operator.

#include "core/ProfileState.h"

#include <optional>
#include <string>

namespace kest {

// "Zone 2 (V)": how messages name a zone.
std::string ZoneName(int zone, const ZoneRecord& record);

// Why the zones in use cannot be scanned along the active axis; nothing when they can.
std::optional<std::string> ScanRefusal(const ProfileState& state);
// The same with zone `index` as the zone editor would leave it: what the editor warns about.
std::optional<std::string> ScanRefusalWith(const ProfileState& state, int index, const ZoneRecord& edited);

// Why a profile line starting at X `x`, Y `y` would take the stage outside its travel (the
// state's stage limits) along the active axis: the end each zone walks to, as the scan walks
// it. Nothing when every end lies within the travel, or the travel is not known.
std::optional<std::string> TravelRefusal(const ProfileState& state, int32_t x, int32_t y);

}  // namespace kest
