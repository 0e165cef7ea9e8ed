#pragma once
// The zone editor: type, length and steps of one zone, in a modal window. "Fix" hides the
// fields that only a variable-step zone uses.

#include "core/ProfileState.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QRadioButton;

namespace kest {

class ModZone : public QDialog {
    Q_OBJECT

public:
    ModZone(ZoneRecord& zone, QWidget* parent = nullptr);

private:
    void showVariableStepFields(bool visible);
    void writeBack();  // OK

    ZoneRecord& zone_;
    QRadioButton* oFix_ = nullptr;
    QRadioButton* oVar_ = nullptr;
    QLineEdit* length_ = nullptr;
    QLineEdit* stepMin_ = nullptr;
    QLineEdit* stepMax_ = nullptr;
    QLineEdit* conc_ = nullptr;
    QLabel* label3_ = nullptr;
    QLabel* label4_ = nullptr;
};

}  // namespace kest
