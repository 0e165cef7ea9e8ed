// The profile elements taken from the document, and the calibration line of an element
// whose standard is a reference profile, fitted on reference documents written to disk.

#include "ProgramOnDocuments.h"
#include "ProgramOnFakes.h"

#include "document/DocumentCommands.h"
#include "document/ElementSetup.h"

#include <gtest/gtest.h>

namespace kest {
namespace {

struct Program : fakes::ProgramOnFakes {
    bool setup() { return SetupElements(state, fake.suite, view); }
    std::vector<int> positions() const {
        std::vector<int> taken;
        for (int k = 0; k < state.NbElt; ++k) taken.push_back(state.ElementTable[std::size_t(k)].position);
        return taken;
    }
};

TEST(ElementSetup, TakesTheFlaggedElementsUpToPositionFive) {
    struct Case { std::vector<int32_t> flags; std::vector<int> positions; int16_t curElt; };
    const Case cases[] = {{{1, 0, 1, 1}, {0, 2, 3}, 0},
                          {{1, 1, 1, 1, 1, 1}, {0, 1, 2, 3, 4}, 0},  // position 5 ends the selection
                          {{1, 0, 0, 0, 0, 1, 1}, {0}, 0},           // even with one element taken
                          {{2, 0}, {}, -1},
                          {{}, {}, -1}};
    for (const Case& c : cases) {
        Program p;
        for (const int32_t flag : c.flags) p.fake.db.elements.push_back({.z = 26, .profileFlag = flag});
        p.state.ComputeMode = 7;
        EXPECT_TRUE(p.setup());
        EXPECT_EQ(p.positions(), c.positions);
        EXPECT_EQ(p.state.CurElt, c.curElt);
        if (c.positions.empty()) {
            EXPECT_EQ(p.state.ComputeMode, 7);  // no element, no decision
        }
    }
}

TEST(ElementSetup, MarksTheSpectrometersInUse) {
    Program p;
    for (const int32_t spectrometer : {0, 6, 3, 5}) p.fake.db.elements.push_back({.z = 26, .spectrometer = spectrometer});
    ASSERT_TRUE(p.setup());
    std::vector<int16_t> used;
    for (const SpectroRecord& s : p.state.SpectroTable) used.push_back(s.used);
    EXPECT_EQ(used, (std::vector<int16_t>{0, 0, -1, 0, -1}));
    EXPECT_EQ(p.state.ElementTable[0].spectrometer, 0);
    EXPECT_EQ(p.state.ElementTable[1].spectrometer, 6);
}

// Each element its own way: the library is needed as soon as one element is on a standard.
TEST(ElementSetup, ReferenceDocumentsChooseTheCalibrationOfTheirElementAlone) {
    struct Case { std::vector<std::string> standards; int16_t mode; int referenceReads; };
    const Case cases[] = {{{"ref.ana"}, 0, 1}, {{"ref.ANA"}, 0, 1}, {{"ref.anx"}, -1, 0},
                          {{"ref.ANA", "Fe"}, -1, 1}, {{"Fe", "ref.ana"}, -1, 1}, {{"a.ana", "b.ana"}, 0, 2}};
    for (const Case& c : cases) {
        Program p;
        for (const std::string& standard : c.standards) p.fake.db.elements.push_back({.z = 26, .standard = standard});
        ASSERT_TRUE(p.setup());
        EXPECT_EQ(p.state.ComputeMode, c.mode) << c.standards.front();
        EXPECT_EQ(p.fake.db.count("KestDbObjectRead"), c.referenceReads);
        EXPECT_EQ(p.fake.db.count("KestDbObjectDelete"), c.referenceReads);  // the temporary object goes
    }
}

TEST(ElementSetup, AnElementWithoutStandardStopsTheSetup) {
    Program p;
    p.fake.db.elements = {{.z = 26}, {.z = 6, .standard = ""}, {.z = 28}};
    EXPECT_FALSE(p.setup());
    EXPECT_EQ(p.view.messages, (std::vector<std::string>{"Elt = C  Reference Error !"}));
    EXPECT_EQ(p.state.ElementTable[0].symbol.str(), "Fe");
    EXPECT_EQ(p.state.ElementTable[0].standardName, "Fe");
    EXPECT_EQ(p.fake.db.count("KestDbEltNrAtom"), 2);  // the third entry is left as it was
}

// The calibration of an iron profile on a reference document of element `referenceZ`
// holding `points` (rate, percent); no points: no document at all.
struct Calibration { float slope, intercept; std::vector<std::string> messages; };

Calibration CalibrateOn(const std::vector<std::pair<float, float>>& points, int referenceZ = 26) {
    const QTemporaryDir references;
    const auto file = fakes::TemporaryFolder(references) / "reference.ana";
    if (!points.empty()) fakes::WriteReferenceDocument(file, referenceZ, points);
    fakes::ProgramOnDocuments p({ElementSetup{.z = 26, .standard = file.string()}});
    NewCommand(p.state, p.suite, p.view);
    EXPECT_EQ(p.state.ComputeMode, 0);
    return {p.state.ElementTable[0].slope, p.state.ElementTable[0].intercept, p.view.messages};
}

TEST(ReferenceProfile, FitsTheLineOfConcentrationAgainstCountRate) {
    struct Case { std::vector<std::pair<float, float>> points; double slope, intercept; };
    for (const Case& c : {Case{{{0, 0}, {100, 1}, {200, 5}}, 0.025, -0.5}, Case{{{50, 10}, {150, 30}}, 0.2, 0}}) {  // least squares; two points
        const Calibration fit = CalibrateOn(c.points);
        EXPECT_NEAR(fit.slope, c.slope, 1e-6);
        EXPECT_NEAR(fit.intercept, c.intercept, 1e-5);
        EXPECT_TRUE(fit.messages.empty());
    }
}

TEST(ReferenceProfile, EveryFailureGivesAZeroLineAndTheMessage) {
    const std::vector<std::string> error{"Reference Error!  A =  0     B =  0"};
    for (const Calibration& c : {CalibrateOn({{100, 1}}),              // a single point
                                 CalibrateOn({{100, 1}, {100, 2}}),    // equal rates
                                 CalibrateOn({}),                      // no such document
                                 CalibrateOn({{100, 1}, {200, 2}}, 28)}) {  // no iron in it
        EXPECT_EQ(c.slope, 0.0f);
        EXPECT_EQ(c.intercept, 0.0f);
        EXPECT_EQ(c.messages, error);
    }
}

}  // namespace
}  // namespace kest
