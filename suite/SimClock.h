#pragma once
// The time of the simulated instrument, in seconds since its power-on. A virtual clock moves
// only when an operation of the instrument is seen to finish, so a whole scan runs in
// moments; a real clock follows the wall clock, scaled so that a demonstration need not
// take as long as a real analysis.

#include <chrono>

namespace kest {

class SimClock {
public:
    virtual ~SimClock() = default;

    // Simulated seconds since the clock was made.
    virtual double now() const = 0;

    // Asked by a status poll about an operation that ends at simulated time `end`: true when
    // it has ended. A virtual clock jumps forward to `end` and so always answers true; a real
    // clock answers whether that time has come. Never waits.
    virtual bool reached(double end) = 0;
};

// Time advances only when told: by `advance`, or by a poll that lets an operation finish.
class VirtualClock : public SimClock {
public:
    double now() const override { return now_; }
    bool reached(double end) override;
    void advance(double seconds);

private:
    double now_ = 0.0;
};

// Wall time, scaled: a simulated duration d takes d * timeScale seconds of wall time.
class RealClock : public SimClock {
public:
    explicit RealClock(double timeScale);
    double now() const override;
    bool reached(double end) override { return now() >= end; }
    double timeScale() const { return timeScale_; }

private:
    double timeScale_;
    std::chrono::steady_clock::time_point start_;
};

}  // namespace kest
