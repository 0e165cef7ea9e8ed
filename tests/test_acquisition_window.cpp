// The acquisition window offscreen on fake libraries: what it shows when it loads, the
// manual and automatic modes, and the stop button during counting.

#include "ProgramOnFakes.h"

#include "acquisition/PrfEdit.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QTimer>
#include <gtest/gtest.h>

namespace kest {
namespace {

// Fe on spectrometer 2; point 4 of four, at (1500, -2500), labelled "ABCDEFGHIJK".
struct PointFour : fakes::ProgramOnFakes {
    PointFour() {
        state.NbElt = 1, state.CurElt = 0, state.CurPnt = 3, state.NbPts = 4;
        state.ElementTable[0] = EltEntry{.position = 0, .symbol = {}, .atomicNumber = 26, .standardName = "Fe", .spectrometer = 2};
        state.SpectroTable[1].used = kTrue;
        state.PointTable.assign(5, PointRecord{});
        state.PointTable[3].x = 1500, state.PointTable[3].y = -2500;
        state.PointTable[3].label.assign("ABCDEFGHIJK", '\0');
        fake.db.elements = {fakes::FakeElement{.spectrometer = 2}};
        fake.db.points.assign(4, fakes::FakePoint{});
        fake.probe.counts = {0, 1000};
        fake.probe.elapsed = 8.0f;
        view.defTime = "8", view.optNC = 2, view.pattern = "0";
    }
};

struct Window : PointFour {  // made after the state it loads
    template <typename T>
    T* find(const char* name) const { return edit.findChild<T*>(QString::fromLatin1(name)); }
    std::string text(const char* name) const {
        if (auto* field = find<QLineEdit>(name)) return field->text().toStdString();
        return find<QLabel>(name)->text().toStdString();
    }
    PrfEdit edit{state, fake.suite, view};
};

TEST(AcquisitionWindow, LoadsThePointAndTheMainWindowsSettings) {
    Window w;
    EXPECT_EQ(w.edit.windowTitle().toStdString(), "KestPlus - Profile");
    EXPECT_EQ(w.text("Label1"), "   4");
    EXPECT_EQ(w.find<QProgressBar>("Gauge1")->value(), 75);
    EXPECT_EQ(w.text("LabelX"), " 1500");
    EXPECT_EQ(w.text("LabelY"), "-2500");
    EXPECT_EQ(w.text("Spectro"), "2");
    EXPECT_EQ(w.text("Text2"), "ABCDEFGH");
    EXPECT_EQ(w.text("Text4"), "8");
    EXPECT_EQ(w.find<QButtonGroup>("Option2")->checkedId(), 2);
    EXPECT_EQ(w.find<QAbstractButton>("Option2_3")->text().toStdString(), "15");
    EXPECT_TRUE(w.find<QFrame>("Frame2")->isHidden());
    EXPECT_TRUE(w.find<QFrame>("Frame1")->isHidden());
}

TEST(AcquisitionWindow, ManualModeWaitsForTheOperatorAndCancelMeasuresNothing) {
    Window w;
    w.fake.probe.stage = {-20, 700, 0};
    bool entriesShown = false;
    QTimer::singleShot(50, [&] {
        entriesShown = w.find<QFrame>("Frame2")->isVisible();
        w.find<QAbstractButton>("Read")->click();
        w.find<QAbstractButton>("Cancel")->click();
    });
    EXPECT_EQ(w.edit.exec(), QDialog::Rejected);
    EXPECT_TRUE(entriesShown);
    EXPECT_EQ(w.text("LabelX"), "-20");
    EXPECT_EQ(w.text("LabelY"), " 700");
    EXPECT_EQ(w.text("LX"), "       0");  // where the stage stood when the window opened, not Read XY
    EXPECT_EQ(w.fake.journal, (std::vector<std::string>{"KestReadStagePos(1)", "KestReadStagePos(2)", "KestReadStagePos(3)",
                                                        "KestReadStagePos(1)", "KestReadStagePos(2)"}));
}

TEST(AcquisitionWindow, AutomaticModeCountsAndClosesByItselfOrWhenStopped) {
    for (const bool stop : {false, true}) {
        Window w;
        w.state.AutoAcquire = kTrue;
        bool stopShown = false;
        if (stop) {
            w.fake.probe.counterBusyPolls = 1'000'000;  // counts until stopped
            QTimer::singleShot(100, [&] {
                stopShown = w.find<QFrame>("Frame1")->isVisible();
                w.find<QAbstractButton>("Command4")->click();
            });
        }
        EXPECT_EQ(w.edit.exec(), QDialog::Accepted);
        EXPECT_TRUE(w.find<QFrame>("Frame2")->isHidden());
        EXPECT_EQ(w.fake.db.points[3].label, "ABCDEFGH");  // the point is stored either way
        EXPECT_EQ(w.fake.db.points[3].measures[0][0], stop ? 0.0f : 125.0f);
        EXPECT_EQ(w.text("LX"), "    1500");
        EXPECT_EQ(std::tuple(stopShown, w.state.ScanStop, w.fake.probe.count("KestReadCounter")),
                  std::tuple(stop, stop ? kTrue : kFalse, stop ? 0 : 10));  // 10 counts, or none
    }
}

}  // namespace
}  // namespace kest
