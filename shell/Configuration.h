#pragma once
// The configuration kept in the registry under "KEST", section "EtalonProfile".

#include "core/ProfileState.h"
#include "suite/Registry.h"

namespace kest {

// Fills StatisticEnable, DefaultNumberOfMeasures, DefaultCountingTime, NoiseSigmas and
// AdaptivePointBudget (defaults 0, 0, 10, 3, 100) and the registry names kept in the state.
void ReadConfiguration(ProfileState& state, Registry& registry);
// Stores DefaultNumberOfMeasures and DefaultCountingTime as decimal texts; StatisticEnable
// is never written.
void WriteConfiguration(ProfileState& state, Registry& registry);

}  // namespace kest
