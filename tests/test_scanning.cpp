// The scan driver on the simulated instrument (virtual clock, no noise): where fixed and
// variable zones put their points, the trial stack, labels, stop, and the commands'
// preconditions; and the acceptance tests and the zone check on their own.

#include "ProgramOnFakes.h"
#include "ScanOnSimulator.h"

#include "acquisition/ScanCommands.h"
#include "acquisition/ZoneChecks.h"
#include "results/ResultTables.h"

#include <gtest/gtest.h>

#include <array>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace kest {
namespace {

using fakes::FixedZone;
using fakes::QuietStep;
using fakes::ScanOnSimulator;
using fakes::VariableZone;

struct ScanCase {
    const char* name; SuiteConfig config; std::vector<ZoneRecord> zones; std::vector<int32_t> coordinates;
    std::vector<std::string> labels; std::size_t acquisitions;
};

TEST(ScanNew, PlacesThePointsOfFixedAndVariableZones) {
    const std::vector<std::pair<double, double>> flat{{0, 10.0}};
    const std::vector<ScanCase> cases{
        // 10 % below 250, 20 % above: 400 is held back while 200 and 300 bracket the step.
        {"worked example", QuietStep({{0, 10.0}, {250, 20.0}}), {VariableZone(1000, 100, 400, 1.0f)},
         {0, 200, 300, 400, 800}, {"Z01", "Z01", "Z01", "Z01", "Z01"}, 5},
        {"fixed zone clipped to its end", QuietStep(flat, {1000, 0, 0}), {FixedZone(100, 30)},
         {1000, 1030, 1060, 1090, 1100}, {"Z01", "Z01", "Z01", "Z01", "Z01"}, 5},
        {"first step beyond the end", QuietStep(flat), {VariableZone(300, 10, 400, 1.0f)}, {0}, {"Z01"}, 1},
        // 1200 reaches the end of the flat variable zone and is deleted unmeasured; the fixed
        // zone starts from 900.
        {"flat, then a fixed zone", QuietStep(flat), {VariableZone(1000, 50, 300, 1.0f), FixedZone(200, 100)},
         {0, 300, 600, 900, 1000, 1100, 1200}, {"Z01", "Z01", "Z01", "Z01", "Z02", "Z02", "Z02"}, 7},
    };
    for (const ScanCase& c : cases) {
        SCOPED_TRACE(c.name);
        ScanOnSimulator scan(c.config);
        scan.setZones(c.zones);
        ScanNew(scan.state, scan.suite(), scan.view);
        EXPECT_EQ(std::tuple(scan.coordinates(), scan.labels(), scan.measured.size(), scan.view.pointLines.size(), scan.view.messages),
                  std::tuple(c.coordinates, c.labels, c.acquisitions, c.coordinates.size(), std::vector<std::string>{}));
    }
}

// One variable zone walked as the trial stack walks it, written as the recursion it amounts
// to: a step longer than |step min| across which the specimen changes by more than dConc
// is halved, and its near half walked first.
std::vector<int32_t> ModelScan(const SpecimenProfile& specimen, int32_t start, const ZoneRecord& z) {
    std::vector<int32_t> points{start};
    const auto walk = [&](const auto& self, int32_t a, int32_t b) -> void {
        if (std::abs(b - a) <= std::abs(z.stepMin) || std::fabs(specimen.percentAt(a) - specimen.percentAt(b)) <= z.dConc)
            return points.push_back(b);
        self(self, a, Midpoint(a, b));
        self(self, Midpoint(a, b), b);
    };
    const int32_t limit = z.stepMin > 0 ? start + z.length : start - z.length;
    for (int32_t a = start; z.stepMin > 0 ? a + z.stepMax < limit : a + z.stepMax > limit; a += z.stepMax) walk(walk, a, a + z.stepMax);
    return points;
}

// Random descending lines across one to four steps give the model's points (a trial within
// |step min| across a step accepted as in an ascending zone), and so do the ascending scans
// of the mirrored specimens, mirrored.
TEST(ScanNew, RandomLinesEndWithTheModelsPointsAndDescendingMirrorsAscending) {
    std::mt19937 random(16);
    const auto uniform = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    for (int line = 0; line < 16; ++line) {
        const int32_t stepMin = uniform(1, 40), stepMax = stepMin * uniform(2, 40);
        const int32_t length = stepMax * uniform(1, 12) + uniform(0, stepMax), start = uniform(-5000, 5000);
        const float dConc = std::array{1.0f, 2.5f, 7.0f}[std::size_t(uniform(0, 2))];
        std::set<double> steps;  // between stage units, so that both directions see the same sides
        for (int i = uniform(1, 4); i > 0; --i) steps.insert(start - uniform(1, length) + 0.5);
        SpecimenProfile down{SpecimenProfile::Shape::Step, {{-1e9, 5.0 * uniform(0, 10)}}}, up = down;
        for (const double c : steps) down.points.emplace_back(c, 5.0 * uniform(0, 10));
        for (std::size_t i = down.points.size() - 1; i > 0; --i) up.points.emplace_back(-down.points[i].first, down.points[i - 1].second);
        up.points.front().second = down.points.back().second;
        SCOPED_TRACE(testing::Message() << "line " << line << " from " << start << ", steps " << -stepMin << " " << -stepMax);
        const std::vector<int32_t> model = ModelScan(down, start, VariableZone(length, -stepMin, -stepMax, dConc));
        for (const int sign : {1, -1}) {
            SuiteConfig config = QuietStep({}, {sign * start, 0, 0});
            config.specimen.elements[26] = sign > 0 ? down : up;
            ScanOnSimulator scan(config);
            scan.setZones({VariableZone(length, -sign * stepMin, -sign * stepMax, dConc)});
            ScanNew(scan.state, scan.suite(), scan.view);
            std::vector<int32_t> points = scan.coordinates();
            for (int32_t& c : points) c *= sign;
            EXPECT_EQ(std::pair(points, scan.view.messages), std::pair(model, std::vector<std::string>{})) << (sign > 0 ? "descending" : "ascending, mirrored");
        }
    }
}

TEST(ScanNew, StopEndsTheScanAfterThePointAndNewScansClearIt) {
    ScanOnSimulator scan(QuietStep({{0, 10.0}, {250, 20.0}}));
    scan.setZones({VariableZone(1000, 100, 400, 1.0f)});
    scan.beforeAcquisition = [&] {
        if (scan.measured.size() == 3) scan.acquisition.requestStop();  // the point at 200
    };
    ScanNew(scan.state, scan.suite(), scan.view);
    EXPECT_EQ(scan.coordinates(), (std::vector<int32_t>{0, 200}));  // 400 waits on the trial stack
    ASSERT_EQ(scan.state.TrialStack.size(), 1u);
    EXPECT_EQ(std::pair(scan.state.TrialStack.back().point.x, scan.state.ScanStop), std::pair(400, kTrue));

    // The next scan starts where the stage stands, at 200; 600 and 400 both wait, then
    // come back one after the other.
    scan.beforeAcquisition = [] {};
    ScanNew(scan.state, scan.suite(), scan.view);
    const std::vector<int32_t> second{200, 300, 400, 600, 1000};
    EXPECT_EQ(scan.coordinates(), second);
    // A point put back keeps its k-ratio and factors (iron alone against pure iron).
    EXPECT_EQ(std::make_tuple(scan.state.ResultTable[0][2].kRatio, scan.state.ResultTable[0][2].zFactor),
              std::make_tuple(0.2f, 1.0f));

    scan.state.ScanStop = kTrue;
    scan.measured.clear();
    ScanOld(scan.state, scan.suite(), scan.view);
    EXPECT_EQ(std::tuple(scan.measured, scan.coordinates(), scan.state.AutoAcquire), std::tuple(std::vector<int16_t>{0, 1, 2, 3, 4}, second, kTrue));
}

TEST(ScanNew, LeavesTheDocumentAloneWhenItCannotScan) {
    struct Case { const char* name; bool elements; std::vector<ZoneRecord> zones; std::string message; };
    const std::vector<Case> cases{
        {"no element", false, {FixedZone(100, 10)}, ""},
        {"no zone", true, {}, ""},
        {"zone that never ends", true, {FixedZone(100, 10), VariableZone(100, 0, 50, 1.0f)}, "Zone 2 (V) cannot be scanned"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SuiteConfig config = QuietStep({{0, 10.0}});
        if (!c.elements) config.setup.elements.clear();
        ScanOnSimulator scan(config);
        std::string key = scan.state.DocKey.str();
        scan.suite().db.KestDbAddPt(key, 5, 6, 7);
        LoadPoints(scan.state, scan.suite().db);
        scan.setZones(c.zones);
        ScanNew(scan.state, scan.suite(), scan.view);
        EXPECT_EQ(std::pair(scan.coordinates(), scan.measured.size()), std::pair(std::vector<int32_t>{5}, std::size_t{0}));
        ASSERT_EQ(scan.view.messages.size(), c.message.empty() ? 0u : 1u);
        if (!c.message.empty()) { EXPECT_EQ(scan.view.messages[0].rfind(c.message, 0), 0u) << scan.view.messages[0]; }
    }
}

ZoneRecord Adaptive(ZoneRecord zone) {
    zone.type = kAdaptiveZone;
    return zone;
}

TEST(ZoneChecks, RefuseZonesThatCanNeverReachTheirLimit) {
    const struct { const char* name; std::vector<ZoneRecord> zones; int16_t axis; std::string refusal; } cases[] = {  // refusal: its start
        {"up and down", {VariableZone(500, 10, 100, 1), VariableZone(200, -10, -50, 1)}, 1, ""},
        {"fixed step 0 at the start", {FixedZone(100, 0)}, 2, ""},
        {"variable step min 0", {FixedZone(100, 10), VariableZone(100, 0, 50, 1)}, 1, "Zone 2 (V) cannot be scanned: its step min is 0"},
        {"up with step max down", {VariableZone(100, 10, -50, 1)}, 1, "Zone 1 (V) cannot be scanned: it scans up"},
        {"up with step max 0", {VariableZone(100, 10, 0, 1)}, 1, "Zone 1 (V) cannot be scanned: it scans up"},
        {"down with step max 0", {VariableZone(100, -10, 0, 1)}, 1, "Zone 1 (V) cannot be scanned: it scans down"},
        {"adaptive up and down", {Adaptive(VariableZone(500, 10, 100, 0)), Adaptive(VariableZone(200, -10, -50, 1))}, 1, ""},
        {"adaptive step min 0", {Adaptive(VariableZone(100, 0, 50, 1))}, 1, "Zone 1 (A) cannot be scanned: its step min is 0"},
        {"adaptive up with step max 0", {Adaptive(VariableZone(100, 10, 0, 1))}, 1, "Zone 1 (A) cannot be scanned: it scans up"},
        {"adaptive down with step max up", {Adaptive(VariableZone(100, -10, 50, 1))}, 1, "Zone 1 (A) cannot be scanned: it scans down"},
        {"adaptive tolerance below 0", {Adaptive(VariableZone(100, 10, 50, -0.5f))}, 1,
         "Zone 1 (A) cannot be scanned: its tolerance dConc -0.5 is below 0"},
        {"adaptive below the start, then fixed step 0", {Adaptive(VariableZone(100, -10, -50, 1)), FixedZone(100, 0)}, 1, "Zone 2 (F)"},
        {"fixed step 0 below the start", {VariableZone(100, -10, -50, 1), FixedZone(100, 0)}, 1, "Zone 2 (F) cannot be scanned"},
        {"fixed step 0 back above the start", {VariableZone(100, -10, -50, 1), FixedZone(300, 20), FixedZone(10, -5)}, 1, ""},
        {"no axis", {FixedZone(100, 10)}, 3, "The scan needs an axis"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ProfileState state;
        state.Ax = c.axis;
        state.NbZones = static_cast<int16_t>(c.zones.size());
        std::copy(c.zones.begin(), c.zones.end(), state.Zones.begin());
        const std::string refusal = ScanRefusal(state).value_or("");
        EXPECT_EQ(std::pair(refusal.substr(0, c.refusal.size()), refusal.empty()), std::pair(c.refusal, c.refusal.empty())) << refusal;
    }
}

// Two points (or the last point and a trial) with the given distance and change of the
// one element's concentration, against step min 100 (signed as given) and dConc 1.
TEST(ZoneScan, AcceptsStepsAndTrials) {
    // Sigmas 0.3 at the first point (the trial), 0.4 at the second: 4 sigmas of the difference is 2.
    const struct { const char* name; int32_t distance, stepMin; float change; int16_t sigmas; bool step, trial; } cases[] = {
        {"change equal to dConc", 400, 100, 1.0f, 0, true, true},
        {"change above dConc", 400, 100, 1.01f, 0, false, false},
        {"within step min", 100, 100, 10.0f, 0, true, true},
        {"within a descending step min", 100, -100, 10.0f, 0, true, true},  // both compare magnitudes
        {"change within 4 sigmas", 400, 100, -1.9f, 4, true, true},
        {"change beyond 4 sigmas", 400, 100, 2.1f, 4, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fakes::ProgramOnFakes program;
        ProfileState& state = program.state;
        state.NbElt = 1;
        state.Zones[0] = VariableZone(1000, c.stepMin, 400, 1.0f);
        program.fake.db.points = {{1000, 0, 0, "", {}, {}}, {1000 + c.distance, 0, 0, "", {}, {}}};
        LoadPoints(state, program.fake.db);
        state.NoiseSigmas = c.sigmas;
        state.ResultTable[0][0] = {.conc = 10.0f, .sigma = 0.3f};
        state.ResultTable[0][1] = {.conc = 10.0f + c.change, .sigma = 0.4f};
        EXPECT_EQ(StepAcceptable(state, program.fake.db, 0), c.step);

        state.TrialStack = {TrialEntry{state.PointTable[0], {state.ResultTable[0][0]}}};  // a trial at 1000
        LoadPoints(state, program.fake.db);
        state.ResultTable[0][1] = {.conc = 10.0f + c.change, .sigma = 0.4f};
        EXPECT_EQ(TrialAcceptable(state, program.fake.db, 0), c.trial);
    }
}

TEST(ZoneScan, AFullDocumentEndsTheScanWithItsWaitingPointsPutBack) {
    fakes::ProgramOnFakes program;
    program.fake.db.points.assign(1, fakes::FakePoint{});
    program.state.NbPts = 1;
    program.state.NbElt = 1;
    program.state.Zones[0] = VariableZone(100000, 10, 640, 1.0f);
    PointRecord waiting;
    waiting.x = 640;
    program.state.TrialStack.assign(kDocumentPointCapacity - 1, TrialEntry{waiting, {ResultRecord{}}});
    EXPECT_FALSE(AddPointAt(program.state, program.fake.suite, program.view, 320, 0));
    EXPECT_EQ(std::tuple(program.fake.db.points.size(), program.state.TrialStack.size(), program.state.ScanStop),
              std::tuple(std::size_t(kDocumentPointCapacity), std::size_t{0}, kTrue));
    ASSERT_EQ(program.view.messages.size(), 1u);
    EXPECT_NE(program.view.messages[0].find("32767 points"), std::string::npos) << program.view.messages[0];
}

// The guard behind the zone checks: a fixed zone of step 0 that starts below the profile
// start (which the checks refuse) measures 2 x 15 + 4 points at -15, then ends the scan.
TEST(ZoneScan, AZoneThatMeasuresMorePointsThanItsLengthNeedsEndsTheScan) {
    ScanOnSimulator scan(QuietStep({{0, 10.0}}));
    scan.setZones({VariableZone(20, -10, -15, 1.0f), FixedZone(100, 0)});
    StartProfile(scan.state, scan.suite(), scan.view);
    ScanVariableZone(scan.state, scan.suite(), scan.view, 0);
    ScanFixedZone(scan.state, scan.suite(), scan.view, 1);
    EXPECT_EQ(std::pair(scan.coordinates().size(), scan.state.ScanStop), std::pair(std::size_t{2 + 34}, kTrue));
    ASSERT_EQ(scan.view.messages.size(), 1u);
    EXPECT_EQ(scan.view.messages[0].rfind("Zone 2 (F) has measured 34 points", 0), 0u) << scan.view.messages[0];
}

TEST(ZoneScan, LabelsAndMidpoints) {  // beyond those of the scans above
    EXPECT_EQ(ZoneLabel(99), "Z100");
    // Halves go to the even neighbour; the sum does not wrap.
    EXPECT_EQ((std::array{Midpoint(200, 201), Midpoint(201, 202), Midpoint(-3, 0), Midpoint(2'147'483'647, 2'147'483'645)}),
              (std::array{200, 202, -2, 2'147'483'646}));
}

}  // namespace
}  // namespace kest
