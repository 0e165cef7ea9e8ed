#pragma once
// Where the program's windows open: in the middle of their screen.

class QWidget;

namespace kest {

// Moves `window` so that its frame's centre is the centre of the screen it is on.
void CentreOnScreen(QWidget& window);

}  // namespace kest
