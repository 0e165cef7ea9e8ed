#include "controls/Controls.h"

#include "controls/NormalPointer.h"
#include "controls/QtText.h"
#include "controls/SelectAllText.h"
#include "core/ProgramTitle.h"

#include <QApplication>
#include <QButtonGroup>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QRadioButton>
#include <QVBoxLayout>

#include <cstddef>

namespace kest {

QLabel* Caption(const char* name, const char* text) {
    auto* label = new QLabel(QString::fromLatin1(text));
    if (name) label->setObjectName(QString::fromLatin1(name));
    return label;
}

QLineEdit* TextField(const char* name, const QString& text) {
    auto* edit = Named(new QLineEdit(text), name);
    SelectAllOnFocus(edit);
    return edit;
}

void AddFieldRow(QGridLayout* grid, int row, QWidget* caption, QWidget* field) {
    grid->addWidget(caption, row, 0);
    grid->addWidget(field, row, 1);
}

QFrame* OptionPanel(QWidget* owner, QButtonGroup*& group, const char* name, const char* labelName,
                    const char* caption, const std::vector<const char*>& buttons) {
    auto* panel = new QFrame;
    panel->setFrameShape(QFrame::StyledPanel);
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(6, 4, 6, 4);
    layout->addWidget(Caption(labelName, caption));
    auto* row = new QHBoxLayout;
    group = new QButtonGroup(owner);
    group->setObjectName(QString::fromLatin1(name));
    for (int i = 0; i < static_cast<int>(buttons.size()); ++i) {
        auto* button = new QRadioButton(QString::fromLatin1(buttons[static_cast<std::size_t>(i)]));
        button->setObjectName(QString::fromLatin1(name) + QLatin1Char('_') + QString::number(i));
        group->addButton(button, i);
        row->addWidget(button);
    }
    row->addStretch();
    layout->addLayout(row);
    return panel;
}

void ShowChoice(QButtonGroup* group, int index) {
    if (QAbstractButton* button = group->button(index)) {
        button->setChecked(true);
        return;
    }
    group->setExclusive(false);
    for (QAbstractButton* button : group->buttons()) button->setChecked(false);
    group->setExclusive(true);
}

void ShowMessageBox(QWidget* parent, const std::string& text) {
    const NormalPointerWhileAsking pointer;
    QMessageBox box(QMessageBox::NoIcon, QString::fromLatin1(kProgramTitle), ToQString(text), QMessageBox::Ok, parent);
    box.exec();
}

// A family name alone may resolve to a face that is not fixed-pitch, whatever fonts the
// machine has; the system's fixed font is what the platform offers for this.
QFont FixedPitchFont() {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    if (!QFontInfo(font).fixedPitch()) {
        font.setFamily(QStringLiteral("monospace"));
        font.setStyleHint(QFont::TypeWriter);
    }
    return font;
}

}  // namespace kest
