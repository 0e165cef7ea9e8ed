#include "suite/SuiteInstance.h"

namespace kest {

SuiteConfig LoadSuiteConfig(const std::optional<std::filesystem::path>& suiteFile,
                            const ProgramFolders& folders) {
    if (suiteFile) return ReadSuiteFile(*suiteFile);
    if (std::filesystem::exists(folders.defaultSuiteFile())) return ReadSuiteFile(folders.defaultSuiteFile());
    return BuiltInDemo();
}

namespace {

std::unique_ptr<Microprobe> MakeProbe(const SuiteConfig& config, const SuiteInstance::MicroprobeMaker& make) {
    if (auto probe = make ? make(config) : nullptr) return probe;
    return std::make_unique<SimulatedMicroprobe>(config);
}

}  // namespace

SuiteInstance::SuiteInstance(SuiteConfig config, const ProgramFolders& folders, const MicroprobeMaker& makeProbe)
    : config_(std::move(config)),
      database_(config_, folders.workDir(), folders.documentsDir()),
      microprobe_(MakeProbe(config_, makeProbe)),
      computation_(database_),
      logging_(folders.data),
      registry_(folders.registryFile()),
      analysisProgram_(config_.instrument.analysis_program),
      suite_{database_, *microprobe_, computation_, logging_, registry_, analysisProgram_} {}

}  // namespace kest
