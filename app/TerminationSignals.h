#pragma once
// SIGINT and SIGTERM close the main window as its own close control would, so that the
// configuration is kept and the working document released before the program ends.

#include <QObject>

class QSocketNotifier;
class QWidget;

namespace kest {

class TerminationSignals : public QObject {
    Q_OBJECT

public:
    explicit TerminationSignals(QWidget* window);
    ~TerminationSignals() override;

private:
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace kest
