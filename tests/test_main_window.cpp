// The main window on fake libraries, rendered offscreen: its controls and menus, and what
// start-up, the settings and closing do through it.

#include "FakeSuite.h"

#include "results/ResultLists.h"
#include "shell/PrfMain.h"
#include "shell/RecoveryDialog.h"
#include "suite/SuiteFile.h"

#include <QAbstractButton>
#include <QApplication>
#include <QAction>
#include <QChartView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <tuple>

namespace kest {
namespace {

// The main window whose questions about unsaved work the test answers (Discard when no
// answer is left).
class AnsweredPrfMain : public PrfMain {
public:
    using PrfMain::PrfMain;
    std::deque<SaveChoice> answers;
    std::vector<std::string> questions;
    SaveChoice askSaveChanges(const std::string& question) override {
        questions.push_back(question);
        const SaveChoice answer = answers.empty() ? SaveChoice::Discard : answers.front();
        if (!answers.empty()) answers.pop_front();
        return answer;
    }
};

class PrfMainTest : public ::testing::Test {
protected:
    void SetUp() override {
        window.resize(600, 400);  // smaller than the offscreen screen, so that centring shows
        window.startUp();
    }
    template <typename T>
    T* find(const char* name) const { return window.findChild<T*>(QString::fromLatin1(name)); }
    // A menu and its action share their name: the child of that name that is a `type`.
    QObject* find(const char* name, const char* type) const {
        for (QObject* child : window.findChildren<QObject*>(QString::fromLatin1(name)))
            if (child->inherits(type)) return child;
        return nullptr;
    }

