#pragma once
// The main window of the headless commands: it keeps the lists the window would show,
// prints messages and scan progress on standard error, asks nobody, and measures each point
// as the acquisition window's automatic mode does, without a window. SIGINT and SIGTERM
// stop a scan after the point being measured, as the stop button does.

#include "acquisition/Pacer.h"
#include "acquisition/UnattendedAcquisition.h"
#include "core/ScreenlessMainView.h"

#include <chrono>
#include <functional>
#include <iosfwd>

namespace kest {

// Safe to call from a signal handler.
void RequestHeadlessStop() noexcept;
bool HeadlessStopRequested();

class HeadlessView : public ScreenlessMainView {
public:
    HeadlessView(ProfileState& state, Suite& suite, std::ostream& err, bool progress);

    void showMessage(const std::string& text) override;
    bool confirm(const std::string&, const std::string&) override { return false; }
    void acquirePoint() override;
    void editZone(ZoneRecord&) override {}
    std::optional<std::string> chooseZonesFile() override { return std::nullopt; }
    // The plan as the scan starts, then a line after every point.
    void showScanProgress(const ScanProgress& progress) override;
    // "line 2 of 6, " before every progress line of a batch's scans.
    void setLinePrefix(std::string prefix) { linePrefix_ = std::move(prefix); }

    // The element list and the point list under their headings, an empty line between
    // them: each line as the window shows it, without its trailing blanks.
    void printLists(std::ostream& out) const;

private:
    // A sleeping pacer that passes a stop request on to the running acquisition.
    class StoppablePacer : public SleepingPacer {
    public:
        explicit StoppablePacer(std::function<void()> stop) : stop_(std::move(stop)) {}
        void letEventsRun(std::chrono::milliseconds upTo) override;
        void pause(std::chrono::milliseconds duration) override;

    private:
        void passOnStop() const;
        std::function<void()> stop_;
    };

    ProfileState& state_;
    std::ostream& err_;
    bool progress_;
    std::string linePrefix_;
    StoppablePacer pacer_;
    UnattendedAcquisition acquisition_;
};

}  // namespace kest
