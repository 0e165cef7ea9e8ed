#pragma once
// Start-up and shutdown of the main window, and the single-instance check that comes first.

#include "core/MainView.h"
#include "core/ProfileState.h"
#include "core/ProgramTitle.h"
#include "suite/Suite.h"
#include "suite/SuiteFile.h"

#include <cstdint>
#include <string>

namespace kest {

// True when the program must end at once: an earlier instance runs and the logging
// library, told so, answers non-zero. Without an earlier instance the library is not asked.
bool CheckSingleInstance(Logging& log, bool earlierInstanceRunning, int32_t windowHandle,
                         const std::string& title);

// What the program takes from the instrument's description: the stage's time-out and
// speed, and for a simulator on a real clock its time scale (the time a scan will take).
void TakeInstrumentSettings(ProfileState& state, const InstrumentConfig& instrument);

// Creates the working document under a new key, reads the configuration, shows the default
// counting time and number of measures, and runs File > New.
void StartUp(ProfileState& state, Suite& suite, MainView& view);

// Keeps the counting time and the number of measures shown for the next run and releases
// the working document. A counting time that is not a number, or does not fit 16 bits,
// keeps the value read at start-up. With `keepUnsavedWork` (a program made to end without
// asking) a document with unsaved changes leaves its working file to be recovered.
void ShutDown(ProfileState& state, Suite& suite, MainView& view, bool keepUnsavedWork = false);

}  // namespace kest
