#include "geometry/ModZone.h"

#include "controls/Controls.h"
#include "controls/QtText.h"
#include "controls/WindowPlacement.h"
#include "core/ProgramTitle.h"
#include "geometry/ZoneEditor.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <utility>

namespace kest {
namespace {

QLineEdit* NumberBox(const char* name, const std::string& text) { return TextField(name, ToQString(text)); }

}  // namespace

ModZone::ModZone(ZoneRecord& zone, QWidget* parent, Check check)
    : QDialog(parent), zone_(zone), check_(std::move(check)) {
    setObjectName(QStringLiteral("ModZone"));
    setWindowTitle(QString::fromLatin1(kProgramTitle));
    setModal(true);

    const ZoneEditorFields fields = ZoneEditorFieldsOf(zone);
    oFix_ = Named(new QRadioButton(QStringLiteral("Fix")), "OFix");
    oVar_ = Named(new QRadioButton(QStringLiteral("Var")), "OVar");
    oAdp_ = Named(new QRadioButton(QStringLiteral("Adaptive")), "OAdp");
    oAdp_->setToolTip(QStringLiteral("Step max for a first pass, then points where the profile curves most, "
                                     "until it is within dConc or the steps are at step min"));
    length_ = NumberBox("Length", fields.length);
    stepMin_ = NumberBox("StepMin", fields.stepMin);
    stepMax_ = NumberBox("StepMax", fields.stepMax);
    conc_ = NumberBox("Conc", fields.dConc);
    label3_ = Caption("Label3", "StepMax");
    label4_ = Caption("Label4", "dConc%");

    auto* type = new QHBoxLayout;
    type->addWidget(oFix_);
    type->addWidget(oVar_);
    type->addWidget(oAdp_);
    type->addStretch();

    // Lengths and steps are in stage units (micrometres), signed along the active axis.
    stepMaxUnit_ = Caption("StepMaxUnit", "\xB5m");
    concUnit_ = Caption("ConcUnit", "wt %");
    auto* numbers = new QGridLayout;
    AddFieldRow(numbers, 0, Caption("Label1", "Length"), length_);
    AddFieldRow(numbers, 1, Caption("Label2", "StepMin"), stepMin_);
    AddFieldRow(numbers, 2, label3_, stepMax_);
    AddFieldRow(numbers, 3, label4_, conc_);
    numbers->addWidget(Caption("LengthUnit", "\xB5m"), 0, 2);
    numbers->addWidget(Caption("StepMinUnit", "\xB5m"), 1, 2);
    stepMin_->setToolTip(QStringLiteral("A variable zone scans up the axis when its step min is above 0, down when below"));
    conc_->setToolTip(QStringLiteral("Var: the largest change of any element's concentration between neighbouring "
                                     "points; Adaptive: the largest error of the line between them"));
    numbers->addWidget(stepMaxUnit_, 2, 2);
    numbers->addWidget(concUnit_, 3, 2);

    auto* ok = Named(new QPushButton(QStringLiteral("&OK")), "Ok");
    auto* cancel = Named(new QPushButton(QStringLiteral("&Cancel")), "Command1");
    ok->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(type);
    layout->addLayout(numbers);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);  // the window shrinks when "Fix" hides fields

    connect(oFix_, &QRadioButton::toggled, this, [this](bool fixed) { showVariableStepFields(!fixed); });
    connect(ok, &QPushButton::clicked, this, &ModZone::writeBack);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    (fields.fixedStep ? oFix_ : fields.adaptive ? oAdp_ : oVar_)->setChecked(true);
    showVariableStepFields(!fields.fixedStep);
    length_->setFocus();  // typing replaces the length at once

    adjustSize();
    CentreOnScreen(*this);
}

void ModZone::showVariableStepFields(bool visible) {
    for (QWidget* widget : std::initializer_list<QWidget*>{stepMax_, conc_, label3_, label4_, stepMaxUnit_, concUnit_})
        widget->setVisible(visible);
}

void ModZone::writeBack() {
    ZoneRecord edited = zone_;
    ApplyZoneEditorFields(edited, {oFix_->isChecked(), ToLatin1(length_->text()), ToLatin1(stepMin_->text()),
                                   ToLatin1(stepMax_->text()), ToLatin1(conc_->text()), oAdp_->isChecked()});
    if (const auto warning = check_ ? check_(edited) : std::nullopt; warning && !keptDespite(*warning)) return;
    zone_ = edited;
    accept();
}

// The scan would refuse the zone: OK keeps it all the same, Cancel goes back to it.
bool ModZone::keptDespite(const std::string& warning) {
    QMessageBox box(QMessageBox::Warning, QString::fromLatin1(kProgramTitle),
                    ToQString(warning) + QStringLiteral("\n\nKeep the zone as it is?"), QMessageBox::Ok | QMessageBox::Cancel,
                    this);
    const bool kept = box.exec() == QMessageBox::Ok;
    if (!kept) {  // back to the editor, with the keyboard: a window manager may have given the focus away
        activateWindow();
        length_->setFocus();
    }
    return kept;
}

}  // namespace kest