    fakes::FakeSuite fake;
    ProfileState state;
    AnsweredPrfMain window{state, fake.suite};
};

enum class Kind { Label, Button, List, Text, Graph, FileDialog, Menu, Item, Separator, BarCommand };
const char* const kTypeOf[] = {"QLabel",      "QAbstractButton", "QListWidget", "QLineEdit", "QChartView",
                               "QFileDialog", "QMenu",           "QAction",     "QAction",   "QAction"};

struct Control { const char* name; Kind kind; const char* text; const char* shortcut = ""; };  // text: caption, heading or title; nullptr: none

using enum Kind;
const Control kControls[] = {
    {"ZonList", List, nullptr}, {"Label6", Label, "T Length SMin   SMax   dConc% Prf"},
    {"EltList", List, nullptr}, {"Label2", Label, "El Standard     Sp#"},
    {"PntList", List, nullptr}, {"Label5", Label, " Pt#       Cps    wt%          X        Y Label"},
    {"Graph", Graph, nullptr},
    {"Add", Button, "Add"}, {"Del", Button, "Del"}, {"Up", Button, ""}, {"Down", Button, ""},
    {"AddPoint", Button, "Add"}, {"DeletePoint", Button, "Del"}, {"Scan", Button, "Scan"}, {"Ana", Button, "Ana"},
    {"OptNC_0", Button, "1"}, {"OptNC_1", Button, "5"}, {"OptNC_2", Button, "10"}, {"OptNC_3", Button, "15"},
    {"Label4", Label, "NC"}, {"OMP_0", Button, "1"}, {"OMP_1", Button, "3"}, {"OMP_2", Button, "5"},
    {"Label7", Label, "Multi Points"}, {"OptXY_0", Button, "X"}, {"OptXY_1", Button, "Y"}, {"Label8", Label, "Active Axis"},
    {"Option1_0", Button, "All"}, {"Option1_1", Button, "Sel"},
    {"DefTime", Text, nullptr}, {"Label3", Label, "Time(s)"}, {"Pattern", Text, nullptr}, {"Label9", Label, "dPoints"},
    {"Offset", Text, nullptr}, {"Label10", Label, "d0"}, {"DialogOpen", FileDialog, nullptr},
    {"MnuFile", Menu, "&File"}, {"MnuNew", Item, "&New", "Ctrl+N"}, {"MnuOpen", Item, "&Open...", "Ctrl+O"},
    {"MnuRecent", Item, "&Recent Documents"}, {"MnuSave", Item, "&Save", "Ctrl+S"}, {"MnuSaveAs", Item, "Save &As..."},
    {"MnuInfo", Item, "&Info..."}, {"MnuNull0", Separator, nullptr}, {"MnuExportCsv", Item, "Export &CSV..."},
    {"MnuExportChart", Item, "Export C&hart..."}, {"MnuPrintGraph", Item, "&Print Graph...", "Ctrl+P"}, {"MnuNull1", Separator, nullptr}, {"MnuExit", Item, "E&xit"},
    {"MnuZones", Menu, "&Zones"}, {"MnuEditZone", Item, "&Edit..."}, {"MnuAddZone", Item, "&Add"}, {"MnuDelZone", Item, "&Del"},
    {"MnuUpZone", Item, "&Up"}, {"MnuDownZone", Item, "&Down"}, {"MnuNull10", Separator, nullptr}, {"MnuLoadZones", Item, "&Load..."},
    {"MnuPoints", Menu, "&Points"}, {"MnuAddPoints", Item, "&Add"}, {"MnuDelPoint", Item, "&Del"}, {"MnuScan", Menu, "&Scan"},
    {"MnuScanAll", Item, "&Scan New", "F5"}, {"MnuScanOld", Item, "Scan &Old"}, {"MnuScanPoint", Item, "Scan &Point"},
    {"MnuNull20", Separator, nullptr}, {"MnuPause", Item, "P&ause"}, {"MnuResume", Item, "&Resume"},
    {"MnuNull21", Separator, nullptr}, {"MnuBatch", Item, "&Batch..."},
    {"MnuReCompute", BarCommand, "&ReCompute! "}, {"MnuAbout", BarCommand, "&?"},
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
        QObject* object = find(c.name, kTypeOf[static_cast<int>(c.kind)]);
        ASSERT_TRUE(object);
        if (c.text) { EXPECT_EQ(object->property(c.kind == Menu ? "title" : "text").toString(), QString::fromLatin1(c.text)); }
        if (c.kind == FileDialog) { EXPECT_FALSE(qobject_cast<QWidget*>(object)->isVisible()); }
        if (c.kind == Menu) bar << (menu = c.name);
        if (const auto* action = qobject_cast<QAction*>(object)) {
            EXPECT_EQ(action->isSeparator(), c.kind == Separator);
            EXPECT_EQ(action->shortcut().toString(), c.shortcut);
            EXPECT_TRUE(c.kind != BarCommand || action->menu() == nullptr);  // a command, not a menu
            (c.kind == BarCommand ? bar : menus[menu]) << c.name;
        }
    }
    EXPECT_EQ(NamesOf(window.menuBar()->actions()), bar);
    for (const auto& [name, items] : menus) EXPECT_EQ(NamesOf(find<QMenu>(qPrintable(name))->actions()), items) << qPrintable(name);
}

// Whatever fonts the machine has: every character of the lists and their headings as wide as
// any other (the headings' texts are in the table above).
TEST_F(PrfMainTest, ListsAndTheirHeadingsAreFixedPitch) {
    for (const char* name : {"ZonList", "Label6", "EltList", "Label2", "PntList", "Label5"}) {
        const QFontMetrics metrics(find<QWidget>(name)->font());
        EXPECT_EQ(metrics.horizontalAdvance(QStringLiteral("iiii.")), metrics.horizontalAdvance(QStringLiteral("MMMM "))) << name;
    }
    EXPECT_EQ(find<QListWidget>("ZonList")->selectionMode(), QAbstractItemView::SingleSelection);  // the points': see Del
}

// The heading "Label" and a label "Lab" stand in one column: their first letters are drawn
// at the same pixel. At the default size every field of a row shows whole, its status too.
TEST_F(PrfMainTest, AHeadingIsDrawnOverItsColumnToThePixelAndRowsShowWhole) {
    fake.db.points = {{123456, -98765, 0, "LabLabLa", {}, {}, PointStatus::Stopped}};
    ReloadPoints(state, fake.db, window);
    window.resize(1100, 750);
    window.show();
    QCoreApplication::processEvents();
    const auto* list = find<QListWidget>("PntList");
    const auto* heading = find<QLabel>("Label5");
    const QImage image = window.grab().toImage();
    const qreal ratio = image.devicePixelRatio();
    // The leftmost dark pixel of the L in column 42, in a band of the window.
    const auto firstInk = [&](const QWidget* widget, QRect band) {
        const QPoint origin = widget->mapTo(&window, QPoint(0, 0));
        band.translate(origin);
        const QFontMetrics metrics(list->font());  // from the middle of the blank column 41
        const int column = metrics.horizontalAdvance(QString(41, QLatin1Char('0'))) + metrics.horizontalAdvance(QLatin1Char('0')) * 3 / 4;
        for (int x = band.left() + column; x < band.right(); ++x)
            for (int y = band.top(); y <= band.bottom(); ++y)
                if (qGray(image.pixel(int(x * ratio), int(y * ratio))) < 100) return x;
        return -1;
    };
    const int inHeading = firstInk(heading, heading->rect());
    const int inRow = firstInk(list->viewport(), list->visualItemRect(list->item(0)));
    EXPECT_TRUE(inHeading > 0 && inHeading == inRow) << inHeading << " " << inRow;
    const QString row = list->item(0)->text().trimmed();
    EXPECT_TRUE(row.endsWith("stopped")) << row.toStdString();
    EXPECT_LE(QFontMetrics(list->font()).horizontalAdvance(row), list->viewport()->width() - 4) << "the row is cut";
    EXPECT_FALSE(list->horizontalScrollBar()->isVisible());
}

TEST_F(PrfMainTest, StartsCentredWithTheDefaultsTheSuitesZonesAndZoneEditingGreyed) {
    window.startUp(BuiltInDemo().demoZones);
    EXPECT_EQ(std::pair(find<QListWidget>("ZonList")->count(), find<QLineEdit>("Pattern")->text()), std::pair(2, QStringLiteral(" 10")));
    for (const char* name : {"OptXY_0", "OMP_0", "OptNC_0"}) EXPECT_TRUE(find<QAbstractButton>(name)->isChecked()) << name;
    const QRect screen = window.screen()->geometry();
    EXPECT_EQ(window.pos(), screen.topLeft() + QPoint((screen.width() - window.width()) / 2, (screen.height() - window.height()) / 2));
    EXPECT_EQ(std::pair(window.windowTitle(), find<QLineEdit>("DefTime")->text()), std::pair(QStringLiteral("KestPlus [/data/profile.ana]"), QStringLiteral(" 10")));
    for (const char* name : {"MnuEditZone", "MnuDelZone", "MnuUpZone", "MnuDownZone"})
        EXPECT_FALSE(find<QAction>(name)->isEnabled()) << name;
}

TEST_F(PrfMainTest, EnteringATextBoxSelectsItsWholeText) {
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    for (const char* name : {"DefTime", "Pattern", "Offset"}) {
        for (const bool byMouse : {true, false}) {
            SCOPED_TRACE(std::string(name) + (byMouse ? " by mouse" : " by keyboard"));
            find<QListWidget>("ZonList")->setFocus();
            QLineEdit* edit = find<QLineEdit>(name);
            edit->setText(QStringLiteral(" 123"));
            edit->deselect();
            if (byMouse) QTest::mouseClick(edit, Qt::LeftButton, {}, edit->rect().center());
            else edit->setFocus(Qt::TabFocusReason);
            ASSERT_TRUE(edit->hasFocus());
            EXPECT_TRUE(QTest::qWaitFor([edit] { return edit->selectedText() == QStringLiteral(" 123"); }, 1000));
        }
    }
}

TEST_F(PrfMainTest, SettingsFollowTheButtonsAndTexts) {
    const struct { const char* group; int16_t ProfileState::*setting; std::vector<int16_t> values; } groups[] = {
        {"OptNC", &ProfileState::Nc, {1, 5, 10, 15}}, {"OMP", &ProfileState::Mp, {1, 3, 5}},
        {"OptXY", &ProfileState::Ax, {1, 2}}, {"Option1", &ProfileState::GraphSelectedOnly, {0, 1}}};
    for (const auto& g : groups) {
        for (std::size_t i = 0; i < g.values.size(); ++i) {
            const std::string button = g.group + ("_" + std::to_string(i));
            find<QAbstractButton>(button.c_str())->click();
            EXPECT_EQ(state.*g.setting, g.values[i]) << button;
        }
    }
    // A text gives its whole value when it fits; otherwise the value stays as it was (77).
    struct Case { const char* box; const char* text; int32_t dm, o; };
    const Case cases[] = {{"Pattern", "12", 12, 77},       {"Pattern", " 2.5", 2, 77},     {"Pattern", "3.5abc", 4, 77},
                          {"Pattern", "abc", 0, 77},       {"Pattern", "-32768", -32768, 77}, {"Pattern", "32768", 77, 77},
                          {"Offset", "-70000", 77, -70000}, {"Offset", "-2.5", 77, -2},    {"Offset", "3e9", 77, 77}, {"Offset", "", 77, 0}};
    for (const Case& c : cases) {
        state.Dm = 77, state.O = 77;
        find<QLineEdit>(c.box)->setText(QString::fromLatin1(c.text));
        EXPECT_EQ((std::pair<int32_t, int32_t>{state.Dm, state.O}), (std::pair{c.dm, c.o})) << c.box << " '" << c.text << "'";
    }
}

TEST_F(PrfMainTest, ZoneButtonsAndListDriveTheZoneTable) {
    const auto menuEnabled = [this] { return find<QAction>("MnuEditZone")->isEnabled(); };
    auto* list = find<QListWidget>("ZonList");
    find<QAbstractButton>("Add")->click();
    find<QAction>("MnuAddZone")->trigger();
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->item(0)->text().size(), 80);
    EXPECT_FALSE(menuEnabled());

