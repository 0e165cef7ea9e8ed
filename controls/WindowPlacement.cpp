#include "controls/WindowPlacement.h"

#include <algorithm>

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace kest {

void CentreOnScreen(QWidget& window) {
    const QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->geometry();
    window.move(area.left() + (area.width() - window.width()) / 2, area.top() + (area.height() - window.height()) / 2);
}

// A window manager's frame is known once the window shows; before, a title bar's height is
// kept free above the window.
void PlaceNear(QWidget& window, const QWidget& anchor, int offset) {
    const QScreen* screen = anchor.screen() ? anchor.screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect room = screen->availableGeometry();
    const QSize size = window.isVisible() ? window.frameGeometry().size() : window.sizeHint().expandedTo(window.size());
    const QPoint frame = window.isVisible() ? window.geometry().topLeft() - window.frameGeometry().topLeft() : QPoint(0, 0);
    const int titleBar = window.isVisible() ? 0 : 30;
    QPoint at = anchor.frameGeometry().topLeft() + QPoint(offset, offset);
    at.setX(std::clamp(at.x(), room.left(), std::max(room.left(), room.right() + 1 - size.width() - frame.x())));
    at.setY(std::clamp(at.y(), room.top() + titleBar, std::max(room.top() + titleBar, room.bottom() + 1 - size.height() - frame.y())));
    window.move(at);
}

}  // namespace kest
