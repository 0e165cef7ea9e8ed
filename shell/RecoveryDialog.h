#pragma once
// The working files a crash left behind, shown at start-up, one line each: the operator
// recovers one as the working document, deletes one, or leaves them all for later.

#include "core/MainView.h"

#include <QDialog>

#include <string>
#include <vector>

class QListWidget;

namespace kest {

class RecoveryDialog : public QDialog {
    Q_OBJECT

public:
    RecoveryDialog(const std::vector<std::string>& lines, QWidget* parent = nullptr);

    // What the operator chose; Later when the dialog was closed otherwise.
    MainView::RecoveryChoice choice() const { return choice_; }

private:
    void choose(MainView::RecoveryChoice::Action action);

    QListWidget* list_ = nullptr;
    MainView::RecoveryChoice choice_;
};

}  // namespace kest
