// The main window while a scan runs on the simulator: the acquisition panel that no stray
// key or close stops, Stop only when confirmed, Pause and Resume, the chart zoomed and the
// lists read while points come, the commands that wait for the scan's end, a termination
// signal, and Scan Point's window whole on the screen beside the main window.

#include "ScanOnSimulator.h"

#include "acquisition/AcquisitionPanel.h"
#include "app/TerminationSignals.h"
#include "shell/PrfMain.h"

#include <QAction>
#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>
#include <QValueAxis>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include <csignal>
#include <functional>

namespace kest {
namespace {

using fakes::QuietStep;
using fakes::VariableZone;

// The main window on the simulator with a variable zone across one step of iron: 0, 200,
// 300, 400 (which waits while 200 and 300 come) and 800. `during` runs in the window's
// events while the scan runs, with the number of rows the point list shows.
struct WindowScan {
    WindowScan() {
        main.resize(1100, 750);
        main.startUp();
        state.NbZones = 1;
        state.Zones[0] = VariableZone(1000, 100, 400, 1.0f);
        main.show();
        QObject::connect(&watch, &QTimer::timeout, [this] { during(list()->count()); });
    }
    template <typename T>
    T* find(const char* name) const { return main.findChild<T*>(QString::fromLatin1(name)); }
    QListWidget* list() const { return find<QListWidget>("PntList"); }
    AcquisitionPanel* panel() const { return main.findChild<AcquisitionPanel*>(); }
    QStringList rows() const {
        QStringList texts;
        for (int r = 0; r < list()->count(); ++r) texts << list()->item(r)->text();
        return texts;
    }
    void scan() {
        watch.start(0);
        find<QAction>("MnuScanAll")->trigger();
        watch.stop();
    }

    QTemporaryDir home;
    SuiteInstance instance{QuietStep({{0, 10.0}, {250, 20.0}}), {home.path().toStdString(), home.path().toStdString()}};
    ProfileState state;
    PrfMain main{state, instance.suite()};
    QTimer watch;
    std::function<void(int)> during = [](int) {};
};

const QStringList& WholeScanRows() {
    static const QStringList rows = [] {
        WindowScan w;
        w.scan();
        return w.rows();
    }();
    return rows;
}

// Whoever has the focus, Return and Escape go to it and to the panel; closing the panel does
// nothing; Stop answered "Go on" (with Return, with Escape) goes on. A Stop confirmed later
// ends the scan after the point it stopped.
TEST(ScanWindow, OnlyAConfirmedStopEndsTheScanNoKeyNorClose) {
    WindowScan w;
    QStringList questions;
    bool keyed = false, stopped = false;
    const auto stop = [&](const std::function<void(QMessageBox*)>& answer) {
        QTimer::singleShot(0, [&questions, answer] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_TRUE(box);
            questions << box->windowTitle() + ": " + box->text();
            answer(box);
        });
        w.find<QAbstractButton>("Command4")->click();
    };
    w.during = [&](int rows) {
        if (rows == 3 && keyed && !stopped) {
            stopped = true;
            stop([](QMessageBox* box) {
                for (QAbstractButton* button : box->buttons())
                    if (button->text() == "Stop") button->click();
            });
        }
        if (rows < 2 || keyed) return;
        keyed = true;
        EXPECT_TRUE(w.panel()->isVisible());
        EXPECT_FALSE(w.panel()->isAncestorOf(QApplication::focusWidget()));
        for (QWidget* target : {QApplication::focusWidget(), static_cast<QWidget*>(w.panel()), static_cast<QWidget*>(&w.main)})
            for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape})
                if (target) QTest::keyClick(target, key);
        w.panel()->close();
        for (const Qt::Key answer : {Qt::Key_Return, Qt::Key_Escape}) stop([answer](QMessageBox* box) { QTest::keyClick(box, answer); });
    };
    w.scan();
    EXPECT_TRUE(keyed && stopped);
    EXPECT_EQ(questions, QStringList(3, "KestPlus - Profile: Stop the scan after this point?"));
    EXPECT_EQ(std::pair(w.state.ScanStop, w.rows()), std::pair(kTrue, WholeScanRows().mid(0, 3)));  // stopped at 300; 400 waited
    EXPECT_TRUE(w.find<QLabel>("ScanStatus")->text().startsWith("Scan stopped after")) << w.find<QLabel>("ScanStatus")->text().toStdString();
    EXPECT_FALSE(w.panel()->isVisible());  // gone with the scan
}

