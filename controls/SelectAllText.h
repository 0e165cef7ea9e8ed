#pragma once
// Entering a text field selects its whole text, so that typing replaces the value.

class QLineEdit;
class QPlainTextEdit;

namespace kest {

// Selects the whole text of `edit`, cursor at its end.
void SelectAllText(QLineEdit* edit);

// From now on `edit` selects its whole text whenever it gets the focus, by keyboard or
// by mouse.
void SelectAllOnFocus(QLineEdit* edit);
void SelectAllOnFocus(QPlainTextEdit* edit);

}  // namespace kest
