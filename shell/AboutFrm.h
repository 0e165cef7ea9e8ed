#pragma once
// The about box: the program's title (DialogArg1) and version, centred on the screen.

#include <QDialog>

#include <string>

namespace kest {

// "Version: 2.0": the major and minor version of this build.
std::string VersionLine();

class AboutFrm : public QDialog {
    Q_OBJECT

public:
    explicit AboutFrm(const std::string& title, QWidget* parent = nullptr);
};

}  // namespace kest
