#pragma once
// A main window without a screen: it keeps what the logic shows (texts, selections, the
// lines of the three lists, the values of the graph) so that they can be read back. The
// headless commands print from it; the tests record with it. Without a screen the
// information dialog and the about box close at once; messages, questions, the acquisition
// window, the zone editor and the zones-file choice are left to the subclass.

#include "core/MainView.h"
#include "core/ProfileChart.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace kest {

class ScreenlessMainView : public MainView {
public:
    std::string caption, defTime, pattern, offset;
    int optNC = -1, optXY = -1, omp = -1, option1 = -1;  // -1: no button selected
    bool busy = false, zoneCommandsEnabled = true;
    std::vector<std::string> zoneLines;
    std::vector<int> zoneSelection;
    std::vector<std::string> elementLines, pointLines;
    int elementSelection = -1;
    std::vector<int> pointSelection;
    int currentPoint = -1;
    ProfileChart chart;

    void setCaption(const std::string& text) override { caption = text; }
    std::string currentCaption() const override { return caption; }
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
    void updatePointLines(int first, std::vector<std::string> lines, int count) override {
        pointLines.resize(static_cast<std::size_t>(std::max(count, 0)));
        const auto from = static_cast<std::size_t>(std::max(first, 0));
        for (std::size_t i = 0; i < lines.size() && from + i < pointLines.size(); ++i)
            pointLines[from + i] = std::move(lines[i]);
        pointSelection.clear();
    }
    std::vector<int> selectedPointRows() const override { return pointSelection; }
    int currentPointRow() const override { return currentPoint; }
    ProfileChart& graph() override { return chart; }
    void showDocumentInfo() override {}
    void showAbout() override {}

private:
    static int inGroup(int index, int size) { return index >= 0 && index < size ? index : -1; }
};

}  // namespace kest
