// The profile graph as the main window draws it (read back from the chart's drawn lines), the
// print dialog, the information and about dialogs, and the commands that open them.

#include "ChartChecks.h"
#include "FakeSuite.h"
#include "ScanOnSimulator.h"

#include "document/ZonesFile.h"
#include "graph/AxisTicks.h"
#include "graph/FormPrint.h"
#include "graph/ProfileDistance.h"
#include "results/ResultLists.h"
#include "shell/PrfMain.h"

#include <QAbstractButton>
#include <QApplication>
#include <QAction>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QLabel>
#include <QLegendMarker>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QValueAxis>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <random>

namespace kest {
namespace {

struct Spot { int32_t x, y, z; };

// The main window on fakes with a document of `elements` (atomic numbers) measured at
// `spots`; element e at point p is at 10 * (e + 1) + p weight percent.
class GraphWindow {
public:
    GraphWindow(const std::vector<int32_t>& elements, const std::vector<Spot>& spots) {
        for (const int32_t z : elements) fake.db.elements.push_back({.z = z});
        for (const Spot& spot : spots) {
            fakes::FakePoint point{spot.x, spot.y, spot.z, "Z01", {}, {}};
            for (std::size_t e = 0; e < elements.size(); ++e)
                point.results[int32_t(e)].field[0] = float(10 * (e + 1) + fake.db.points.size()) / 100.0f;
            fake.db.points.push_back(point);
        }
        window.startUp();  // New: the document's lists, and the graph built from them
    }
    void show() {
        window.resize(1100, 750);
        window.show();
        QCoreApplication::processEvents();
    }
    template <typename T>
    T* find(const char* name) const { return window.findChild<T*>(QString::fromLatin1(name)); }
    QChartView* graph() const { return find<QChartView>("Graph"); }
    const std::vector<PlottedSeriesItem::Series>& series() const { return fakes::DrawnSeries(*graph()->chart()); }
    // Runs `answer` on the next modal window, while `command` waits for it to close.
    static void answerModal(const std::function<void(QWidget*)>& answer, const std::function<void()>& command) {
        QTimer::singleShot(0, [answer] {
            if (QWidget* modal = QApplication::activeModalWidget()) answer(modal);
        });
        command();
    }

