#pragma once
// The document commands of the File menu on the one working document object. The library
// chooses the files and returns the document path; the caption shows it and the zones file
// lives beside the document, at the same path with ".PRF" in place of ".ana".
//
// Unlike the design, which drops unsaved work without a word, New, Open, Scan New and
// closing the window first ask whether to save it; the caption marks unsaved work.

#include "core/MainView.h"
#include "core/ProfileState.h"
#include "suite/Suite.h"

#include <string>

namespace kest {

// "KestPlus [path]": the label, then the first `length` characters of the path buffer.
std::string DocumentCaption(const std::string& appLabel, const std::string& pathBuffer, Status length);
// The document path without its ".ana" (any case), then ".PRF"; nothing else is cut.
std::string ZonesPathOf(const std::string& pathBuffer, Status length);

// Empties the working document and loads its view and lists; false when the library or the
// element set-up fails.
bool ResetDocument(ProfileState& state, Suite& suite, MainView& view);
// Opens the document the library chooses, with its view, zones and lists; false when the
// library fails, nothing is chosen or the element set-up fails. A zones file written ".prf"
// is found too.
bool OpenDocument(ProfileState& state, Suite& suite, MainView& view);

// File > New: ResetDocument, and "Fatal Error 001" when it fails.
void NewCommand(ProfileState& state, Suite& suite, MainView& view);
// File > Open: OpenDocument; when it fails, an empty document as New gives, silently.
void OpenCommand(ProfileState& state, Suite& suite, MainView& view);
// File > Save and Save As: the document, then its zones file. A failed or cancelled save
// changes nothing and says nothing (the library reports its own failures). True when the
// document and its zones file were both written.
bool SaveCommand(ProfileState& state, Suite& suite, MainView& view);
bool SaveAsCommand(ProfileState& state, Suite& suite, MainView& view);

// A working file a crash left behind, loaded as the working document with its zones: unsaved,
// under its document's name (a new name when it was never saved), the caption saying that it
// was recovered. False when it cannot be read (the library says why).
bool RecoverDocument(ProfileState& state, Suite& suite, MainView& view, const LeftoverDocument& leftover);

// Unsaved work: the document changed since it was last reset, opened or saved, or the zones
// and settings differ from those it was opened or saved with.
bool HasUnsavedChanges(ProfileState& state, Suite& suite);
// Before work is dropped (New, Open, closing the window): with unsaved work, asks "Save
// changes to NAME?". Save saves (a failed save stops), Discard goes on, Cancel stops. True
// when the caller may go on.
bool SaveChangesFirst(ProfileState& state, Suite& suite, MainView& view);
// Before Scan New deletes the points: asks the same, only when the document itself holds
// unsaved changes and points to lose (a scan keeps the zones).
bool SavePointsFirst(ProfileState& state, Suite& suite, MainView& view);
// The zones and settings as they stand count as saved (the demo's zones loaded at start-up).
void TakeZonesAsSaved(ProfileState& state);

// The caption with its marks ("KestPlus [path]*" while work is unsaved, " (recovered)" after a
// recovery, until the next save), and the zones kept beside the working file when they
// changed. The window runs it after every command.
void ShowUnsavedState(ProfileState& state, Suite& suite, MainView& view);

}  // namespace kest
