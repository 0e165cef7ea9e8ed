#include "suite/SimClock.h"

#include <algorithm>

namespace kest {

bool VirtualClock::reached(double end) {
    now_ = std::max(now_, end);
    return true;
}

void VirtualClock::advance(double seconds) {
    if (seconds > 0) now_ += seconds;
}

RealClock::RealClock(double timeScale)
    : timeScale_(timeScale > 0 ? timeScale : 1.0), start_(std::chrono::steady_clock::now()) {}

double RealClock::now() const {
    const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - start_;
    return wall.count() / timeScale_;
}

}  // namespace kest