// While points come, the wheel zooms and the zoom holds; the lists can be read; the commands
// that would change the document wait, those that read it work; the status bar tells the
// progress. Paused after the third point, the scan waits with the commands as during a scan;
// resumed, it ends with the document of an uninterrupted scan, the stage where it stood.
TEST(ScanWindow, WhileTheScanRunsTheChartZoomsTheCommandsThatReadWorkAndPauseHoldsIt) {
    WindowScan w;
    std::pair<double, double> zoomed;
    QString status, pausedStatus;
    std::map<std::string, bool> enabled;
    int rowsWhenPaused = 0, heldFor = 0;
    QChartView* graph = w.find<QChartView>("Graph");
    auto* axisX = static_cast<QValueAxis*>(graph->chart()->axes(Qt::Horizontal).constFirst());
    auto* pause = w.find<QAction>("MnuPause");
    w.during = [&](int rows) {
        if (rows >= 2 && status.isEmpty() && graph->isVisible()) {
            const QPointF centre = graph->chart()->mapToScene(graph->chart()->plotArea().center());
            QWheelEvent wheel(centre, graph->viewport()->mapToGlobal(centre), {}, {0, 720}, Qt::NoButton, {}, Qt::NoScrollPhase, false);
            QApplication::sendEvent(graph->viewport(), &wheel);
            zoomed = {axisX->min(), axisX->max()};
            for (const char* name : {"MnuNew", "MnuOpen", "MnuSave", "MnuAddZone", "MnuDelPoint", "MnuScanAll", "MnuReCompute",
                                     "MnuExportCsv", "MnuPrintGraph", "MnuAbout", "MnuPause", "MnuResume"})
                enabled[name] = w.find<QAction>(name)->isEnabled();
            for (const char* name : {"DefTime", "Offset"}) enabled[name] = w.find<QLineEdit>(name)->isEnabled();
            w.list()->setCurrentRow(0);  // the list takes a choice
            status = w.find<QLabel>("ScanStatus")->text();
        }
        if (rows == 3 && pausedStatus.isEmpty() && pause->isEnabled() && w.state.ScanPause != kTrue) pause->trigger();
        const QString now = w.find<QLabel>("ScanStatus")->text();
        if (!now.startsWith("Paused after point")) return;
        if (pausedStatus.isEmpty()) pausedStatus = now, rowsWhenPaused = rows;
        EXPECT_FALSE(pause->isEnabled() || w.find<QAction>("MnuNew")->isEnabled());
        if (++heldFor == 20) w.find<QAction>("MnuResume")->trigger();  // it waited through 20 rounds of events
    };
    w.scan();
    ASSERT_FALSE(status.isEmpty());
    EXPECT_LT(zoomed.second - zoomed.first, 400.0);
    EXPECT_EQ(std::pair(axisX->min(), axisX->max()), zoomed);  // the points that came did not move it
    EXPECT_EQ(enabled, (std::map<std::string, bool>{{"MnuNew", false}, {"MnuOpen", false}, {"MnuSave", false}, {"MnuAddZone", false},
                                                    {"MnuDelPoint", false}, {"MnuScanAll", false}, {"MnuReCompute", false},
                                                    {"MnuExportCsv", true}, {"MnuPrintGraph", true}, {"MnuAbout", true},
                                                    {"MnuPause", true}, {"MnuResume", false}, {"DefTime", false}, {"Offset", true}}));
    EXPECT_TRUE(QRegularExpression("^Point \\d of about 5 - \\d:\\d\\d:\\d\\d elapsed - about \\d:\\d\\d:\\d\\d left$").match(status).hasMatch())
        << status.toStdString();
    // The third row came with the fourth point.
    EXPECT_EQ(std::tuple(pausedStatus.toStdString().substr(0, 21), rowsWhenPaused, heldFor), std::tuple("Paused after point 4 ", 4, 20));
    EXPECT_TRUE(w.find<QAction>("MnuNew")->isEnabled() && !pause->isEnabled());
    EXPECT_EQ(std::pair(w.state.ScanStop, w.rows()), std::pair(kFalse, WholeScanRows()));
    EXPECT_TRUE(w.find<QLabel>("StageStatus")->text().startsWith("Stage X 800, Y 0   Beam 20.00 nA"))
        << w.find<QLabel>("StageStatus")->text().toStdString();
}

// A termination signal ends the scan started with the Scan button after the point being
// counted; only then does the main window close, without asking, leaving the points it
// measured for the next start to recover.
TEST(ScanWindow, ATerminationSignalClosesTheWindowAfterThePointAndTheNextStartRecoversIt) {
    WindowScan w;
    TerminationSignals onSignal(&w.main, [&w] {
        w.main.keepWorkOnClose();
        w.main.close();
    });
    fakes::AcquisitionWatcher watcher(w.list(), 3, [](QObject*) { ::raise(SIGTERM); });
    w.find<QAbstractButton>("Scan")->click();
    // 400 waits while 200 comes.
    EXPECT_EQ(std::tuple(w.main.isVisible(), watcher.rows, w.state.ScanStop), std::tuple(false, std::vector<int>{0, 1, 2}, kTrue));
    EXPECT_EQ(w.rows(), WholeScanRows().mid(0, 2));

    // The next start offers the points; Recover brings them back, unsaved.
    ProfileState nextState;
    PrfMain next(nextState, w.instance.suite());
    QTimer::singleShot(0, [] { QApplication::activeModalWidget()->findChild<QAbstractButton*>("ButRecover")->click(); });
    next.startUp();
    EXPECT_EQ(next.findChild<QListWidget*>(QStringLiteral("PntList"))->count(), 2);
    EXPECT_TRUE(next.windowTitle().endsWith("profile-001.ana]* (recovered)")) << next.windowTitle().toStdString();
    EXPECT_TRUE(w.instance.database().KestDbLeftovers().empty());
}

// Scan Point's window opens whole on the screen, beside the main window, wherever that is.
TEST(ScanWindow, ScanPointsWindowOpensWholeOnTheScreenBesideTheMainWindow) {
    WindowScan w;
    w.scan();
    const QRect screen = w.main.screen()->availableGeometry();
    for (const QPoint corner : {QPoint(0, 0), QPoint(screen.right() - 200, screen.bottom() - 150)}) {
        w.main.move(corner);
        QRect placed;
        w.list()->setCurrentRow(1);
        QTimer::singleShot(50, [&] {
            QWidget* window = QApplication::activeModalWidget();
            ASSERT_TRUE(window);
            placed = window->frameGeometry();
            window->findChild<QAbstractButton*>("Cancel")->click();
        });
        w.find<QAction>("MnuScanPoint")->trigger();
        SCOPED_TRACE(corner.x());
        EXPECT_TRUE(screen.contains(placed)) << placed.x() << "," << placed.y() << " " << placed.width() << "x" << placed.height();
        EXPECT_LE((placed.topLeft() - w.main.frameGeometry().topLeft()).manhattanLength(), 300);
    }
}

}  // namespace
}  // namespace kest
