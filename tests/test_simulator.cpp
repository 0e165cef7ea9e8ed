// The simulated microprobe: counts, counting statistics and dead time, clocks, beam drift,
// Faraday cup, stage motion, refused arguments and injected faults.

#include "suite/SimulatedMicroprobe.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <functional>
#include <thread>
#include <vector>

using namespace kest;

namespace {

// Fe at 10 % below X = 250 and 20 % from there on; counted on spectrometer 1 at 5000 cps
// for pure Fe over a background of 20 cps. No noise, no dead time, no drift.
SuiteConfig QuietConfig() {
    SuiteConfig c;
    auto& i = c.instrument;
    i.spectrometers = 3;
    i.crystals = {"LIF", "PET", "TAP"};
    i.dead_time_us = 0;
    i.noise = false;
    i.stage_speed = 1000;
    i.stage_backlash = 20;
    i.stage_limits = {-5000, 5000};
    c.setup.elements = {{26, 1, "Fe", true, 100.0, 5000.0, 20.0}};
    c.specimen.elements[26] = SpecimenProfile{SpecimenProfile::Shape::Step, {{0, 10}, {250, 20}}};
    return c;
}

// Status polls and reads that must succeed; each gives its "out" value.
int32_t Busy(SimulatedMicroprobe& p, int32_t s) { int32_t b = -1; EXPECT_EQ(p.KestReadSpectroStatus(s, 0, b), 1); return b; }
int32_t StageBusy(SimulatedMicroprobe& p, int32_t a) { int32_t b = -1; EXPECT_EQ(p.KestReadStageStatus(a, 0, b), 1); return b; }
int32_t Counter(SimulatedMicroprobe& p, int32_t s) { int32_t c = -1; EXPECT_EQ(p.KestReadCounter(s, c), 1); return c; }
float Timer(SimulatedMicroprobe& p, int32_t s) { float t = -1; EXPECT_EQ(p.KestReadTimer(s, t), 1); return t; }

// One count on all spectrometers, polled until spectrometer `s` is idle; its counts.
int32_t CountOnce(SimulatedMicroprobe& probe, float seconds, int32_t s = 1) {
    EXPECT_EQ(probe.KestLoadCounter(0, seconds, 0), 1);
    EXPECT_EQ(probe.KestStartTimer(0), 1);
    for (int polls = 0; polls < 100 && Busy(probe, s); ++polls) {}
    return Counter(probe, s);
}

// A move of one axis as the program makes it; returns the status of the target's load.
Status MoveAxis(SimulatedMicroprobe& probe, int32_t axis, float target, bool backlash) {
    if (backlash) {
        EXPECT_EQ(probe.KestBacklashStage(axis), 1);
    }
    const Status loaded = probe.KestLoadStageAbs(axis, target);
    EXPECT_EQ(probe.KestStartStage(0), 1);
    return loaded;
}

}  // namespace

TEST(SimulatedMicroprobe, RateComesFromTheFirstElementOfTheSpectrometer) {
    SuiteConfig c = QuietConfig();
    c.setup.elements.push_back({28, 1, "Ni", true, 100.0, 9999.0, 99.0});  // second on spectrometer 1: unused
    c.setup.elements.push_back({24, 2, "Cr", true, 50.0, 4000.0, 7.0});    // absent from the specimen
    c.specimen.elements[24] = SpecimenProfile{SpecimenProfile::Shape::Linear, {{0, 0}, {1000, 10}}};
    struct Case {
        int axis;
        int32_t x, y;
        int spectrometer;
        double rate;
    };
    const Case cases[] = {
        {1, 0, 0, 1, 20 + 500},      {1, 300, 0, 1, 20 + 1000},  {1, -300, 0, 1, 20 + 500},
        {1, 500, 0, 2, 7 + 400},     {1, 0, 0, 3, 0},            // no element on spectrometer 3
        {2, 300, 0, 1, 20 + 500},    {2, 0, 300, 1, 20 + 1000},  // the specimen varies along Y
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(testing::Message() << "axis " << k.axis << " at " << k.x << "," << k.y << " s" << k.spectrometer);
        c.specimen.axis = k.axis;
        c.instrument.stage_position = {k.x, k.y, 0};
        c.instrument.faraday_cup = false;
        SimulatedMicroprobe probe(c);
        EXPECT_DOUBLE_EQ(probe.trueRate(k.spectrometer), k.rate);
        EXPECT_EQ(CountOnce(probe, 2.0f, k.spectrometer), std::lround(k.rate * 2));
    }
}

