#pragma once
// A main window for the logic tests: it keeps what it was told to show, records messages,
// answers the confirmations from `confirmAnswers` (OK when none is left) and the questions
// about unsaved work from `saveAnswers` (Discard when none is left), edits a zone with
// `zoneEditor`, picks `zonesFile` as the zones file to load, runs `acquisition` as the
// acquisition window and answers the recovery dialog with `recovery`.

#include "core/ProfileState.h"
#include "core/ScreenlessMainView.h"

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kest::fakes {

class FakeMainView : public ScreenlessMainView {
public:
    std::vector<std::string> messages, questions;  // questions as "title: text"
    std::deque<bool> confirmAnswers;
    std::function<void()> acquisition = [] {};  // what the acquisition window does
    std::function<void(ZoneRecord&)> zoneEditor = [](ZoneRecord&) {};
    std::optional<std::string> zonesFile;
    std::deque<SaveChoice> saveAnswers;
    std::function<RecoveryChoice(const std::vector<std::string>&)> recovery = [](const auto&) { return RecoveryChoice{}; };

    void showMessage(const std::string& text) override { messages.push_back(text); }
    bool confirm(const std::string& text, const std::string& title) override {
        questions.push_back(title + ": " + text);
        const bool answer = confirmAnswers.empty() || confirmAnswers.front();
        if (!confirmAnswers.empty()) confirmAnswers.pop_front();
        return answer;
    }
    void acquirePoint() override { acquisition(); }
    void editZone(ZoneRecord& zone) override { zoneEditor(zone); }
    std::optional<std::string> chooseZonesFile() override { return zonesFile; }
    SaveChoice askSaveChanges(const std::string& question) override {
        questions.push_back(question);
        const SaveChoice answer = saveAnswers.empty() ? SaveChoice::Discard : saveAnswers.front();
        if (!saveAnswers.empty()) saveAnswers.pop_front();
        return answer;
    }
    RecoveryChoice askRecovery(const std::vector<std::string>& lines) override { return recovery(lines); }
    std::function<void(const ScanProgress&)> progressShown = [](const ScanProgress&) {};
    void showScanProgress(const ScanProgress& progress) override { progressShown(progress); }

};

}  // namespace kest::fakes