    state.Zones[1].length = 7;
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(1)).center());
    EXPECT_EQ(std::pair(menuEnabled(), state.CurZone), std::pair(true, int16_t{1}));
    find<QAction>("MnuUpZone")->trigger();
    EXPECT_EQ(std::pair(state.Zones[0].length, list->currentRow()), std::pair(7, 0));

    QString warning;
    QTimer::singleShot(0, [&warning] {  // the editor runs modally: answer it from the event loop
        QWidget* editor = QApplication::activeModalWidget();
        if (!editor || editor->objectName() != "ModZone") return;
        editor->findChild<QLineEdit*>("Length")->setText("42");
        editor->findChild<QAbstractButton*>("OVar")->click();  // with step min 0: a zone no scan takes
        QTimer::singleShot(0, [&warning] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            warning = box ? box->text() : QString();
            if (box) box->button(QMessageBox::Ok)->click();  // kept all the same
        });
        editor->findChild<QAbstractButton*>("Ok")->click();
    });
    const QPoint row0 = list->visualItemRect(list->item(0)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row0);  // a double click starts as a click
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, row0);
    EXPECT_EQ(std::pair(state.Zones[0].length, list->currentRow()), std::pair(42, 0));
    EXPECT_TRUE(warning.startsWith("Zone 1 (V) cannot be scanned: its step min is 0")) << warning.toStdString();

    find<QAbstractButton>("Del")->click();
    EXPECT_EQ(std::tuple(list->count(), state.Zones[0].length, menuEnabled()), std::tuple(1, 0, false));
    list->setCurrentRow(0);
    find<QAbstractButton>("Down")->click();  // the buttons work while the menu is greyed
    find<QAbstractButton>("Del")->click();
    EXPECT_EQ(std::pair(list->count(), state.Zones[0].type), std::pair(0, ' '));  // the slot is free again
}

