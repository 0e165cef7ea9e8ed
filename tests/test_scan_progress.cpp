// What a scan says it will take, and what it says while it runs: the plan, the times, and a
// progress that counts what the list shows and never has nothing left while points remain.

#include "ScanOnSimulator.h"

#include "acquisition/ScanCommands.h"
#include "acquisition/ScanPlan.h"
#include "results/ResultLists.h"

#include <gtest/gtest.h>

namespace kest {
namespace {

using fakes::FixedZone;
using fakes::QuietStep;
using fakes::ScanOnSimulator;
using fakes::VariableZone;

TEST(ScanProgress, ClockTextsGiveHoursMinutesAndSeconds) {
    const std::pair<double, const char*> cases[] = {
        {0, "0:00:00"}, {59.4, "0:00:59"}, {59.6, "0:01:00"}, {3725, "1:02:05"}, {7199.6, "2:00:00"}, {39540, "10:59:00"}, {-5, "0:00:00"},
    };
    for (const auto& [seconds, text] : cases) EXPECT_EQ(ClockText(seconds), text) << seconds;
}

// The plan of the zones walked from the profile start, 1 s per count, NC 1, one pattern
// point, a stage of 10,000 units a second.
TEST(ScanProgress, ThePlanCountsEveryZoneFromTheProfileStart) {
    const struct { const char* name; std::vector<ZoneRecord> zones; int points; bool estimated; double seconds; } cases[] = {
        {"fixed 100 by 30: the last on the end", {FixedZone(100, 30)}, 5, false, 5.01},
        {"fixed 90 by 30", {FixedZone(90, 30)}, 4, false, 4.009},
        {"fixed step 0", {FixedZone(100, 0)}, 1, false, 1.0},
        {"variable: two steps and two halvings", {VariableZone(1000, 100, 400, 1.0f)}, 5, true, 5.16},
        {"variable too short for a step", {VariableZone(300, 100, 400, 1.0f)}, 1, false, 1.0},
        {"descending variable", {VariableZone(1000, -100, -400, 1.0f)}, 5, true, 5.16},
        {"fixed then variable", {FixedZone(100, 50), VariableZone(1000, 100, 400, 1.0f)}, 7, true, 7.17},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ProfileState state;
        state.NbZones = static_cast<int16_t>(c.zones.size());
        std::copy(c.zones.begin(), c.zones.end(), state.Zones.begin());
        const ScanPlan plan = PlanScan(state, 1.0);
        EXPECT_EQ(plan.points, c.points);
        EXPECT_EQ(plan.estimated, c.estimated);
        EXPECT_NEAR(plan.seconds, c.seconds, 1e-9);
    }
    EXPECT_EQ(PlanText({1, false, false, 12.0}), "1 point, about 0:00:12");
    EXPECT_EQ(PlanText({40, true, false, 630.0}), "about 40 points, about 0:10:30");
    EXPECT_EQ(PlanText({40, false, true, 630.0}), "at most 40 points, about 0:10:30");
}

TEST(ScanProgress, TheTimeLeftFollowsThePaceOfThePointsSoFarOverThoseToCome) {
    ScanProgress progress{.running = true, .planned = 40, .estimated = true, .plannedSeconds = 400.0};
    EXPECT_EQ(ProgressSecondsLeft(progress), 400.0);  // before the first point, the plan's
    progress.measured = 10, progress.remaining = 30, progress.elapsed = 190.0;
    EXPECT_EQ(ProgressTotal(progress), 40);
    EXPECT_DOUBLE_EQ(ProgressSecondsLeft(progress), 570.0);
    EXPECT_EQ(ProgressText(progress), "Point 10 of about 40 - 0:03:10 elapsed - about 0:09:30 left");
}

// A variable zone across a specimen with more changes than the plan foresees: after every
// point the progress names as many points as the list shows (waiting points included), and
// shows something left whenever more points come; its estimate of those to come is never
// far off.
TEST(ScanProgress, AVariableZoneNeverShowsNothingLeftWhilePointsRemain) {
    const struct { const char* name; std::vector<ZoneRecord> zones; std::vector<std::pair<double, double>> specimen; } cases[] = {
        {"many changes", {VariableZone(2000, 50, 400, 1.0f)},
         {{0, 10.0}, {130, 20.0}, {420, 10.0}, {770, 20.0}, {1100, 10.0}, {1510, 20.0}, {1800, 10.0}}},
        {"descending", {VariableZone(1000, -50, -400, 1.0f)}, {{-730, 10.0}, {-560, 20.0}, {-260, 10.0}}},
        {"fixed, variable, fixed", {FixedZone(200, 50), VariableZone(1000, 25, 300, 1.0f), FixedZone(100, 40)},
         {{0, 10.0}, {640, 20.0}, {900, 10.0}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScanOnSimulator scan(QuietStep(c.specimen));
        scan.pointBound = 200;
        scan.setZones(c.zones);
        struct Shown { int measured, remaining, rows; };
        std::vector<Shown> shown;
        scan.view.progressShown = [&](const ScanProgress& progress) {
            if (progress.running && progress.measured > 0)
                shown.push_back({progress.measured, progress.remaining, static_cast<int>(scan.view.pointLines.size())});
        };
        ScanNew(scan.state, scan.suite(), scan.view);
        ASSERT_FALSE(shown.empty());
        const int measured = static_cast<int>(scan.measured.size());
        EXPECT_GT(measured, PlanScan(scan.state, 1.0).points) << "the zone needs more points than planned";
        for (std::size_t i = 0; i < shown.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(shown[i].rows, shown[i].measured);
            const int toCome = measured - shown[i].measured;
            EXPECT_EQ(shown[i].remaining > 0, toCome > 0);
            EXPECT_LE(std::abs(shown[i].remaining - toCome), 12);
        }
        EXPECT_EQ(shown.back().measured, measured);
        EXPECT_EQ(scan.view.pointLines.size(), static_cast<std::size_t>(scan.state.NbPts));  // no waiting row after the scan
    }
}

// A waiting point is listed after the document's points while the scan runs, and a point
// stored without counts shows no value.
TEST(ScanProgress, TheListShowsWaitingAndUnmeasuredPointsAsSuch) {
    ScanOnSimulator scan(QuietStep({{0, 10.0}, {250, 20.0}}));
    scan.setZones({VariableZone(1000, 100, 400, 1.0f)});
    std::vector<std::vector<std::string>> listed;  // the list as each acquisition starts
    scan.beforeAcquisition = [&] { listed.push_back(scan.view.pointLines); };
    ScanNew(scan.state, scan.suite(), scan.view);
    ASSERT_EQ(listed.size(), 5u);
    ASSERT_EQ(listed[2].size(), 2u);  // as 200 is measured: 0, and 400 waiting
    EXPECT_EQ(WithoutTrailingBlanks(listed[2][1]), "   2   1020.00  20.00 %      400        0 Z01      waiting");

    std::string key = scan.state.DocKey.str();
    scan.suite().db.KestDbAddPt(key, 1200, 0, 0);  // as Points > Add places one
    ReloadPoints(scan.state, scan.suite().db, scan.view);
    EXPECT_EQ(WithoutTrailingBlanks(scan.view.pointLines.back()), "   6" + std::string(20, ' ') + "    1200        0          unmeasured");
}

}  // namespace
}  // namespace kest
