#include "shell/Configuration.h"

#include <algorithm>
#include <string>

namespace kest {
namespace {

void FillRegistryNames(ProfileState& state) {
    state.RegistryRoot = "KEST";
    state.RegistrySection = "EtalonProfile";
    state.KeyStatisticEnable = "StatisticEnable";
    state.KeyDefaultNumberOfMeasures = "DefaultNumberOfMeasures";
    state.KeyDefaultCountingTime = "DefaultCountingTime";
    state.KeyNoiseSigmas = "NoiseSigmas";
    state.KeyAdaptivePointBudget = "AdaptivePointBudget";
}

}  // namespace

void ReadConfiguration(ProfileState& state, Registry& registry) {
    FillRegistryNames(state);
    const auto read = [&](const std::string& key, int32_t defaultValue) {
        return registry.KestRegisterGetInt(state.RegistrySection, key, defaultValue, state.RegistryRoot);
    };
    // Any non-zero value switches the statistics test on; the other two are kept in 16 bits.
    state.StatisticEnable = read(state.KeyStatisticEnable, 0) != 0 ? kTrue : kFalse;
    state.DefaultNumberOfMeasures = static_cast<int16_t>(read(state.KeyDefaultNumberOfMeasures, 0));
    state.DefaultCountingTime = static_cast<int16_t>(read(state.KeyDefaultCountingTime, 10));
    // A negative count of sigmas or budget means none.
    state.NoiseSigmas = static_cast<int16_t>(std::clamp<int32_t>(read(state.KeyNoiseSigmas, 3), 0, 100));
    state.AdaptivePointBudget = std::clamp<int32_t>(read(state.KeyAdaptivePointBudget, 100), 0, kDocumentPointCapacity);
}

void WriteConfiguration(ProfileState& state, Registry& registry) {
    // The names come from ReadConfiguration; a state that never read them still writes to
    // the right place.
    if (state.RegistryRoot.empty()) FillRegistryNames(state);
    const auto write = [&](const std::string& key, int16_t value) {
        registry.KestRegisterSetString(state.RegistrySection, key, std::to_string(value), state.RegistryRoot);
    };
    write(state.KeyDefaultNumberOfMeasures, state.DefaultNumberOfMeasures);
    write(state.KeyDefaultCountingTime, state.DefaultCountingTime);
}

}  // namespace kest
