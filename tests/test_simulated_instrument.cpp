// The suite as the program runs on it: the simulated microprobe counting on a specimen, the
// documents and the computation together, and the main window starting on the built-in demo.

#include "FakeAcquisition.h"

#include "acquisition/PointAcquisition.h"
#include "shell/PrfMain.h"
#include "suite/SuiteInstance.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <utility>

namespace kest {
namespace {

SuiteConfig QuietCouple() {
    SuiteConfig config;
    config.instrument.clock = InstrumentConfig::Clock::Virtual;
    config.instrument.noise = false;
    config.instrument.dead_time_us = 3;
    config.setup.elements = {
        {26, 1, "Fe", true, 100.0, 5000.0, 20.0},
        {28, 2, "Ni", true, 100.0, 8000.0, 35.0},
    };
    config.specimen.axis = 1;
    config.specimen.elements[26] = {SpecimenProfile::Shape::Step, {{0, 90.0}, {250, 60.0}}};
    config.specimen.elements[28] = {SpecimenProfile::Shape::Linear, {{0, 10.0}, {500, 40.0}}};
    return config;
}

ProgramFolders FoldersIn(const QTemporaryDir& dir) {
    const std::filesystem::path home = dir.path().toStdString();
    return {home, home};
}

// Fe on spectrometer 1 and Ni on spectrometer 2 of the quiet couple, in a new document.
void SetUpCouple(ProfileState& state, Suite& suite) {
    std::string key = "DbScan01", path;
    ASSERT_NE(suite.db.KestDbObjectNew(key, 1, 0), 0);
    ASSERT_GT(suite.db.KestDbReset(key, path, 80), 0);
    state.DocKey = key;
    state.NbElt = 2;
    state.ElementTable[0] = EltEntry{.position = 0, .symbol = {}, .atomicNumber = 26, .standardName = "Fe", .spectrometer = 1};
    state.ElementTable[1] = EltEntry{.position = 1, .symbol = {}, .atomicNumber = 28, .standardName = "Ni", .spectrometer = 2};
    state.SpectroTable[0].used = state.SpectroTable[1].used = kTrue;
}

TEST(SimulatedInstrument, AnAcquiredPointStoresTheSpecimenToWithinOneCount) {
    QTemporaryDir home;
    SuiteInstance instance(QuietCouple(), FoldersIn(home));
    Suite& suite = instance.suite();
    ProfileState state;
    SetUpCouple(state, suite);
    fakes::FakeAcquisitionView window;
    SleepingPacer pacer;  // the virtual clock never keeps it waiting
    PointAcquisition acquisition(state, suite, window, pacer);

    constexpr float kSeconds = 10.0f;
    const std::array<std::pair<int, double>, 2> elements{{{26, 5000.0}, {28, 8000.0}}};  // standard cps
    int16_t point = 0;
    for (const int32_t x : {0, 120, 249, 250, 480, 900}) {
        SCOPED_TRACE("x = " + std::to_string(x));
        std::string key = state.DocKey.str();
        suite.db.KestDbAddPt(key, 0, 0, 0);
        acquisition.acquire({.point = point, .x = std::to_string(x), .y = "0", .time = "10", .countOption = 0, .pattern = "0", .label = "P"});
        for (const auto& [z, standardCps] : elements) {
            ComputeResult result;
            suite.db.KestDbEltGetComputeRes(key, z, kByAtomicNumber, point, result);
            const double oneCount = 1.001 * 100.0 / kSeconds / standardCps;  // one count, with the floats' rounding
            EXPECT_NEAR(result.field[0] * 100.0, instance.config().specimen.percentAt(z, x), oneCount) << "Z = " << z;
        }
        int32_t storedX = 0, y = 0, third = 0;
        suite.db.KestDbGetStagePos(key, point, storedX, y, third);
        EXPECT_EQ(storedX, x);
        ++point;
    }
    EXPECT_TRUE(window.messages.empty());
}

TEST(SimulatedInstrument, MainWindowStartsOnTheBuiltInDemo) {
    QTemporaryDir home;
    SuiteInstance instance(BuiltInDemo(), FoldersIn(home));
    ProfileState state;
    PrfMain window(state, instance.suite());
    window.startUp();

    const std::string caption = window.windowTitle().toStdString();
    EXPECT_EQ(caption.rfind("KestPlus [", 0), 0u) << caption;
    EXPECT_NE(caption.find(".ana]"), std::string::npos) << caption;
    std::string key = state.DocKey.str();
    EXPECT_EQ(instance.suite().db.KestDbNbElt(key), 3);
    EXPECT_TRUE(std::filesystem::exists(instance.database().workingFile(key)));
    window.close();
    EXPECT_FALSE(std::filesystem::exists(instance.database().workingFile(key)));
}

}  // namespace
}  // namespace kest
