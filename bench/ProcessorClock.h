#pragma once
// The processor time of the benchmark's process (user and system): other work on the
// machine does not count, and on the virtual clock the program never waits.

#include <chrono>
#include <cstdint>
#include <ctime>

struct ProcessorClock {
    using duration = std::chrono::nanoseconds;
    using time_point = std::chrono::time_point<ProcessorClock, duration>;
    static time_point now() {
        timespec t{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
        return time_point(duration(std::int64_t{t.tv_sec} * 1000000000 + t.tv_nsec));
    }
};

inline double Milliseconds(ProcessorClock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }
