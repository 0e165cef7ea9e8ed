#include "shell/Startup.h"

#include "core/DocKey.h"
#include "core/Formats.h"
#include "core/ObjectKeys.h"
#include "core/SettingsEvents.h"
#include "document/DocumentCommands.h"
#include "shell/Configuration.h"

#include <optional>

namespace kest {
namespace {

constexpr std::size_t kLabelWidth = 8;  // AppLabel and DocKey keep 8 characters

}  // namespace

void TakeInstrumentSettings(ProfileState& state, const InstrumentConfig& instrument) {
    state.StageTimeoutSeconds = instrument.stage_timeout_s;
    state.StageSpeed = instrument.stage_speed;
    state.TimeScale = instrument.clock == InstrumentConfig::Clock::Real ? instrument.time_scale : 1.0;
    state.StageLimits = instrument.stage_limits;
}

bool CheckSingleInstance(Logging& log, bool earlierInstanceRunning, int32_t windowHandle,
                         const std::string& title) {
    if (!earlierInstanceRunning) return false;
    return log.KestCheckUnique(windowHandle, title) != 0;
}

void StartUp(ProfileState& state, Suite& suite, MainView& view) {
    state.AppLabel = std::string(kProgramTitle).substr(0, kLabelWidth);
    state.DocKey = NewObjectKey(suite.log, "DbScan").substr(0, kLabelWidth);
    // A failure here is reported by New, which cannot reset a document that does not exist.
    StoredDocCall(state, [&](std::string& key) { return suite.db.KestDbObjectNew(key, 1, 0); });
    ReadConfiguration(state, suite.reg);
    view.setDefTimeText(NumberText(int32_t{state.DefaultCountingTime}));
    SelectOptNC(state, view, state.DefaultNumberOfMeasures);
    NewCommand(state, suite, view);
}

void ShutDown(ProfileState& state, Suite& suite, MainView& view, bool keepUnsavedWork) {
    if (const auto seconds = WholeInt16Value(view.defTimeText())) state.DefaultCountingTime = *seconds;
    if (const int button = view.selectedOptNC(); button >= 0) state.DefaultNumberOfMeasures = static_cast<int16_t>(button);
    WriteConfiguration(state, suite.reg);
    StoredDocCall(state, [&](std::string& key) {
        return keepUnsavedWork ? suite.db.KestDbObjectAbandon(key) : suite.db.KestDbObjectDelete(key);
    });
}

}  // namespace kest
