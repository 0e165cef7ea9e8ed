#pragma once
// The document commands of the File menu on the one working document object. The library
// chooses the files and returns the document path; the caption shows it and the zones file
// lives beside the document, at the same path with ".PRF" for its extension.

#include "core/MainView.h"
#include "core/ProfileState.h"
#include "suite/Suite.h"

#include <string>

namespace kest {

// "KestPlus [path]": the label, then the first `length` characters of the path buffer.
std::string DocumentCaption(const std::string& appLabel, const std::string& pathBuffer, Status length);
// The first length - 4 characters of the path buffer (the path without its extension),
// then ".PRF".
std::string ZonesPathOf(const std::string& pathBuffer, Status length);

// Empties the working document and loads its view and lists; false when the library or the
// element set-up fails.
bool ResetDocument(ProfileState& state, Suite& suite, MainView& view);
// Opens the document the library chooses, with its view, zones and lists; false when the
// library fails, nothing is chosen or the element set-up fails.
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

}  // namespace kest
