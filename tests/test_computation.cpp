// The computation library: mass fractions from the measured rates against each element's
// standard through the matrix correction, written into the document for one point or for all.

#include "suite/SqliteAnalysisDatabase.h"
#include "suite/StandardComputation.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>

using namespace kest;

namespace {

struct Quantification {
    double percent, standardCps, background;  // of the element's standard
    float countRate;                          // measure 1
    float massFraction;                       // worked out by hand
};

// One element alone against a standard of that element alone: the matrix of the point and of
// the standard are the same element, so the correction keeps the proportion to the standard.
const Quantification kCases[]{
    {100.0, 5000.0, 20.0, 2520.0f, 0.5f},   // half the standard's net rate of pure iron
    {50.0, 1000.0, 0.0, 500.0f, 0.25f},     // a 50 % standard
    {12.5, 800.0, 5.0, 405.0f, 0.0625f},    // 400 net counts against 800
    {100.0, 5000.0, 20.0, 10.0f, -0.002f},  // below the background: negative
    {100.0, 4000.0, 15.0, 15.0f, 0.0f},     // exactly the background
};

struct Documents {
    explicit Documents(std::vector<ElementSetup> elements, MatrixConditions matrix = {}) {
        SuiteConfig config;
        config.setup.elements = std::move(elements);
        config.setup.matrix = std::move(matrix);
        db.emplace(config, folder.path().toStdString() + "/work", folder.path().toStdString() + "/documents");
        comp.emplace(*db);
        db->KestDbObjectNew(key, 1, 0);
        db->KestDbReset(key, path, 80);
    }
    void addPoint(int32_t p, const std::vector<float>& rates) {
        db->KestDbAddPt(key, p, 0, 0);
        for (std::size_t e = 0; e < rates.size(); ++e)
            db->KestDbEltSetMeasures(key, static_cast<int32_t>(e), kByPosition, p, rates[e], 0, 0, 0, 0);
    }
    ComputeResult result(int32_t element, int32_t point) {
        ComputeResult r;
        db->KestDbEltGetComputeRes(key, element, kByPosition, point, r);
        return r;
    }
    QTemporaryDir folder;
    std::optional<SqliteAnalysisDatabase> db;
    std::optional<StandardComputation> comp;
    std::string key = "DbScan01", path;
};

}  // namespace

TEST(StandardQuantification, OneElementFollowsItsStandardAtOnePointOrAllAndBadArgumentsAreRefused) {
    for (const Quantification& c : kCases) {
        SCOPED_TRACE(c.countRate);
        Documents d({{26, 1, "Fe", true, c.percent, c.standardCps, c.background}});
        for (int p = 0; p < 3; ++p) d.addPoint(p, {c.countRate});
        ASSERT_NE(d.comp->KestComputeQti(d.key, 1, -1, 0), 0);
        const ComputeResult r = d.result(0, 1);
        const float net = c.countRate - static_cast<float>(c.background);
        EXPECT_NEAR(r.field[0], c.massFraction, 1e-6);
        EXPECT_FLOAT_EQ(r.field[1], static_cast<float>(net / c.standardCps));  // k-ratio
        EXPECT_FLOAT_EQ(r.field[2], net);
        EXPECT_FLOAT_EQ(r.field[3], static_cast<float>(c.background));
        EXPECT_NEAR(r.field[4], c.massFraction * 100.0f, 1e-4);  // wt%
        EXPECT_NEAR(r.field[5], c.massFraction, 1e-6);           // the total of the point
        EXPECT_EQ(r.field[10], 0.0f) << "converged";
        EXPECT_EQ(std::make_pair(d.result(0, 0).field[0], d.result(0, 2).field[0]), std::make_pair(0.0f, 0.0f))
            << "other points are left alone";
        ASSERT_NE(d.comp->KestComputeQti(d.key, -1, -1, 0), 0);
        EXPECT_EQ(d.result(0, 0).field[0], r.field[0]);
        EXPECT_EQ(d.result(0, 2).field[0], r.field[0]);

        std::string unknown = "NoSuchKy";
        EXPECT_EQ(d.comp->KestComputeQti(unknown, -1, -1, 0), 0);
        for (int32_t point : {3, -2}) EXPECT_EQ(d.comp->KestComputeQti(d.key, point, -1, 0), 0) << point;
    }
}

// Iron and nickel against their pure standards, the background measured on the standards and
// scaled by the point's mean atomic number; a set-up the model cannot correct keeps the
// proportion and says so in its flag.
TEST(StandardQuantification, ElementsOfOnePointAreCorrectedTogetherWithBackgroundsThatFollowTheMatrix) {
    Documents d({{26, 1, "Fe", true, 100.0, 5000.0, 20.0}, {28, 2, "Ni", true, 100.0, 4000.0, 30.0}});
    d.addPoint(0, {2000.0f, 1500.0f});
    ASSERT_NE(d.comp->KestComputeQti(d.key, 0, -1, 0), 0);
    const ComputeResult fe = d.result(0, 0), ni = d.result(1, 0);
    const double meanZ = (fe.field[0] * 26.0 + ni.field[0] * 28.0) / (fe.field[0] + ni.field[0]);
    for (const auto& [r, standardCps, background, z] : {std::tuple{fe, 5000.0f, 20.0, 26.0}, {ni, 4000.0f, 30.0, 28.0}}) {
        EXPECT_NEAR(r.field[3], background * meanZ / z, 1e-3);
        EXPECT_NEAR(r.field[1], r.field[2] / standardCps, 1e-6);
        EXPECT_NEAR(r.field[0], r.field[1] * r.field[6] * r.field[7] * r.field[8], 2e-6);  // C = k Z A F
        EXPECT_GT(std::abs(r.field[6] * r.field[7] * r.field[8] - 1.0f), 0.01f);           // no proportion
        EXPECT_GT(r.field[9], 1.0f);
    }
    EXPECT_NEAR(fe.field[5], fe.field[0] + ni.field[0], 1e-6);

    Documents hydrogen({{1, 1, "H", true, 100.0, 5000.0, 20.0}});  // no line a beam could excite
    hydrogen.addPoint(0, {2520.0f});
    ASSERT_NE(hydrogen.comp->KestComputeQti(hydrogen.key, 0, -1, 0), 0);
    EXPECT_FLOAT_EQ(hydrogen.result(0, 0).field[0], 0.5f);
    EXPECT_EQ(hydrogen.result(0, 0).field[10], 1.0f);
}
