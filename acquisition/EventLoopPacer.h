#pragma once
// The window program's pacer: between polls of the instrument the window's events run, so
// the stop button, repaints and moves of the window work while the counters count.

#include "acquisition/Pacer.h"

#include <QEventLoop>
#include <QTimer>

namespace kest {

class EventLoopPacer : public Pacer {
public:
    EventLoopPacer();

    // Runs the events for `upTo` in a local event loop, which sleeps while none comes.
    void letEventsRun(std::chrono::milliseconds upTo) override;
    void pause(std::chrono::milliseconds duration) override;
    Clock::time_point now() const override { return Clock::now(); }

private:
    QEventLoop loop_;
    QTimer wakeUp_;
};

}  // namespace kest
