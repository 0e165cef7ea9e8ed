#pragma once
// The acquisition window of a scan, as a panel of the main window: it shows the point being
// measured, its target and the counting, with the scan's progress, for as long as the scan
// runs. It never takes the keyboard focus and nothing in it is a default button: Return,
// Escape and closing it do nothing to the scan. Stop must be clicked, and is confirmed
// ("Stop the scan after this point?"): the counting then ends at once, the point is stored
// as stopped, and the scan stops after it. Pause asks the scan to wait after the point being
// measured; the same button then resumes it.
//
// This departs from the design's modal window made again for every point, which took the
// focus and whose Cancel was the default button: one stray Return ended an overnight line,
// and the main window could not be read for the hours of a scan.

#include "acquisition/AcquisitionView.h"
#include "acquisition/EventLoopPacer.h"
#include "acquisition/PointAcquisition.h"
#include "core/MainView.h"
#include "core/ProfileState.h"
#include "suite/Suite.h"

#include <QFrame>

#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;

namespace kest {

class AcquisitionPanel : public QFrame, public AcquisitionView {
    Q_OBJECT

public:
    AcquisitionPanel(ProfileState& state, Suite& suite, MainView& main, QWidget* parent = nullptr);

    // Measures CurPnt as the acquisition window's automatic mode does; returns when the
    // point is stored.
    void acquireCurrentPoint();
    // The scan's progress: "13 of about 40 measured"; the paused state of the Pause button.
    void showProgress(const ScanProgress& progress);

    // The question before a stop; true to stop. A message box unless set (tests answer it).
    std::function<bool()> confirmStop;
    // Pause and Resume, as Scan > Pause and Scan > Resume.
    std::function<void()> pauseOrResume = [] {};

    // Stop, confirmed: the counting ends at once and the scan after this point; then
    // `stopped` runs (a paused scan is let go).
    void stop();
    // The same without the question: the main window closing for a signal.
    void stopNow();
    std::function<void()> stopped = [] {};

    // AcquisitionView.
    void showCounting(bool counting) override;
    void showStageTarget(const std::string& x, const std::string& y) override;
    void showMessage(const std::string& text) override;

signals:
    // A point's acquisition begins (CurPnt, from 0).
    void pointStarted(int point);

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool askStop();

    ProfileState& state_;
    Suite& suite_;
    MainView& main_;
    EventLoopPacer pacer_;
    PointAcquisition acquisition_;

    QLabel* label1_ = nullptr;
    QProgressBar* gauge1_ = nullptr;
    QLabel* lx_ = nullptr;
    QLabel* ly_ = nullptr;
    QLabel* counting_ = nullptr;
    QPushButton* pause_ = nullptr;
    QPushButton* stop_ = nullptr;
};

}  // namespace kest
