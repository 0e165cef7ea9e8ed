#pragma once
// Ticks of a chart axis at round values: an interval of 1, 2, 2.5 or 5 times a power of ten,
// at its multiples, labelled with as many decimals as that interval needs ("0.25", "1500"),
// at every zoom. The design's chart spread a fixed number of ticks over whatever range it
// had, which zoomed gave "70.06264425" and even unzoomed "1125".

namespace kest {

struct AxisTicks {
    double interval = 1.0;
    double first = 0.0;  // the first multiple of the interval at or above the low end
    int decimals = 0;
};

// The smallest round interval that puts at most `most` ticks (at least 2) between `low` and
// `high`.
AxisTicks RoundTicks(double low, double high, int most);

}  // namespace kest
