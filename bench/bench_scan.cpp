// What a scan costs the computer, and what the variable step buys.
//
// 1. A scan of 1000 points in two fixed zones, 5 elements, on the virtual clock, as the
//    headless scan runs it: every point added, acquired, stored, computed and logged, and
//    the tables and point list reloaded after every point as the scan driver does. Prints
//    the software time per point around points 100, 500 and 1000 and over the whole scan.
// 2. A sharp interface (10 % to 20 % at 5000 on a 10 000-unit line) scanned by one variable
//    zone, step min 10, step max 640: the points measured beside the 1001 of a fixed scan at
//    step 10, and how far from the true interface the finest bracket lies.

#include "ScanOnSimulator.h"

#include "acquisition/ScanCommands.h"

#include <QCoreApplication>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <vector>

using namespace kest;
using Clock = std::chrono::steady_clock;

namespace {

SuiteConfig FiveElements() {
    SuiteConfig config = fakes::QuietStep({{0, 10.0}});
    config.setup.elements.clear();
    int spectrometer = 1;
    for (const int z : {26, 24, 28, 14, 6}) config.setup.elements.push_back({.z = z, .spectrometer = spectrometer++});
    config.specimen.elements[24] = {SpecimenProfile::Shape::Linear, {{0, 2.0}, {10000, 18.0}}};
    return config;
}

double Milliseconds(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

void FixedScanCost() {
    fakes::ScanOnSimulator scan(FiveElements());
    scan.setZones({fakes::FixedZone(5000, 10), fakes::FixedZone(4990, 10)});  // 1 + 500 + 499 points
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
    std::printf("fixed scan: %d points, %d elements, virtual clock, reloads after every point\n", points, scan.state.NbElt);
    for (const int around : {100, 500, 1000}) {
        const int last = std::min(around, points), first = std::max(1, last - 49);  // 50 points ending there
        std::printf("  points %4d-%4d: %.3f ms per point\n", first, last,
                    Milliseconds(started[std::size_t(last)] - started[std::size_t(first - 1)]) / (last - first + 1));
    }
    std::printf("  whole scan: %.3f ms per point (target < 2 ms), of which %.3f ms acquiring and %.3f ms adding,\n"
                "  reloading and listing\n",
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
