// What an acquisition leaves in the document: the measures of every element, the computed
// concentrations in both modes, the position and the label; and the recompute of all points.

#include "ProgramOnFakes.h"

#include "acquisition/MeasureStorage.h"
#include "results/PointComputation.h"

#include <gtest/gtest.h>

namespace kest {
namespace {

// Fe and Ni both on spectrometer 2 (rate 40), Cr on spectrometer 3 (rate 7); three points.
struct Storage : fakes::ProgramOnFakes {
    Storage() {
        const std::array<int16_t, 3> z{26, 28, 24};
        const std::array<int32_t, 3> sp{2, 2, 3};
        for (std::size_t e = 0; e < 3; ++e) {
            state.ElementTable[e] = EltEntry{.position = int16_t(e), .symbol = {}, .atomicNumber = z[e], .standardName = "Fe", .spectrometer = sp[e]};
            fake.db.elements.push_back({.z = z[e], .beamCurrent = 20.0f, .currentFactor = 0.5f});
        }
        state.NbElt = 3;
        state.SpectroTable[1].rate = 40.0f;
        state.SpectroTable[2].rate = 7.0f;
        for (int p = 0; p < 3; ++p) fake.db.points.push_back({100 * p, 5, 33, "old", {}, {}});
        for (auto& point : fake.db.points)
            for (int32_t e = 0; e < 3; ++e) point.measures[e] = {1, 2, 3, 4, 5};
    }
};

TEST(MeasureStorage, MeasuresComputationPositionAndLabelInThatOrder) {
    Storage s;
    StorePoint(s.state, s.fake.suite, 1, "250", "-20", "Z02");
    const std::vector<std::string> expected{
        "KestDbEltGetMeasures(        , 26, 0, 1)", "KestDbEltGetBcAv(        , 26, 0)", "KestDbEltGetSpectroPositions(        , 26, 0)",
        "KestDbEltSetMeasures(        , 26, 0, 1, 40, 2, 10, 4, 20)",
        "KestDbEltGetMeasures(        , 28, 0, 1)", "KestDbEltGetBcAv(        , 28, 0)", "KestDbEltGetSpectroPositions(        , 28, 0)",
        "KestDbEltSetMeasures(        , 28, 0, 1, 40, 2, 10, 4, 20)",
        "KestDbEltGetMeasures(        , 24, 0, 1)", "KestDbEltGetBcAv(        , 24, 0)", "KestDbEltGetSpectroPositions(        , 24, 0)",
        "KestDbEltSetMeasures(        , 24, 0, 1, 7, 2, 10, 4, 20)",
        "KestComputeQti(        , 1, -1, 0)", "KestDbGetStagePos(        , 1)", "KestDbSetStagePos(        , 1, 250, -20, 33)",
        "KestDbSetAnaLabel(        , 1, Z02, 0)", "KestDbSetPointStatus(        , 1, 1)"};
    EXPECT_EQ(s.fake.journal, expected);
}

// Spectrometer 2's rate is brought to the current of Fe's standard (20 nA); Ni's standard
// was measured at 10 nA, so Ni's rate and deviation are half of it.
TEST(MeasureStorage, AnElementSharingASpectrometerGetsTheRateAtItsOwnStandardsCurrent) {
    Storage s;
    s.state.ElementTable[0].standardCurrent = 20.0f, s.state.ElementTable[1].standardCurrent = 10.0f;
    SpectroRecord& counted = s.state.SpectroTable[1];
    counted.currentRead = true, counted.referenceCurrent = 20.0f, counted.current = counted.lowestCurrent = 20.0f;
    StorePoint(s.state, s.fake.suite, 1, "250", "-20", "Z02");
    const auto stored = s.fake.db.named("KestDbEltSetMeasures");
    ASSERT_EQ(stored.size(), 3u);
    EXPECT_EQ(stored[0], "KestDbEltSetMeasures(        , 26, 0, 1, 40, 2, 10, 4, 20)");
    EXPECT_EQ(stored[1], "KestDbEltSetMeasures(        , 28, 0, 1, 20, 2, 10, 4, 20)");
}

TEST(PointComputation, CalibrationLineGivesTheMassFractionAndKeepsTheOtherFields) {
    struct Case { float slope, intercept, rate, fraction; };
    const Case cases[] = {{2.0f, 10.0f, 20.0f, 0.5f}, {0.0f, 10.0f, 12345.0f, 0.1f}};
    for (const Case& c : cases) {
        Storage s;
        s.state.ComputeMode = kFalse;
        s.state.NbElt = 1;
        s.state.ElementTable[0].slope = c.slope, s.state.ElementTable[0].intercept = c.intercept;
        s.state.ElementTable[0].byReference = true;
        s.fake.db.points[1].measures[0] = {c.rate, 0, 0, 0, 0};
        ComputeResult kept;
        kept.field[10] = 42.0f;
        s.fake.db.points[1].results[0] = kept;
        ComputePoint(s.state, s.fake.suite, 1);
        EXPECT_EQ(s.fake.db.points[1].results[0].field[0], c.fraction);
        EXPECT_EQ(s.fake.db.points[1].results[0].field[10], 42.0f);
        EXPECT_TRUE(s.fake.comp.named("KestComputeQti").empty());
    }
}

// A line mixing an element on a reference profile (Fe) with two on standards (Ni, Cr): each
// is computed its own way, and every element's field 6 is the total of all three.
TEST(PointComputation, AMixedLineComputesEachElementItsOwnWayAndTotalsThemAll) {
    Storage s;
    s.state.ElementTable[0].byReference = true;
    s.state.ElementTable[0].slope = 0.5f, s.state.ElementTable[0].intercept = 0.0f;  // 40 cps: 20 %
    for (std::size_t e = 0; e < 3; ++e) s.fake.db.points[1].measures[e] = {40.0f, 0, 0, 0, 0};
    s.fake.db.points[1].results[1].field[0] = 0.3f;  // what the library gave Ni and Cr
    s.fake.db.points[1].results[2].field[0] = 0.1f;
    ComputePoint(s.state, s.fake.suite, 1);
    EXPECT_EQ(s.fake.comp.named("KestComputeQti"), std::vector<std::string>{"KestComputeQti(        , 1, -1, 0)"});
    auto& results = s.fake.db.points[1].results;
    EXPECT_EQ((std::array{results[0].field[0], results[1].field[0], results[2].field[0]}), (std::array{0.2f, 0.3f, 0.1f}));
    for (std::size_t e = 0; e < 3; ++e) EXPECT_FLOAT_EQ(results[e].field[5], 0.6f) << e;
}

TEST(PointComputation, RecomputeAllInTheLibrarysModeComputesEveryPointAfterAllOfThem) {
    for (const auto& [elements, points] : {std::pair{3, 3}, {0, 3}, {3, 0}}) {  // nothing to compute without both
        Storage s;
        s.state.NbElt = int16_t(elements), s.state.NbPts = int16_t(points);
        RecomputeAll(s.state, s.fake.suite, s.view);
        const std::vector<std::string> all{"KestComputeQti(        , -1, -1, 0)", "KestComputeQti(        , 0, -1, 0)",
                                           "KestComputeQti(        , 1, -1, 0)", "KestComputeQti(        , 2, -1, 0)"};
        EXPECT_EQ(s.fake.comp.named("KestComputeQti"), elements && points ? all : std::vector<std::string>{});
        EXPECT_TRUE(s.fake.db.named("KestDbEltSetComputeRes").empty());
        EXPECT_EQ(s.view.pointLines.size(), elements && points ? 3u : 0u);
        EXPECT_FALSE(s.view.busy);
    }
}

}  // namespace
}  // namespace kest
