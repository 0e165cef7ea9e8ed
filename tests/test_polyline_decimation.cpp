// The decimation a chart draws its series through: what it keeps of a column, and that a
// series brought up to date from its end keeps what the whole series taken afresh keeps.

#include "graph/PolylineDecimation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace kest {
namespace {

using Point = PolylineDecimation::Point;

PolylineDecimation Decimation(const std::vector<double>& x, const std::vector<float>& y, int columns) {
    PolylineDecimation decimation;
    decimation.setView(0.0, 10.0, columns);
    decimation.update(x, y, 0);
    return decimation;
}

TEST(PolylineDecimation, KeepsTheFirstLowestHighestAndLastPointOfEachColumn) {
    const struct {
        const char* name;
        std::vector<double> x;
        std::vector<float> y;
        std::vector<Point> kept;
    } cases[] = {
        {"a short run whole", {0.1, 0.2, 0.3, 5.0}, {1, 3, 2, 4}, {{0.1, 1}, {0.2, 3}, {0.3, 2}, {5.0, 4}}},
        {"a long run", {0.1, 0.2, 0.3, 0.4, 0.5, 0.6}, {5, 9, 1, 4, 6, 2}, {{0.1, 5}, {0.2, 9}, {0.3, 1}, {0.6, 2}}},
        {"lowest before highest", {0.1, 0.2, 0.3, 0.4, 0.5}, {5, 1, 4, 9, 2}, {{0.1, 5}, {0.2, 1}, {0.4, 9}, {0.5, 2}}},
        // Left of the view every point falls in one column, however far out.
        {"beyond the view", {-9, -5, -1, -0.5, -0.1, 3}, {1, 2, 3, 4, 5, 6}, {{-9, 1}, {-0.1, 5}, {3, 6}}},
        {"back and forth", {0.1, 5.0, 0.2, 5.1}, {1, 2, 3, 4}, {{0.1, 1}, {5.0, 2}, {0.2, 3}, {5.1, 4}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Decimation(c.x, c.y, 10).points(), c.kept);
    }
}

// A scan adds points, takes the last one away and puts points back, always at the end; a
// Scan Old measures a point anywhere.
TEST(PolylineDecimation, BroughtUpToDateItKeepsWhatTheWholeSeriesKeeps) {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> step(0.0, 0.05);
    std::uniform_real_distribution<float> value(0.0f, 20.0f);
    std::vector<double> x;
    std::vector<float> y;
    PolylineDecimation decimation;
    decimation.setView(0.0, 10.0, 40);
    std::vector<PolylineDecimation::Point> drawn;
    for (int change = 0; change < 2000; ++change) {
        std::size_t from = x.size();
        const int kind = static_cast<int>(random() % 10);
        if (kind == 0 && !x.empty()) {
            x.pop_back();
            y.pop_back();
            from = x.size();
        } else if (kind == 1 && !x.empty()) {
            from = random() % x.size();
            y[from] = value(random);
        } else {
            x.push_back((x.empty() ? 0.0 : x.back()) + step(random));
            y.push_back(value(random));
        }
        decimation.update(x, y, from);
        drawn.resize(decimation.rewrittenFrom());  // as the chart keeps what it drew and takes the rest
        drawn.insert(drawn.end(), decimation.points().begin() + static_cast<std::ptrdiff_t>(decimation.rewrittenFrom()),
                     decimation.points().end());
        ASSERT_EQ(drawn, decimation.points()) << "change " << change;
        const PolylineDecimation whole = Decimation(x, y, 40);
        ASSERT_EQ(decimation.points(), whole.points()) << "change " << change;
        ASSERT_EQ(decimation.pointsInView(), whole.pointsInView()) << "change " << change;
    }
    EXPECT_GT(x.size(), 1000u);
    EXPECT_EQ(decimation.pointsInView(), std::size_t(std::count_if(x.begin(), x.end(), [](double v) { return v < 10.0; })));
    EXPECT_LT(decimation.points().size(), 4u * 42u);
}

}  // namespace
}  // namespace kest
