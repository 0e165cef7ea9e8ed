#pragma once
// Where the program's windows open: in the middle of their screen, or beside the window
// they belong to, whole on the screen.

class QWidget;

namespace kest {

// Moves `window` so that its frame's centre is the centre of the screen it is on.
void CentreOnScreen(QWidget& window);

// Moves `window` so that its frame's top left corner lies `offset` from the top left corner
// of `anchor`'s frame, then into the screen's free area, title bar included, so that the
// whole window shows.
void PlaceNear(QWidget& window, const QWidget& anchor, int offset);

}  // namespace kest
