// The zone table and its commands, the zone list lines, and the zone editor.

#include "FakeMainView.h"
#include "TextRows.h"

#include "geometry/ModZone.h"
#include "geometry/ZoneEditor.h"
#include "geometry/ZoneTable.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

namespace kest {
namespace {

using fakes::Padded;

class ZoneTableTest : public ::testing::Test {
protected:
    // Zones A, B, C of lengths 100, 200, 300; slot i carries the tag "Ti".
    void threeZones() {
        for (int i = 0; i < 3; ++i) {
            ASSERT_TRUE(AddZone(state, view));
            state.Zones[static_cast<std::size_t>(i)].length = 100 * (i + 1);
            state.Zones[static_cast<std::size_t>(i)].tag = "T" + std::to_string(i);
        }
    }
    std::vector<int32_t> lengths() const {
        std::vector<int32_t> result;
        for (int i = 0; i < state.NbZones; ++i) result.push_back(state.Zones[static_cast<std::size_t>(i)].length);
        return result;
    }

    ProfileState state;
    fakes::FakeMainView view;
};

TEST_F(ZoneTableTest, AddingGivesAFixedZoneOfZerosUntilTheTableIsFull) {
    ASSERT_TRUE(AddZone(state, view));
    EXPECT_EQ(state.Zones[0].type, 'F');
    EXPECT_EQ(view.zoneLines, std::vector<std::string>{Padded("F      0      0")});
    state.NbZones = kZoneSlots;
    EXPECT_FALSE(AddZone(state, view));
    EXPECT_EQ(state.NbZones, kZoneSlots);
    EXPECT_EQ(view.messages.size(), 1u);
}

TEST_F(ZoneTableTest, MovesSwapZonesButTagsStayWithTheirRows) {
    struct Case { const char* name; int selected; void (*move)(ProfileState&, MainView&); std::vector<int32_t> lengths; int selectedAfter; };
    const Case cases[] = {
        {"first down", 0, MoveZoneDown, {200, 100, 300}, 1},
        {"last up", 2, MoveZoneUp, {100, 300, 200}, 1},
        {"first up does nothing", 0, MoveZoneUp, {100, 200, 300}, 0},
        {"last down does nothing", 2, MoveZoneDown, {100, 200, 300}, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        state = ProfileState{};
        threeZones();
        view.zoneSelection = {c.selected};
        c.move(state, view);
        EXPECT_EQ(lengths(), c.lengths);
        EXPECT_EQ(view.zoneSelection, std::vector<int>{c.selectedAfter});
        for (int i = 0; i < 3; ++i) EXPECT_EQ(state.Zones[static_cast<std::size_t>(i)].tag, FixedText<3>("T" + std::to_string(i)));
    }
    EXPECT_EQ(state.CurZone, -1);  // nothing moved, nothing clicked
}

TEST_F(ZoneTableTest, DeletingClosesTheGapAndGreysTheZoneCommands) {
    threeZones();
    view.zoneSelection = {0};
    DeleteZone(state, view);
    EXPECT_EQ(lengths(), (std::vector<int32_t>{200, 300}));
    EXPECT_EQ(std::tie(state.Zones[2].type, state.Zones[2].length, state.Zones[2].tag), std::make_tuple(' ', 0, FixedText<3>("T2")));
    EXPECT_FALSE(view.zoneCommandsEnabled);

    view.zoneCommandsEnabled = true;
    DeleteZone(state, view);  // no row selected
    EXPECT_EQ(state.NbZones, 2);
    EXPECT_FALSE(view.zoneCommandsEnabled);
}

TEST_F(ZoneTableTest, ListLinesKeepTheirColumns) {
    ZoneRecord zone;
    zone.type = 'V', zone.length = 1234567, zone.stepMin = -5, zone.stepMax = 50, zone.dConc = 100.0f, zone.tag = "Ni1";
    EXPECT_EQ(ZoneListLine(zone), Padded("V 123456     -5     50 100.00 Ni1"));
    zone.type = 'F', zone.length = 500, zone.stepMin = 20;
    EXPECT_EQ(ZoneListLine(zone), Padded("F    500     20" + std::string(15, ' ') + "Ni1"));
    zone.type = 'A';
    EXPECT_EQ(ZoneListLine(zone), Padded("A    500     20     50 100.00 Ni1"));
    zone.type = 'a';  // any other letter is variable
    EXPECT_EQ(ZoneListLine(zone).substr(0, 2), "V ");
}

TEST_F(ZoneTableTest, EditingWorksOnTheSelectedRowAndKeepsItSelected) {
    threeZones();
    int edits = 0;
    view.zoneEditor = [&](ZoneRecord& zone) { ++edits, zone.length = 999; };
    EditZone(state, view);  // no row selected
    EXPECT_EQ(edits, 0);

    view.zoneSelection = {1};
    EditZone(state, view);
    EXPECT_EQ(lengths(), (std::vector<int32_t>{100, 999, 300}));
    EXPECT_EQ(view.zoneLines[1].substr(0, 8), "F    999");
    EXPECT_EQ(view.zoneSelection, std::vector<int>{1});
    EXPECT_EQ(state.CurZone, 1);
}

TEST(ZoneEditor, EachTextThatIsNotANumberLeavesItsFieldAlone) {
    ZoneRecord zone;
    zone.type = 'F', zone.length = 1, zone.stepMin = 2, zone.stepMax = 3, zone.dConc = 4.0f;
    ApplyZoneEditorFields(zone, {false, " 600 ", "2.5", "fifty", "1e-1"});
    EXPECT_EQ(std::tie(zone.type, zone.length, zone.stepMin, zone.stepMax, zone.dConc), std::make_tuple('V', 600, 2, 3, 0.1f));
    ApplyZoneEditorFields(zone, {true, "", "3e9", "-7.5", "1e39"});
    EXPECT_EQ(std::tie(zone.type, zone.length, zone.stepMin, zone.stepMax, zone.dConc), std::make_tuple('F', 600, 2, -8, 0.1f));
    ApplyZoneEditorFields(zone, {false, "", "", "", "", true});
    EXPECT_EQ(zone.type, 'A');
    EXPECT_TRUE(ZoneEditorFieldsOf(zone).adaptive && !ZoneEditorFieldsOf(zone).fixedStep);
}

TEST(ModZoneWindow, OpensOnTheZoneAndWritesBackOnOkOnly) {
    ZoneRecord zone;
    zone.type = 'x', zone.length = 500, zone.stepMin = -10, zone.stepMax = 50, zone.dConc = 2.5f;
    ModZone editor(zone);
    const auto box = [&](const char* name) { return editor.findChild<QLineEdit*>(name); };
    const auto shown = [&](const char* name) { return !editor.findChild<QWidget*>(name)->isHidden(); };
    EXPECT_EQ(editor.windowTitle(), "KestPlus - Profile");
    EXPECT_TRUE(editor.findChild<QRadioButton*>("OVar")->isChecked());
    for (const char* name : {"Length", "StepMin", "StepMax", "Conc", "Label3", "Label4"}) EXPECT_TRUE(shown(name)) << name;
    EXPECT_EQ((std::vector<QString>{box("Length")->text(), box("StepMin")->text(), box("StepMax")->text(), box("Conc")->text()}),
              (std::vector<QString>{" 500", "-10", " 50", " 2.5"}));

    editor.findChild<QRadioButton*>("OFix")->click();
    for (const char* name : {"StepMax", "Conc", "Label3", "Label4"}) EXPECT_FALSE(shown(name)) << name;
    EXPECT_TRUE(shown("Length") && shown("StepMin"));

    box("Length")->setText("650");
    box("StepMax")->setText("abc");
    editor.findChild<QPushButton*>("Ok")->click();
    EXPECT_EQ(editor.result(), QDialog::Accepted);
    EXPECT_EQ(std::tie(zone.type, zone.length, zone.stepMin, zone.stepMax, zone.dConc), std::make_tuple('F', 650, -10, 50, 2.5f));

    zone.type = 'A';  // an adaptive zone opens as one, with its four fields, and stays one
    ModZone adaptive(zone);
    EXPECT_TRUE(adaptive.findChild<QRadioButton*>("OAdp")->isChecked());
    EXPECT_FALSE(adaptive.findChild<QWidget*>("StepMax")->isHidden());
    adaptive.findChild<QPushButton*>("Ok")->click();
    EXPECT_EQ(zone.type, 'A');
    zone.type = 'F';

    ModZone fixed(zone);  // a fixed zone opens with two fields; Cancel changes nothing
    EXPECT_TRUE(fixed.findChild<QRadioButton*>("OFix")->isChecked());
    EXPECT_TRUE(fixed.findChild<QWidget*>("StepMax")->isHidden());
    fixed.findChild<QLineEdit*>("Length")->setText("1");
    fixed.findChild<QPushButton*>("Command1")->click();
    EXPECT_EQ(zone.length, 650);
}

}  // namespace
}  // namespace kest