TEST(SimulatedMicroprobe, DeadTimeLossIsUndoneByTheCorrection) {
    struct Case {
        double standardCps;
        float seconds;
        int32_t deadTimeUs;
    };
    const Case cases[] = {
        {5000, 10, 0}, {5000, 10, 2}, {5000, 1, 1000}, {1e6, 1, 2}, {1e6, 0.5f, 5}, {2e5, 10, 2},
    };
    for (const auto& k : cases) {
        SuiteConfig c = QuietConfig();
        c.instrument.faraday_cup = false;
        c.instrument.dead_time_us = k.deadTimeUs;
        c.setup.elements[0].standard_cps = k.standardCps;
        SimulatedMicroprobe probe(c);
        const double n = std::round((20 + k.standardCps * 0.1) * k.seconds);  // counts reaching the detector
        const double tau = k.deadTimeUs * 1e-6;
        SCOPED_TRACE(testing::Message() << n << " counts, tau " << tau);
        const int32_t kept = CountOnce(probe, k.seconds);
        EXPECT_EQ(kept, std::lround(n / (1 + tau * n)));
        EXPECT_NEAR(kept / (1 - tau * kept), n, 1.0);
    }
}

TEST(SimulatedMicroprobe, NoiseFollowsPoissonLawAndItsSeed) {
    auto draws = [](double mean, uint64_t seed, int n) {
        SuiteConfig c = QuietConfig();
        c.instrument.noise = true;
        c.instrument.seed = seed;
        c.instrument.faraday_cup = false;
        c.setup.elements[0] = {26, 1, "Fe", true, 100.0, mean - 20.0, 20.0};
        c.specimen.elements[26] = SpecimenProfile{SpecimenProfile::Shape::Step, {{0, 100}}};
        SimulatedMicroprobe probe(c);
        std::vector<double> counts;
        for (int k = 0; k < n; ++k) counts.push_back(CountOnce(probe, 1.0f));
        return counts;
    };
    constexpr int kCounts = 2000;
    for (double mean : {20.0, 1000.0, 40000.0}) {
        const std::vector<double> counts = draws(mean, 7, kCounts);
        double sum = 0, squares = 0;
        for (double n : counts) sum += n;
        const double average = sum / kCounts;
        for (double n : counts) squares += (n - average) * (n - average);
        // Five standard errors of the mean and of the variance of a Poisson sample.
        SCOPED_TRACE(testing::Message() << "mean " << mean);
        EXPECT_NEAR(average, mean, 5 * std::sqrt(mean / kCounts));
        EXPECT_NEAR(squares / (kCounts - 1), mean, 5 * std::sqrt((mean + 2 * mean * mean) / kCounts));
    }
    EXPECT_EQ(draws(1000, 3, 20), draws(1000, 3, 20));
    EXPECT_NE(draws(1000, 3, 20), draws(1000, 4, 20));
}

TEST(SimulatedMicroprobe, VirtualClockFinishesAtTheFirstPoll) {
    SuiteConfig c = QuietConfig();
    c.instrument.faraday_cup = false;
    VirtualClock clock;
    clock.advance(100);  // power-on need not be at 0
    SimulatedMicroprobe probe(c, clock);
    ASSERT_EQ(probe.KestLoadCounter(0, 10.0f, 0), 1);
    ASSERT_EQ(probe.KestStartTimer(0), 1);
    EXPECT_EQ(Timer(probe, 1), 0.0f);
    EXPECT_EQ(Counter(probe, 1), 0) << "nothing counted before time has passed";
    EXPECT_EQ(Busy(probe, 2), 0);
    EXPECT_DOUBLE_EQ(probe.simulatedTime(), 10.0);
    EXPECT_EQ(Busy(probe, 1), 0);  // the same count: no more time
    EXPECT_DOUBLE_EQ(probe.simulatedTime(), 10.0);
    EXPECT_EQ(Timer(probe, 1), 10.0f);
    EXPECT_EQ(Counter(probe, 1), 5200);

    MoveAxis(probe, 1, 2500, false);
    EXPECT_EQ(StageBusy(probe, 1), 0);
    EXPECT_DOUBLE_EQ(probe.simulatedTime(), 12.5);
}

