// libFuzzer target: the zones file reader on any bytes. Besides crashes and reads out of
// bounds (AddressSanitizer), it checks that the zone count stays within the table, that free
// slots stay free, and that whatever was read writes a file that reads back to itself.

#include "document/ZonesFile.h"

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

namespace {

kest::ZonesReadEnd Read(kest::ProfileState& state, const std::string& text) {
    std::istringstream in(text);
    return kest::ReadZones(state, in);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    kest::ProfileState state;
    Read(state, std::string(reinterpret_cast<const char*>(data), size));
    if (state.NbZones < 0 || state.NbZones > kest::kZoneSlots) __builtin_trap();
    for (int i = state.NbZones; i < kest::kZoneSlots; ++i)
        if (state.Zones[static_cast<std::size_t>(i)].type != ' ') __builtin_trap();

    const std::string written = kest::ZonesFileText(state);
    kest::ProfileState again;
    if (Read(again, written) != kest::ZonesReadEnd::Complete) __builtin_trap();
    if (kest::ZonesFileText(again) != written) __builtin_trap();
    return 0;
}
