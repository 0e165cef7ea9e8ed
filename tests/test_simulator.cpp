// The simulated microprobe: counts, counting statistics and dead time, clocks, beam drift,
// Faraday cup, stage motion, refused arguments and injected faults.

#include "suite/SimulatedMicroprobe.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <functional>
#include <numeric>
#include <thread>
#include <vector>

using namespace kest;

namespace {

// Fe at 10 % below X = 250 and 20 % from there on; counted on spectrometer 1 at 5000 cps
// for pure Fe over a background of 20 cps. No noise, no dead time, no drift.
SuiteConfig QuietConfig(bool faradayCup = false) {
    SuiteConfig c;
    c.instrument = {.spectrometers = 3, .crystals = {"LIF", "PET", "TAP"}, .dead_time_us = {}, .faraday_cup = faradayCup,
                    .stage_speed = 1000, .stage_backlash = 20, .stage_limits = {-5000, 5000}, .noise = false};
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
    EXPECT_TRUE(!backlash || probe.KestBacklashStage(axis) == 1);
    const Status loaded = probe.KestLoadStageAbs(axis, target);
    EXPECT_EQ(probe.KestStartStage(0), 1);
    return loaded;
}

// Every call of the library, on spectrometer or axis `n` where it takes one; each gives its status.
struct Call { ProbeCall name; bool numbered; std::function<Status(SimulatedMicroprobe&)> run; };
std::vector<Call> Calls(int32_t n) {
    using P = SimulatedMicroprobe&;
    return {
        {ProbeCall::ReadCurrent, false, [](P p) { float i; return p.KestReadCurrent(i); }},
        {ProbeCall::SetFaraday, false, [](P p) { return p.KestSetFaraday(0); }},
        {ProbeCall::ReadXtal, true, [n](P p) { std::string x; return p.KestReadXtal(n, x); }},
        {ProbeCall::ReadPha, true, [n](P p) { float d; return p.KestReadPha(n, "LIF", 2, d); }},
        {ProbeCall::LoadCounter, false, [](P p) { return p.KestLoadCounter(0, 1, 0); }},
        {ProbeCall::StartTimer, false, [](P p) { return p.KestStartTimer(0); }},
        {ProbeCall::ReadSpectroStatus, true, [n](P p) { int32_t b; return p.KestReadSpectroStatus(n, 0, b); }},
        {ProbeCall::ReadTimer, true, [n](P p) { float t; return p.KestReadTimer(n, t); }},
        {ProbeCall::ReadCounter, true, [n](P p) { int32_t c; return p.KestReadCounter(n, c); }},
        {ProbeCall::ReadStagePos, true, [n](P p) { int32_t x; return p.KestReadStagePos(n, x); }},
        {ProbeCall::BacklashStage, true, [n](P p) { return p.KestBacklashStage(n); }},
        {ProbeCall::LoadStageAbs, true, [n](P p) { return p.KestLoadStageAbs(n, 10); }},
        {ProbeCall::StartStage, false, [](P p) { return p.KestStartStage(0); }},
        {ProbeCall::ReadStageStatus, true, [n](P p) { int32_t b; return p.KestReadStageStatus(n, 0, b); }},
    };
}

}  // namespace

