#pragma once
// A main window for the logic tests: it keeps what it was told to show, answers the
// confirmations from `confirmAnswers` (OK when none is left), edits a zone with `zoneEditor`,
// picks `zonesFile` as the zones file to load and runs `acquisition` as the acquisition window.

#include "shell/MainView.h"
#include "shell/ProfileState.h"

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kest::fakes {

class FakeMainView : public MainView {
public:
    std::string caption, defTime, pattern, offset;
    int optNC = -1, optXY = -1, omp = -1, option1 = -1;  // -1: no button selected
    std::vector<std::string> messages, questions;       // questions as "title: text"
    std::deque<bool> confirmAnswers;
    bool busy = false, zoneCommandsEnabled = true;
    std::vector<std::string> zoneLines;
    std::vector<int> zoneSelection;
    std::vector<std::string> elementLines, pointLines;
    int elementSelection = -1;
    std::vector<int> pointSelection;
    int currentPoint = -1;
    std::function<void()> acquisition = [] {};  // what the acquisition window does
    std::function<void(ZoneRecord&)> zoneEditor = [](ZoneRecord&) {};
    std::optional<std::string> zonesFile;

    void setCaption(const std::string& text) override { caption = text; }
    std::string defTimeText() const override { return defTime; }
    std::string patternText() const override { return pattern; }
    void setDefTimeText(const std::string& text) override { defTime = text; }
    void setPatternText(const std::string& text) override { pattern = text; }
    void setOffsetText(const std::string& text) override { offset = text; }
    void selectOptNC(int index) override { optNC = inGroup(index, 4); }
    int selectedOptNC() const override { return optNC; }
    void selectOptXY(int index) override { optXY = inGroup(index, 2); }
    void selectOMP(int index) override { omp = inGroup(index, 3); }
    void selectOption1(int index) override { option1 = inGroup(index, 2); }
    void showMessage(const std::string& text) override { messages.push_back(text); }
    bool confirm(const std::string& text, const std::string& title) override {
        questions.push_back(title + ": " + text);
        const bool answer = confirmAnswers.empty() || confirmAnswers.front();
        if (!confirmAnswers.empty()) confirmAnswers.pop_front();
        return answer;
    }
    void setBusy(bool value) override { busy = value; }
    void setZoneCommandsEnabled(bool enabled) override { zoneCommandsEnabled = enabled; }
    void showZoneLines(const std::vector<std::string>& lines) override {
        zoneLines = lines;
        zoneSelection.clear();
    }
    std::vector<int> selectedZoneRows() const override { return zoneSelection; }
    void selectZoneRow(int row) override { zoneSelection = {row}; }
    void showElementLines(const std::vector<std::string>& lines) override {
        elementLines = lines;
        elementSelection = -1;
    }
    void selectElementRow(int row) override { elementSelection = row; }
    void showPointLines(const std::vector<std::string>& lines) override {
        pointLines = lines;
        pointSelection.clear();
    }
    std::vector<int> selectedPointRows() const override { return pointSelection; }
    int currentPointRow() const override { return currentPoint; }
    void acquirePoint() override { acquisition(); }
    void editZone(ZoneRecord& zone) override { zoneEditor(zone); }
    std::optional<std::string> chooseZonesFile() override { return zonesFile; }

private:
    static int inGroup(int index, int size) { return index >= 0 && index < size ? index : -1; }
};

}  // namespace kest::fakes
