#include "shell/Startup.h"

#include "document/DocumentCommands.h"
#include "shell/Configuration.h"
#include "shell/DocKey.h"
#include "shell/Formats.h"
#include "shell/ObjectKeys.h"
#include "shell/SettingsEvents.h"

#include <cctype>
#include <optional>
#include <string_view>

namespace kest {
namespace {

constexpr std::size_t kLabelWidth = 8;  // AppLabel and DocKey keep 8 characters

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

// A text that is one decimal number between optional blanks: sign, digits, fraction,
// exponent. Anything else is not a number.
bool IsNumberText(std::string_view text) {
    std::size_t i = 0;
    const auto skipDigits = [&] {
        const std::size_t start = i;
        while (i < text.size() && IsDigit(text[i])) ++i;
        return i - start;
    };
    while (i < text.size() && IsBlank(text[i])) ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t digits = skipDigits();
    if (i < text.size() && text[i] == '.') {
        ++i;
        digits += skipDigits();
    }
    if (digits == 0) return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
        if (skipDigits() == 0) return false;
    }
    while (i < text.size() && IsBlank(text[i])) ++i;
    return i == text.size();
}

std::optional<int16_t> CountingTimeOfText(const std::string& text) {
    if (!IsNumberText(text)) return std::nullopt;
    return WholeInt16(TextValue(text));
}

}  // namespace

bool CheckSingleInstance(Logging& log, bool earlierInstanceRunning, int32_t windowHandle,
                         const std::string& title) {
    if (!earlierInstanceRunning) return false;
    return log.KestCheckUnique(windowHandle, title) != 0;
}

void StartUp(ProfileState& state, Suite& suite, MainView& view) {
    state.AppLabel = std::string(kProgramTitle).substr(0, kLabelWidth);
    state.DocKey = NewObjectKey(suite.log, "DbScan").substr(0, kLabelWidth);
    // A failure here is reported by New, which cannot reset a document that does not exist.
    state.store(WithDocKey(state, [&](std::string& key) { return suite.db.KestDbObjectNew(key, 1, 0); }));
    ReadConfiguration(state, suite.reg);
    view.setDefTimeText(NumberText(int32_t{state.DefaultCountingTime}));
    SelectOptNC(state, view, state.DefaultNumberOfMeasures);
    NewCommand(state, suite, view);
}

void ShutDown(ProfileState& state, Suite& suite, MainView& view) {
    if (const auto seconds = CountingTimeOfText(view.defTimeText())) state.DefaultCountingTime = *seconds;
    if (const int button = view.selectedOptNC(); button >= 0) state.DefaultNumberOfMeasures = static_cast<int16_t>(button);
    WriteConfiguration(state, suite.reg);
    state.store(WithDocKey(state, [&](std::string& key) { return suite.db.KestDbObjectDelete(key); }));
}

}  // namespace kest