TEST(SimulatedMicroprobe, CountsAreTheRateOfTheSpectrometersFirstElementLessTheDeadTimeLoss) {
    SuiteConfig base = QuietConfig();
    base.setup.elements.push_back({28, 1, "Ni", true, 100.0, 9999.0, 99.0});  // second on spectrometer 1: unused
    // Chromium's standard has the matrix of the specimen at X = 500 (Fe 20 %, Cr 5 %), where the
    // k-ratio is therefore the proportion whatever the model; iron is alone where it is counted.
    base.setup.elements.push_back({24, 2, "Cr", true, 20.0, 4000.0, 7.0, 0.0, "Ka", {{24, 20.0}, {26, 80.0}}});
    base.specimen.elements[24] = SpecimenProfile{SpecimenProfile::Shape::Linear, {{400, 0}, {600, 10}}};
    struct Case { int axis; int32_t x, y; int spectrometer; double feStandardCps; float seconds; int32_t deadTimeUs; double rate; };
    const Case cases[] = {
        {1, 0, 0, 1, 5000, 2, 0, 20 + 500},   {1, 300, 0, 1, 5000, 2, 0, 20 + 1000}, {1, -300, 0, 1, 5000, 2, 0, 20 + 500},
        {1, 500, 0, 2, 5000, 2, 0, 7 + 1000}, {1, 0, 0, 3, 5000, 2, 0, 0},  // no element on spectrometer 3
        {2, 300, 0, 1, 5000, 2, 0, 20 + 500}, {2, 0, 300, 1, 5000, 2, 0, 20 + 1000},  // the specimen varies along Y
        // Dead-time losses on the rate, whatever the counting time, which the program's correction undoes.
        {1, 0, 0, 1, 5000, 10, 2, 520},       {1, 0, 0, 1, 5000, 1, 1000, 520},       {1, 0, 0, 1, 1e6, 1, 2, 100020},
        {1, 0, 0, 1, 1e6, 0.5f, 5, 100020},   {1, 0, 0, 1, 2e5, 10, 2, 20020},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(testing::Message() << "axis " << k.axis << " at " << k.x << "," << k.y << " s" << k.spectrometer << " tau " << k.deadTimeUs);
        SuiteConfig c = base;
        c.specimen.axis = k.axis, c.instrument.stage_position = {k.x, k.y, 0}, c.instrument.dead_time_us.fill(k.deadTimeUs);
        c.setup.elements[0].standard_cps = k.feStandardCps;
        SimulatedMicroprobe probe(c);
        EXPECT_NEAR(probe.trueRate(k.spectrometer), k.rate, 1e-9 * k.rate);
        const double tau = k.deadTimeUs * 1e-6, shown = k.rate / (1 + tau * k.rate);  // what the counter shows
        const int32_t kept = CountOnce(probe, k.seconds, k.spectrometer);
        EXPECT_EQ(kept, std::lround(shown * k.seconds));
        const double m = kept / double{k.seconds};  // half a count, through the correction
        EXPECT_NEAR(m / (1 - tau * m), k.rate, 0.5 / k.seconds / ((1 - tau * m) * (1 - tau * m)));
    }
}

// A non-paralysable counter's count in t seconds has the mean m t, m = r / (1 + tau r), and
// the variance m t (1 - tau m)^2 (J. W. Mueller, Nucl. Instrum. Methods 112 (1973) 47, the
// asymptotic variance of a renewal count; G. F. Knoll, Radiation Detection and Measurement,
// the chapter on dead time); without dead time, a Poisson law's. Small counts are drawn pulse
// by pulse, so they check the simulated counter against the published law; fractional dead
// times and a different one per spectrometer count too.
TEST(SimulatedMicroprobe, NoiseIsThatOfANonParalysableCounterAndFollowsItsSeed) {
    auto draws = [](double rate, double tauUs, float seconds, uint64_t seed, int n) {
        SuiteConfig c = QuietConfig();
        c.instrument.noise = true, c.instrument.seed = seed, c.setup.elements[0].standard_cps = rate - 20.0;
        c.instrument.dead_time_us = {tauUs, 99, 99, 99, 99};  // spectrometer 1's own
        c.specimen.elements[26] = SpecimenProfile{SpecimenProfile::Shape::Step, {{0, 100}}};
        SimulatedMicroprobe probe(c);
        std::vector<double> counts(static_cast<std::size_t>(n));
        for (double& count : counts) count = CountOnce(probe, seconds);
        return counts;
    };
    constexpr int kCounts = 2000;
    struct Case { double rate, tauUs; float seconds; };
    for (const Case& k : {Case{20, 0, 1}, {1000, 0, 1}, {40000, 0, 1}, {1e5, 2, 0.01f}, {3e5, 2.5, 0.004f}, {2e5, 2, 1}}) {
        SCOPED_TRACE(testing::Message() << k.rate << " cps, " << k.tauUs << " us, " << k.seconds << " s");
        const std::vector<double> counts = draws(k.rate, k.tauUs, k.seconds, 7, kCounts);
        const double tau = k.tauUs * 1e-6, m = k.rate / (1 + tau * k.rate), mean = m * k.seconds;
        const double variance = mean * (1 - tau * m) * (1 - tau * m);
        const double average = std::accumulate(counts.begin(), counts.end(), 0.0) / kCounts;
        double squares = 0;
        for (double n : counts) squares += (n - average) * (n - average);
        // Five standard errors of the mean and of the variance of the sample (a dead-time edge
        // effect of under one count on the mean).
        EXPECT_NEAR(average, mean, 1 + 5 * std::sqrt(variance / kCounts));
        EXPECT_NEAR(squares / (kCounts - 1), variance, 5 * variance * std::sqrt(2.0 / kCounts));
    }
    EXPECT_EQ(draws(1000, 2, 1, 3, 20), draws(1000, 2, 1, 3, 20));
    EXPECT_NE(draws(1000, 2, 1, 3, 20), draws(1000, 2, 1, 4, 20));
}

