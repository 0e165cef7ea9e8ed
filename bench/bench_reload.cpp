// What bringing the main window up to date costs for a 10,000-point, 5-element document:
// one new point added as a scan adds it (its rows in the tables, its line in the point list,
// its values in the graph, the chart drawn again and painted), the whole chart painted as a
// zoom paints it, and a whole reload of the document (tables, point list and graph), once
// with the lines only made, as the headless commands do, and once shown in the main window.
// Prints medians of processor time in milliseconds.

#include "ProcessorClock.h"
#include "ProgramOnDocuments.h"

#include "graph/ProfileGraph.h"
#include "results/ResultLists.h"
#include "results/ResultTables.h"
#include "shell/PrfMain.h"

#include <QApplication>
#include <QChartView>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

using namespace kest;

namespace {

constexpr int kPoints = 10000;
constexpr int kRuns = 15;

template <typename Work>
double MedianMilliseconds(Work&& work) {
    std::vector<double> times;
    for (int run = 0; run < kRuns; ++run) {
        const auto start = ProcessorClock::now();
        work();
        times.push_back(Milliseconds(ProcessorClock::now() - start));
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

std::vector<ElementSetup> FiveElements() {
    std::vector<ElementSetup> elements;
    for (const int z : {26, 24, 28, 14, 6}) elements.push_back({.z = z, .spectrometer = static_cast<int>(elements.size()) + 1});
    return elements;
}

void AddPoint(fakes::ProgramOnDocuments& p, std::string& key, int32_t point) {
    p.db.KestDbAddPt(key, 10 * point, 0, 0);
    p.db.KestDbSetAnaLabel(key, point, "Z01", 0);
    for (int32_t e = 0; e < 5; ++e) {
        p.db.KestDbEltSetMeasures(key, e, kByPosition, point, 1000.0f + point % 97, 0, 0, 0, 0);
        ComputeResult result;
        result.field[0] = 0.1f + 0.01f * float(e) + 0.001f * float(point % 89);
        p.db.KestDbEltSetComputeRes(key, e, kByPosition, point, result);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    fakes::ProgramOnDocuments p(FiveElements());
    std::string key = p.state.DocKey.str(), path;
    p.db.KestDbReset(key, path, 200);
    {
        const auto batch = p.db.batch(key);
        for (int32_t point = 0; point < kPoints; ++point) AddPoint(p, key, point);
    }
    p.state.NbElt = 5;
    for (int16_t e = 0; e < 5; ++e) p.state.ElementTable[std::size_t(e)].position = e;
    p.state.CurElt = 0;

    const double lines = MedianMilliseconds([&] { ReloadPoints(p.state, p.db, p.view); });
    PrfMain window(p.state, p.suite);
    window.resize(1100, 750);
    window.show();
    const double shown = MedianMilliseconds([&] {
        ReloadPoints(p.state, p.db, window);
        QApplication::processEvents();
    });
    // One new point at a time, as a scan adds it; what the acquisition stores is not counted.
    std::vector<double> added, updating;
    for (int run = 0; run < kRuns; ++run) {
        const int32_t next = p.state.NbPts;
        AddPoint(p, key, next);
        const auto start = ProcessorClock::now();
        ReloadPointRows(p.state, p.db, window, next, next + 1);
        const auto updated = ProcessorClock::now();
        QApplication::processEvents();
        const auto painted = ProcessorClock::now();
        updating.push_back(Milliseconds(updated - start));
        added.push_back(Milliseconds(painted - start));
    }
    std::sort(added.begin(), added.end());
    std::sort(updating.begin(), updating.end());
    // A new range of an axis, a zoom or a pan paints the whole chart.
    QWidget* chart = window.findChild<QChartView*>(QStringLiteral("Graph"))->viewport();
    const double repainted = MedianMilliseconds([&] { chart->repaint(); });
    std::printf("main window, %d points x 5 elements (median of %d):\n"
                "  one new point: %.3f ms (target <= 5 ms), of which %.3f ms bringing its table rows, list line and\n"
                "  graph values up to date and drawing the chart, the rest painting the window\n"
                "  the whole chart painted (a new range, a zoom, a pan): %.3f ms\n"
                "  whole reload: %.3f ms with the list lines made, %.3f ms shown in the main window\n",
                kPoints, kRuns, added[added.size() / 2], updating[updating.size() / 2], repainted, lines, shown);
    return int(p.view.pointLines.size()) == kPoints && window.findChild<QWidget*>(QStringLiteral("Graph"))->isVisible() ? 0 : 1;
}
