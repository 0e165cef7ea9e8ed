#pragma once
// The windows the database library asks for: the file dialogs that choose a document to
// open or a path to save to, and the box that shows the library's messages.

#include "suite/SuiteTypes.h"

class QWidget;

namespace kest {

// Open and Save As choose analysis documents (*.ana); Save As adds ".ana" to a name that does
// not end in it ("line1.v2" gives "line1.v2.ana"), asking before it replaces a file.
PathChooser DocumentFileDialogs(QWidget* parent);
// A warning box titled with the program's name.
MessageSink MessageBoxSink(QWidget* parent);

}  // namespace kest
