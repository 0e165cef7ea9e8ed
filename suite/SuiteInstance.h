#pragma once
// The suite the program runs on: the SQLite documents, the simulated microprobe, the
// standard-based computation, the log file, the INI registry and the analysis program,
// assembled from one suite file and the program's folders.

#include "suite/DetachedAnalysisProgram.h"
#include "suite/FileLogging.h"
#include "suite/IniRegistry.h"
#include "suite/ProgramFolders.h"
#include "suite/SimulatedMicroprobe.h"
#include "suite/SqliteAnalysisDatabase.h"
#include "suite/StandardComputation.h"
#include "suite/Suite.h"
#include "suite/SuiteFile.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

namespace kest {

// The suite file named on the command line, else <config>/suite.json when it exists, else
// the built-in demo. Throws SuiteFileError with a message naming the faulty field.
SuiteConfig LoadSuiteConfig(const std::optional<std::filesystem::path>& suiteFile,
                            const ProgramFolders& folders);

class SuiteInstance {
public:
    // The microprobe is the one `makeProbe` makes of the configuration (an instrument chosen
    // above the suite), else the simulator of the configuration.
    using MicroprobeMaker = std::function<std::unique_ptr<Microprobe>(const SuiteConfig&)>;
    SuiteInstance(SuiteConfig config, const ProgramFolders& folders, const MicroprobeMaker& makeProbe = nullptr);
    SuiteInstance(const SuiteInstance&) = delete;
    SuiteInstance& operator=(const SuiteInstance&) = delete;

    Suite& suite() { return suite_; }
    const SuiteConfig& config() const { return config_; }
    SqliteAnalysisDatabase& database() { return database_; }
    Microprobe& microprobe() { return *microprobe_; }
    // The simulator, when the microprobe is the simulator; otherwise nothing.
    SimulatedMicroprobe* simulator() { return dynamic_cast<SimulatedMicroprobe*>(microprobe_.get()); }
    FileLogging& logging() { return logging_; }

private:
    SuiteConfig config_;
    SqliteAnalysisDatabase database_;
    std::unique_ptr<Microprobe> microprobe_;
    StandardComputation computation_;
    FileLogging logging_;
    IniRegistry registry_;
    DetachedAnalysisProgram analysisProgram_;
    Suite suite_;
};

}  // namespace kest
