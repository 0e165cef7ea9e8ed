// The computation library: mass fractions from the measured rate against each element's
// standard, written into the document for one point or for all of them.

#include "suite/SqliteAnalysisDatabase.h"
#include "suite/StandardComputation.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace kest;

namespace {

struct Quantification {
    double percent, standardCps, background;  // of the element's standard
    float countRate;                          // measure 1
    float massFraction;                       // worked out by hand
};

const Quantification kCases[]{
    {100.0, 5000.0, 20.0, 2520.0f, 0.5f},   // half the standard's net rate of pure iron
    {50.0, 1000.0, 0.0, 500.0f, 0.25f},     // a 50 % standard
    {12.5, 800.0, 5.0, 405.0f, 0.0625f},    // 400 net counts against 800
    {100.0, 5000.0, 20.0, 10.0f, -0.002f},  // below the background: negative
    {100.0, 4000.0, 15.0, 15.0f, 0.0f},     // exactly the background
};
constexpr int32_t kElements = std::size(kCases);

TEST(StandardQuantification, MassFractionFollowsTheStandardAtOnePointOrAllAndBadArgumentsAreRefused) {
    SuiteConfig config;
    for (int z = 20; const Quantification& c : kCases)
        config.setup.elements.push_back({z++, 1, "Fe", true, c.percent, c.standardCps, c.background});
    QTemporaryDir folder;
    const std::string root = folder.path().toStdString();
    SqliteAnalysisDatabase db(config, root + "/work", root + "/documents");
    StandardComputation comp(db);
    std::string key = "DbScan01", path;
    db.KestDbObjectNew(key, 1, 0);
    db.KestDbReset(key, path, 80);
    for (int p = 0; p < 3; ++p) {
        db.KestDbAddPt(key, p, 0, 0);
        for (int32_t e = 0; e < kElements; ++e)
            db.KestDbEltSetMeasures(key, e, kByPosition, p, kCases[e].countRate, 0, 0, 0, 0);
    }
    const auto result = [&](int32_t element, int32_t point) {
        ComputeResult r;
        db.KestDbEltGetComputeRes(key, element, kByPosition, point, r);
        return r;
    };

    ASSERT_NE(comp.KestComputeQti(key, 1, -1, 0), 0);
    double total = 0;
    for (int32_t e = 0; e < kElements; ++e) {
        SCOPED_TRACE(e);
        const Quantification& c = kCases[e];
        const ComputeResult r = result(e, 1);
        const float net = c.countRate - static_cast<float>(c.background);
        EXPECT_FLOAT_EQ(r.field[0], c.massFraction);
        EXPECT_FLOAT_EQ(r.field[1], static_cast<float>(net / c.standardCps));  // k-ratio
        EXPECT_FLOAT_EQ(r.field[2], net);
        EXPECT_FLOAT_EQ(r.field[3], static_cast<float>(c.background));
        EXPECT_FLOAT_EQ(r.field[4], c.massFraction * 100.0f);  // wt%
        total += c.massFraction;
    }
    EXPECT_NEAR(result(0, 1).field[5], total, 1e-6);
    EXPECT_EQ(std::make_pair(result(0, 0).field[0], result(0, 2).field[0]), std::make_pair(0.0f, 0.0f))
        << "other points are left alone";

    db.KestDbEltSetMeasures(key, 0, kByPosition, 2, 5020.0f, 0, 0, 0, 0);  // twice the net, twice the fraction
    ASSERT_NE(comp.KestComputeQti(key, -1, -1, 0), 0);
    EXPECT_EQ(std::make_tuple(result(0, 0).field[0], result(0, 2).field[0], result(2, 2).field[0]),
              std::make_tuple(0.5f, 1.0f, 0.0625f));

    std::string unknown = "NoSuchKy";
    EXPECT_EQ(comp.KestComputeQti(unknown, -1, -1, 0), 0);
    for (int32_t point : {3, -2}) EXPECT_EQ(comp.KestComputeQti(key, point, -1, 0), 0) << point;
}

}  // namespace
