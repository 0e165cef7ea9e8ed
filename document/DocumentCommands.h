#pragma once
// The document commands of the File menu on the one working document object.

#include "shell/MainView.h"
#include "shell/ProfileState.h"
#include "suite/Suite.h"

#include <string>

namespace kest {

// "KestPlus [path]": the label, then the first `length` characters of the path buffer.
std::string DocumentCaption(const std::string& appLabel, const std::string& pathBuffer, Status length);

// Empties the working document and shows its new path; false when the library refuses.
bool ResetDocument(ProfileState& state, Suite& suite, MainView& view);

// File > New: ResetDocument, and "Fatal Error 001" when it fails.
void NewCommand(ProfileState& state, Suite& suite, MainView& view);

}  // namespace kest
