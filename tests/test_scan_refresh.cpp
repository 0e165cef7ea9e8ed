// A scan brings the tables, the point list and the graph up to date with each point alone;
// what they show must be what a whole reload of the document shows.

#include "ScanOnSimulator.h"

#include "acquisition/ScanCommands.h"
#include "results/ResultLists.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kest {
namespace {

using fakes::FixedZone;
using fakes::QuietStep;
using fakes::ScanOnSimulator;
using fakes::VariableZone;

template <typename T>
std::vector<T> Prefix(const std::vector<T>& values, std::size_t rows) {
    return std::vector<T>(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(std::min(rows, values.size())));
}

struct Shown {
    std::vector<std::string> lines;
    std::vector<std::vector<ResultRecord>> results;
    std::vector<PointRecord> points;
    std::vector<std::vector<double>> chartX;  // drawn from the graph's arrays
    std::vector<std::vector<float>> chartY;
    std::vector<int> colours;
    std::string title;
};

// The first `rows` rows of everything the scan keeps up to date.
Shown ShownRows(const ScanOnSimulator& scan, std::size_t rows) {
    const ProfileState& state = scan.state;
    Shown shown;
    shown.lines = Prefix(scan.view.pointLines, rows);
    for (int e = 0; e < state.NbElt; ++e) shown.results.push_back(Prefix(state.ResultTable[std::size_t(e)], rows));
    shown.points = Prefix(state.PointTable, rows);
    const std::size_t plotted = std::min<std::size_t>(rows, std::size_t(std::max<int16_t>(state.Graph.count, 0)));
    const ChartValues& chart = scan.view.chart.values();
    if (chart.visible && rows >= 2) {
        for (const ChartSeries& series : chart.series) {
            shown.chartX.push_back(Prefix(series.x, plotted));
            shown.chartY.push_back(Prefix(series.y, plotted));
            shown.colours.push_back(series.colour);
        }
        shown.title = chart.title;
    }
    return shown;
}

// The rows the list shows against a whole reload of the document. While a new point waits
// for its count, the list does not show it yet: the rows before it are compared (the rows of
// the points waiting on the trial stack come after them).
void ExpectAsAfterReload(ScanOnSimulator& scan, const std::string& when) {
    SCOPED_TRACE(when);
    const std::size_t waiting = scan.state.Progress.running ? scan.state.TrialStack.size() : 0;
    const std::size_t rows = scan.view.pointLines.size() - waiting;
    ASSERT_GE(rows + 1, std::size_t(scan.state.NbPts));
    EXPECT_EQ(scan.view.chart.values().visible, rows >= 2 && scan.state.GraphSelectedOnly == 0);
    const Shown incremental = ShownRows(scan, rows);
    const int16_t measuring = scan.state.CurPnt;  // a reload chooses point 0; the scan measures its own
    ReloadPoints(scan.state, scan.suite().db, scan.view);
    scan.state.CurPnt = measuring;
    const Shown reloaded = ShownRows(scan, rows);
    EXPECT_EQ(incremental.lines, reloaded.lines);
    EXPECT_EQ(incremental.chartX, reloaded.chartX);
    EXPECT_EQ(incremental.chartY, reloaded.chartY);
    EXPECT_EQ(incremental.colours, reloaded.colours);
    EXPECT_EQ(incremental.title, reloaded.title);
    EXPECT_TRUE(incremental.points == reloaded.points);
    EXPECT_TRUE(incremental.results == reloaded.results);
}

TEST(ScanRefresh, EachPointShowsWhatAWholeReloadShows) {
    struct Case {
        const char* name;
        std::vector<std::pair<double, double>> specimen;
        std::vector<ZoneRecord> zones;
        int16_t graphSelectedOnly;
    };
    const std::vector<Case> cases{
        {"fixed zones", {{0, 10.0}, {45, 20.0}}, {FixedZone(100, 10), FixedZone(60, 25)}, 0},
        // Trials wait on the stack at both steps and come back behind the finer points.
        {"variable zone with trials", {{0, 10.0}, {250, 20.0}, {610, 5.0}}, {VariableZone(1000, 10, 160, 1.0f), FixedZone(50, 50)}, 0},
        {"graph of the selected points", {{0, 10.0}, {250, 20.0}}, {VariableZone(600, 20, 160, 1.0f)}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScanOnSimulator scan(QuietStep(c.specimen));
        scan.state.GraphSelectedOnly = c.graphSelectedOnly;
        scan.setZones(c.zones);
        scan.beforeAcquisition = [&] { ExpectAsAfterReload(scan, "before point " + std::to_string(scan.state.CurPnt + 1)); };
        ScanNew(scan.state, scan.suite(), scan.view);
        ASSERT_GT(scan.state.NbPts, 5);
        ExpectAsAfterReload(scan, "after Scan New");
        ScanOld(scan.state, scan.suite(), scan.view);
        ExpectAsAfterReload(scan, "after Scan Old");
    }
}

}  // namespace
}  // namespace kest
