#pragma once
// The descriptive fields of a document, as the information dialog shows and edits them, and
// the commands of the main window that open the information dialog, the about box and the
// analysis program.

#include "core/MainView.h"
#include "core/ProfileState.h"
#include "suite/Suite.h"

#include <string>

namespace kest {

struct DocumentInfo {
    std::string userName, company, title, comments;
};

// Read in this order: user name, company, title, comments; each the first n characters the
// library wrote into a 512-character buffer. `key` is the dialog's copy of the document key.
DocumentInfo ReadDocumentInfo(AnalysisDatabase& db, std::string& key);
// When the document was last saved, in the library's own wording.
std::string ReadLastSaveTime(AnalysisDatabase& db, std::string& key);
// Written back in the same order; the results are not looked at.
void WriteDocumentInfo(AnalysisDatabase& db, std::string& key, const DocumentInfo& info);

// File > Info: the dialog on the working document with the window's caption, then the graph
// redrawn so that a changed title shows at once.
void InfoCommand(ProfileState& state, AnalysisDatabase& db, MainView& view);
// ?: the about box with the program's title.
void AboutCommand(ProfileState& state, MainView& view);
// Ana: the separate analysis program, started without waiting for it; a program that
// cannot be started is reported.
void StartAnalysisProgram(AnalysisProgram& program, MainView& view);

}  // namespace kest
