#include "shell/SelectAllText.h"

#include <QEvent>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>

namespace kest {
namespace {

// A line edit places its cursor after it gets the focus (a mouse press does so after the
// focus event), which would undo a selection made at once; the selection therefore waits
// for the events of the focus change to be handled.
class SelectAllOnFocusFilter : public QObject {
public:
    explicit SelectAllOnFocusFilter(QLineEdit* edit) : QObject(edit) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::FocusIn) {
            QPointer<QLineEdit> edit = qobject_cast<QLineEdit*>(watched);
            QTimer::singleShot(0, this, [edit] {
                if (edit && edit->hasFocus()) SelectAllText(edit);
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

}  // namespace kest
