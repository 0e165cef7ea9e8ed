// How long the reload after a change of the document's points takes: the point and result
// tables read back and the point list rebuilt, for a 1000-point, 5-element document, once
// with the lines only made (as the headless commands do) and once shown in the main
// window's list and profile graph, rendered offscreen; and the graph alone, rebuilt and
// painted. Prints the median of several runs in milliseconds.

#include "ProgramOnDocuments.h"

#include "graph/ProfileGraph.h"
#include "results/ResultLists.h"
#include "results/ResultTables.h"
#include "shell/PrfMain.h"

#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

using namespace kest;

namespace {

constexpr int kPoints = 1000;
constexpr int kRuns = 15;

template <typename Work>
double MedianMilliseconds(Work&& work) {
    std::vector<double> times;
    for (int run = 0; run < kRuns; ++run) {
        const auto start = std::chrono::steady_clock::now();
        work();
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

std::vector<ElementSetup> FiveElements() {
    std::vector<ElementSetup> elements;
    for (const int z : {26, 24, 28, 14, 6}) elements.push_back({.z = z, .spectrometer = static_cast<int>(elements.size()) + 1});
    return elements;
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
        for (int32_t point = 0; point < kPoints; ++point) {
            p.db.KestDbAddPt(key, 10 * point, 0, 0);
            p.db.KestDbSetAnaLabel(key, point, "Z01", 0);
            for (int32_t e = 0; e < 5; ++e) p.db.KestDbEltSetMeasures(key, e, kByPosition, point, 1000.0f + point, 0, 0, 0, 0);
        }
    }
    p.state.NbElt = 5;
    for (int16_t e = 0; e < 5; ++e) p.state.ElementTable[std::size_t(e)].position = e;
    p.state.CurElt = 0;

    const double lines = MedianMilliseconds([&] {
        LoadPoints(p.state, p.db);
        LoadResults(p.state, p.db);
        ListPoints(p.state, p.suite.db, p.view);
    });
    PrfMain window(p.state, p.suite);
    window.resize(1100, 750);
    window.show();
    const double shown = MedianMilliseconds([&] {
        LoadPoints(p.state, p.db);
        LoadResults(p.state, p.db);
        ListPoints(p.state, p.suite.db, window);
        QApplication::processEvents();
    });
    const double graph = MedianMilliseconds([&] {
        RebuildProfileGraph(p.state, p.suite.db, window);
        window.findChild<QWidget*>(QStringLiteral("Graph"))->repaint();
    });
    std::printf("reload after a change, %d points x 5 elements: %.3f ms with the list lines made, "
                "%.3f ms shown in the main window, of which the graph rebuilt and painted %.3f ms (median of %d)\n",
                p.state.NbPts, lines, shown, graph, kRuns);
    return p.view.pointLines.size() == kPoints ? 0 : 1;
}
