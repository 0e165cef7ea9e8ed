// The main window on fake libraries, rendered offscreen: its controls and menus, and what
// start-up, the settings and closing do through it.

#include "FakeSuite.h"

#include "shell/PrfMain.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QChartView>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

#include <map>
#include <memory>

namespace kest {
namespace {

class PrfMainTest : public ::testing::Test {
protected:
    void SetUp() override {
        window = std::make_unique<PrfMain>(state, fake.suite);
        window->startUp();
    }
    template <typename T>
    T* find(const char* name) const {
        return window->findChild<T*>(QString::fromLatin1(name));
    }

    fakes::FakeSuite fake;
    ProfileState state;
    std::unique_ptr<PrfMain> window;
};

enum class Kind { Label, Button, List, Text, Graph, FileDialog, Menu, Item, Separator, BarCommand };

struct Control {
    const char* name;
    Kind kind;
    const char* text;  // caption, heading or title; nullptr: none to check
};

const Control kControls[] = {
    {"ZonList", Kind::List, nullptr},
    {"Label6", Kind::Label, " Type     Len   SMin  SMax  dConc%  Prf"},
    {"EltList", Kind::List, nullptr},
    {"Label2", Kind::Label, "  Elt      Ref        Sp#"},
    {"PntList", Kind::List, nullptr},
    {"Label5", Kind::Label, "   Pt#      Cps         C%               X             Y       Label"},
    {"Graph", Kind::Graph, nullptr},
    {"Add", Kind::Button, "Add"},
    {"Del", Kind::Button, "Del"},
    {"Up", Kind::Button, ""},
    {"Down", Kind::Button, ""},
    {"AddPoint", Kind::Button, "Add"},
    {"DeletePoint", Kind::Button, "Del"},
    {"Scan", Kind::Button, "Scan"},
    {"Ana", Kind::Button, "Ana"},
    {"OptNC_0", Kind::Button, "1"},
    {"OptNC_1", Kind::Button, "5"},
    {"OptNC_2", Kind::Button, "10"},
    {"OptNC_3", Kind::Button, "15"},
    {"Label4", Kind::Label, "NC"},
    {"OMP_0", Kind::Button, "1"},
    {"OMP_1", Kind::Button, "3"},
    {"OMP_2", Kind::Button, "5"},
    {"Label7", Kind::Label, "Multi Points"},
    {"OptXY_0", Kind::Button, "X"},
    {"OptXY_1", Kind::Button, "Y"},
    {"Label8", Kind::Label, "Active Axis"},
    {"Option1_0", Kind::Button, "All"},
    {"Option1_1", Kind::Button, "Sel"},
    {"DefTime", Kind::Text, nullptr},
    {"Label3", Kind::Label, "Time(s)"},
    {"Pattern", Kind::Text, nullptr},
    {"Label9", Kind::Label, "dPoints"},
    {"Offset", Kind::Text, nullptr},
    {"Label10", Kind::Label, "d0"},
    {"DialogOpen", Kind::FileDialog, nullptr},
    {"MnuFile", Kind::Menu, "&File"},
    {"MnuNew", Kind::Item, "&New"},
    {"MnuOpen", Kind::Item, "&Open..."},
    {"MnuSave", Kind::Item, "&Save"},
    {"MnuSaveAs", Kind::Item, "Save &As..."},
    {"MnuInfo", Kind::Item, "&Info..."},
    {"MnuNull0", Kind::Separator, nullptr},
    {"MnuPrintGraph", Kind::Item, "&Print Graph..."},
    {"MnuNull1", Kind::Separator, nullptr},
    {"MnuExit", Kind::Item, "E&xit"},
    {"MnuZones", Kind::Menu, "&Zones"},
    {"MnuEditZone", Kind::Item, "&Edit..."},
    {"MnuAddZone", Kind::Item, "&Add"},
    {"MnuDelZone", Kind::Item, "&Del"},
    {"MnuUpZone", Kind::Item, "&Up"},
    {"MnuDownZone", Kind::Item, "&Down"},
    {"MnuNull10", Kind::Separator, nullptr},
    {"MnuLoadZones", Kind::Item, "&Load..."},
    {"MnuPoints", Kind::Menu, "&Points"},
    {"MnuAddPoints", Kind::Item, "&Add"},
    {"MnuDelPoint", Kind::Item, "&Del"},
    {"MnuScan", Kind::Menu, "&Scan"},
    {"MnuScanAll", Kind::Item, "&Scan New"},
    {"MnuScanOld", Kind::Item, "Scan &Old"},
    {"MnuScanPoint", Kind::Item, "Scan &Point"},
    {"MnuReCompute", Kind::BarCommand, "&ReCompute! "},
    {"MnuAbout", Kind::BarCommand, "&?"},
};

QStringList NamesOf(const QList<QAction*>& actions) {
    QStringList names;
    for (const QAction* action : actions) names << action->objectName();
    return names;
}

TEST_F(PrfMainTest, HasEveryControlAndMenuItemUnderItsName) {
    QStringList bar;                       // the menu bar, in order
    std::map<QString, QStringList> menus;  // each menu's items, in order
    QString menu;
    for (const Control& c : kControls) {
        SCOPED_TRACE(c.name);
        const QString text = QString::fromLatin1(c.text ? c.text : "");
        switch (c.kind) {
        case Kind::Label:
            ASSERT_TRUE(find<QLabel>(c.name));
            EXPECT_EQ(find<QLabel>(c.name)->text(), text);
            break;
        case Kind::Button:
            ASSERT_TRUE(find<QAbstractButton>(c.name));
            EXPECT_EQ(find<QAbstractButton>(c.name)->text(), text);
            break;
        case Kind::List: EXPECT_TRUE(find<QListWidget>(c.name)); break;
        case Kind::Text: EXPECT_TRUE(find<QLineEdit>(c.name)); break;
        case Kind::Graph: EXPECT_TRUE(find<QChartView>(c.name)); break;
        case Kind::FileDialog:
            ASSERT_TRUE(find<QFileDialog>(c.name));
            EXPECT_FALSE(find<QFileDialog>(c.name)->isVisible());
            break;
        case Kind::Menu:
            ASSERT_TRUE(find<QMenu>(c.name));
            EXPECT_EQ(find<QMenu>(c.name)->title(), text);
            EXPECT_EQ(find<QMenu>(c.name)->menuAction()->objectName(), c.name);
            menu = c.name;
            bar << menu;
            break;
        case Kind::Item:
        case Kind::Separator:
            ASSERT_TRUE(find<QAction>(c.name));
            EXPECT_EQ(find<QAction>(c.name)->isSeparator(), c.kind == Kind::Separator);
            if (c.text) {
                EXPECT_EQ(find<QAction>(c.name)->text(), text);
            }
            menus[menu] << c.name;
            break;
        case Kind::BarCommand:
            ASSERT_TRUE(find<QAction>(c.name));
            EXPECT_EQ(find<QAction>(c.name)->text(), text);
            EXPECT_EQ(find<QAction>(c.name)->menu(), nullptr);
            bar << c.name;
            break;
        }
    }
    EXPECT_EQ(NamesOf(window->menuBar()->actions()), bar);
    for (const auto& [name, items] : menus) EXPECT_EQ(NamesOf(find<QMenu>(name.toLatin1().constData())->actions()), items) << name.toStdString();
}

TEST_F(PrfMainTest, ListsAndTheirHeadingsUseAFixedPitchFont) {
    for (const char* name : {"ZonList", "EltList", "PntList", "Label6", "Label2", "Label5"}) {
        ASSERT_TRUE(find<QWidget>(name)) << name;
        EXPECT_TRUE(QFontInfo(find<QWidget>(name)->font()).fixedPitch()) << name;
    }
    EXPECT_EQ(find<QListWidget>("PntList")->selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_EQ(find<QListWidget>("ZonList")->selectionMode(), QAbstractItemView::SingleSelection);
}

TEST_F(PrfMainTest, StartsCentredWithTheDefaultsAndZoneEditingGreyed) {
    const QRect screen = window->screen()->geometry();
    EXPECT_EQ(window->x(), screen.left() + (screen.width() - window->width()) / 2);
    EXPECT_EQ(window->y(), screen.top() + (screen.height() - window->height()) / 2);
    EXPECT_EQ(window->windowTitle(), "KestPlus [/data/profile.ana]");
    EXPECT_EQ(find<QLineEdit>("DefTime")->text(), " 10");
    EXPECT_TRUE(find<QAbstractButton>("OptNC_0")->isChecked());
    EXPECT_FALSE(find<QChartView>("Graph")->isVisibleTo(window.get()));
    for (const char* name : {"MnuEditZone", "MnuDelZone", "MnuUpZone", "MnuDownZone"})
        EXPECT_FALSE(find<QAction>(name)->isEnabled()) << name;
    EXPECT_TRUE(find<QAction>("MnuAddZone")->isEnabled());
    for (const char* name : {"Add", "Del", "Up", "Down"}) EXPECT_TRUE(find<QWidget>(name)->isEnabled()) << name;
}

TEST_F(PrfMainTest, EnteringATextBoxSelectsItsWholeText) {
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    for (const char* name : {"DefTime", "Pattern", "Offset"}) {
        for (const bool byMouse : {true, false}) {
            SCOPED_TRACE(std::string(name) + (byMouse ? " by mouse" : " by keyboard"));
            find<QListWidget>("ZonList")->setFocus();
            QLineEdit* edit = find<QLineEdit>(name);
            edit->setText(QStringLiteral(" 123"));
            edit->deselect();
            if (byMouse) {
                QTest::mouseClick(edit, Qt::LeftButton, {}, QPoint(edit->width() / 2, edit->height() / 2));
            } else {
                edit->setFocus(Qt::TabFocusReason);
            }
            ASSERT_TRUE(edit->hasFocus());
            (void)QTest::qWaitFor([edit] { return edit->selectedText() == QStringLiteral(" 123"); }, 1000);
            EXPECT_EQ(edit->selectedText(), QStringLiteral(" 123"));
        }
    }
}

TEST_F(PrfMainTest, SettingsFollowTheButtonsAndTexts) {
    struct Case {
        const char* button;
        int16_t ProfileState::*setting;
        int16_t expected;
    };
    for (const Case& c : {Case{"OptNC_2", &ProfileState::Nc, 10}, Case{"OptNC_3", &ProfileState::Nc, 15},
                          Case{"OMP_1", &ProfileState::Mp, 3}, Case{"OMP_2", &ProfileState::Mp, 5},
                          Case{"OptXY_1", &ProfileState::Ax, 2}, Case{"Option1_1", &ProfileState::GraphSelectedOnly, 1}}) {
        find<QAbstractButton>(c.button)->click();
        EXPECT_EQ(state.*c.setting, c.expected) << c.button;
    }
    find<QLineEdit>("Pattern")->setText(QStringLiteral("25"));
    find<QLineEdit>("Offset")->setText(QStringLiteral("-300"));
    EXPECT_EQ(state.Dm, 25);
    EXPECT_EQ(state.O, -300);
}

TEST_F(PrfMainTest, ExitShutsDownOnce) {
    find<QLineEdit>("DefTime")->setText(QStringLiteral("25"));
    find<QAbstractButton>("OptNC_3")->click();
    find<QAction>("MnuExit")->trigger();
    window->close();
    EXPECT_EQ(fake.db.count("KestDbObjectDelete"), 1);
    EXPECT_EQ(fake.reg.values[fakes::FakeRegistry::path("KEST", "EtalonProfile", "DefaultCountingTime")], "25");
    EXPECT_EQ(fake.reg.values[fakes::FakeRegistry::path("KEST", "EtalonProfile", "DefaultNumberOfMeasures")], "3");
}

}  // namespace
}  // namespace kest
