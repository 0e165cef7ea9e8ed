#include "acquisition/UnattendedAcquisition.h"

#include "acquisition/AcquisitionFields.h"

#include <utility>

namespace kest {

UnattendedAcquisition::UnattendedAcquisition(ProfileState& state, Suite& suite, Pacer& pacer, MessageSink messages)
    : state_(state), messages_(std::move(messages)), acquisition_(state, suite, *this, pacer) {}

void UnattendedAcquisition::acquireCurrentPoint(const MainView& main) { acquisition_.acquire(AutomaticInputs(state_, main)); }

}  // namespace kest
