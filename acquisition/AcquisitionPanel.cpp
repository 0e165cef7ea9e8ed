#include "acquisition/AcquisitionPanel.h"

#include "acquisition/AcquisitionFields.h"
#include "acquisition/ScanPlan.h"
#include "controls/Controls.h"
#include "controls/NormalPointer.h"
#include "controls/QtText.h"
#include "core/ProgramTitle.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>

namespace kest {
namespace {

QLabel* Coordinate(const char* name) {
    QLabel* label = Caption(name, "");
    label->setFont(FixedPitchFont());
    label->setTextFormat(Qt::PlainText);
    return label;
}

// A button only a click presses: never the default, never the focus.
QPushButton* ClickOnly(const char* name, const char* caption) {
    auto* button = Named(new QPushButton(QString::fromLatin1(caption)), name);
    button->setAutoDefault(false);
    button->setDefault(false);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

}  // namespace

AcquisitionPanel::AcquisitionPanel(ProfileState& state, Suite& suite, MainView& main, QWidget* parent)
    : QFrame(parent), state_(state), suite_(suite), main_(main), acquisition_(state, suite, *this, pacer_) {
    setObjectName(QStringLiteral("AcquisitionPanel"));
    setFrameShape(QFrame::StyledPanel);
    setFocusPolicy(Qt::NoFocus);
    label1_ = Caption("Label1", "");
    label1_->setFont(FixedPitchFont());
    gauge1_ = Named(new QProgressBar, "Gauge1");
    gauge1_->setTextVisible(true);
    gauge1_->setMinimumWidth(180);
    lx_ = Coordinate("LX");
    ly_ = Coordinate("LY");
    counting_ = Caption("Frame1", "counting");
    counting_->hide();
    pause_ = ClickOnly("ButPause", "Pause");
    stop_ = ClickOnly("Command4", "Stop");
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(6, 2, 6, 2);
    row->addWidget(Caption("et_3", "Pt#"));
    row->addWidget(label1_);
    row->addWidget(Caption("et_4", "Stage"));
    row->addWidget(lx_);
    row->addWidget(ly_);
    row->addWidget(counting_);
    row->addStretch();
    row->addWidget(gauge1_);
    row->addWidget(pause_);
    row->addWidget(stop_);
    connect(pause_, &QPushButton::clicked, this, [this] { pauseOrResume(); });
    connect(stop_, &QPushButton::clicked, this, &AcquisitionPanel::stop);
    confirmStop = [this] { return askStop(); };
}

void AcquisitionPanel::acquireCurrentPoint() {
    const AcquisitionFields fields = LoadAcquisitionFields(state_, main_);
    label1_->setText(ToQString(fields.pointNumber));
    emit pointStarted(state_.CurPnt);
    acquisition_.acquire(AutomaticInputs(state_, main_));
}

void AcquisitionPanel::showProgress(const ScanProgress& progress) {
    const int total = ProgressTotal(progress);
    gauge1_->setRange(0, std::max(total, 1));
    gauge1_->setValue(std::min(progress.measured, std::max(total, 1)));
    gauge1_->setFormat(QStringLiteral("%1 of %2%3 measured")
                           .arg(progress.measured)
                           .arg(progress.estimated ? QStringLiteral("about ") : QString())
                           .arg(total));
    pause_->setText(state_.ScanPause == kTrue ? QStringLiteral("Resume") : QStringLiteral("Pause"));
}

void AcquisitionPanel::stop() {
    if (state_.ScanStop == kTrue || !confirmStop()) return;
    stopNow();
}

void AcquisitionPanel::stopNow() {
    state_.ScanStop = kTrue;
    if (acquisition_.running()) acquisition_.requestStop();
    stopped();
}

// Cancel is the default: a Return pressed by mistake goes on with the scan.
bool AcquisitionPanel::askStop() {
    const NormalPointerWhileAsking pointer;
    QMessageBox box(QMessageBox::Question, QString::fromLatin1(kProgramTitle), QStringLiteral("Stop the scan after this point?"),
                    QMessageBox::NoButton, this);
    box.setObjectName(QStringLiteral("StopQuestion"));
    QPushButton* stop = box.addButton(QStringLiteral("Stop"), QMessageBox::AcceptRole);
    QPushButton* goOn = box.addButton(QStringLiteral("Go on"), QMessageBox::RejectRole);
    box.setDefaultButton(goOn);
    box.setEscapeButton(goOn);
    box.exec();
    return box.clickedButton() == stop;
}

void AcquisitionPanel::showCounting(bool counting) { counting_->setVisible(counting); }

void AcquisitionPanel::showStageTarget(const std::string& x, const std::string& y) {
    lx_->setText(ToQString(x));
    ly_->setText(ToQString(y));
}

void AcquisitionPanel::showMessage(const std::string& text) { ShowMessageBox(window(), text); }

void AcquisitionPanel::closeEvent(QCloseEvent* event) { event->ignore(); }

// Keys are the main window's: the panel acts on none.
void AcquisitionPanel::keyPressEvent(QKeyEvent* event) { event->ignore(); }

}  // namespace kest
