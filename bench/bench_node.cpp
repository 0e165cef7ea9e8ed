// What the network costs a scan: the software time per point of a 1,000-point scan on the
// virtual clock, five elements, through a SECoP node on the loopback address (the node on a
// thread of its own, as another program would serve it) and on the built-in simulator.
// Target: at most 2 ms per point through the node.

#include "NodeOnThread.h"
#include "ProcessorClock.h"
#include "ScanOnSimulator.h"

#include "acquisition/ScanCommands.h"
#include "secop/NodeClient.h"

#include <QApplication>

#include <chrono>
#include <cstdio>

using namespace kest;

namespace {

SuiteConfig FiveElements() {
    SuiteConfig config = fakes::QuietStep({{0, 10.0}, {5000, 20.0}});
    config.setup.elements.clear();
    int spectrometer = 1;
    for (const int z : {26, 24, 28, 14, 6}) config.setup.elements.push_back({.z = z, .spectrometer = spectrometer++});
    return config;
}

struct PerPoint {
    double processor = 0, wall = 0;  // ms; processor time counts the node's thread and the scan's
};

PerPoint Scan(const char* on, const SuiteInstance::MicroprobeMaker& makeProbe) {
    fakes::ScanOnSimulator scan(FiveElements(), makeProbe);
    scan.pointBound = 2000;
    scan.setZones({fakes::FixedZone(9990, 10)});  // 1 + 999 points
    const auto wallBegin = std::chrono::steady_clock::now();
    const auto begin = ProcessorClock::now();
    ScanNew(scan.state, scan.suite(), scan.view);
    const PerPoint cost{Milliseconds(ProcessorClock::now() - begin) / scan.state.NbPts,
                        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - wallBegin).count() /
                            scan.state.NbPts};
    if (!scan.view.messages.empty()) std::printf("  unexpected message: %s\n", scan.view.messages.front().c_str());
    std::printf("scan of %d points, 5 elements, virtual clock, %s: %.3f ms per point of processor time, %.3f ms of "
                "wall time\n", scan.state.NbPts, on, cost.processor, cost.wall);
    return cost;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const PerPoint builtIn = Scan("built-in simulator", nullptr);
    fakes::NodeOnThread node(FiveElements());
    const std::string address = node.address();
    const PerPoint remote = Scan("SECoP node on the loopback", [&](const SuiteConfig&) {
        return std::make_unique<secop::NodeClient>(address);
    });
    std::printf("  through the node: %.3f ms per point of processor time (target <= 2 ms), %.3f ms more than built in\n",
                remote.processor, remote.processor - builtIn.processor);
    return 0;
}