TEST(SimulatedMicroprobe, VirtualClockFinishesAtTheFirstPoll) {
    VirtualClock clock;
    clock.advance(100);  // power-on need not be at 0
    SimulatedMicroprobe probe(QuietConfig(), clock);
    ASSERT_EQ(probe.KestLoadCounter(0, 10.0f, 0), 1);
    ASSERT_EQ(probe.KestStartTimer(0), 1);
    EXPECT_EQ((std::pair{Timer(probe, 1), Counter(probe, 1)}), std::pair(0.0f, 0)) << "nothing counted before time has passed";
    EXPECT_EQ((std::pair{Busy(probe, 2), probe.simulatedTime()}), std::pair(0, 10.0));  // braces: in order
    EXPECT_EQ((std::pair{Busy(probe, 1), probe.simulatedTime()}), std::pair(0, 10.0));  // the same count: no more time
    EXPECT_EQ((std::pair{Timer(probe, 1), Counter(probe, 1)}), std::pair(10.0f, 5200));
}

TEST(SimulatedMicroprobe, RealClockTakesScaledWallTime) {
    SuiteConfig c = QuietConfig();
    c.instrument.clock = InstrumentConfig::Clock::Real, c.instrument.time_scale = 1e-3;  // 100 simulated seconds in 0.1 s
    SimulatedMicroprobe probe(c);
    ASSERT_EQ(probe.KestLoadCounter(0, 100.0f, 0), 1);
    ASSERT_EQ(probe.KestStartTimer(0), 1);
    ASSERT_EQ(MoveAxis(probe, 1, 4000, false), 1);  // 4 s at 1000 units/s: 4 ms of wall time
    EXPECT_EQ((std::pair{Busy(probe, 1), StageBusy(probe, 1)}), std::pair(1, 1));
    EXPECT_LT(Counter(probe, 1), 52000);

    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_EQ((std::tuple{Busy(probe, 1), StageBusy(probe, 1), Timer(probe, 1)}), std::tuple(0, 0, 100.0f));
    EXPECT_EQ(Counter(probe, 1), 52000) << "counted at the stage position of the start";
    EXPECT_DOUBLE_EQ(probe.stagePosition(1), 4000);
}

