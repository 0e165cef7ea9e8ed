// The computation library: mass fractions from the measured rate against each element's
// standard, written into the document for one point or for all of them.

#include "suite/SqliteAnalysisDatabase.h"
#include "suite/StandardComputation.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace kest;

namespace {

struct Quantification {
    double percent;      // of the element in its standard
    double standardCps;  // net rate of the standard
    double background;
    float countRate;     // measure 1
    float massFraction;  // worked out by hand
};

const std::vector<Quantification> kCases{
    {100.0, 5000.0, 20.0, 2520.0f, 0.5f},     // half the standard's net rate of pure iron
    {50.0, 1000.0, 0.0, 500.0f, 0.25f},       // a 50 % standard
    {12.5, 800.0, 5.0, 405.0f, 0.0625f},      // 400 net counts against 800
    {100.0, 5000.0, 20.0, 10.0f, -0.002f},    // below the background: negative
    {100.0, 4000.0, 15.0, 15.0f, 0.0f},       // exactly the background
};

class StandardQuantification : public ::testing::Test {
protected:
    StandardQuantification() : db(MakeConfig(), Root(folder) / "work", Root(folder) / "documents"), comp(db) {
        db.KestDbObjectNew(key, 1, 0);
        db.KestDbReset(key, path, 80);
        for (int p = 0; p < 3; ++p) db.KestDbAddPt(key, p, 0, 0);
    }
    static fs::path Root(const QTemporaryDir& dir) { return fs::path(dir.path().toStdString()); }
    static SuiteConfig MakeConfig() {
        SuiteConfig config;
        for (const Quantification& c : kCases) {
            ElementSetup e;
            e.z = static_cast<int>(20 + config.setup.elements.size());
            e.standard_percent = c.percent;
            e.standard_cps = c.standardCps;
            e.background_cps = c.background;
            config.setup.elements.push_back(e);
        }
        return config;
    }
    void SetRates(int32_t point, float scale) {
        for (std::size_t e = 0; e < kCases.size(); ++e)
            db.KestDbEltSetMeasures(key, static_cast<int32_t>(e), kByPosition, point, kCases[e].countRate * scale, 0,
                                    0, 0, 0);
    }
    ComputeResult Result(std::size_t element, int32_t point) {
        ComputeResult r;
        db.KestDbEltGetComputeRes(key, static_cast<int32_t>(element), kByPosition, point, r);
        return r;
    }

    QTemporaryDir folder;
    SqliteAnalysisDatabase db;
    StandardComputation comp;
    std::string key = "DbScan01";
    std::string path;
};

TEST_F(StandardQuantification, MassFractionFollowsTheStandard) {
    SetRates(1, 1.0f);
    ASSERT_NE(comp.KestComputeQti(key, 1, -1, 0), 0);
    double total = 0;
    for (std::size_t e = 0; e < kCases.size(); ++e) {
        SCOPED_TRACE(e);
        const Quantification& c = kCases[e];
        const ComputeResult r = Result(e, 1);
        EXPECT_FLOAT_EQ(r.field[0], c.massFraction);
        EXPECT_FLOAT_EQ(r.field[1], static_cast<float>((c.countRate - c.background) / c.standardCps));  // k-ratio
        EXPECT_FLOAT_EQ(r.field[2], static_cast<float>(c.countRate - c.background));                    // net rate
        EXPECT_FLOAT_EQ(r.field[4], c.massFraction * 100.0f);                                           // wt%
        total += c.massFraction;
    }
    EXPECT_NEAR(Result(0, 1).field[5], total, 1e-6);
    EXPECT_EQ(Result(0, 0).field[0], 0.0f) << "other points are left alone";
    EXPECT_EQ(Result(0, 2).field[0], 0.0f);
}

TEST_F(StandardQuantification, AllPointsAtOnceAndBadArgumentsRefused) {
    // Rates above the background by the same factor everywhere: twice the net, twice the fraction.
    for (int32_t p = 0; p < 3; ++p) SetRates(p, 1.0f);
    db.KestDbEltSetMeasures(key, 0, kByPosition, 2, 5020.0f, 0, 0, 0, 0);
    ASSERT_NE(comp.KestComputeQti(key, -1, -1, 0), 0);
    EXPECT_FLOAT_EQ(Result(0, 0).field[0], 0.5f);
    EXPECT_FLOAT_EQ(Result(0, 2).field[0], 1.0f);
    EXPECT_FLOAT_EQ(Result(2, 2).field[0], 0.0625f);

    std::string unknown = "NoSuchKy";
    EXPECT_EQ(comp.KestComputeQti(unknown, -1, -1, 0), 0);
    EXPECT_EQ(comp.KestComputeQti(key, 3, -1, 0), 0);
    EXPECT_EQ(comp.KestComputeQti(key, -2, -1, 0), 0);
}

}  // namespace