TEST(SimulatedMicroprobe, RealClockTakesScaledWallTime) {
    SuiteConfig c = QuietConfig();
    c.instrument.faraday_cup = false;
    c.instrument.clock = InstrumentConfig::Clock::Real;
    c.instrument.time_scale = 1e-3;  // 100 simulated seconds in 0.1 s
    SimulatedMicroprobe probe(c);
    ASSERT_EQ(probe.KestLoadCounter(0, 100.0f, 0), 1);
    ASSERT_EQ(probe.KestStartTimer(0), 1);
    ASSERT_EQ(MoveAxis(probe, 1, 4000, false), 1);  // 4 s at 1000 units/s: 4 ms of wall time
    EXPECT_EQ(Busy(probe, 1), 1);
    EXPECT_EQ(StageBusy(probe, 1), 1);
    EXPECT_LT(Counter(probe, 1), 52000);

    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_EQ(Busy(probe, 1), 0);
    EXPECT_EQ(StageBusy(probe, 1), 0);
    EXPECT_EQ(Timer(probe, 1), 100.0f);
    EXPECT_EQ(Counter(probe, 1), 52000) << "counted at the stage position of the start";
    EXPECT_DOUBLE_EQ(probe.stagePosition(1), 4000);
}

TEST(SimulatedMicroprobe, BeamDriftScalesCurrentAndCounts) {
    struct Case {
        double driftPerHour, hours;
    };
    const Case cases[] = {{0, 5}, {0.5, 1}, {-0.2, 2}, {0.1, 0}};
    for (const auto& k : cases) {
        SCOPED_TRACE(testing::Message() << k.driftPerHour << " per hour after " << k.hours << " h");
        SuiteConfig c = QuietConfig();
        c.instrument.faraday_cup = false;
        c.instrument.beam_drift_per_hour = k.driftPerHour;
        VirtualClock clock;
        SimulatedMicroprobe probe(c, clock);
        clock.advance(k.hours * 3600);
        float current = 0;
        ASSERT_EQ(probe.KestReadCurrent(current), 1);
        EXPECT_NEAR(current, 20 * (1 + k.driftPerHour * k.hours), 1e-4);
        // The mean current of a 100 s count is the one at its middle.
        const double factor = 1 + k.driftPerHour * (k.hours + 50.0 / 3600);
        EXPECT_NEAR(CountOnce(probe, 100.0f), 52000 * factor, 0.5);
    }
    SuiteConfig unreadable = QuietConfig();
    unreadable.instrument.beam_current_readable = false;
    SimulatedMicroprobe probe(unreadable);
    float current = -1;
    EXPECT_EQ(probe.KestReadCurrent(current), 0);
    EXPECT_EQ(current, -1);
}

TEST(SimulatedMicroprobe, FaradayCupBlocksTheBeamUntilRetracted) {
    for (bool fitted : {true, false}) {
        SCOPED_TRACE(fitted ? "cup fitted" : "no cup");
        SuiteConfig c = QuietConfig();
        c.instrument.faraday_cup = fitted;
        SimulatedMicroprobe probe(c);
        EXPECT_EQ(probe.faradayInserted(), fitted);
        EXPECT_EQ(CountOnce(probe, 1.0f), fitted ? 0 : 520);
        EXPECT_EQ(probe.KestSetFaraday(0), fitted ? 1 : 0);
        EXPECT_EQ(CountOnce(probe, 1.0f), 520);
        EXPECT_EQ(probe.KestSetFaraday(1), fitted ? 1 : 0);
        EXPECT_EQ(CountOnce(probe, 1.0f), fitted ? 0 : 520);
    }
}

