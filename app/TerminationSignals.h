#pragma once
// SIGINT, SIGTERM, SIGHUP and SIGQUIT reach the main window through its event loop (`onSignal` runs there,
// never in the signal handler), so that the window can close in order: the configuration
// kept and the working document released, or left for a recovery, before the program ends.

#include <QObject>

#include <functional>

class QSocketNotifier;

namespace kest {

class TerminationSignals : public QObject {
    Q_OBJECT

public:
    TerminationSignals(QObject* window, std::function<void()> onSignal);
    ~TerminationSignals() override;

private:
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace kest
