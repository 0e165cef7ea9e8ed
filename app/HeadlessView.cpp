#include "app/HeadlessView.h"

#include "core/Formats.h"

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

void HeadlessView::acquirePoint() {
    if (progress_) printProgress();
    acquisition_.acquireCurrentPoint(*this);
}

// "point   12 at X 1030, Y 0, 0:00:03 so far"
void HeadlessView::printProgress() const {
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start_).count();
    PointRecord point;
    if (state_.CurPnt >= 0 && static_cast<std::size_t>(state_.CurPnt) < state_.PointTable.size())
        point = state_.PointTable[static_cast<std::size_t>(state_.CurPnt)];
    char line[128];
    std::snprintf(line, sizeof line, "point %4d at X %d, Y %d, %lld:%02lld:%02lld so far", state_.CurPnt + 1, point.x,
                  point.y, static_cast<long long>(seconds / 3600), static_cast<long long>(seconds / 60 % 60),
                  static_cast<long long>(seconds % 60));
    err_ << line << std::endl;
}

void HeadlessView::printLists(std::ostream& out) const {
    for (const std::string& line : elementLines) out << WithoutTrailingBlanks(line) << '\n';
    out << '\n';
    for (const std::string& line : pointLines) out << WithoutTrailingBlanks(line) << '\n';
}

}  // namespace kest
