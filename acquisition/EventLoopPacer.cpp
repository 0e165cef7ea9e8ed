#include "acquisition/EventLoopPacer.h"

#include <QCoreApplication>

#include <thread>

namespace kest {

EventLoopPacer::EventLoopPacer() {
    wakeUp_.setSingleShot(true);
    wakeUp_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&wakeUp_, &QTimer::timeout, &loop_, &QEventLoop::quit);
}

void EventLoopPacer::letEventsRun(std::chrono::milliseconds upTo) {
    if (upTo.count() <= 0) {
        QCoreApplication::processEvents();
        return;
    }
    wakeUp_.start(upTo);
    loop_.exec();
}

void EventLoopPacer::pause(std::chrono::milliseconds duration) { std::this_thread::sleep_for(duration); }

}  // namespace kest
