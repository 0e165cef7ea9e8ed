#pragma once
// The acquisition's window and pacer for the logic tests: the view keeps what it was told
// to show; the pacer keeps its own time, which its pauses and waits move on, and runs
// `duringWait` whenever the acquisition waits for window events (a click on Stop, say).

#include "acquisition/AcquisitionView.h"
#include "acquisition/Pacer.h"

#include <functional>
#include <string>
#include <vector>

namespace kest::fakes {

class FakeAcquisitionView : public AcquisitionView {
public:
    std::vector<std::string> messages;
    std::vector<bool> counting;      // every show and hide of the counting frame
    std::string lx, ly;

    void showCounting(bool visible) override { counting.push_back(visible); }
    void showStageTarget(const std::string& x, const std::string& y) override { lx = x, ly = y; }
    void showMessage(const std::string& text) override { messages.push_back(text); }
};

class FakePacer : public Pacer {
public:
    Clock::time_point time{};
    std::function<void()> duringWait = [] {};

    void letEventsRun(std::chrono::milliseconds upTo) override {
        time += upTo;
        if (upTo.count() > 0) duringWait();
    }
    void pause(std::chrono::milliseconds duration) override { time += duration; }
    Clock::time_point now() const override { return time; }
};

}  // namespace kest::fakes