TEST(SimulatedMicroprobe, BeamDriftScalesCurrentAndCounts) {
    for (auto [drift, hours] : {std::pair{0.0, 5.0}, {0.5, 1.0}, {-0.2, 2.0}, {0.1, 0.0}}) {
        SCOPED_TRACE(testing::Message() << drift << " per hour after " << hours << " h");
        SuiteConfig c = QuietConfig();
        c.instrument.beam_drift_per_hour = drift;
        VirtualClock clock;
        SimulatedMicroprobe probe(c, clock);
        clock.advance(hours * 3600);
        float current = 0;
        ASSERT_EQ(probe.KestReadCurrent(current), 1);
        EXPECT_NEAR(current, 20 * (1 + drift * hours), 1e-4);
        // The mean current of a 100 s count is the one at its middle.
        const double factor = 1 + drift * (hours + 50.0 / 3600);
        EXPECT_NEAR(CountOnce(probe, 100.0f), 52000 * factor, 0.5);
    }
    SuiteConfig unreadable = QuietConfig();
    unreadable.instrument.beam_current_readable = false;
    float current = -1;
    EXPECT_EQ(std::pair(SimulatedMicroprobe(unreadable).KestReadCurrent(current), current), std::pair(0, -1.0f));
}

TEST(SimulatedMicroprobe, FaradayCupBlocksTheBeamUntilRetracted) {
    for (bool fitted : {true, false}) {  // counts of 1 s: in, retracted, in again; without a cup the calls fail
        SimulatedMicroprobe probe(QuietConfig(fitted));
        EXPECT_EQ(probe.faradayInserted(), fitted);
        EXPECT_EQ(CountOnce(probe, 1.0f), fitted ? 0 : 520);
        EXPECT_EQ((std::pair{probe.KestSetFaraday(0), CountOnce(probe, 1.0f)}), std::pair(fitted ? 1 : 0, 520));  // braces: in order
        EXPECT_EQ((std::pair{probe.KestSetFaraday(1), CountOnce(probe, 1.0f)}), std::pair(fitted ? 1 : 0, fitted ? 0 : 520));
    }
}

TEST(SimulatedMicroprobe, StageMovesAtItsSpeedWithBacklashInsideItsLimits) {
    // The move takes `seconds`; at `midTime` into it the stage is at `midPosition`.
    struct Case { float start, target; bool backlash; Status loaded; double seconds, midTime, midPosition; };
    const Case cases[] = {
        {0, 1000, false, 1, 1.0, 0.25, 250},
        {0, 1000, true, 1, 1.0, 0.99, 990},       // already coming from below
        {1000, 0, false, 1, 1.0, 0.5, 500},
        {1000, 0, true, 1, 1.04, 1.02, -20},      // overshoots by the backlash, then comes up
        {1000, 1000, true, 1, 0.04, 0.02, 980},   // a move to where the stage stands still takes up the backlash
        {0, -5000, true, 1, 5.0, 2.5, -2500},     // no overshoot beyond the travel
        {0, 5000, false, 1, 5.0, 5.0, 5000},
        {0, 5001, false, 0, 0.0, 0.0, 0},         // refused: the stage stays
        {0, -6000, true, 0, 0.0, 0.0, 0},
        {17, 250, true, 1, 0.233, 0.1165, 133.5},  // onto the interface at 250, from below
        {445, 250, true, 1, 0.235, 0.215, 230},    // and from above
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(testing::Message() << k.start << " -> " << k.target << (k.backlash ? " with backlash" : ""));
        VirtualClock clock;
        SimulatedMicroprobe probe(QuietConfig(), clock);
        MoveAxis(probe, 1, k.start, false);
        StageBusy(probe, 1);
        const double began = clock.now();
        int32_t position = 0;
        EXPECT_EQ(MoveAxis(probe, 1, k.target, k.backlash), k.loaded);
        clock.advance(k.midTime);
        EXPECT_NEAR(probe.stagePosition(1), k.start + (k.loaded ? k.midPosition - k.start : 0), 1e-9);
        EXPECT_EQ(StageBusy(probe, 1), 0);
        EXPECT_NEAR(clock.now() - began, std::max(k.seconds, k.midTime), 1e-9);
        ASSERT_EQ(probe.KestReadStagePos(1, position), 1);
        EXPECT_EQ(position, k.loaded ? k.target : k.start);
        EXPECT_EQ(probe.stagePosition(1), position) << "exactly on the target";
        EXPECT_EQ(CountOnce(probe, 1.0f), position >= 250 ? 1020 : 520);
    }
}