    fakes::FakeSuite fake;
    ProfileState state;
    PrfMain window{state, fake.suite};
};

constexpr int32_t Fe = 26, C = 6, N = 7;
const std::map<int, QColor> kPalette{{0, Qt::black}, {2, QColor(0, 128, 0)}, {12, Qt::red}, {15, Qt::white}};  // by colour code

TEST(ProfileGraph, PlotsDistancesFromTheFirstPlottedPointShiftedByTheOffset) {
    // With one zone of 500 or none, and the rows selected with "Sel" (none: "All"); the positions
    // of every element series (none: the chart is hidden), where the extra series stands, the colours.
    const struct {
        const char* name; std::vector<int32_t> elements; std::vector<Spot> spots; std::string offset; int16_t zones;
        std::vector<int> selected; std::vector<double> positions; double extra; std::vector<int> colours;
    } cases[] = {
        {"300 apart", {Fe}, {{100, 0, 0}, {400, 0, 0}}, "0", 1, {}, {0, 300}, 500, {0, 15}},
        {"offset 1000", {Fe}, {{100, 0, 0}, {400, 0, 0}}, "1000", 1, {}, {1000, 1300}, 1500, {0, 15}},
        {"in space", {Fe}, {{7, 4, 10}, {10, 8, 10}, {10, 8, 22}}, "0", 1, {}, {0, 5, 13}, 500, {0, 15}},  // three distinct axes
        {"selected 2 and 5", {Fe}, {{0, 0, 0}, {10, 0, 0}, {20, 0, 0}, {30, 0, 0}, {40, 30, 0}}, "0", 1, {1, 4}, {0, std::sqrt(1800.0)}, 500, {0, 15}},
        {"one selected", {Fe}, {{0, 0, 0}, {10, 0, 0}, {20, 0, 0}}, "0", 1, {2}, {}, 0, {}},
        {"one point", {Fe}, {{0, 0, 0}}, "0", 1, {}, {}, 0, {}},
        {"no element", {}, {{0, 0, 0}, {10, 0, 0}}, "0", 1, {}, {}, 0, {}},
        {"carbon, nitrogen, iron", {C, N, Fe}, {{0, 0, 0}, {10, 0, 0}}, "0", 1, {}, {0, 10}, 500, {12, 2, 0, 15}},
        {"no zones", {Fe}, {{0, 0, 0}, {10, 0, 0}}, "250", 0, {}, {250, 260}, 0, {0, 15}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        GraphWindow w(c.elements, c.spots);
        w.state.NbZones = c.zones;
        w.state.Zones[0].endDistance = 500;
        w.find<QLineEdit>("Offset")->setText(QString::fromStdString(c.offset));
        w.find<QAbstractButton>(c.selected.empty() ? "Option1_0" : "Option1_1")->click();
        auto* list = w.find<QListWidget>("PntList");
        for (const int row : c.selected)  // each click redraws with the rows selected so far
            QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier, list->visualItemRect(list->item(row)).center());

        ASSERT_EQ(w.graph()->isVisibleTo(&w.window), !c.positions.empty());
        if (c.positions.empty()) continue;
        if (c.selected.empty()) { EXPECT_EQ(w.state.O + DistanceBetween(w.state.PointTable[0], w.state.PointTable[c.spots.size() - 1]), c.positions.back()); }  // as the CSV
        const auto& series = w.series();
        ASSERT_EQ(series.size(), c.elements.size() + 1);
        for (std::size_t s = 0; s < series.size(); ++s) {
            EXPECT_EQ(series[s].pen.color(), kPalette.at(c.colours[s])) << "series " << s;
            if (s + 1 < series.size()) {
                EXPECT_EQ(fakes::Xs(series[s]), c.positions) << "series " << s;
                const int first = c.selected.empty() ? 0 : c.selected[0];
                EXPECT_FLOAT_EQ(float(series[s].points.at(0).y()), float(10 * (s + 1) + first));
            } else {
                EXPECT_EQ(fakes::Xs(series[s]), std::vector<double>(c.positions.size(), c.extra));
                EXPECT_EQ(series[s].points.at(0).y(), 0.0);
            }
        }
    }
}

// The window's graph under its legend and axis titles: the wheel zooms, the zoom holds while
// a scan adds a point, a double click shows everything; the pointer over a point names it,
// and a click on it chooses its row.
TEST(ProfileGraph, TheWindowsGraphIsReadAndSteeredWithTheMouse) {
    GraphWindow w({C, Fe}, {{0, 0, 0}, {100, 0, 0}, {200, 0, 0}});
    w.show();
    const QChart* chart = w.graph()->chart();
    QStringList legends;
    for (const QLegendMarker* marker : chart->legend()->markers())
        if (marker->isVisible()) legends << marker->label();
    EXPECT_EQ(legends, (QStringList{"C ", "Fe"}));  // not the white series
    const auto* axisX = static_cast<QValueAxis*>(chart->axes(Qt::Horizontal).constFirst());
    EXPECT_EQ(std::pair(axisX->titleText(), chart->axes(Qt::Vertical).constFirst()->titleText()),
              std::pair(QStringLiteral("distance (\u00b5m)"), QStringLiteral("wt %")));

    QWidget* viewport = w.graph()->viewport();
    const QPointF centre = chart->mapToScene(chart->plotArea().center());
    QWheelEvent wheel(centre, viewport->mapToGlobal(centre), {}, {0, 240}, Qt::NoButton, {}, Qt::NoScrollPhase, false);
    QApplication::sendEvent(viewport, &wheel);
    const std::pair zoomed{axisX->min(), axisX->max()};
    EXPECT_LT(zoomed.second - zoomed.first, 150);
    w.fake.db.points.push_back({300, 0, 0, "Z01", {}, {}});
    ReloadPointRows(w.state, w.fake.db, w.window, 3, 4);
    EXPECT_EQ(std::pair(axisX->min(), axisX->max()), zoomed);
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_GE(axisX->max(), 300);

    const QPoint point = static_cast<ProfileChartWidget*>(w.graph())->placeOf({100, 11}).toPoint();  // C at point 2
    QTest::mouseMove(viewport, point + QPoint(3, 2));
    const auto* hover = w.find<QLabel>("HoverText");
    // It stays while the pointer rests, through the view's own tooltip event.
    QHelpEvent help(QEvent::ToolTip, point + QPoint(3, 2), viewport->mapToGlobal(point + QPoint(3, 2)));
    QApplication::sendEvent(viewport, &help);
    QTest::qWait(1500);
    EXPECT_EQ(std::pair(hover->isVisible(), hover->text()), std::pair(true, QStringLiteral("point 2, C: 100 \u00b5m, 11.00 wt %")));
    QTest::mouseMove(viewport, point + QPoint(60, 40));
    EXPECT_FALSE(hover->isVisible());
    QTest::mouseClick(viewport, Qt::LeftButton, {}, point);
    EXPECT_EQ(std::pair(w.find<QListWidget>("PntList")->currentRow(), int{w.state.CurPnt}), std::pair(1, 1));
}

// A new point, and a point measured again, paint again only the part of the chart they
// changed; the chart must draw them, and the window must look as though the chart had been
// painted whole. The points go back and forth inside the axes' ranges, so that the chart is
// not laid out again; one whose count was stopped is drawn hollow.
TEST(ProfileGraph, APointAddedOrMeasuredAgainLeavesTheWindowAsAWholeRepaintDrawsIt) {
    GraphWindow w({C, Fe}, {{0, 0, 0}, {1000, 0, 0}});
    w.show();
    const QRect chartArea(w.graph()->mapTo(&w.window, QPoint(0, 0)), w.graph()->size());
    for (int32_t p = 2; p < 14; ++p) {
        w.fake.db.points.push_back({(p * 370) % 1000, 0, 0, "Z01", {}, {}});
        if (p == 5) w.fake.db.points.back().status = PointStatus::Stopped;  // at 850, Fe 16 %
        for (const float measured : {0.10f, 0.12f + 0.01f * float(p % 3)}) {
            w.fake.db.points.back().results[0].field[0] = measured;
            w.fake.db.points.back().results[1].field[0] = 0.3f - measured;
            ReloadPointRows(w.state, w.fake.db, w.window, int16_t(p), int16_t(p + 1));
            QCoreApplication::processEvents();
            const QPolygonF& drawn = fakes::DrawnSeries(*w.graph()->chart())[0].points;
            ASSERT_EQ(drawn.size(), p + 1);
            EXPECT_FLOAT_EQ(float(drawn.back().y()), 100 * measured);
            const QImage painted = w.window.screen()->grabWindow(w.window.winId()).toImage().copy(chartArea);
            // Antialiased lines cut at another place differ a little at their edges.
            EXPECT_EQ(fakes::PixelsApart(painted, w.graph()->grab().toImage(), 64), 0) << "point " << p + 1;
        }
    }
    const QPointF stopped = static_cast<ProfileChartWidget*>(w.graph())->placeOf({850, 16});
    EXPECT_EQ(w.graph()->grab().toImage().pixelColor(stopped.toPoint()), QColor(Qt::white)) << "drawn hollow";
}

// The axes tick at the first of 1, 2, 2.5 or 5 times a power of ten that gives at most 8
// ticks, labelled with the decimals those values need and no more, whatever the zoom.
TEST(ProfileGraph, AxisTicksStandAtRoundValuesAtEveryZoom) {
    const struct { double low, high; double interval; int decimals; } cases[] = {
        {0, 1500, 200, 0}, {0, 1750, 250, 0}, {0, 100, 20, 0}, {70.06, 70.31, 0.05, 2}, {-3.2, 7.9, 2, 0}, {999.9, 1000.65, 0.1, 1},
        {0, 0.9, 0.2, 1}, {12, 13.7, 0.25, 2}, {-0.004, 0.006, 0.002, 3}, {0, 17.5, 2.5, 1},
    };
    for (const auto& c : cases) {
        const AxisTicks ticks = RoundTicks(c.low, c.high, 8);
        EXPECT_NEAR(ticks.interval, c.interval, c.interval * 1e-9) << c.low << ".." << c.high;
        EXPECT_EQ(ticks.decimals, c.decimals) << c.low << ".." << c.high;
    }

    GraphWindow w({Fe}, {{0, 0, 0}, {700, 0, 0}, {1500, 0, 0}});
    w.show();
    auto* view = static_cast<ProfileChartWidget*>(w.graph());
    std::mt19937 random(28);
    std::uniform_real_distribution<double> place(-100.0, 1600.0), width(0.003, 900.0);
    for (int zoom = 0; zoom <= 20; ++zoom) {
        if (zoom > 0) {
            const double x0 = place(random), y0 = place(random) / 20.0;
            emit view->viewRequested(x0, x0 + width(random), y0, y0 + width(random) / 10.0);
        }
        for (const auto* axis : {static_cast<QValueAxis*>(view->chart()->axes(Qt::Horizontal).constFirst()),
                                 static_cast<QValueAxis*>(view->chart()->axes(Qt::Vertical).constFirst())}) {
            const AxisTicks ticks = RoundTicks(axis->min(), axis->max(), 8);  // 0 is a tick: the anchor
            EXPECT_EQ(std::tuple(axis->tickType(), axis->tickAnchor(), axis->tickInterval(), axis->labelFormat()),
                      std::tuple(QValueAxis::TicksDynamic, 0.0, ticks.interval, QStringLiteral("%.%1f").arg(ticks.decimals)))
                << "zoom " << zoom << ": " << axis->min() << ".." << axis->max();
        }
    }
}

// A point stored without counts (placed, and the program ended before its counts were
// stored), as a recovery brings it back: no marker, no line to 0, no value in the list; the
// zones that come with it stretch the distance axis to the planned end.
TEST(ProfileGraph, ARecoveredPointWithoutCountsHasNoMarkerAndTheAxisStillReachesThePlannedEnd) {
    GraphWindow w({Fe}, {{0, 0, 0}, {100, 0, 0}, {200, 0, 0}});
    w.fake.db.points[0].status = w.fake.db.points[1].status = PointStatus::Measured;
    w.fake.db.points[2].results.clear();  // placed at 200, never counted
    ProfileState planned;
    planned.NbZones = 2;
    planned.Zones[0] = fakes::FixedZone(400, 100);
    planned.Zones[1] = fakes::FixedZone(600, 100);
    LoadZonesText(w.state, w.window, ZonesFileText(planned));
    ReloadPoints(w.state, w.fake.db, w.window);
    w.show();

    const auto& series = w.series();
    ASSERT_EQ(series.size(), 2u);
    EXPECT_EQ(std::pair(fakes::Xs(series[0]), fakes::Xs(series[1])), std::pair(std::vector<double>{0, 100}, std::vector<double>(3, 1000)));
    const QString row = w.find<QListWidget>("PntList")->item(2)->text();
    EXPECT_TRUE(row.trimmed().endsWith("unmeasured") && !row.contains("0.00")) << row.toStdString();
    const QPointF atZero = static_cast<ProfileChartWidget*>(w.graph())->placeOf({200, 0});
    const QImage image = w.graph()->grab().toImage();
    EXPECT_EQ(fakes::PixelsOf(image, Qt::black, QRect(atZero.toPoint() - QPoint(6, 12), QSize(13, 10)), 60), 0) << "a marker at 0";
}

TEST(ProfileGraph, ThePrintDialogDrawsThePrintableVariantAndPrintsItOnRequest) {
    GraphWindow w({C, N, Fe}, {{0, 0, 0}, {30, 40, 0}, {60, 80, 0}});
    w.fake.db.title = "Carburised steel";
    FormPrint dialog(w.state, w.fake.db, &w.window);
    dialog.show();
    const QChart* chart = dialog.graphPrint().widget()->chart();
    std::vector<QColor> colours;
    QStringList legends;
    for (const PlottedSeriesItem::Series& s : fakes::DrawnSeries(*chart)) colours.push_back(s.pen.color());
    for (const QAbstractSeries* s : chart->series()) legends << s->name();
    EXPECT_EQ(colours, (std::vector<QColor>{kPalette.at(12), kPalette.at(2), kPalette.at(0)}));
    EXPECT_EQ(legends, (QStringList{"C ", "N ", "Fe"}));
    EXPECT_EQ(fakes::Xs(fakes::DrawnSeries(*chart)[2]), (std::vector<double>{0, 50, 100}));
    EXPECT_EQ(std::pair(chart->legend()->isVisible(), chart->title()), std::pair(true, QStringLiteral("Carburised steel")));
    const auto* axisX = static_cast<QValueAxis*>(chart->axes(Qt::Horizontal).constFirst());
    EXPECT_EQ(std::pair(axisX->titleText(), chart->axes(Qt::Vertical).constFirst()->titleText()),
              std::pair(QStringLiteral("depth in microns / area"), QStringLiteral("weight %")));

    auto* grid = dialog.findChild<QCheckBox*>("O_Grid");
    for (const int code : {kNoGrid, kGridLines}) {
        grid->click();
        EXPECT_EQ(std::pair(int{dialog.graphPrint().values().grid}, axisX->isGridLineVisible()), std::pair(code, code == kGridLines));
    }

    const QTemporaryDir dir;
    int printed = 0;
    dialog.graphPrint().choosePrinter = [&](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.filePath(QString("print%1.pdf").arg(++printed)));
        return true;
    };
    for (int i = 0; i < 2; ++i) dialog.findChild<QAbstractButton*>("B_Print")->click();
    EXPECT_TRUE(dialog.isVisible());
    ASSERT_EQ(printed, 2);
    const QString text = fakes::PdfText(dir.filePath("print2.pdf"));
    for (const char* expected : {"Carburised steel", "weight %", "depth in microns / area", "Fe"})
        EXPECT_TRUE(text.contains(QLatin1String(expected))) << expected << "\n" << text.toStdString();
    dialog.findChild<QAbstractButton*>("B_Cancel")->click();
    EXPECT_FALSE(dialog.isVisible());
}

TEST(DocumentInfo, TheDialogShowsTheFieldsAndWritesThemBackUnlessCancelled) {
    const std::string longTitle(60, 'T');
    const struct {
        const char* name; std::function<void(QDialog*)> close; std::string newTitle, storedTitle, chartTitle;
    } cases[] = {
        {"OK, 60 characters", [](QDialog* d) { d->findChild<QAbstractButton*>("ButOK")->click(); }, longTitle, longTitle, longTitle.substr(0, 50)},
        {"Cancel", [](QDialog* d) { d->findChild<QAbstractButton*>("ButCancel")->click(); }, "New title", "Old title", "Old title"},
        {"close control", [](QDialog* d) { d->close(); }, "New title", "New title", "New title"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        GraphWindow w({Fe}, {{0, 0, 0}, {10, 0, 0}});
        w.fake.db.company = "Metals lab", w.fake.db.title = "Old title", w.fake.db.comments = "quenched\nfrom 900";
        w.fake.db.lastModTime = "05/12/2026 10:32:00";
        QStringList shown;
        GraphWindow::answerModal(
            [&](QWidget* modal) {
                auto* dialog = qobject_cast<QDialog*>(modal);
                ASSERT_EQ(dialog->objectName(), "UserInfo");
                shown << dialog->windowTitle();
                for (const char* name : {"UserName", "Company", "Title"}) shown << dialog->findChild<QLineEdit*>(name)->text();
                shown << dialog->findChild<QPlainTextEdit*>("Comments")->toPlainText();
                shown << dialog->findChild<QLabel*>("LastModTime")->text();
                dialog->findChild<QLineEdit*>("Title")->setText(QString::fromStdString(c.newTitle));
                c.close(dialog);
            },
            [&] { w.find<QAction>("MnuInfo")->trigger(); });
        EXPECT_EQ(shown, (QStringList{w.window.windowTitle(), "", "Metals lab", "Old title", "quenched\nfrom 900",
                                      "05/12/2026 10:32:00"}));
        EXPECT_EQ(std::pair(w.fake.db.title, w.graph()->chart()->title().toStdString()), std::pair(c.storedTitle, c.chartTitle));
        std::vector<std::string> writes;
        for (const std::string& call : w.fake.db.calls)
            if (call.rfind("KestDbSet", 0) == 0) writes.push_back(call.substr(0, call.find('(')));
        const std::vector<std::string> inOrder{"KestDbSetUserName", "KestDbSetCompany", "KestDbSetTitle", "KestDbSetComments"};
        EXPECT_EQ(writes, c.storedTitle == "Old title" ? std::vector<std::string>{} : inOrder);
    }
}

TEST(MainWindowCommands, AboutScanPointAndTheAnalysisProgram) {
    GraphWindow w({Fe}, {{0, 0, 0}, {10, 0, 0}, {20, 0, 0}});
    QStringList about;
    GraphWindow::answerModal(
        [&](QWidget* modal) {
            for (const char* name : {"TitleItem", "VersionItem"}) about << modal->findChild<QLabel*>(name)->text();
            modal->findChild<QAbstractButton*>("OkBut")->click();
        },
        [&] { w.find<QAction>("MnuAbout")->trigger(); });
    EXPECT_EQ(about, (QStringList{"KestPlus - Profile", "Version: 2.0"}));

    w.fake.probe.counts = {1000};  // counted in 8 s
    w.fake.probe.elapsed = 8.0f;
    auto* list = w.find<QListWidget>("PntList");
    std::vector<int16_t> acquired;  // a double click on a row, and Scan Point on the current row
    const auto acquire = [&](QWidget* modal) {
        EXPECT_EQ(modal->objectName(), "PrfEdit");
        acquired.push_back(w.state.CurPnt);
        modal->findChild<QAbstractButton*>("ButtonAcq")->click();
    };
    GraphWindow::answerModal(acquire, [&] {
        const QPoint row = list->visualItemRect(list->item(2)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row);  // a double click starts as a click
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, row);
    });
    list->setCurrentRow(1);
    GraphWindow::answerModal(acquire, [&] { w.find<QAction>("MnuScanPoint")->trigger(); });
    EXPECT_EQ(acquired, (std::vector<int16_t>{2, 1}));
    EXPECT_EQ(list->item(1)->text().toStdString().substr(0, 14), "   2    125.00");

    w.fake.ana.startable = false;
    QString message;
    GraphWindow::answerModal(
        [&](QWidget* modal) {
            message = qobject_cast<QMessageBox*>(modal)->text();
            modal->close();
        },
        [&] { w.find<QAbstractButton>("Ana")->click(); });
    EXPECT_EQ(std::pair(w.fake.ana.count("start"), message), std::pair(1, QStringLiteral("The analysis program cannot be started.")));
}

}  // namespace
}  // namespace kest