TEST_F(PrfMainTest, DocumentAndPointCommandsFillTheLists) {
    const QTemporaryDir dir;
    fake.db.elements = {{.z = 26}, {.z = 6, .spectrometer = 3, .standard = "STD1"}};
    fake.db.saveAs.path = dir.filePath("line1.ana").toStdString();
    find<QAction>("MnuNew")->trigger();
    auto* elements = find<QListWidget>("EltList");
    auto* points = find<QListWidget>("PntList");
    EXPECT_EQ(std::pair(elements->count(), elements->currentRow()), std::pair(2, 0));

    for (int i = 0; i < 3; ++i) find<QAbstractButton>("AddPoint")->click();
    find<QAction>("MnuAddPoints")->trigger();
    ASSERT_EQ(points->count(), 4);
    fake.db.points[1].measures[1] = {321, 0, 0, 0, 0};
    QTest::mouseClick(elements->viewport(), Qt::LeftButton, {}, elements->visualItemRect(elements->item(1)).center());
    EXPECT_EQ(std::pair(state.CurElt, points->item(1)->text().mid(0, 15)), std::pair(int16_t{1}, QStringLiteral("   2    321.00 ")));

    QTest::mouseClick(points->viewport(), Qt::LeftButton, {}, points->visualItemRect(points->item(1)).center());
    QTest::mouseClick(points->viewport(), Qt::LeftButton, Qt::ControlModifier, points->visualItemRect(points->item(3)).center());
    EXPECT_EQ(state.CurPnt, 3);
    QString question;
    QTimer::singleShot(0, [&question] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            question = box->windowTitle() + ": " + box->text();
            box->button(QMessageBox::Ok)->click();
        }
    });
    find<QAbstractButton>("DeletePoint")->click();
    EXPECT_EQ(std::pair(question, points->count()), std::pair(QStringLiteral("KestPlus - Profile: Remove All (2) Selected Points"), 2));

    QFile(dir.filePath("line1.ana")).open(QIODevice::WriteOnly);  // as the library would have written it
    find<QAction>("MnuSaveAs")->trigger();
    const QList<QAction*> recent = find<QMenu>("MnuRecent")->actions();  // the newest first
    ASSERT_FALSE(recent.isEmpty());
    EXPECT_EQ(recent[0]->text(), "&1 " + dir.filePath("line1.ana"));
    recent[0]->trigger();
    EXPECT_EQ(std::pair(fake.db.count("KestDbOpen"), QApplication::overrideCursor()), std::pair(1, static_cast<QCursor*>(nullptr)));
}

