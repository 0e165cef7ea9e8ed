// Beam time only where the profile changes: the noise threshold of a change, the losses and
// batches of the adaptive zone's refinement on their own, and adaptive zones scanned on the
// simulated instrument (virtual clock, no noise) alone and mixed with the other kinds.

#include "HeadlessFixture.h"
#include "ScanOnSimulator.h"

#include "acquisition/AdaptiveRefinement.h"
#include "acquisition/ScanCommands.h"
#include "acquisition/ScanPlan.h"
#include "app/HeadlessCommands.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

namespace kest {
namespace {

using fakes::FixedZone;
using fakes::QuietStep;
using fakes::ScanOnSimulator;
using fakes::VariableZone;

ZoneRecord AdaptiveZone(int32_t length, int32_t stepMin, int32_t stepMax, float tolerance) {
    ZoneRecord zone = VariableZone(length, stepMin, stepMax, tolerance);
    zone.type = kAdaptiveZone;
    return zone;
}

TEST(ChangeThreshold, IsDConcOrKSigmasOfTheDifference) {
    const struct { float dConc; int sigmas; float s1, s2, threshold; } cases[] = {
        {1.0f, 0, 0.3f, 0.4f, 1.0f},    // 0: the plain comparison
        {-1.0f, 0, 0.3f, 0.4f, -1.0f},  // even for a dConc below 0
        {1.0f, 3, 0.3f, 0.4f, 1.5f},    // 3 x sqrt(0.09 + 0.16)
        {2.0f, 3, 0.3f, 0.4f, 2.0f},    // dConc above the noise
        {1.0f, 2, 0.0f, 0.0f, 1.0f},
    };
    for (const auto& c : cases) EXPECT_FLOAT_EQ(ChangeThreshold(c.dConc, c.sigmas, c.s1, c.s2), c.threshold) << c.dConc << " " << c.sigmas;
}

// Samples of one element along the zone; sigma the same at every point.
std::vector<ProfileSample> Samples(const std::vector<std::pair<int64_t, float>>& points, float sigma = 0.0f) {
    std::vector<ProfileSample> samples;
    for (const auto& [position, conc] : points) samples.push_back({position, {conc}, {sigma}});
    return samples;
}

// The middles of the intervals that the rule would split.
std::vector<int64_t> Splittable(const std::vector<ProfileSample>& samples, const RefinementRule& rule) {
    std::vector<int64_t> middles;
    for (std::size_t i = 0; i + 1 < samples.size(); ++i)
        if (IntervalLoss(samples, i, rule) > 0.0) middles.push_back((samples[i].position + samples[i + 1].position) / 2);
    return middles;
}

TEST(AdaptiveRefinement, SplitsWhereTheLineBetweenNeighboursMissesTheProfile) {
    const std::vector<std::pair<int64_t, float>> step{{0, 10}, {100, 10}, {200, 10}, {300, 20}, {400, 20}};
    const struct { const char* name; std::vector<ProfileSample> samples; RefinementRule rule; std::vector<int64_t> next; } cases[] = {
        // The interval across the step, not its flat neighbours (their change is nil).
        {"a step", Samples(step), {10, 1.0f, 0}, {250}},
        {"a step at step min", Samples(step), {100, 1.0f, 0}, {}},
        // A centred gradient between flat ends: the triples through the middle are straight,
        // the ones beside it bend, and the middle intervals change by 15 each.
        {"a gradient seen from its middle", Samples({{0, 5}, {1000, 5}, {2000, 20}, {3000, 35}, {4000, 35}}), {10, 0.15f, 0},
         {1500, 2500}},
        {"a parabola", Samples({{0, 0}, {100, 1}, {200, 4}, {300, 9}}), {10, 0.2f, 0}, {50, 150, 250}},  // 0.25 each
        {"a parabola within tolerance", Samples({{0, 0}, {100, 1}, {200, 4}, {300, 9}}), {10, 0.3f, 0}, {}},
        {"one interval: its change", Samples({{0, 10}, {100, 12}}), {10, 1.0f, 0}, {50}},
        {"one interval within tolerance", Samples({{0, 10}, {100, 10.5f}}), {10, 1.0f, 0}, {}},
        // Counting noise: a flat line whose values scatter by about sigma 0.45 is left alone
        // at 3 sigmas, chased at 0; a real step stands out of it.
        {"noise at 3 sigmas", Samples({{0, 10}, {100, 10.9f}, {200, 9.6f}, {300, 10.4f}}, 0.45f), {10, 0.2f, 3}, {}},
        {"noise at 0 sigmas", Samples({{0, 10}, {100, 10.9f}, {200, 9.6f}, {300, 10.4f}}, 0.45f), {10, 0.2f, 0}, {50, 150, 250}},
        {"a step out of the noise", Samples(step, 0.45f), {10, 0.5f, 3}, {250}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Splittable(c.samples, c.rule), c.next);
    }
}

TEST(AdaptiveRefinement, BatchesTakeTheLargestLossesNoTwoNeighboursInTheStagesOrder) {
    // Losses 0.25 on [300, 400], 0.5 on [400, 500], 0.125 on [700, 800], none elsewhere.
    const auto samples = Samples({{0, 0}, {100, 0}, {200, 0}, {300, 0}, {400, 2}, {500, 6}, {600, 6}, {700, 6}, {800, 7},
                                  {900, 7}, {1000, 7}});
    const RefinementRule rule{10, 0.01f, 0};
    EXPECT_EQ(NextMidpoints(samples, rule, 3, 0), (std::vector<int64_t>{450, 750}));
    EXPECT_EQ(NextMidpoints(samples, rule, 3, 1000), (std::vector<int64_t>{750, 450}));  // from the stage's end
    EXPECT_EQ(NextMidpoints(samples, rule, 1, 1000), (std::vector<int64_t>{450}));
    EXPECT_EQ(NextMidpoints(Samples({{0, 0}, {3, 10}}), {1, 0.5f, 0}, 8, 0), (std::vector<int64_t>{2}));  // halves to even
    EXPECT_EQ(IntervalLoss(samples, 10, rule), 0.0);  // past the last interval
}

TEST(AdaptiveRefinement, MostSplitsOfAnIntervalDownToStepMin) {
    const struct { int64_t length, stepMin, splits; } cases[] = {
        {160, 10, 15}, {160, -10, 15}, {10, 10, 0}, {11, 10, 1}, {15, 5, 3}, {3, 1, 2}, {100, 0, 99},
    };
    for (const auto& c : cases) EXPECT_EQ(MostSplits(c.length, c.stepMin), c.splits) << c.length << " " << c.stepMin;
}

// 10 % below 250, 20 % from 250 on; the zone from 0 to 1000, step min 10, step max 160.
const std::vector<int32_t> kStepScan{0, 160, 240, 250, 260, 280, 320, 480, 640, 800, 960};

TEST(AdaptiveZone, ResolvesAStepToStepMinKeepingThePointsInScanOrder) {
    ScanOnSimulator scan(QuietStep({{0, 10.0}, {250, 20.0}}));
    scan.setZones({AdaptiveZone(1000, 10, 160, 1.0f)});
    ScanNew(scan.state, scan.suite(), scan.view);
    EXPECT_EQ(scan.coordinates(), kStepScan);
    EXPECT_EQ(scan.labels(), std::vector<std::string>(kStepScan.size(), "Z01"));
    EXPECT_EQ(scan.measured.size(), kStepScan.size());  // each point once
    EXPECT_EQ(scan.view.pointLines.size(), kStepScan.size());
    const std::vector<int32_t> charted(scan.state.Graph.x.begin(), scan.state.Graph.x.begin() + scan.state.Graph.count);
    EXPECT_EQ(charted, scan.coordinates());  // the chart reads as a profile
    EXPECT_TRUE(scan.view.messages.empty()) << scan.view.messages.front();

    ScanOnSimulator variable(QuietStep({{0, 10.0}, {250, 20.0}}));  // the variable zone needs as many
    variable.setZones({VariableZone(1000, 10, 160, 1.0f)});
    ScanNew(variable.state, variable.suite(), variable.view);
    EXPECT_GE(variable.measured.size(), scan.measured.size());

    // Down the axis from 1000 over the mirrored specimen: the mirrored points.
    SuiteConfig down = QuietStep({{-1e9, 20.0}, {750.5, 10.0}}, {1000, 0, 0});
    ScanOnSimulator descending(down);
    descending.setZones({AdaptiveZone(1000, -10, -160, 1.0f)});
    ScanNew(descending.state, descending.suite(), descending.view);
    std::vector<int32_t> mirrored;
    for (const int32_t c : kStepScan) mirrored.push_back(1000 - c);
    EXPECT_EQ(descending.coordinates(), mirrored);
}

// The coarse pass and the budget; the point that would reach the zone's end is never measured.
TEST(AdaptiveZone, TheBudgetEndsTheRefinement) {
    const struct { int32_t length, budget; std::vector<int32_t> points; } cases[] = {
        {1000, 0, {0, 160, 320, 480, 640, 800, 960}}, {960, 0, {0, 160, 320, 480, 640, 800}},
        {1000, 2, {0, 160, 240, 280, 320, 480, 640, 800, 960}}, {1000, 100, kStepScan}};
    for (const auto& c : cases) {
        ScanOnSimulator scan(QuietStep({{0, 10.0}, {250, 20.0}}));
        scan.state.AdaptivePointBudget = c.budget;
        scan.setZones({AdaptiveZone(c.length, 10, 160, 1.0f)});
        ScanNew(scan.state, scan.suite(), scan.view);
        EXPECT_EQ(scan.coordinates(), c.points) << c.length << " " << c.budget;
    }
}

// Steps at 250 and 650: the first batch is measured coming back from the coarse pass's end,
// the second going on from where the first left the stage.
TEST(AdaptiveZone, EachBatchStartsAtTheEndNearerTheStage) {
    ScanOnSimulator scan(QuietStep({{0, 10.0}, {250, 20.0}, {650, 10.0}}));
    scan.setZones({AdaptiveZone(1000, 10, 160, 1.0f)});
    std::vector<int32_t> visited;
    scan.beforeAcquisition = [&] { visited.push_back(PointCoordinate(scan.state, scan.suite().db, scan.state.CurPnt)); };
    ScanNew(scan.state, scan.suite(), scan.view);
    visited.resize(11);
    EXPECT_EQ(visited, (std::vector<int32_t>{0, 160, 320, 480, 640, 800, 960, 720, 240, 280, 680}));
}

TEST(AdaptiveZone, MixesWithFixedAndVariableZonesOnOneLine) {
    ScanOnSimulator scan(QuietStep({{0, 10.0}, {250, 20.0}, {1333, 5.0}}));
    scan.pointBound = 60;
    scan.setZones({FixedZone(100, 50), AdaptiveZone(1000, 10, 160, 1.0f), VariableZone(500, 10, 100, 1.0f), AdaptiveZone(400, 5, 200, 1.0f)});
    ScanNew(scan.state, scan.suite(), scan.view);
    const std::vector<int32_t> points = scan.coordinates();
    EXPECT_TRUE(std::is_sorted(points.begin(), points.end()));
    EXPECT_EQ(std::adjacent_find(points.begin(), points.end()), points.end());
    const std::vector<std::string> labels = scan.labels();
    const auto labelAt = [&](int32_t c) {
        const auto at = std::find(points.begin(), points.end(), c);
        return at == points.end() ? std::string("no point") : labels[std::size_t(at - points.begin())];
    };
    EXPECT_EQ((std::vector<std::string>{labelAt(100), labelAt(260), labelAt(1060), labelAt(1460), labelAt(1760)}),
              (std::vector<std::string>{"Z01", "Z02", "Z02", "Z03", "Z04"}));
    // Both steps bracketed within step min, by the adaptive zone and by the variable one.
    for (const int32_t step : {250, 1333}) {
        const auto above = std::lower_bound(points.begin(), points.end(), step);
        ASSERT_TRUE(above != points.begin() && above != points.end());
        EXPECT_LE(*above - *(above - 1), 10) << step;
    }
    EXPECT_TRUE(scan.view.messages.empty()) << scan.view.messages.front();
}

TEST(AdaptiveZone, AStopKeepsEveryMeasuredPointInItsPlace) {
    ScanOnSimulator scan(QuietStep({{0, 10.0}, {250, 20.0}}));
    scan.setZones({AdaptiveZone(1000, 10, 160, 1.0f)});
    scan.beforeAcquisition = [&] {
        if (scan.measured.size() == 9) scan.acquisition.requestStop();  // the second refinement point, at 280
    };
    ScanNew(scan.state, scan.suite(), scan.view);
    EXPECT_EQ(scan.coordinates(), (std::vector<int32_t>{0, 160, 240, 280, 320, 480, 640, 800, 960}));
    EXPECT_EQ(scan.state.ScanStop, kTrue);
}

// A stage that refuses a midpoint: that point, never measured, leaves; the others stay.
TEST(AdaptiveZone, APointTheStageRefusedLeavesTheDocument) {
    SuiteConfig config = QuietStep({{0, 10.0}, {250, 20.0}});
    config.instrument.faults.fail(ProbeCall::LoadStageAbs, 32);  // the move to the second midpoint, 280
    ScanOnSimulator scan(config);
    scan.setZones({AdaptiveZone(1000, 10, 160, 1.0f)});
    ScanNew(scan.state, scan.suite(), scan.view);
    EXPECT_EQ(scan.coordinates(), (std::vector<int32_t>{0, 160, 240, 320, 480, 640, 800, 960}));
    EXPECT_EQ(scan.state.ScanStop, kTrue);
}

TEST(AdaptiveZone, ScansHeadlessFromItsZonesFileAndWritesItBack) {
    Headless h;
    ProfileState zones;
    zones.NbZones = 2;
    zones.Zones[0] = FixedZone(100, 50);
    zones.Zones[1] = AdaptiveZone(1000, 10, 160, 1.0f);
    h.write("mixed.PRF", ZonesFileText(zones));
    ASSERT_EQ(h.run(h.scan("mixed.PRF")), kDone) << h.err.str();
    EXPECT_EQ(h.err.str().rfind("at most 99 points", 0), 0u) << h.err.str();
    std::istringstream lines(h.out.str().substr(h.out.str().find("Label\n") + 6));
    std::vector<int32_t> x;
    for (std::string index, rate, conc, percent, at; lines >> index >> rate >> conc >> percent >> at; lines.ignore(1000, '\n'))
        x.push_back(std::stoi(at));
    EXPECT_EQ(x, (std::vector<int32_t>{0, 50, 100, 180, 220, 240, 250, 260, 420, 580, 740, 900, 1060}));
    EXPECT_NE(h.read("doc.PRF").find("\r\nA       1000     10    160  1.000"), std::string::npos) << h.read("doc.PRF");
}

TEST(AdaptiveZone, ThePlanSaysAtMostHowManyPoints) {
    const struct { std::vector<ZoneRecord> zones; int32_t budget; std::string start; } cases[] = {
        // Six coarse points, each of their intervals split at most 15 times down to step min 10.
        {{AdaptiveZone(1000, 10, 160, 1.0f)}, 100, "at most 97 points"},
        {{AdaptiveZone(1000, 10, 160, 1.0f)}, 20, "at most 27 points"},
        {{FixedZone(100, 50), AdaptiveZone(1000, 10, 160, 1.0f)}, 0, "at most 9 points"},
        {{AdaptiveZone(1000, 10, 160, 1.0f), VariableZone(1000, 10, 160, 1.0f)}, 0, "about "},  // an estimate wins
    };
    for (const auto& c : cases) {
        ProfileState state;
        state.NbZones = static_cast<int16_t>(c.zones.size());
        std::copy(c.zones.begin(), c.zones.end(), state.Zones.begin());
        state.AdaptivePointBudget = c.budget;
        const std::string text = PlanText(PlanScan(state, 1.0));
        EXPECT_EQ(text.rfind(c.start, 0), 0u) << text;
    }
    ScanProgress progress{.running = true, .planned = 97, .atMost = true, .measured = 12, .remaining = 85};
    EXPECT_EQ(ProgressText(progress).rfind("Point 12 of at most 97 - ", 0), 0u) << ProgressText(progress);
}

}  // namespace
}  // namespace kest
