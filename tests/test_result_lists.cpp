// The point and result tables loaded from the document, and the rows of the element and
// point lists.

#include "ProgramOnFakes.h"
#include "TextRows.h"

#include "results/ResultLists.h"
#include "results/ResultTables.h"

#include <gtest/gtest.h>

namespace kest {
namespace {

using fakes::Padded;

TEST(ResultLists, PointRowsKeepTheirColumns) {
    struct Case { int p; float rate, conc; int32_t x, y; std::string label, row; };
    const Case cases[] = {
        {0, 1234.5f, 12.3f, 15000, -2500, "Z01", "   1   1234.50  12.30 %    15000    -2500 Z01     "},
        {1, 10.0f, -0.5f, 0, 0, "", "   2     10.00 XXXXXX %        0        0         "},
        {2, 0.0f, 1234.5f, 1, -1, "Z02", "   3      0.00 1234.5 %        1       -1 Z02     "},
        {999, 1.0f, 0.0f, 0, 0, "interface 12", " 100      1.00   0.00 %        0        0 interfac"},
    };
    for (const Case& c : cases) {
        ProfileState state;
        state.NbElt = 1;
        state.NbPts = static_cast<int16_t>(c.p + 1);
        state.PointTable.assign(std::size_t(c.p) + 2, PointRecord{});
        state.PointTable[std::size_t(c.p)] = {c.x, c.y, 0, FixedText<kLabelLength>(c.label, '\0')};
        state.ResultTable.assign(2, std::vector<ResultRecord>(std::size_t(c.p) + 2));
        state.ResultTable[0][std::size_t(c.p)] = {c.rate, c.conc};
        EXPECT_EQ(PointListLine(state, 0, c.p), Padded(c.row));
        EXPECT_EQ(PointListLine(state, -1, c.p).substr(0, 24), Padded(c.row).substr(0, 4) + "      0.00   0.00 % ")
            << "without an element the rate and the concentration show as zeros";
    }
}

// A document of iron and carbon with two points, as the lists show it.
struct Program : fakes::ProgramOnFakes {
    Program() {
        fake.db.elements = {{.z = 26, .standard = "Fe"}, {.z = 14, .profileFlag = 0}, {.z = 6, .spectrometer = 3, .standard = "STD1"}};
        fake.db.points = {{100, 200, 7, "Z01", {{0, {1000, 1, 2, 3, 4}}, {2, {50}}}, {{0, Fraction(0.25f)}, {2, Fraction(0.01f)}}},
                          {300, 200, 7, "Z02", {{0, {2000}}, {2, {60}}}, {{0, Fraction(0.5f)}, {2, Fraction(0.02f)}}}};
        state.NbElt = 2;
        state.ElementTable[0] = {0, FixedText<2>("Fe"), 26, "Fe", 1};
        state.ElementTable[1] = {2, FixedText<2>("C"), 6, "STD1", 3};
        state.CurElt = 1;
    }
    static ComputeResult Fraction(float value) {
        ComputeResult result;
        result.field[0] = value;
        return result;
    }
    std::string row(int p) const { return view.pointLines.at(std::size_t(p)).substr(0, 50); }
};

TEST(ResultLists, ListsShowTheDocumentsPointsForTheChosenElement) {
    Program p;
    LoadPoints(p.state, p.fake.db);
    EXPECT_EQ(p.state.CurPnt, 0);
    EXPECT_EQ(p.state.PointTable.size(), 3u);
    EXPECT_EQ(p.state.PointTable[1].z, 7);
    LoadResults(p.state, p.fake.db);
    ListElements(p.state, p.fake.suite, p.view);  // restores the row of CurElt, with its points
    EXPECT_EQ(p.view.elementLines, (std::vector<std::string>{Padded("Fe Fe           1"), Padded("C  STD1         3")}));
    EXPECT_EQ(p.view.elementSelection, 1);
    EXPECT_EQ(p.row(0), "   1     50.00   1.00 %      100      200 Z01     ");

    ElementRowClicked(p.state, p.fake.suite, p.view, 0);  // only rate and concentration change
    EXPECT_EQ(p.row(0), "   1   1000.00  25.00 %      100      200 Z01     ");
    EXPECT_EQ(p.row(1), "   2   2000.00  50.00 %      300      200 Z02     ");

    p.fake.db.points.clear();  // no points: CurPnt -1 and an empty list
    LoadPoints(p.state, p.fake.db);
    ListPoints(p.state, p.fake.db, p.view);
    EXPECT_EQ(p.state.CurPnt, -1);
    EXPECT_TRUE(p.view.pointLines.empty());
}

}  // namespace
}  // namespace kest