// Brought up to date as a scan does it, a row at a time: the newest row stays in view while
// the operator follows the end of the list, a row taken away goes, and the rows shown stay
// put when the operator looks further up, also through a whole refill.
TEST_F(PrfMainTest, ThePointListFollowsTheNewestPointFromItsEnd) {
    window.show();
    auto* list = window.findChild<QListWidget*>(QStringLiteral("PntList"));
    const auto lastRowShown = [&] {
        QCoreApplication::processEvents();
        return list->viewport()->rect().contains(list->visualItemRect(list->item(list->count() - 1)));
    };
    std::vector<std::string> lines;
    for (int p = 1; p <= 60; ++p) {
        lines.push_back("point " + std::to_string(p));
        window.updatePointLines(p - 1, {lines.back()}, p);
    }
    EXPECT_TRUE(lastRowShown());
    lines.pop_back();
    lines.back() = "point 59 measured";
    window.updatePointLines(58, {lines.back()}, 59);
    std::vector<std::string> shown;
    for (int row = 0; row < list->count(); ++row) shown.push_back(list->item(row)->text().toStdString());
    EXPECT_EQ(shown, lines);
    list->scrollToTop();
    QCoreApplication::processEvents();
    lines.push_back("point 60");
    window.updatePointLines(59, {lines.back()}, 60);
    EXPECT_FALSE(lastRowShown());
    window.showPointLines(lines);
    EXPECT_TRUE(!lastRowShown() && list->indexAt(QPoint(0, 0)).row() == 0);
}

