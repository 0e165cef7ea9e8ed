// The suite as the program runs on it: the simulated microprobe counting on a specimen, the
// documents and the computation together.

#include "FakeAcquisition.h"

#include "acquisition/PointAcquisition.h"
#include "suite/SuiteInstance.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <string>

namespace kest {
namespace {

// Fe on spectrometer 1 (a step) and Ni on spectrometer 2 (a gradient), dead time 3 us, quiet.
TEST(SimulatedInstrument, AnAcquiredPointStoresTheSpecimenToWithinOneCount) {
    SuiteConfig config;
    config.instrument.clock = InstrumentConfig::Clock::Virtual;
    config.instrument.noise = false;
    config.instrument.dead_time_us = 3;
    config.setup.elements = {{26, 1, "Fe", true, 100.0, 5000.0, 20.0}, {28, 2, "Ni", true, 100.0, 8000.0, 35.0}};
    config.specimen.elements[26] = {SpecimenProfile::Shape::Step, {{0, 90.0}, {250, 60.0}}};
    config.specimen.elements[28] = {SpecimenProfile::Shape::Linear, {{0, 10.0}, {500, 40.0}}};
    QTemporaryDir home;
    SuiteInstance instance(config, {home.path().toStdString(), home.path().toStdString()});
    Suite& suite = instance.suite();
    ProfileState state;
    std::string key = "DbScan01", path;
    ASSERT_NE(suite.db.KestDbObjectNew(key, 1, 0), 0);
    ASSERT_GT(suite.db.KestDbReset(key, path, 80), 0);
    state.DocKey = key;
    state.NbElt = 2;
    state.ElementTable[0] = EltEntry{.position = 0, .symbol = {}, .atomicNumber = 26, .standardName = "Fe", .spectrometer = 1};
    state.ElementTable[1] = EltEntry{.position = 1, .symbol = {}, .atomicNumber = 28, .standardName = "Ni", .spectrometer = 2};
    state.SpectroTable[0].used = state.SpectroTable[1].used = kTrue;
    fakes::FakeAcquisitionView window;
    SleepingPacer pacer;  // the virtual clock never keeps it waiting
    PointAcquisition acquisition(state, suite, window, pacer);

    int16_t point = 0;
    for (const int32_t x : {0, 120, 249, 250, 480, 900}) {
        SCOPED_TRACE("x = " + std::to_string(x));
        suite.db.KestDbAddPt(key, 0, 0, 0);
        acquisition.acquire({.point = point, .x = std::to_string(x), .y = "0", .time = "10", .countOption = 0, .pattern = "0", .label = "P"});
        for (const auto& [z, standardCps] : {std::pair{26, 5000.0}, {28, 8000.0}}) {
            ComputeResult result;
            suite.db.KestDbEltGetComputeRes(key, z, kByAtomicNumber, point, result);
            const double oneCount = 1.001 * 100.0 / 10.0 / standardCps;  // one count in 10 s, with the floats' rounding
            EXPECT_NEAR(result.field[0] * 100.0, config.specimen.percentAt(z, x), oneCount) << "Z = " << z;
        }
        int32_t storedX = 0, y = 0, third = 0;
        suite.db.KestDbGetStagePos(key, point++, storedX, y, third);
        EXPECT_EQ(storedX, x);
    }
    EXPECT_TRUE(window.messages.empty());
}

}  // namespace
}  // namespace kest
