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
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace kest {
namespace {

QLineEdit* NumberBox(const char* name, const std::string& text) { return TextField(name, ToQString(text)); }

}  // namespace

ModZone::ModZone(ZoneRecord& zone, QWidget* parent) : QDialog(parent), zone_(zone) {
    setObjectName(QStringLiteral("ModZone"));
    setWindowTitle(QString::fromLatin1(kProgramTitle));
    setModal(true);

    const ZoneEditorFields fields = ZoneEditorFieldsOf(zone);
    oFix_ = Named(new QRadioButton(QStringLiteral("Fix")), "OFix");
    oVar_ = Named(new QRadioButton(QStringLiteral("Var")), "OVar");
    length_ = NumberBox("Length", fields.length);
    stepMin_ = NumberBox("StepMin", fields.stepMin);
    stepMax_ = NumberBox("StepMax", fields.stepMax);
    conc_ = NumberBox("Conc", fields.dConc);
    label3_ = Caption("Label3", "StepMax");
    label4_ = Caption("Label4", "dConc%");

    auto* type = new QHBoxLayout;
    type->addWidget(oFix_);
    type->addWidget(oVar_);
    type->addStretch();

    auto* numbers = new QGridLayout;
    AddFieldRow(numbers, 0, Caption("Label1", "Length"), length_);
    AddFieldRow(numbers, 1, Caption("Label2", "StepMin"), stepMin_);
    AddFieldRow(numbers, 2, label3_, stepMax_);
    AddFieldRow(numbers, 3, label4_, conc_);

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

    (fields.fixedStep ? oFix_ : oVar_)->setChecked(true);
    showVariableStepFields(!fields.fixedStep);
    length_->setFocus();  // typing replaces the length at once

    adjustSize();
    CentreOnScreen(*this);
}

void ModZone::showVariableStepFields(bool visible) {
    for (QWidget* widget : {static_cast<QWidget*>(stepMax_), static_cast<QWidget*>(conc_),
                            static_cast<QWidget*>(label3_), static_cast<QWidget*>(label4_)})
        widget->setVisible(visible);
}

void ModZone::writeBack() {
    ApplyZoneEditorFields(zone_, {oFix_->isChecked(), ToLatin1(length_->text()), ToLatin1(stepMin_->text()),
                                  ToLatin1(stepMax_->text()), ToLatin1(conc_->text())});
    accept();
}

}  // namespace kest
