// The acquisition of one point on recording fakes: the instrument calls in their order, the
// pattern points, the repeats of the counts, the corrections, the exits and the log.

#include "FakeAcquisition.h"
#include "ProgramOnFakes.h"

#include "acquisition/CountCorrections.h"
#include "acquisition/PointAcquisition.h"
#include "acquisition/ScanCommands.h"
#include "acquisition/StageMotion.h"
#include "results/CountingStatistics.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <deque>

namespace kest {
namespace {

// Fe on spectrometer 1 of a two-spectrometer instrument; spectrometer 2 is not used and
// holds the rate 123 from an earlier acquisition. The point stands at (1500, -2500).
struct Acquisition : fakes::ProgramOnFakes {
    fakes::FakeAcquisitionView window;
    fakes::FakePacer pacer;
    PointAcquisition acquisition{state, fake.suite, window, pacer};
    PointInputs inputs{.point = 0, .x = "1500", .y = "-2500", .time = "8", .countOption = 0, .pattern = "0", .label = "Z01     "};

    Acquisition() {
        state.NbElt = 1;
        state.ElementTable[0] = EltEntry{.position = 0, .symbol = {}, .atomicNumber = 26, .standardName = "Fe", .spectrometer = 1,
                                       .standardCurrent = 20.0f};
        state.SpectroTable[0] = {0.0f, kTrue};
        state.SpectroTable[1] = {123.0f, kFalse};
        fake.db.elements = {fakes::FakeElement{}};
        fake.db.points = {fakes::FakePoint{1500, -2500, 7, "Z01", {}, {}}};
        fake.db.spectrometers = 2;
        fake.probe.counts = {1000, 1000, 1000, 1000, 1000};  // still 1000 after the dead-time correction of 8 s counts
        fake.probe.elapsed = 8.0f;
    }
    void acquire() { acquisition.acquire(inputs); }
};

const std::vector<std::string> kMoveTo1500{"KestBacklashStage(1)", "KestBacklashStage(2)", "KestLoadStageAbs(1, 1500)",
                                         "KestLoadStageAbs(2, -2500)", "KestStartStage(0)", "KestReadStageStatus(1, 0)",
                                         "KestReadStageStatus(2, 0)"};

std::vector<std::string> Joined(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

TEST(Acquisition, OneCountAtOnePointCallsInOrderAndLeavesTheUnusedSpectrometerAlone) {
    Acquisition a;
    a.acquire();
    const std::vector<std::string> expected = Joined({
        {"KestPrintfVB(mp =  0 ***********************************\n\r)"},
        kMoveTo1500,
        {"KestGetNbSpectros()", "KestReadXtal(1)", "KestReadPha(1, LIF, 2)", "KestGetReadBeamCurrentExist()",
         "KestReadCurrent()", "KestGetFaradayCupExist()", "KestSetFaraday(0)", "KestLoadCounter(0, 8, 0)",
         "KestReadCurrent()", "KestStartTimer(0)", "KestReadSpectroStatus(1, 0)", "KestReadTimer(1)", "KestReadCounter(1)",
         "KestGetReadBeamCurrentExist()", "KestReadCurrent()",
         "KestPrintfVB(np =  1 sp = 1 nbcounts =  1000 cps =  125 Beam Current correction =  1\n\r)",
         "KestPrintfVB(np =  1 sp = 1 nc = 1 cp =  0 khict =  0 cps =  125\n\r)"},
        kMoveTo1500,
        {"KestDbEltGetMeasures(        , 26, 0, 0)", "KestDbEltGetBcAv(        , 26, 0)",
         "KestDbEltGetSpectroPositions(        , 26, 0)", "KestDbEltSetMeasures(        , 26, 0, 0, 125, 0, 20, 0, 20)",
         "KestComputeQti(        , 0, -1, 0)", "KestDbGetStagePos(        , 0)",
         "KestDbSetStagePos(        , 0, 1500, -2500, 7)", "KestDbSetAnaLabel(        , 0, Z01     , 0)",
         "KestDbSetPointStatus(        , 0, 1)"},
    });
    EXPECT_EQ(a.fake.journal, expected);
    EXPECT_EQ(std::pair(a.state.SpectroTable[0].rate, a.state.SpectroTable[1].rate), std::pair(125.0f, 123.0f));
    EXPECT_EQ(std::tuple(a.window.counting, a.window.lx, a.window.ly, a.window.messages.size()),
              std::tuple(std::vector<bool>{true, false}, "    1500", "   -2500", std::size_t{0}));
}

TEST(Acquisition, PatternPointsLieAcrossTheProfileAndTheStageComesBack) {
    struct Case { int16_t axis, points; std::vector<std::string> targets; };
    const Case cases[] = {
        {1, 3, {"1500, -2500", "1500, 13883", "1500, -18883", "1500, -2500"}},
        {2, 5, {"1500, -2500", "17883, -2500", "-14883, -2500", "34266, -2500", "-31266, -2500", "1500, -2500"}},
    };
    for (const Case& c : cases) {
        Acquisition a;
        a.state.Ax = c.axis, a.state.Mp = c.points;
        a.inputs.pattern = "16383.9";  // the spacing is the whole part: twice it still fits 16 bits
        a.inputs.countOption = 1;
        a.acquire();
        std::vector<std::string> targets;
        const auto loads = a.fake.probe.named("KestLoadStageAbs");
        for (std::size_t i = 0; i + 1 < loads.size(); i += 2)
            targets.push_back(loads[i].substr(20, loads[i].size() - 21) + ", " + loads[i + 1].substr(20, loads[i + 1].size() - 21));
        EXPECT_EQ(std::tuple(targets, a.state.Dm, a.fake.probe.count("KestReadCounter")), std::tuple(c.targets, 16383, 5 * c.points));
    }
}

// Counts that never pass (1000 and 2998 in turn) at pattern point `failing` of `mp`, those of
// the others passing at once: with the statistics on they are counted again up to the 60th
// test, and the point is flagged chi2 whichever pattern point failed. The point is stored.
TEST(Acquisition, CountsThatNeverPassAreRepeatedToTheSixtiethTestAndFlaggedWhenTheStatisticsAreOn) {
    struct Case { int16_t statistics, mp; int failing, reads, tests; std::vector<std::string> messages; };
    const Case cases[] = {{kFalse, 1, 0, 5, 1, {}}, {kTrue, 1, 0, 5 + 59, 60, {"Contamination Error"}},
                          {kTrue, 3, 0, 64 + 2 * 5, 62, {"Contamination Error"}}, {kTrue, 3, 2, 2 * 5 + 64, 62, {"Contamination Error"}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "statistics " << c.statistics << ", pattern point " << c.failing << " of " << c.mp);
        Acquisition a;
        a.state.StatisticEnable = c.statistics;
        a.state.Mp = c.mp;
        a.inputs.countOption = 1;
        const int first = 5 * c.failing;  // the failing pattern point's first read
        a.fake.probe.countAt = [first](int32_t, int read) { return read >= first && read < first + 64 && read % 2 ? 2998 : 1000; };
        a.acquire();
        EXPECT_EQ(std::pair(a.fake.probe.count("KestReadCounter"), a.window.messages), std::pair(c.reads, c.messages));
        const auto tests = std::count_if(a.fake.log.lines.begin(), a.fake.log.lines.end(),
                                         [](const std::string& l) { return l.find(" cp = ") != std::string::npos && l.find(" khict =  9.488 ") != std::string::npos; });
        EXPECT_EQ(tests, c.tests);
        EXPECT_EQ(std::pair(a.state.SpectroTable[0].passed, a.state.SpectroTable[0].flags), std::pair(c.statistics == kFalse, c.statistics ? kFlagChi2 : 0));
        EXPECT_EQ(a.fake.db.points[0].label, "Z01     ");  // the acquisition went on to the end
        EXPECT_GT(a.state.SpectroTable[0].rate, 0.0f);
    }
}

// The currents are read at the pattern point's start, then before and after the count; the
// rate is brought to the current the element's standard was measured at, whatever the scan.
TEST(Acquisition, CountsAreCorrectedForTheirOwnDeadTimeOnTheirRateAndToTheStandardsCurrent) {
    struct Case { float deadTimeUs; Status beamReadable; float standard; std::deque<float> currents; float seconds; double rate; float current; };
    const Case cases[] = {
        {2, 0, 20, {}, 1, 1002, 0},                 // no reading: f = 1; 1000 / (1 - 0.002), to the whole count
        {0, 0, 20, {}, 1, 1002, 0},                 // no dead time: 2 microseconds, and a message
        {2, 0, 20, {}, 0.5f, 2008, 0},              // on the rate: 2000 / (1 - 0.004)
        {10, 1, 20, {20, 10, 10}, 1, 2020, 10},     // f = 20 / 10; 1000 / (1 - 0.01) x 2
        {2, 1, 20, {20, 19, 21}, 1, 1002, 20},      // the mean of before and after
        {2, 1, 25, {20, 20, 20}, 1, 1253, 20},      // the standard's current, not the beam's first
        {2, 1, 20, {0, 10, 0}, 1, 4008, 5},         // f = 20 / 5
        {2, 1, 20, {20, 0, 0}, 1, 1002, 0},         // no current: not corrected
    };
    for (const Case& c : cases) {
        Acquisition a;
        a.state.ElementTable[0].standardCurrent = c.standard;
        a.fake.probe.deadTimeUs = c.deadTimeUs;
        a.fake.db.beamCurrentReadable = c.beamReadable;
        a.fake.probe.currents = c.currents;
        a.fake.probe.counts = {1000};
        a.inputs.time = std::to_string(c.seconds);
        a.fake.probe.elapsed = c.seconds;
        a.acquire();
        const SpectroRecord& counted = a.state.SpectroTable[0];
        SCOPED_TRACE(testing::Message() << c.deadTimeUs << " us, " << c.beamReadable << ", " << c.standard << " nA");
        EXPECT_EQ(std::tuple(double{counted.rate}, counted.current, counted.countingTime), std::tuple(c.rate, c.current, c.seconds));
        EXPECT_EQ(std::pair(a.fake.probe.named("KestReadCurrent").size(), a.window.messages.size()),
                  std::pair(std::size_t{c.beamReadable ? 3u : 0u}, std::size_t{c.deadTimeUs != 0.0f ? 0u : 1u}));
    }
}

// The numbers of a count and of a point's statistics, worked out by hand.
TEST(CountNumerics, CorrectionsAndStatisticsGiveTheHandComputedValues) {
    struct Rate { double counts, seconds, tau; std::optional<double> rate; };
    for (const Rate& c : {Rate{1000, 1, 2e-6, 1002.004008}, {10000, 10, 2e-6, 1002.004008}, {454545, 10, 2e-6, 49999.945},
                          {0, 1, 2e-6, 0.0}, {1000, 0, 2e-6, std::nullopt}, {600000, 1, 2e-6, std::nullopt}}) {
        const auto rate = DeadTimeCorrectedRate(c.counts, c.seconds, c.tau);  // (N / t) / (1 - tau N / t)
        ASSERT_EQ(rate.has_value(), c.rate.has_value()) << c.counts;
        EXPECT_NEAR(rate.value_or(0), c.rate.value_or(0), 1e-6 * c.rate.value_or(0)) << c.counts;
    }
    struct Beam { double reference, before, after, factor; };  // I_ref / ((I_before + I_after) / 2), else 1
    for (const Beam& c : {Beam{20, 20, 20, 1}, {20, 19, 21, 1}, {20, 10, 10, 2}, {25, 20, 30, 1}, {20, 0, 0, 1}, {0, 10, 10, 1}})
        EXPECT_EQ(BeamCurrentFactor(c.reference, c.before, c.after), c.factor) << c.reference << " " << c.before;
    EXPECT_EQ(std::tuple(StandardSensitivity(100, 5000), StandardSensitivity(12.5, 800), StandardSensitivity(100, 0)),
              std::tuple(0.02f, 0.015625f, 0.0f));
    // var R = f R (1 + tau R / f) / t: a rate's variance from a dead-time counter (Mueller
    // 1973), brought to the standard's current; no count is surer than one pulse.
    struct Variance { double rate, seconds, tau, factor; std::optional<double> variance; };
    for (const Variance& c : {Variance{1000, 1, 0, 1, 1000}, {1000, 10, 0, 1, 100}, {50000, 10, 2e-6, 1, 5500},
                              {200000, 10, 2e-6, 1, 28000}, {100000, 10, 2e-6, 2, 22000}, {0, 10, 2e-6, 1, 0.010000002},
                              {0, 10, 0, 2, 0.04}, {1000, 0, 0, 1, std::nullopt}, {1000, 1, 0, 0, std::nullopt}}) {
        const auto variance = CorrectedRateVariance(c.rate, c.seconds, c.tau, c.factor);
        ASSERT_EQ(variance.has_value(), c.variance.has_value()) << c.rate;
        EXPECT_NEAR(variance.value_or(0), c.variance.value_or(0), 1e-6 * c.variance.value_or(0)) << c.rate << " " << c.factor;
    }
    // sigma = sigma_R x |S|, LOD = 3 sigma_bg x |S|; statistics kept without sigma_R take a
    // Poisson law's, sqrt(R / t), at least one count's.
    EltEntry iron;
    iron.sensitivity = -0.02f, iron.backgroundCps = 20.0f;
    struct Percent { CountStatistics kept; float sigma, lod; };
    for (const Percent& c : {Percent{{10, 520, 0, 0, 2, 0, 5.0f, 1.5f, kFlagChi2}, 0.1f, 0.09f},
                             {{10, 520, 0, 0, 0, 1, 0, 0, 0}, 0.14422205f, 0.084852815f},
                             {{10, 0, 0, 0, 0, 1, 0, 0, 0}, 0.002f, 0.084852815f},
                             {{0, 0, 0, 0, 0, 0, 0, 0, 0}, 0, 0}}) {
        const CountStatistics s = WithPercentStatistics(iron, c.kept);
        EXPECT_FLOAT_EQ(s.sigma, c.sigma) << c.kept.rate;
        EXPECT_FLOAT_EQ(s.lod, c.lod) << c.kept.rate;
        EXPECT_EQ(s.flags, c.kept.flags);
    }
}

// The error exit: one message naming the point and the fault, the stage sent back, the
// point stored (but for a position the stage refuses) and a scan stopped.
TEST(Acquisition, AZeroStatusFromATestedCallEndsInTheErrorExit) {
    struct Case { std::string call, fault; };
    const std::string failed = "The microprobe call ";
    const Case cases[] = {{"KestLoadCounter", failed + "KestLoadCounter failed."},
                          {"KestStartTimer", failed + "KestStartTimer failed."},
                          {"KestReadSpectroStatus", failed + "KestReadSpectroStatus failed on spectrometer 1."},
                          {"KestReadTimer", failed + "KestReadTimer failed on spectrometer 1."},
                          {"KestReadCurrent", failed + "KestReadCurrent failed."},
                          {"KestReadCounter", failed + "KestReadCounter failed on spectrometer 1."},
                          {"KestBacklashStage", failed + "KestBacklashStage failed on axis 1."},
                          {"KestStartStage", failed + "KestStartStage failed."},
                          {"KestReadStageStatus", failed + "KestReadStageStatus failed on axis 1."},
                          {"KestLoadStageAbs", "The stage cannot reach X = 1500. The point is not stored."},
                          {"KestReadXtal", failed + "KestReadXtal failed on spectrometer 1."},
                          {"KestReadPha", failed + "KestReadPha failed on spectrometer 1."},
                          {"KestSetFaraday", failed + "KestSetFaraday failed."}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.call);
        Acquisition a;
        a.fake.probe.answers[c.call] = 0;
        a.acquire();
        const bool unreached = c.call == "KestLoadStageAbs";
        EXPECT_EQ(a.window.messages, std::vector<std::string>{"Acquire Error ! Point 1 (X 1500, Y -2500): " + c.fault});
        EXPECT_EQ(std::tuple(a.state.SpectroTable[0].rate, a.state.ScanStop, a.state.PointUnreached), std::tuple(0.0f, kTrue, unreached ? kTrue : kFalse));
        EXPECT_EQ(a.fake.probe.named("KestBacklashStage").size(), c.call == "KestBacklashStage" ? 2u : 4u);  // sent back
        EXPECT_EQ(a.fake.db.named("KestDbSetAnaLabel").size(), unreached ? 0u : 1u);
        EXPECT_EQ(a.fake.db.points[0].status, unreached ? PointStatus::None : PointStatus::Failed);
    }
}

TEST(Acquisition, StopDuringAWaitMovesBackAndStoresWithoutAMessage) {
    Acquisition a;
    a.fake.probe.counterBusyPolls = 3;
    a.pacer.duringWait = [&a] { a.acquisition.requestStop(); };
    a.acquire();
    // No poll after the stop; the stage sent back.
    EXPECT_EQ(std::tuple(a.window.messages.size(), a.fake.probe.count("KestReadSpectroStatus"), a.fake.probe.count("KestStartStage")),
              std::tuple(std::size_t{0}, 1, 2));
    EXPECT_EQ(std::pair(bool{a.window.counting.back()}, a.fake.db.points[0].status), std::pair(false, PointStatus::Stopped));
}

TEST(Acquisition, LogLinesOfAWholeAcquisition) {
    // Spectrometers 1 and 3 count five times; the first count of spectrometer 1 is twice the
    // others, so the first test fails and one count more replaces it.
    Acquisition a;
    a.fake.db.spectrometers = 3;
    a.state.SpectroTable[2].used = kTrue;
    a.state.StatisticEnable = kTrue;
    a.inputs.countOption = 1;
    a.fake.probe.countAt = [](int32_t sp, int read) { return sp == 1 && read == 0 ? 1999 : 1000; };
    a.acquire();
    const std::string first = "np =  1 sp = 1 nbcounts =  1000 cps =  125 Beam Current correction =  1\n\r";
    const std::string third = "np =  1 sp = 3 nbcounts =  1000 cps =  125 Beam Current correction =  1\n\r";
    std::vector<std::string> expected{"mp =  0 ***********************************\n\r",
                                      "np =  1 sp = 1 nbcounts =  2000 cps =  250 Beam Current correction =  1\n\r", third};
    for (int k = 2; k <= 5; ++k) expected.insert(expected.end(), {first, third});
    expected.insert(expected.end(), {
        "np =  1 sp = 1 nc = 5 cp =  666.4667 khict =  9.488 cps =  150\n\r",  // over 1200 (1 + tau 150)
        "np =  1 sp = 3 nc = 5 cp =  0 khict =  9.488 cps =  125\n\r",
        "np =  1 sp = 1 nc = 6 nbcounts =  1000 cps =  125 Beam Current correction =  1\n\r",
        "np =  1 sp = 3 nc = 6 nbcounts =  1000 cps =  125 Beam Current correction =  1\n\r",
        "np =  1 sp = 1 nc = 6 cp =  0 khict =  9.488 cps =  125\n\r",
        "np =  1 sp = 3 nc = 6 cp =  0 khict =  9.488 cps =  125\n\r",
    });
    EXPECT_EQ(a.fake.log.lines, expected);
}

TEST(Acquisition, TextsThatAreNotNumbersStoreNoUndefinedRate) {
    struct Case { const char* x; const char* time; int moves, positionStores; };
    const Case cases[] = {{"1500", "abc", 2, 1},   // no counting time: elapsed 0, no rate
                          {"east", "8", 0, 0}};    // no position: the stage stays, the position is kept
    for (const Case& c : cases) {
        Acquisition a;
        a.state.SpectroTable[0].rate = 77.0f;
        a.inputs.x = c.x, a.inputs.time = c.time;
        if (std::string(c.time) == "abc") a.fake.probe.elapsed = 0.0f;
        a.acquire();
        EXPECT_EQ(a.state.SpectroTable[0].rate, std::string(c.time) == "abc" ? 77.0f : 125.0f);
        EXPECT_EQ(std::tuple(a.fake.probe.count("KestStartStage"), a.fake.db.count("KestDbSetStagePos"), a.fake.db.points[0].label,
                             a.window.messages.size()), std::tuple(c.moves, c.positionStores, "Z01     ", std::size_t{0}));
    }
}

// A stage that reports busy is waited for as long as it moves, past the time-out; one that
// stands still for the time-out is given up with a message naming the axis.
struct CrawlingStage : fakes::FakeMicroprobe {
    int32_t crawled = 0;
    Status KestReadStagePos(int32_t axis, int32_t& at) override {
        FakeMicroprobe::KestReadStagePos(axis, at);
        at += ++crawled;
        return 1;
    }
};

TEST(StageMotion, AStageThatMovesIsWaitedForPastTheTimeOut) {
    fakes::ProgramOnFakes p;
    fakes::FakeAcquisitionView window;
    fakes::FakePacer pacer;
    CrawlingStage stage;
    stage.stageBusyPolls = 2000;  // 10 s of polls, five time-outs
    p.state.StageTimeoutSeconds = 2.0;
    EXPECT_FALSE(MoveStage(p.state, stage, window, pacer, 100, -200));
    EXPECT_EQ(std::chrono::duration_cast<std::chrono::seconds>(pacer.time.time_since_epoch()).count(), 10);
    EXPECT_EQ(window.lx, "     100");
}

TEST(StageMotion, AStuckStageEndsTheAcquisitionThroughTheErrorExit) {
    Acquisition a;
    a.fake.probe.stageBusyPolls = 1'000'000;
    a.state.AutoAcquire = kTrue;  // in a scan
    a.acquire();
    EXPECT_EQ(a.window.messages, std::vector<std::string>{"Acquire Error ! Point 1 (X 1500, Y -2500): The stage's X axis has not "
                                                          "moved for 60 s and still reports busy. The scan stops here."});
    // Given up at the time-out; the stage sent back is not waited for.
    EXPECT_EQ(std::chrono::duration_cast<std::chrono::seconds>(a.pacer.time.time_since_epoch()).count(), 60);
    EXPECT_EQ(std::pair(a.fake.probe.named("KestLoadCounter").size(), a.fake.db.named("KestDbSetAnaLabel").size()), std::pair(std::size_t{0}, std::size_t{1}));
}

TEST(ScanPoint, OpensTheWindowOnTheRowWithTheFocusAfterComputingAll) {
    struct Case { int16_t curElt; int row; bool opened; };
    for (const Case& c : {Case{-1, 0, false}, Case{0, -1, false}, Case{0, 2, true}}) {
        fakes::ProgramOnFakes p;
        p.fake.db.points.assign(3, fakes::FakePoint{});
        p.state.CurElt = c.curElt, p.state.AutoAcquire = kTrue;
        p.view.currentPoint = c.row;
        std::vector<std::string> before;
        int16_t point = -2;  // no window opened
        p.view.acquisition = [&] { before = p.fake.journal, point = p.state.CurPnt; };
        ScanPoint(p.state, p.fake.suite, p.view);
        EXPECT_EQ(point, c.opened ? 2 : -2);
        if (!c.opened) continue;
        EXPECT_EQ(std::pair(p.state.AutoAcquire, before), std::pair(kFalse, std::vector<std::string>{"KestComputeQti(        , -1, -1, 0)"}));
        EXPECT_EQ(p.view.pointLines.size(), 3u);  // the tables and the list reloaded
    }
}

}  // namespace
}  // namespace kest
