#pragma once
// The zone editor: type, length and steps of one zone, in a modal window, each field with
// its unit. "Fix" hides the fields that only a variable-step zone uses. At OK the zone as
// edited is put to `check`: a reason why it could not be scanned is shown as a warning, and
// the operator keeps the zone or goes back to it.

#include "core/ProfileState.h"

#include <QDialog>

#include <functional>
#include <optional>
#include <string>

class QLabel;
class QLineEdit;
class QRadioButton;

namespace kest {

class ModZone : public QDialog {
    Q_OBJECT

public:
    using Check = std::function<std::optional<std::string>(const ZoneRecord&)>;
    ModZone(ZoneRecord& zone, QWidget* parent = nullptr, Check check = {});

private:
    void showVariableStepFields(bool visible);
    void writeBack();  // OK
    bool keptDespite(const std::string& warning);

    ZoneRecord& zone_;
    Check check_;
    QRadioButton* oFix_ = nullptr;
    QRadioButton* oVar_ = nullptr;
    QRadioButton* oAdp_ = nullptr;
    QLineEdit* length_ = nullptr;
    QLineEdit* stepMin_ = nullptr;
    QLineEdit* stepMax_ = nullptr;
    QLineEdit* conc_ = nullptr;
    QLabel* label3_ = nullptr;
    QLabel* label4_ = nullptr;
    QLabel* stepMaxUnit_ = nullptr;
    QLabel* concUnit_ = nullptr;
};

}  // namespace kest
