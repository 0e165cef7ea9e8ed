// What a scan costs the computer, and what the variable step buys.
//
// 1. A scan of 30,000 points in two fixed zones, 5 elements, on the virtual clock, as the
//    headless scan runs it: every point added, acquired, stored, computed and logged, and
//    the tables, point list and graph brought up to date after every point as the scan
//    driver does. Prints the software time per point around points 1,000, 10,000 and
//    30,000 (the targets: at most 0.5 ms each, the last at most 1.5 times the first) and
//    over the whole scan.
// 2. A sharp interface (10 % to 20 % at 5000 on a 10 000-unit line) scanned by one variable
//    zone, step min 10, step max 640: the points measured beside the 1001 of a fixed scan at
//    step 10, and how far from the true interface the finest bracket lies.

#include "ProcessorClock.h"
#include "ScanOnSimulator.h"

#include "acquisition/ScanCommands.h"

#include <QCoreApplication>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <vector>

using namespace kest;

using Clock = ProcessorClock;

namespace {

SuiteConfig FiveElements() {
    SuiteConfig config = fakes::QuietStep({{0, 10.0}});
    config.setup.elements.clear();
    int spectrometer = 1;
    for (const int z : {26, 24, 28, 14, 6}) config.setup.elements.push_back({.z = z, .spectrometer = spectrometer++});
    config.specimen.elements[24] = {SpecimenProfile::Shape::Linear, {{0, 2.0}, {10000, 18.0}}};
    return config;
}


void FixedScanCost() {
    fakes::ScanOnSimulator scan(FiveElements());
    scan.setZones({fakes::FixedZone(150000, 10), fakes::FixedZone(149990, 10)});  // 1 + 15,000 + 14,999 points
    std::vector<Clock::time_point> started;
    Clock::duration acquiring{};
    scan.view.acquisition = [&] {
        started.push_back(Clock::now());
        scan.acquisition.acquireCurrentPoint(scan.view);
        acquiring += Clock::now() - started.back();
    };
    const Clock::time_point begin = Clock::now();
    ScanNew(scan.state, scan.suite(), scan.view);
    const Clock::time_point end = Clock::now();
    started.push_back(end);

    const int points = static_cast<int>(started.size()) - 1;
    std::printf("fixed scan: %d points, %d elements, virtual clock, tables, list and graph after every point\n", points,
                scan.state.NbElt);
    std::vector<double> near;
    for (const int around : {1000, 10000, 30000}) {
        const int last = std::min(around, points), first = std::max(1, last - 199);  // 200 points ending there
        near.push_back(Milliseconds(started[std::size_t(last)] - started[std::size_t(first - 1)]) / (last - first + 1));
        std::printf("  points %5d-%5d: %.3f ms per point (target <= 0.5 ms)\n", first, last, near.back());
    }
    std::printf("  near 30,000 against near 1,000: %.2f times (target <= 1.5)\n", near.back() / near.front());
    std::printf("  whole scan: %.3f ms per point, of which %.3f ms acquiring and %.3f ms adding the point and\n"
                "  bringing the tables, list and graph up to date\n",
                Milliseconds(end - begin) / points, Milliseconds(acquiring) / points,
                Milliseconds(end - begin - acquiring) / points);
}

void AdaptiveEfficiency() {
    constexpr double kInterface = 5000;
    fakes::ScanOnSimulator scan(fakes::QuietStep({{0, 10.0}, {kInterface, 20.0}}));
    scan.setZones({fakes::VariableZone(10000, 10, 640, 1.0f)});
    ScanNew(scan.state, scan.suite(), scan.view);
    const std::vector<int32_t> x = scan.coordinates();
    // The interface lies between the last point below 15 % and the first above it.
    double found = NAN, bracket = NAN;
    for (std::size_t p = 1; p < x.size(); ++p) {
        if (scan.state.ResultTable[0][p - 1].conc < 15.0f && scan.state.ResultTable[0][p].conc >= 15.0f) {
            found = (x[p - 1] + x[p]) / 2.0;
            bracket = x[p] - x[p - 1];
        }
    }
    std::printf("sharp interface at %.0f, variable zone step 10..640 over 10000:\n", kInterface);
    std::printf("  %d points kept, %zu acquisitions, against 1001 for a fixed scan at step 10\n", scan.state.NbPts,
                scan.measured.size());
    std::printf("  interface found at %.1f, error %.1f, bracketed by points %.0f apart\n", found, found - kInterface, bracket);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    FixedScanCost();
    AdaptiveEfficiency();
    return 0;
}