// A setting the zones file keeps is unsaved work: the caption marks it, and Exit asks first.
TEST_F(PrfMainTest, ExitAsksToSaveUnsavedWorkThenShutsDownOnce) {
    const QTemporaryDir dir;
    fake.db.save.path = dir.filePath("saved.ana").toStdString();
    find<QLineEdit>("DefTime")->setText(QStringLiteral("25"));  // the program's, not the document's
    EXPECT_EQ(window.windowTitle(), "KestPlus [/data/profile.ana]");
    find<QAbstractButton>("OptNC_3")->click();
    EXPECT_EQ(window.windowTitle(), "KestPlus [/data/profile.ana]*");
    window.answers = {MainView::SaveChoice::Cancel, MainView::SaveChoice::Save};
    find<QAction>("MnuExit")->trigger();  // Cancel: the window stays
    EXPECT_EQ(std::pair(fake.db.count("KestDbObjectDelete"), find<QLabel>("UnsavedStatus")->text()), std::pair(0, QStringLiteral("Unsaved changes")));
    find<QAction>("MnuExit")->trigger();  // Save, then close
    window.close();
    EXPECT_EQ(window.questions, std::vector<std::string>(2, "Save changes to profile.ana?"));
    EXPECT_EQ(std::pair(fake.db.count("KestDbSave"), fake.db.count("KestDbObjectDelete")), std::pair(1, 1));
    const auto stored = [this](const char* key) { return fake.reg.values[fakes::FakeRegistry::path("KEST", "EtalonProfile", key)]; };
    EXPECT_EQ(std::pair(stored("DefaultCountingTime"), stored("DefaultNumberOfMeasures")), std::pair(std::string("25"), std::string("3")));
}

TEST_F(PrfMainTest, TheQuestionAboutUnsavedWorkOffersSaveDiscardAndCancel) {
    using C = MainView::SaveChoice;
    for (const auto& [button, choice] : {std::pair{QMessageBox::Save, C::Save}, {QMessageBox::Discard, C::Discard},
                                         {QMessageBox::Cancel, C::Cancel}}) {
        QString shown;
        QTimer::singleShot(0, [&shown, button = button] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            shown = box->windowTitle() + ": " + box->text();
            box->button(button)->click();
        });
        EXPECT_EQ(window.PrfMain::askSaveChanges("Save changes to line1.ana?"), choice);
        EXPECT_EQ(shown, "KestPlus - Profile: Save changes to line1.ana?");
    }
}

// Paths come as the file system names them (UTF-8), a document's texts as Latin-1: both show
// right, and a caption read back shows again as it was.
TEST_F(PrfMainTest, CaptionsShowUtf8PathsAndLatin1Texts) {
    for (const auto& [bytes, shown] : {std::pair{"KestPlus [/d/R\xC3\xA9sultats/\xD0\x96.ana]", "KestPlus [/d/R\u00E9sultats/\u0416.ana]"},
                                       {"Titre \xE9t\xE9", "Titre \u00E9t\u00E9"}}) {
        window.setCaption(bytes);
        EXPECT_EQ(window.windowTitle(), QString::fromUtf8(shown));
        window.setCaption(window.currentCaption());
        EXPECT_EQ(window.windowTitle(), QString::fromUtf8(shown));
    }
}

TEST(RecoveryDialog, EachButtonGivesItsChoiceForTheSelectedLine) {
    using Action = MainView::RecoveryChoice::Action;
    for (const auto& [button, action, row] :
         {std::tuple{"ButRecover", Action::Recover, 1}, {"ButDelete", Action::Delete, 1}, {"ButLater", Action::Later, -1}}) {
        RecoveryDialog dialog({"line1.ana: 5 points", "a new document: 2 points"});
        dialog.findChild<QListWidget*>("LeftoverList")->setCurrentRow(1);
        QTimer::singleShot(0, &dialog, [&dialog, button = button] { dialog.findChild<QAbstractButton*>(button)->click(); });
        dialog.exec();
        EXPECT_EQ(std::pair(dialog.choice().action, dialog.choice().row), std::pair(action, row)) << button;
    }
}

}  // namespace
}  // namespace kest
