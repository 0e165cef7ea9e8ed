#pragma once
// A dialog shown while a command runs under the hourglass gets the normal pointer for as
// long as it asks the operator; the hourglass comes back when it closes.

#include <QApplication>
#include <QCursor>

namespace kest {

class NormalPointerWhileAsking {
public:
    NormalPointerWhileAsking() {
        for (; QApplication::overrideCursor(); ++restored_) QApplication::restoreOverrideCursor();
    }
    ~NormalPointerWhileAsking() {
        for (int i = 0; i < restored_; ++i) QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    NormalPointerWhileAsking(const NormalPointerWhileAsking&) = delete;
    NormalPointerWhileAsking& operator=(const NormalPointerWhileAsking&) = delete;

private:
    int restored_ = 0;
};

}  // namespace kest
