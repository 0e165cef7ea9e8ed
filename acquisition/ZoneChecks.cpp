#include "acquisition/ZoneChecks.h"

#include "core/Formats.h"

#include <algorithm>
#include <cstdint>

namespace kest {

std::string ZoneName(int zone, const ZoneRecord& record) {
    return "Zone " + std::to_string(zone + 1) + " (" + std::string(1, ZoneTypeLetter(record)) + ")";
}

// Walks the zones keeping the lowest coordinate, relative to the profile start, from which
// each zone may begin: only a descending variable zone can lead below the start, and a
// fixed zone whose step does not go forward never reaches a limit that lies ahead.
std::optional<std::string> ScanRefusal(const ProfileState& state) {
    if (state.Ax != 1 && state.Ax != 2)
        return std::string("The scan needs an axis: choose X or Y for the profile line.");
    int64_t end = 0;     // E(z)
    int64_t lowest = 0;  // the lowest coordinate the zone may start from
    for (int z = 0; z < state.NbZones && z < kZoneSlots; ++z) {
        const ZoneRecord& zone = state.Zones[static_cast<std::size_t>(z)];
        end += zone.length;
        const std::string name = ZoneName(z, zone);
        const std::string steps = " (step min " + std::to_string(zone.stepMin) + ", step max " +
                                  std::to_string(zone.stepMax) + ")";
        if (zone.type == 'F') {
            if (zone.stepMin > 0) {
                lowest = std::max(lowest, end);
            } else if (lowest < 0) {
                return name + " cannot be scanned: its step " + std::to_string(zone.stepMin) +
                       " does not go forward and the zone may start below the profile start, so it would never "
                       "reach its end.";
            }
        } else if (zone.type == kAdaptiveZone && !(zone.dConc >= 0.0f)) {
            return name + " cannot be scanned: its tolerance dConc " + NumberText(zone.dConc) +
                   " is below 0, so no interval could ever be within it.";
        } else if (zone.stepMin == 0) {
            return name + " cannot be scanned: its step min is 0, so its steps could be halved without end. "
                          "A step min above 0 scans up the axis, below 0 down.";
        } else if (zone.stepMin > 0 && zone.stepMax <= 0) {
            return name + " cannot be scanned: it scans up the axis but its step max does not" + steps +
                   ", so it would never reach its end.";
        } else if (zone.stepMin < 0) {
            if (zone.stepMax >= 0)
                return name + " cannot be scanned: it scans down the axis but its step max does not" + steps +
                       ", so it would never reach its end.";
            lowest = std::min(lowest, 1 - end);  // its last point lies above c0 - E(z)
        }
    }
    return std::nullopt;
}

std::optional<std::string> TravelRefusal(const ProfileState& state, int32_t x, int32_t y) {
    if (!state.StageLimits || (state.Ax != 1 && state.Ax != 2)) return std::nullopt;
    const auto [low, high] = *state.StageLimits;
    const std::string axis = state.Ax == 1 ? "X" : "Y";
    const int64_t start = state.Ax == 1 ? x : y;
    const auto outside = [&](int64_t c) { return c < low || c > high; };
    const std::string travel = ", outside the stage's travel, " + std::to_string(low) + " to " + std::to_string(high) + ".";
    if (outside(start)) return "The profile starts at " + axis + " = " + std::to_string(start) + travel;
    int64_t end = 0;  // E(z)
    for (int z = 0; z < state.NbZones && z < kZoneSlots; ++z) {
        const ZoneRecord& zone = state.Zones[static_cast<std::size_t>(z)];
        end += zone.length;
        if (zone.type == 'F' && zone.stepMin <= 0) continue;  // it adds no point
        const int64_t reach = zone.type != 'F' && zone.stepMin < 0 ? start - end : start + end;
        if (outside(reach))
            return ZoneName(z, zone) + " ends at " + axis + " = " + std::to_string(reach) + travel +
                   " Place the stage so that the whole line lies within it.";
    }
    return std::nullopt;
}

std::optional<std::string> ScanRefusalWith(const ProfileState& state, int index, const ZoneRecord& edited) {
    ProfileState zones;  // the zones and the axis alone, not the document's tables
    zones.Ax = state.Ax;
    zones.NbZones = state.NbZones;
    zones.Zones = state.Zones;
    if (index >= 0 && index < kZoneSlots) zones.Zones[static_cast<std::size_t>(index)] = edited;
    return ScanRefusal(zones);
}

}  // namespace kest
