// The suite as the program runs on it: the simulated microprobe counting on a specimen, the
// documents and the computation together, the numbers an analyst checks (counting
// statistics, dead time, beam drift, calibration, point status)).

#include "FakeAcquisition.h"
#include "ProgramOnDocuments.h"
#include "ScanOnSimulator.h"

#include "acquisition/PointAcquisition.h"
#include "acquisition/ScanCommands.h"
#include "results/ProfileExport.h"
#include "results/ResultLists.h"
#include "results/ResultTables.h"
#include "suite/SuiteInstance.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <sstream>
#include <string>
#include <utility>

namespace kest {
namespace {

// Fe on spectrometer 1 (a step) and Ni on spectrometer 2 (a gradient), dead times 3 us and
// 1.5 us, quiet.
SuiteConfig QuietCouple() {
    SuiteConfig config = fakes::QuietStep({{0, 90.0}, {250, 60.0}});
    config.instrument.dead_time_us = {3, 1.5, 3, 3, 3};
    config.setup.elements.push_back({28, 2, "Ni", true, 100.0, 8000.0, 35.0});
    config.specimen.elements[28] = {SpecimenProfile::Shape::Linear, {{0, 10.0}, {500, 40.0}}};
    return config;
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

// The quiet couple, every point counted for 1 s.
TEST(SimulatedInstrument, AnAcquiredPointStoresTheSpecimenToWithinOneCount) {
    const SuiteConfig config = QuietCouple();
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

// The specimen obeys the physics the computation corrects for, so a quiet scan of a couple
// gives its composition back at every point: a round trip through the matrix correction, which
// checks the iteration and the plumbing (the physics is checked against measured k-ratios).
TEST(SimulatedInstrument, AQuietScanOfACoupleGivesBackItsCompositionAtEveryPoint) {
    struct Couple {
        int profiled, balance;     // the first element's profile, the second the rest to 100 %
        double beamKeV;
        const char* lines[2];
    };
    for (const Couple& c : {Couple{28, 26, 20.0, {"Ka", "Ka"}}, Couple{79, 29, 25.0, {"La", "Ka"}}}) {
        SuiteConfig config = fakes::QuietStep({});
        config.setup.matrix.accelerating_voltage_kV = c.beamKeV;
        config.setup.elements = {{c.profiled, 1, "A", true, 100.0, 20000.0, 40.0, 0.0, c.lines[0]},
                                 {c.balance, 2, "B", true, 100.0, 20000.0, 30.0, 0.0, c.lines[1]}};
        config.specimen.elements.clear();
        config.specimen.elements[c.profiled] = {SpecimenProfile::Shape::Linear, {{0, 2.0}, {1000, 98.0}}};
        config.specimen.balance = c.balance;
        fakes::ScanOnSimulator scan(config);
        scan.setZones({fakes::FixedZone(1000, 100)});
        scan.view.setDefTimeText("10");
        ScanNew(scan.state, scan.suite(), scan.view);
        const std::vector<int32_t> x = scan.coordinates();
        ASSERT_EQ(x.size(), 11u);
        for (std::size_t p = 0; p < x.size(); ++p)
            for (const auto& [e, z] : {std::pair{0, c.profiled}, {1, c.balance}})
                EXPECT_NEAR(scan.state.ResultTable[std::size_t(e)][p].conc, config.specimen.percentAt(z, x[p]), 0.01)
                    << z << " at " << x[p];
        // The matrix matters here: the k-ratio of the profiled element is no proportion.
        const ResultRecord middle = scan.state.ResultTable[0][5];
        EXPECT_GT(std::abs(middle.kRatio * 100.0 / middle.conc - 1.0), 0.03) << c.profiled;
        EXPECT_NEAR(middle.kRatio * middle.zFactor * middle.aFactor * middle.fFactor * 100.0, middle.conc, 0.01);
    }
}

TEST(SimulatedInstrument, ADriftingBeamLeavesAFlatSpecimenFlat) {
    SuiteConfig config = fakes::QuietStep({{0, 10.0}});
    config.instrument.noise = true;
    config.instrument.beam_drift_per_hour = 0.5;  // 25 % up after the half hour of 30 points of 60 s
    fakes::ScanOnSimulator scan(config);
    scan.setZones({fakes::FixedZone(290, 10)});
    scan.view.setDefTimeText("60");
    ScanNew(scan.state, scan.suite(), scan.view);
    ASSERT_EQ(scan.state.NbPts, 30);
    EXPECT_NEAR(scan.instance.simulator()->simulatedTime(), 1800.0, 1.0);
    for (int p = 0; p < 30; ++p) EXPECT_NEAR(scan.state.ResultTable[0][p].conc, 10.0, 3 * scan.state.ResultTable[0][p].sigma) << p;
    std::string key = scan.state.DocKey.str();
    float m1, m2, m3, m4, m5;  // measure 5: the mean current of the last count, from 29 to 30 minutes
    scan.suite().db.KestDbEltGetMeasures(key, 26, kByAtomicNumber, 29, m1, m2, m3, m4, m5);
    EXPECT_NEAR(m5, 20.0 * (1 + 0.5 * 1770.0 / 3600.0), 0.01);
}

TEST(SimulatedInstrument, ALineWithOneElementOnAReferenceProfileAndOneOnAStandardGivesBothRight) {
    const QTemporaryDir references;
    const auto reference = fakes::TemporaryFolder(references) / "nickel.ana";
    fakes::WriteReferenceDocument(reference, 28, {{835, 10}, {3235, 40}});  // 35 + 80 cps per % of nickel
    SuiteConfig config = QuietCouple();
    config.setup.elements[1].standard = reference.string();
    fakes::ScanOnSimulator scan(config);
    scan.setZones({fakes::FixedZone(400, 100)});
    scan.view.setDefTimeText("10");
    ScanNew(scan.state, scan.suite(), scan.view);
    const std::vector<int32_t> x = scan.coordinates();
    ASSERT_EQ(x.size(), 5u);
    // Iron through the matrix correction; nickel keeps its calibration line, which is straight
    // where the intensities of the couple are not.
    for (std::size_t p = 0; p < x.size(); ++p) {
        EXPECT_NEAR(scan.state.ResultTable[0][p].conc, config.specimen.percentAt(26, x[p]), 0.003) << "Fe at " << x[p];
        const ResultRecord& ni = scan.state.ResultTable[1][p];
        EXPECT_NEAR(ni.conc, (ni.rate - 35.0) / 80.0, 1e-3) << "Ni at " << x[p];
    }
    const ResultRecord nickel = scan.state.ResultTable[1][0];  // one standard deviation through the line's slope
    EXPECT_NEAR(nickel.sigma, std::sqrt(nickel.rate * (1 + 1.5e-6 * nickel.rate) / 10) / 80, 1e-5);
}

// Counters that give the stop button its chance after every poll, as the window does.
struct StoppingPacer : SleepingPacer {
    std::function<void()> stop = [] {};
    void letEventsRun(std::chrono::milliseconds) override { stop(); }
};

// Point 1 measured; point 2 stopped while its second spectrometer counts; point 3 failed by a
// fault of the suite file. The document, the point list, the chart and the CSV tell them apart.
TEST(SimulatedInstrument, StoppedAndFailedPointsAreMarkedInTheDocumentListChartAndCsv) {
    QTemporaryDir home;
    SuiteConfig config = QuietCouple();
    config.instrument.faults.fail(ProbeCall::ReadCounter, 3);  // point 1 reads two counters, point 2 one
    SuiteInstance instance(config, {home.path().toStdString(), home.path().toStdString()});
    ProfileState state;
    SetUpCouple(state, instance.suite());
    fakes::FakeAcquisitionView window;
    StoppingPacer pacer;
    PointAcquisition acquisition(state, instance.suite(), window, pacer);
    std::string key = state.DocKey.str();
    for (int16_t p = 0; p < 3; ++p) {
        instance.suite().db.KestDbAddPt(key, 0, 0, 0);
        pacer.stop = [&, p] { if (p == 1) acquisition.requestStop(); };
        acquisition.acquire({.point = p, .x = std::to_string(100 * p), .y = "0", .time = "1", .countOption = 0, .pattern = "0", .label = "P"});
    }
    std::vector<PointStatus> stored;
    for (const DocumentPoint& point : instance.database().document(key)->points) stored.push_back(point.status);
    EXPECT_EQ(stored, (std::vector<PointStatus>{PointStatus::Measured, PointStatus::Stopped, PointStatus::Failed}));

    fakes::FakeMainView view;
    state.CurElt = 0;
    ReloadPoints(state, instance.suite().db, view);
    EXPECT_EQ(WithoutTrailingBlanks(view.pointLines[1].substr(50)), " stopped");
    EXPECT_EQ(WithoutTrailingBlanks(view.pointLines[2].substr(50)), " failed");
    EXPECT_EQ(view.graph().values().hollow, (std::vector<uint8_t>{0, 1, 1}));
    std::ostringstream csv;
    WriteProfileCsv(state, csv);
    EXPECT_NE(csv.str().find(",total wt%,status,flags\n1,0,"), std::string::npos) << csv.str();
    // The stopped and failed points hold the numbers of the point before them: none of their own.
    for (const char* row : {",measured,\n2,", "\n2,100,0,0,P,100,,,,,,,,,,,,stopped,\n3,200,0,0,P,200,,,,,,,,,,,,failed,\n"})
        EXPECT_NE(csv.str().find(row), std::string::npos) << row << "\n" << csv.str();
}

// Doubtful numbers are flagged, never hidden: in the document, the point list (after the
// label), the chart (hollow), the CSV, the statistics lines and the count of flagged points.
// A counter beyond the reach of the correction (an analyser that reports no dead time, taken
// as 2 us, on a counter that loses nothing at 600,000 cps: tau m = 1.2) gives no rate at all.
TEST(SimulatedInstrument, DoubtfulPointsAreFlaggedWhereverTheirNumbersAreShown) {
    struct Case { const char* name; double beamNA, standardCps, deadTimeUs; int32_t flags; PointStatus status; };
    const Case cases[] = {
        {"steady", 20, 5000, 2, 0, PointStatus::Measured},
        {"a beam at a twentieth of the standard's", 1, 5000, 2, kFlagBeam, PointStatus::Measured},
        {"a counter dead two thirds of the time", 20, 1e7, 2, kFlagDeadTime, PointStatus::Measured},
        {"a counter beyond the correction", 20, 6e6, 0, kFlagDeadTime, PointStatus::Failed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SuiteConfig config = fakes::QuietStep({{0, 10.0}});
        config.instrument.beam_current_nA = c.beamNA;
        config.instrument.dead_time_us.fill(c.deadTimeUs);
        config.setup.elements[0].standard_cps = c.standardCps;
        config.setup.elements[0].standard_current_nA = 20;
        fakes::ScanOnSimulator scan(config);
        scan.setZones({fakes::FixedZone(100, 100)});
        ScanNew(scan.state, scan.suite(), scan.view);
        ASSERT_EQ(scan.state.NbPts, 2);
        EXPECT_EQ(scan.state.PointTable[1].status, c.status);
        EXPECT_EQ(ResultAt(scan.state, 0, 1).flags, c.flags);
        const std::string flag = QualityFlagText(c.flags);
        const std::string line = WithoutTrailingBlanks(scan.view.pointLines[1]);
        EXPECT_EQ(line.substr(line.size() - flag.size()), flag) << line;
        EXPECT_EQ(scan.view.graph().values().hollow[1], c.flags ? 1 : 0);
        std::ostringstream csv;
        WriteProfileCsv(scan.state, csv);
        EXPECT_NE(csv.str().find(std::string(PointStatusName(c.status)) + "," + (c.flags ? "Fe:" + flag : "") + "\n"),
                  std::string::npos) << csv.str();
        EXPECT_EQ(WithoutTrailingBlanks(StatisticsLines(scan.state)[2]).ends_with(c.flags ? "Fe:" + flag : "measured"), true)
            << StatisticsLines(scan.state)[2];
        EXPECT_EQ(FlaggedPoints(scan.state), c.flags ? 2 : 0);
    }
}

}  // namespace
}  // namespace kest
