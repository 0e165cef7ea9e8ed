#include "controls/SelectAllText.h"

#include <QEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTimer>

namespace kest {
namespace {

// A line edit places its cursor after it gets the focus (a mouse press does so after the
// focus event), which would undo a selection made at once; the selection therefore waits
// for the events of the focus change to be handled.
class SelectAllOnFocusFilter : public QObject {
public:
    explicit SelectAllOnFocusFilter(QWidget* edit) : QObject(edit) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::FocusIn) {
            QPointer<QWidget> edit = qobject_cast<QWidget*>(watched);
            QTimer::singleShot(0, this, [edit] {
                if (!edit || !edit->hasFocus()) return;
                if (auto* line = qobject_cast<QLineEdit*>(edit)) SelectAllText(line);
                if (auto* text = qobject_cast<QPlainTextEdit*>(edit)) text->selectAll();
            });
        }
        return QObject::eventFilter(watched, event);
    }
};

}  // namespace

void SelectAllText(QLineEdit* edit) {
    edit->setSelection(0, static_cast<int>(edit->text().size()));
}

void SelectAllOnFocus(QLineEdit* edit) { edit->installEventFilter(new SelectAllOnFocusFilter(edit)); }
void SelectAllOnFocus(QPlainTextEdit* edit) { edit->installEventFilter(new SelectAllOnFocusFilter(edit)); }

}  // namespace kest