TEST(SimulatedMicroprobe, OneStartMovesAllLoadedAxesAndAStuckAxisStaysBusy) {
    SimulatedMicroprobe probe(QuietConfig());
    probe.faults.stuckAxis = 3, probe.faults.stuckAfterMoves = 1;  // it makes its first move only
    for (auto [axis, target] : {std::pair{1, 1000.0f}, {2, -3000.0f}, {3, 500.0f}})
        ASSERT_EQ(probe.KestLoadStageAbs(axis, target), 1);
    ASSERT_EQ(probe.KestStartStage(0), 1);
    EXPECT_EQ(StageBusy(probe, 1), 0);
    EXPECT_DOUBLE_EQ(probe.simulatedTime(), 1.0);
    EXPECT_EQ(StageBusy(probe, 2), 0);
    EXPECT_DOUBLE_EQ(probe.simulatedTime(), 3.0);
    EXPECT_EQ(probe.stagePosition(2), -3000);
    EXPECT_EQ(StageBusy(probe, 3), 0);
    MoveAxis(probe, 3, 0, false);
    for (int poll = 0; poll < 10; ++poll) EXPECT_EQ(StageBusy(probe, 3), 1);
    EXPECT_EQ(probe.stagePosition(3), 500);
    ASSERT_EQ(probe.KestStartStage(0), 1);  // nothing loaded: nothing moves
    StageBusy(probe, 1);
    EXPECT_DOUBLE_EQ(probe.simulatedTime(), 3.0);
}

TEST(SimulatedMicroprobe, RefusesSpectrometersAndAxesThatDoNotExist) {
    SimulatedMicroprobe probe(QuietConfig(true));  // 3 spectrometers, 3 axes
    for (int32_t n : {3, 0, 4, -1, 1000})
        for (const Call& c : Calls(n))
            EXPECT_EQ(c.run(probe), n == 3 || !c.numbered ? 1 : 0) << static_cast<int>(c.name) << " on " << n;
    std::string crystal;
    float deadTime = -1;
    EXPECT_TRUE(probe.KestReadXtal(2, crystal) && probe.KestReadPha(2, crystal, 2, deadTime));
    EXPECT_EQ(std::tie(crystal, deadTime), std::make_tuple("PET", 0.0f));
    EXPECT_EQ(probe.KestLoadCounter(0, 0.0f, 0), 0) << "a count of no time";
    EXPECT_EQ(probe.KestLoadCounter(0, NAN, 0), 0);
}

TEST(SimulatedMicroprobe, InjectedFaultsFailTheNamedCallOnly) {
    const std::vector<Call> calls = Calls(1);
    ASSERT_EQ(calls.size(), static_cast<std::size_t>(kProbeCallCount));
    for (const Call& failing : calls) {
        SCOPED_TRACE(static_cast<int>(failing.name));
        SimulatedMicroprobe probe(QuietConfig(true));
        ASSERT_EQ(probe.KestLoadCounter(0, 1, 0), 1);
        probe.faults.fail(failing.name, 1);  // one more success, then failures
        for (int round = 0; round < 2; ++round)
            for (const Call& c : calls)
                EXPECT_EQ(c.run(probe), c.name == failing.name && round == 1 ? 0 : 1) << static_cast<int>(c.name);
        EXPECT_EQ(probe.calls(failing.name), failing.name == ProbeCall::LoadCounter ? 3 : 2);
        probe.faults.failAfter.clear();
        for (const Call& c : calls) EXPECT_EQ(c.run(probe), 1) << "healed " << static_cast<int>(c.name);
    }
}
