#include "acquisition/Pacer.h"

#include <thread>

namespace kest {

void SleepingPacer::letEventsRun(std::chrono::milliseconds upTo) {
    if (upTo.count() > 0) std::this_thread::sleep_for(upTo);
}

void SleepingPacer::pause(std::chrono::milliseconds duration) { std::this_thread::sleep_for(duration); }

}  // namespace kest
