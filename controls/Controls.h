#pragma once
// Controls shared by the program's windows: every control carries its name as objectName,
// and option buttons come in named groups whose ids are the button indices.

#include <QString>

#include <string>
#include <vector>

class QButtonGroup;
class QFont;
class QFrame;
class QGridLayout;
class QLabel;
class QLineEdit;
class QWidget;

namespace kest {

template <typename Widget>
Widget* Named(Widget* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

// A caption; `name` may be null for a caption no one looks up.
QLabel* Caption(const char* name, const char* text);

// A text field that selects its whole text when it gets the focus.
QLineEdit* TextField(const char* name, const QString& text = {});

// One row of a form: the caption in column 0, the field in column 1.
void AddFieldRow(QGridLayout* grid, int row, QWidget* caption, QWidget* field);

// A panel of option buttons <name>_0, <name>_1, ... under a caption named `labelName`
// (unnamed when null); `group` is made with `owner` as parent.
QFrame* OptionPanel(QWidget* owner, QButtonGroup*& group, const char* name, const char* labelName,
                    const char* caption, const std::vector<const char*>& buttons);

// Shows button `index` as chosen, or none for an index outside the group, without a click.
void ShowChoice(QButtonGroup* group, int index);

// A message with an OK button, titled with the program's name; the pointer is the normal
// one while it asks.
void ShowMessageBox(QWidget* parent, const std::string& text);

// The system's fixed-pitch font, for texts laid out in columns of characters.
QFont FixedPitchFont();

}  // namespace kest
