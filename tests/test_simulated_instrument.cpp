// The suite as the program runs on it: the simulated microprobe counting on a specimen, the
// documents and the computation together, and the main window starting on the built-in demo.

#include "shell/PrfMain.h"
#include "suite/SuiteInstance.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>

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

// Counts `seconds` on spectrometer s as the acquisition does: the beam let through, the count
// started and waited for, and the dead-time loss corrected.
float MeasuredRate(Microprobe& probe, int32_t spectrometer, float seconds, int32_t deadTimeUs) {
    probe.KestSetFaraday(0);
    probe.KestLoadCounter(0, seconds, 0);
    probe.KestStartTimer(0);
    int32_t busy = 1;
    while (busy != 0) probe.KestReadSpectroStatus(spectrometer, 0, busy);
    float elapsed = 0;
    int32_t counts = 0;
    probe.KestReadTimer(spectrometer, elapsed);
    probe.KestReadCounter(spectrometer, counts);
    const double tau = deadTimeUs * 1e-6;
    const double corrected = std::nearbyint(counts / (1.0 - tau * counts));
    return static_cast<float>(corrected / elapsed);
}

void MoveStageTo(Microprobe& probe, int32_t x) {
    probe.KestBacklashStage(1);
    probe.KestLoadStageAbs(1, static_cast<float>(x));
    probe.KestStartStage(0);
    int32_t busy = 1;
    while (busy != 0) probe.KestReadStageStatus(1, 0, busy);
}

TEST(SimulatedInstrument, ComputationRecoversTheSpecimenToWithinOneCount) {
    QTemporaryDir home;
    SuiteInstance instance(QuietCouple(), FoldersIn(home));
    Suite& suite = instance.suite();
    std::string key = "DbScan01";
    ASSERT_NE(suite.db.KestDbObjectNew(key, 1, 0), 0);
    std::string path;
    ASSERT_GT(suite.db.KestDbReset(key, path, 80), 0);

    constexpr float kSeconds = 10.0f;
    const struct {
        int32_t x;
        int z;
        int32_t spectrometer;
        double standardCps;
    } cases[] = {{0, 26, 1, 5000}, {249, 26, 1, 5000}, {250, 26, 1, 5000}, {120, 28, 2, 8000},
                 {480, 28, 2, 8000}, {900, 28, 2, 8000}};
    int32_t point = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE("x = " + std::to_string(c.x) + ", Z = " + std::to_string(c.z));
        MoveStageTo(suite.probe, c.x);
        suite.db.KestDbAddPt(key, c.x, 0, 0);
        const float rate = MeasuredRate(suite.probe, c.spectrometer, kSeconds, 3);
        suite.db.KestDbEltSetMeasures(key, c.z, kByAtomicNumber, point, rate, 0, 0, 0, 0);
        ASSERT_NE(suite.comp.KestComputeQti(key, point, -1, 0), 0);

        ComputeResult result;
        suite.db.KestDbEltGetComputeRes(key, c.z, kByAtomicNumber, point, result);
        const double expected = instance.config().specimen.percentAt(c.z, c.x);
        const double oneCount = 100.0 / kSeconds / c.standardCps;  // weight percent of one count
        EXPECT_NEAR(result.field[0] * 100.0, expected, oneCount);
        ++point;
    }
    suite.db.KestDbObjectDelete(key);
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
