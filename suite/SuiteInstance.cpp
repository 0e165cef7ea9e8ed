#include "suite/SuiteInstance.h"

namespace kest {

SuiteConfig LoadSuiteConfig(const std::optional<std::filesystem::path>& suiteFile,
                            const ProgramFolders& folders) {
    if (suiteFile) return ReadSuiteFile(*suiteFile);
    if (std::filesystem::exists(folders.defaultSuiteFile())) return ReadSuiteFile(folders.defaultSuiteFile());
    return BuiltInDemo();
}

SuiteInstance::SuiteInstance(SuiteConfig config, const ProgramFolders& folders)
    : config_(std::move(config)),
      database_(config_, folders.workDir(), folders.documentsDir()),
      microprobe_(config_),
      computation_(database_),
      logging_(folders.data),
      registry_(folders.registryFile()),
      analysisProgram_(config_.instrument.analysis_program),
      suite_{database_, microprobe_, computation_, logging_, registry_, analysisProgram_} {}

}  // namespace kest
