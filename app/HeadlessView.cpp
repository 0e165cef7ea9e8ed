#include "app/HeadlessView.h"

#include "acquisition/ScanPlan.h"
#include "core/Formats.h"
#include "results/ResultLists.h"

#include <atomic>
#include <cstdio>
#include <ostream>

namespace kest {
namespace {

std::atomic<bool> stopRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

}  // namespace

void RequestHeadlessStop() noexcept { stopRequested.store(true); }
bool HeadlessStopRequested() { return stopRequested.load(); }

void HeadlessView::StoppablePacer::letEventsRun(std::chrono::milliseconds upTo) {
    passOnStop();
    SleepingPacer::letEventsRun(upTo);
}

void HeadlessView::StoppablePacer::pause(std::chrono::milliseconds duration) {
    passOnStop();
    SleepingPacer::pause(duration);
}

void HeadlessView::StoppablePacer::passOnStop() const {
    if (HeadlessStopRequested()) stop_();
}

HeadlessView::HeadlessView(ProfileState& state, Suite& suite, std::ostream& err, bool progress)
    : state_(state),
      err_(err),
      progress_(progress),
      pacer_([this] { acquisition_.requestStop(); }),
      acquisition_(state, suite, pacer_, [this](const std::string& text) { showMessage(text); }) {}

void HeadlessView::showMessage(const std::string& text) { err_ << "kestplus-profile: " << text << std::endl; }

void HeadlessView::acquirePoint() { acquisition_.acquireCurrentPoint(*this); }

// "about 40 points, about 0:10:30" first, then after each point
// "point   12 of about 40 at X 1030, Y 0, 0:03:10 so far, about 0:07:20 left".
void HeadlessView::showScanProgress(const ScanProgress& progress) {
    if (!progress_ || !progress.running) return;
    if (progress.measured == 0) {
        err_ << linePrefix_ << PlanText(PlanOf(progress)) << std::endl;
        return;
    }
    char line[160];
    std::snprintf(line, sizeof line, "point %4d of %s%d at X %d, Y %d, %s so far, about %s left", progress.measured,
                  CountQualifier(progress.estimated, progress.atMost), ProgressTotal(progress), progress.lastX, progress.lastY,
                  ClockText(progress.elapsed).c_str(), ClockText(ProgressSecondsLeft(progress)).c_str());
    err_ << linePrefix_ << line << std::endl;
}

void HeadlessView::printLists(std::ostream& out) const {
    out << kElementListHeading << '\n';
    for (const std::string& line : elementLines) out << WithoutTrailingBlanks(line) << '\n';
    out << '\n' << kPointListHeading << '\n';
    for (const std::string& line : pointLines) out << WithoutTrailingBlanks(line) << '\n';
}

}  // namespace kest