TEST(SimulatedMicroprobe, StageMovesAtItsSpeedWithBacklashInsideItsLimits) {
    struct Case {
        float start, target;
        bool backlash;
        Status loaded;
        double seconds;                 // duration of the move
        double midTime, midPosition;    // a position on the way
    };
    const Case cases[] = {
        {0, 1000, false, 1, 1.0, 0.25, 250},
        {0, 1000, true, 1, 1.0, 0.99, 990},       // already coming from below
        {1000, 0, false, 1, 1.0, 0.5, 500},
        {1000, 0, true, 1, 1.04, 1.02, -20},      // overshoots by the backlash, then comes up
        {1000, 990, true, 1, 0.05, 0.03, 970},
        {1000, 1000, true, 1, 0.04, 0.02, 980},   // a move to where the stage stands still takes up the backlash
        {0, -5000, true, 1, 5.0, 2.5, -2500},     // no overshoot beyond the travel
        {0, 5000, false, 1, 5.0, 5.0, 5000},
        {0, 5001, false, 0, 0.0, 0.0, 0},         // refused: the stage stays
        {0, -6000, true, 0, 0.0, 0.0, 0},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(testing::Message() << k.start << " -> " << k.target << (k.backlash ? " with backlash" : ""));
        VirtualClock clock;
        SimulatedMicroprobe probe(QuietConfig(), clock);
        int32_t position = 0;
        MoveAxis(probe, 1, k.start, false);
        StageBusy(probe, 1);
        const double began = clock.now();

        EXPECT_EQ(MoveAxis(probe, 1, k.target, k.backlash), k.loaded);
        clock.advance(k.midTime);
        EXPECT_NEAR(probe.stagePosition(1), k.start + (k.loaded ? k.midPosition - k.start : 0), 1e-9);
        EXPECT_EQ(StageBusy(probe, 1), 0);
        EXPECT_NEAR(clock.now() - began, std::max(k.seconds, k.midTime), 1e-9);
        ASSERT_EQ(probe.KestReadStagePos(1, position), 1);
        EXPECT_EQ(position, k.loaded ? k.target : k.start);
    }
}

TEST(SimulatedMicroprobe, OneStartMovesAllLoadedAxesAndAStuckAxisStaysBusy) {
    SimulatedMicroprobe probe(QuietConfig());
    probe.faults.stuckAxis = 3;
    for (auto [axis, target] : {std::pair{1, 1000.0f}, {2, -3000.0f}, {3, 500.0f}})
        ASSERT_EQ(probe.KestLoadStageAbs(axis, target), 1);
    ASSERT_EQ(probe.KestStartStage(0), 1);
    EXPECT_EQ(StageBusy(probe, 1), 0);
    EXPECT_DOUBLE_EQ(probe.simulatedTime(), 1.0);
    EXPECT_EQ(StageBusy(probe, 2), 0);
    EXPECT_DOUBLE_EQ(probe.simulatedTime(), 3.0);
    EXPECT_EQ(probe.stagePosition(2), -3000);
    for (int poll = 0; poll < 10; ++poll) EXPECT_EQ(StageBusy(probe, 3), 1);
    EXPECT_EQ(probe.stagePosition(3), 0);
    ASSERT_EQ(probe.KestStartStage(0), 1);  // nothing loaded: nothing moves
    StageBusy(probe, 1);
    EXPECT_DOUBLE_EQ(probe.simulatedTime(), 3.0);
}

