#pragma once
// How the acquisition waits for the instrument between polls: it lets the window's events
// run (so the stop button works while counting), or pauses without them (stage moves), and
// it tells the time for the stage time-out. The window program lets Qt's events run; the
// headless commands sleep; the tests keep a time of their own.

#include <chrono>

namespace kest {

class Pacer {
public:
    using Clock = std::chrono::steady_clock;
    virtual ~Pacer() = default;

    // Runs the pending window events, waiting for more of them up to `upTo` (0: no wait).
    virtual void letEventsRun(std::chrono::milliseconds upTo) = 0;
    // Waits `duration` without running window events.
    virtual void pause(std::chrono::milliseconds duration) = 0;
    virtual Clock::time_point now() const = 0;
};

// Without a window: no events to run, the waits are sleeps.
class SleepingPacer : public Pacer {
public:
    void letEventsRun(std::chrono::milliseconds upTo) override;
    void pause(std::chrono::milliseconds duration) override;
    Clock::time_point now() const override { return Clock::now(); }
};

}  // namespace kest
