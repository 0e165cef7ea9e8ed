#include "acquisition/PrfEdit.h"

#include "acquisition/AcquisitionFields.h"
#include "acquisition/StageMotion.h"
#include "controls/Controls.h"
#include "controls/QtText.h"
#include "controls/WindowPlacement.h"
#include "core/Formats.h"
#include "core/ProgramTitle.h"

#include <QApplication>
#include <QButtonGroup>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

namespace kest {
namespace {

QLineEdit* Field(const char* name, const char* text) { return TextField(name, QString::fromLatin1(text)); }

QLabel* Coordinate(const char* name) {
    QLabel* label = Caption(name, "");
    label->setFont(FixedPitchFont());
    label->setTextFormat(Qt::PlainText);
    return label;
}

}  // namespace

PrfEdit::PrfEdit(ProfileState& state, Suite& suite, const MainView& main, QWidget* parent)
    : QDialog(parent), state_(state), suite_(suite), main_(main), acquisition_(state, suite, *this, pacer_) {
    setObjectName(QStringLiteral("PrfEdit"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(buildHeader());
    layout->addWidget(buildEntries());
    layout->addWidget(buildStop());
    layout->setSizeConstraint(QLayout::SetFixedSize);
    load();
    place();
}

QWidget* PrfEdit::buildHeader() {
    auto* header = new QWidget;
    auto* grid = new QGridLayout(header);
    grid->setContentsMargins(0, 0, 0, 0);
    label1_ = Caption("Label1", "Label1");
    gauge1_ = Named(new QProgressBar, "Gauge1");
    lx_ = Coordinate("LX");
    ly_ = Coordinate("LY");
    grid->addWidget(Caption("et_3", "Pt#"), 0, 0);
    grid->addWidget(label1_, 0, 1);
    grid->addWidget(gauge1_, 0, 2, 1, 3);
    grid->addWidget(Caption("et_4", "Stage"), 1, 0);
    grid->addWidget(lx_, 1, 1);
    grid->addWidget(ly_, 1, 2);
    auto* shape = Named(new QFrame, "Shape1");
    shape->setFrameShape(QFrame::HLine);
    grid->addWidget(shape, 2, 0, 1, 5);
    return header;
}

// The fields the operator checks in manual mode, with Read XY, Acquire and Cancel.
QFrame* PrfEdit::buildEntries() {
    frame2_ = Named(new QFrame, "Frame2");
    frame2_->hide();
    auto* grid = new QGridLayout(frame2_);
    labelX_ = Field("LabelX", "999999");
    labelY_ = Field("LabelY", "999999");
    spectro_ = Field("Spectro", "1");
    text2_ = Field("Text2", "999999");
    text4_ = Field("Text4", "1");
    auto* read = Named(new QPushButton(QStringLiteral("Read XY")), "Read");
    auto* acquire = Named(new QPushButton(QStringLiteral("&Acquire")), "ButtonAcq");
    auto* cancel = Named(new QPushButton(QStringLiteral("&Cancel")), "Cancel");
    AddFieldRow(grid, 0, Caption("et_0", "X"), labelX_);
    AddFieldRow(grid, 1, Caption("et_1", "Y"), labelY_);
    grid->addWidget(read, 0, 2, 2, 1);
    AddFieldRow(grid, 2, Caption("Label7", "Sp#"), spectro_);
    AddFieldRow(grid, 3, Caption("et_2", "Label"), text2_);
    AddFieldRow(grid, 4, Caption("Label6", "Time(s)"), text4_);
    QFrame* counts = OptionPanel(this, option2_, "Option2", "Label8", "Nc", {"1", "5", "10", "15"});
    counts->setObjectName(QStringLiteral("Panel3D1"));
    grid->addWidget(counts, 5, 0, 1, 3);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(acquire);
    buttons->addWidget(cancel);
    grid->addLayout(buttons, 6, 0, 1, 3);
    acquire->setDefault(true);
    connect(read, &QPushButton::clicked, this, &PrfEdit::readStage);
    connect(acquire, &QPushButton::clicked, this, &PrfEdit::acquire);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    return frame2_;
}

QFrame* PrfEdit::buildStop() {
    frame1_ = Named(new QFrame, "Frame1");
    frame1_->hide();
    auto* row = new QHBoxLayout(frame1_);
    auto* stop = Named(new QPushButton(QStringLiteral("Cancel")), "Command4");
    stop->setAutoDefault(false);  // only a click stops a count
    stop->setFocusPolicy(Qt::NoFocus);
    row->addStretch();
    row->addWidget(stop);
    connect(stop, &QPushButton::clicked, this, [this] { acquisition_.requestStop(); });
    return frame1_;
}

void PrfEdit::load() {
    setWindowTitle(QString::fromLatin1(kProgramTitle));
    const AcquisitionFields fields = LoadAcquisitionFields(state_, main_);
    point_ = fields.point;
    label1_->setText(ToQString(fields.pointNumber));
    gauge1_->setRange(0, 100);
    gauge1_->setValue(fields.progress);
    labelX_->setText(ToQString(fields.x));
    labelY_->setText(ToQString(fields.y));
    spectro_->setText(ToQString(fields.spectrometer));
    text2_->setText(ToQString(fields.label));
    text4_->setText(ToQString(fields.time));
    ShowChoice(option2_, fields.countOption);
    if (state_.AutoAcquire == kFalse) {  // a scan's first move shows its target at once
        std::string failure;
        const StageAxes stage = ReadStageAxes(state_, suite_.probe, failure).value_or(StageAxes{});
        showStageTarget(FmtCoord8(stage.x), FmtCoord8(stage.y));
    }
}

// Near the main window's top left corner and whole on the screen: the design's place, a
// thirtieth and a twentieth of the screen from its corner, put the title bar off a screen
// whose window manager frames windows.
void PrfEdit::place() {
    if (const QWidget* main = parentWidget() ? parentWidget()->window() : nullptr) {
        PlaceNear(*this, *main, 60);
        return;
    }
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    move(area.x() + area.width() / 30, area.y() + area.height() / 20);
}

void PrfEdit::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (activated_) return;
    activated_ = true;
    QTimer::singleShot(0, this, &PrfEdit::activate);  // once the window is on the screen
}

void PrfEdit::activate() {
    QCoreApplication::processEvents();
    if (state_.AutoAcquire != kFalse) {
        acquire();
    } else {
        frame2_->show();
        adjustSize();
        place();  // grown by the entries, and with its frame known
    }
}

void PrfEdit::acquire() {
    frame2_->setEnabled(false);  // the inputs were taken; edits would not count
    acquisition_.acquire(inputs());
    accept();
}

void PrfEdit::reject() {
    if (acquisition_.running()) return;  // only the stop button stops a count
    QDialog::reject();
}

void PrfEdit::readStage() {
    const StagePositionTexts position = ReadStagePosition(state_, suite_.probe);
    labelX_->setText(ToQString(position.x));
    labelY_->setText(ToQString(position.y));
}

PointInputs PrfEdit::inputs() const {
    PointInputs inputs;
    inputs.point = point_;
    inputs.x = ToLatin1(labelX_->text());
    inputs.y = ToLatin1(labelY_->text());
    inputs.time = ToLatin1(text4_->text());
    inputs.countOption = option2_->checkedId();
    inputs.pattern = main_.patternText();
    inputs.label = ToLatin1(text2_->text());
    return inputs;
}

void PrfEdit::showCounting(bool visible) { frame1_->setVisible(visible); }

void PrfEdit::showStageTarget(const std::string& x, const std::string& y) {
    lx_->setText(ToQString(x));
    ly_->setText(ToQString(y));
}

void PrfEdit::showMessage(const std::string& text) { ShowMessageBox(this, text); }

}  // namespace kest