namespace {

// Every call of the library on spectrometer or axis `n`, each giving its status.
std::vector<std::pair<ProbeCall, std::function<Status(SimulatedMicroprobe&)>>> CallsOn(int32_t n) {
    return {
        {ProbeCall::ReadXtal, [n](SimulatedMicroprobe& p) { std::string x; return p.KestReadXtal(n, x); }},
        {ProbeCall::ReadPha, [n](SimulatedMicroprobe& p) { int32_t d; return p.KestReadPha(n, "LIF", 2, d); }},
        {ProbeCall::ReadSpectroStatus, [n](SimulatedMicroprobe& p) { int32_t b; return p.KestReadSpectroStatus(n, 0, b); }},
        {ProbeCall::ReadTimer, [n](SimulatedMicroprobe& p) { float t; return p.KestReadTimer(n, t); }},
        {ProbeCall::ReadCounter, [n](SimulatedMicroprobe& p) { int32_t c; return p.KestReadCounter(n, c); }},
        {ProbeCall::ReadStagePos, [n](SimulatedMicroprobe& p) { int32_t x; return p.KestReadStagePos(n, x); }},
        {ProbeCall::BacklashStage, [n](SimulatedMicroprobe& p) { return p.KestBacklashStage(n); }},
        {ProbeCall::LoadStageAbs, [n](SimulatedMicroprobe& p) { return p.KestLoadStageAbs(n, 10); }},
        {ProbeCall::ReadStageStatus, [n](SimulatedMicroprobe& p) { int32_t b; return p.KestReadStageStatus(n, 0, b); }},
    };
}

}  // namespace

TEST(SimulatedMicroprobe, RefusesSpectrometersAndAxesThatDoNotExist) {
    SimulatedMicroprobe probe(QuietConfig());  // 3 spectrometers, 3 axes
    for (const auto& [call, run] : CallsOn(3)) EXPECT_EQ(run(probe), 1) << static_cast<int>(call);
    for (int32_t n : {0, 4, -1, 1000}) {
        for (const auto& [call, run] : CallsOn(n)) EXPECT_EQ(run(probe), 0) << static_cast<int>(call) << " on " << n;
    }
    std::string crystal;
    int32_t deadTime = -1;
    ASSERT_EQ(probe.KestReadXtal(2, crystal), 1);
    EXPECT_EQ(crystal, "PET");
    ASSERT_EQ(probe.KestReadPha(2, crystal, 2, deadTime), 1);
    EXPECT_EQ(deadTime, 0);
    EXPECT_EQ(probe.KestLoadCounter(0, 0.0f, 0), 0) << "a count of no time";
    EXPECT_EQ(probe.KestLoadCounter(0, NAN, 0), 0);
}

TEST(SimulatedMicroprobe, InjectedFaultsFailTheNamedCallOnly) {
    std::vector<std::pair<ProbeCall, std::function<Status(SimulatedMicroprobe&)>>> calls = CallsOn(1);
    calls.push_back({ProbeCall::ReadCurrent, [](SimulatedMicroprobe& p) { float i; return p.KestReadCurrent(i); }});
    calls.push_back({ProbeCall::SetFaraday, [](SimulatedMicroprobe& p) { return p.KestSetFaraday(0); }});
    calls.push_back({ProbeCall::LoadCounter, [](SimulatedMicroprobe& p) { return p.KestLoadCounter(0, 1, 0); }});
    calls.push_back({ProbeCall::StartTimer, [](SimulatedMicroprobe& p) { return p.KestStartTimer(0); }});
    calls.push_back({ProbeCall::StartStage, [](SimulatedMicroprobe& p) { return p.KestStartStage(0); }});
    ASSERT_EQ(calls.size(), static_cast<std::size_t>(kProbeCallCount));

    for (const auto& [failing, unused] : calls) {
        SCOPED_TRACE(static_cast<int>(failing));
        SimulatedMicroprobe probe(QuietConfig());
        ASSERT_EQ(probe.KestLoadCounter(0, 1, 0), 1);
        probe.faults.fail(failing, 1);  // one more success, then failures
        for (int round = 0; round < 2; ++round) {
            for (const auto& [call, run] : calls)
                EXPECT_EQ(run(probe), call == failing && round == 1 ? 0 : 1) << static_cast<int>(call);
        }
        EXPECT_EQ(probe.calls(failing), failing == ProbeCall::LoadCounter ? 3 : 2);
        probe.faults.failAfter.clear();
        for (const auto& [call, run] : calls) EXPECT_EQ(run(probe), 1) << "healed " << static_cast<int>(call);
    }
}
