// The suite as the program runs on it: the simulated microprobe counting on a specimen, the
// documents and the computation together.

#include "ScanOnSimulator.h"

#include "acquisition/ScanCommands.h"

#include <gtest/gtest.h>

namespace kest {
namespace {

// Fe on spectrometer 1 (a step) and Ni on spectrometer 2 (a gradient), dead time 3 us, quiet;
// every point is counted for 1 s.
TEST(SimulatedInstrument, AnAcquiredPointStoresTheSpecimenToWithinOneCount) {
    SuiteConfig config = fakes::QuietStep({{0, 90.0}, {250, 60.0}});
    config.instrument.dead_time_us = 3;
    config.setup.elements.push_back({28, 2, "Ni", true, 100.0, 8000.0, 35.0});
    config.specimen.elements[28] = {SpecimenProfile::Shape::Linear, {{0, 10.0}, {500, 40.0}}};
    fakes::ScanOnSimulator scan(config);
    scan.setZones({fakes::FixedZone(900, 125)});
    ScanNew(scan.state, scan.suite(), scan.view);
    ASSERT_EQ(scan.coordinates(), (std::vector<int32_t>{0, 125, 250, 375, 500, 625, 750, 875, 900}));
    for (int p = 0; p < scan.state.NbPts; ++p) {
        for (const auto& [e, z, standardCps] : {std::tuple{0, 26, 5000.0}, {1, 28, 8000.0}}) {
            const double oneCount = 1.001 * 100.0 / standardCps;  // with the floats' rounding
            EXPECT_NEAR(ResultAt(scan.state, e, p).conc, config.specimen.percentAt(z, scan.coordinates()[p]), oneCount) << p << " " << z;
        }
    }
    EXPECT_TRUE(scan.view.messages.empty());
}

}  // namespace
}  // namespace kest
