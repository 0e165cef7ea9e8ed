#pragma once
// The acquisition window: one point, modal. Opened for a scan (AutoAcquire) it counts at
// once and closes; opened by Scan Point it shows the position, label, counting time and
// count fields for the operator to check, and Acquire starts. The stop button (Command4)
// shows while the counters count. The window closes itself when the acquisition ends.

#include "acquisition/AcquisitionView.h"
#include "acquisition/EventLoopPacer.h"
#include "acquisition/PointAcquisition.h"
#include "core/MainView.h"
#include "core/ProfileState.h"
#include "suite/Suite.h"

#include <QDialog>

class QButtonGroup;
class QFrame;
class QLabel;
class QLineEdit;
class QProgressBar;

namespace kest {

class PrfEdit : public QDialog, public AcquisitionView {
    Q_OBJECT

public:
    // Loads the fields from the shared state and from `main`'s counting time and count choice.
    PrfEdit(ProfileState& state, Suite& suite, const MainView& main, QWidget* parent = nullptr);

    // As the stop button: the count ends at once (the main window closing for a signal).
    void stopCounting() { acquisition_.requestStop(); }

    // AcquisitionView.
    void showCounting(bool visible) override;
    void showStageTarget(const std::string& x, const std::string& y) override;
    void showMessage(const std::string& text) override;

protected:
    void showEvent(QShowEvent* event) override;
    // Escape and the close control: nothing while counting, where only Command4 stops.
    void reject() override;

private:
    QWidget* buildHeader();
    QFrame* buildEntries();
    QFrame* buildStop();
    void load();
    void place();
    void activate();
    void acquire();   // ButtonAcq
    void readStage(); // Read
    PointInputs inputs() const;

    ProfileState& state_;
    Suite& suite_;
    const MainView& main_;
    EventLoopPacer pacer_;
    PointAcquisition acquisition_;
    int16_t point_ = 0;
    bool activated_ = false;

    QLabel* label1_ = nullptr;
    QProgressBar* gauge1_ = nullptr;
    QLabel* lx_ = nullptr;
    QLabel* ly_ = nullptr;
    QFrame* frame2_ = nullptr;
    QLineEdit* labelX_ = nullptr;
    QLineEdit* labelY_ = nullptr;
    QLineEdit* spectro_ = nullptr;
    QLineEdit* text2_ = nullptr;
    QLineEdit* text4_ = nullptr;
    QButtonGroup* option2_ = nullptr;
    QFrame* frame1_ = nullptr;
};

}  // namespace kest
