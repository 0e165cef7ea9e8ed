#pragma once
// The document information dialog: user name, company, title and comments of the document
// whose key DialogArg1 holds, and when it was last saved. Every way of closing it but Cancel
// writes the four fields back (the close control acts as OK); it never saves the document.

#include "core/ProfileState.h"
#include "suite/AnalysisDatabase.h"

#include <QDialog>

#include <string>

class QLabel;
class QLineEdit;
class QPlainTextEdit;

namespace kest {

class UserInfo : public QDialog {
    Q_OBJECT

public:
    // Captioned with DialogArg2, the main window's caption.
    UserInfo(const ProfileState& state, AnalysisDatabase& db, QWidget* parent = nullptr);

    void done(int result) override;

private:
    QWidget* buildFields();

    AnalysisDatabase& db_;
    std::string key_;  // the dialog's own copy of the document key
    bool infoCancelled_ = false;
    QLineEdit* userName_ = nullptr;
    QLineEdit* company_ = nullptr;
    QLineEdit* title_ = nullptr;
    QPlainTextEdit* comments_ = nullptr;
    QLabel* lastModTime_ = nullptr;
};

}  // namespace kest
