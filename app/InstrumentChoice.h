#pragma once
// Which microprobe the program drives, chosen where the suite is put together: the SECoP
// node that the suite file names (instrument.node), else the built-in simulator. And the
// other way round, the simulator served as a node (the instrument command).

#include "app/CommandLine.h"
#include "suite/Microprobe.h"
#include "suite/ProgramFolders.h"
#include "suite/SuiteFile.h"

#include <memory>
#include <ostream>

namespace kest {

// A client of the node of `config`, or nothing for the simulator.
std::unique_ptr<Microprobe> ChooseMicroprobe(const SuiteConfig& config);

// Serves the suite file's simulated instrument until the program is stopped; prints where
// it listens. Needs a running QCoreApplication.
int RunInstrument(const InstrumentCommand& command, const ProgramFolders& folders, std::ostream& out, std::ostream& err);

}  // namespace kest
