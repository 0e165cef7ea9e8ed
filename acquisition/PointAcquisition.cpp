#include "acquisition/PointAcquisition.h"

#include "acquisition/CountCorrections.h"
#include "acquisition/MeasureStorage.h"
#include "acquisition/StageMotion.h"
#include "core/Formats.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>

namespace kest {

namespace {

constexpr std::array<int16_t, 4> kCountsOfOption{1, 5, 10, 15};
// 95 % points of chi-square for n - 1 degrees of freedom, n = 5, 10, 15, 20.
constexpr std::array<float, 4> kChiSquare95{9.488f, 16.919f, 23.685f, 30.144f};
constexpr int kMostTests = 60;
constexpr int kMostPatternPoints = 5;
constexpr const char* kLineEnd = "\n\r";
constexpr std::chrono::milliseconds kCounterPoll{10};
constexpr int32_t kDefaultDeadTimeUs = 2;  // of an analyser that reports none

// Pattern points lie across the profile: multipliers of the spacing by axis (X, Y) and point.
constexpr std::array<std::array<int16_t, 5>, 2> kAcrossX{{{0, 0, 0, 0, 0}, {0, 1, -1, 2, -2}}};
constexpr std::array<std::array<int16_t, 5>, 2> kAcrossY{{{0, 1, -1, 2, -2}, {0, 0, 0, 0, 0}}};

std::size_t At(int index) { return static_cast<std::size_t>(index); }

// The count at the true rate and the reference current, r x f x t, to the nearest whole
// count. A count without time, or beyond the reach of the dead-time correction, keeps its
// raw value.
int32_t CorrectedCount(int32_t raw, float seconds, float tau, double factor) {
    const auto rate = DeadTimeCorrectedRate(raw, seconds, tau);
    if (!rate) return raw;
    return WholeInt32(*rate * factor * double{seconds}).value_or(raw);
}

// Counts per second; nothing when the time or the result makes no rate.
std::optional<float> RateOf(float counts, float seconds) {
    if (seconds == 0.0f) return std::nullopt;
    const float rate = counts / seconds;
    return std::isfinite(rate) ? std::optional(rate) : std::nullopt;
}

std::string OnSpectrometer(int32_t s) { return "spectrometer " + std::to_string(s); }

int32_t Clamped(int64_t value) {
    return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

}  // namespace

int16_t CountsOfOption(int index) {
    return index >= 0 && index < static_cast<int>(kCountsOfOption.size()) ? kCountsOfOption[At(index)] : 1;
}

PointAcquisition::PointAcquisition(ProfileState& state, Suite& suite, AcquisitionView& view, Pacer& pacer)
    : state_(state), suite_(suite), view_(view), pacer_(pacer) {}

void PointAcquisition::requestStop() {
    abort_ = true;
    state_.ScanStop = kTrue;
}

void PointAcquisition::acquire(const PointInputs& inputs) {
    if (running_) return;  // the window's events run while it counts: one acquisition at a time
    running_ = true;
    pacer_.letEventsRun(std::chrono::milliseconds{0});
    inputs_ = inputs;
    if (const auto spacing = WholeInt16(std::floor(TextValue(inputs.pattern)))) state_.Dm = *spacing;
    abort_ = false;
    fault_.clear();
    stageFailed_ = unreached_ = false;
    n_ = CountsOfOption(inputs.countOption);
    threshold_ = n_ >= 5 ? kChiSquare95[At(n_ / 5 - 1)] : 0.0f;
    patternPoints_ = std::clamp<int16_t>(state_.Mp, 1, kMostPatternPoints);
    const auto x = WholeInt32Value(inputs.x), y = WholeInt32Value(inputs.y);
    nominal_ = x && y ? std::optional(std::array{*x, *y}) : std::nullopt;
    for (auto& rates : rates_) rates.fill(PatternRate{});

    Exit exit = Exit::None;
    for (int p = 0; p < patternPoints_ && exit == Exit::None; ++p) exit = measurePatternPoint(p);
    // A point whose counts gave no rate keeps the rates before it, as a failed one does.
    const bool counted = exit == Exit::None && averageRates();
    finish(exit, counted ? PointStatus::Measured : exit == Exit::Abort ? PointStatus::Stopped : PointStatus::Failed);
}

PointAcquisition::Exit PointAcquisition::failed(std::string fault) {
    fault_ = std::move(fault);
    return Exit::Error;
}

// Every exit moves the stage back (after a stage fault without waiting for it: one time-out
// is enough) and stores the point; the error exit then says why, once, and stops a scan. A
// point counted to its end stays measured should the stage fail on its way back.
void PointAcquisition::finish(Exit exit, PointStatus status) {
    view_.showCounting(false);
    if (nominal_) {
        const auto back = MoveStage(state_, suite_.probe, view_, pacer_, (*nominal_)[0], (*nominal_)[1], !stageFailed_);
        state_.store(back ? kFalse : kTrue);
        if (back && exit != Exit::Error) exit = failed(back->text);
    }
    if (!unreached_) StorePoint(state_, suite_, inputs_.point, inputs_.x, inputs_.y, inputs_.label, status);
    state_.PointUnreached = unreached_ ? kTrue : kFalse;
    if (exit == Exit::Error) {
        state_.ScanStop = kTrue;
        state_.ScanFailed = kTrue;
        reportFault();
    }
    running_ = false;
}

// "Acquire Error ! Point 6 (X 500, Y 0): The microprobe call KestReadCounter failed on
// spectrometer 1. The scan stops here."
void PointAcquisition::reportFault() {
    std::string text = "Acquire Error ! Point " + std::to_string(inputs_.point + 1);
    if (nominal_) text += " (X " + std::to_string((*nominal_)[0]) + ", Y " + std::to_string((*nominal_)[1]) + ")";
    text += ": " + fault_;
    if (unreached_) text += " The point is not stored.";
    if (state_.AutoAcquire != kFalse) text += " The scan stops here.";
    view_.showMessage(text);
}

PointAcquisition::Exit PointAcquisition::measurePatternPoint(int p) {
    log("mp = " + NumberText(int32_t{p}) + " ***********************************" + kLineEnd);
    view_.showCounting(true);
    if (const auto target = targetOf(p)) {
        const auto fault = MoveStage(state_, suite_.probe, view_, pacer_, (*target)[0], (*target)[1]);
        state_.store(fault ? kFalse : kTrue);
        if (fault) {
            stageFailed_ = true;
            unreached_ = p == 0 && fault->refusedTarget;  // pattern point 0 is the point itself
            return failed(fault->text);
        }
    }
    countingTime_ = SingleValue(inputs_.time).value_or(0.0f);
    spectrometers_ = std::clamp<int32_t>(suite_.db.KestGetNbSpectros(), 0, kSpectrometers);
    if (const Exit exit = readSpectrometerSetup(); exit != Exit::None) return exit;
    for (int slot = 1; slot <= n_; ++slot)
        if (const Exit exit = countSlot(slot, std::nullopt); exit != Exit::None) return exit;
    return repeatUntilPassed(p);
}

// The pattern point's target; nothing when the nominal position is not a number (the
// stage is then left where it stands).
std::optional<std::array<int32_t, 2>> PointAcquisition::targetOf(int p) const {
    if (!nominal_) return std::nullopt;
    const std::size_t axis = state_.Ax == 2 ? 1 : 0;
    const int32_t spacing = state_.Dm;
    return std::array{Clamped(int64_t{(*nominal_)[0]} + kAcrossX[axis][At(p)] * spacing),
                      Clamped(int64_t{(*nominal_)[1]} + kAcrossY[axis][At(p)] * spacing)};
}

// The dead time of spectrometer 1 serves every spectrometer; the first beam current read
// in a scan is the reference of the drift correction; the Faraday cup goes out.
PointAcquisition::Exit PointAcquisition::readSpectrometerSetup() {
    std::string crystal(5, ' ');
    if (state_.store(suite_.probe.KestReadXtal(1, crystal)) == 0) return failed(FailedCall("KestReadXtal", OnSpectrometer(1)));
    int32_t deadTimeUs = 0;
    if (state_.store(suite_.probe.KestReadPha(1, crystal, 2, deadTimeUs)) == 0)
        return failed(FailedCall("KestReadPha", OnSpectrometer(1)));
    if (deadTimeUs <= 0) {
        deadTimeUs = kDefaultDeadTimeUs;
        tellOnce(state_.DefaultDeadTimeTold,
                 "The pulse-height analyser of spectrometer 1 reports no dead time: the counts are corrected for " +
                     std::to_string(kDefaultDeadTimeUs) + " us.",
                 true);
    }
    tau_ = static_cast<float>(deadTimeUs * 0.000001);
    currentReadable_ = suite_.db.KestGetReadBeamCurrentExist() != 0;
    if (!currentReadable_)
        tellOnce(state_.CurrentUnreadableTold, "The beam current cannot be read: the rates are not corrected for its drift.",
                 false);
    readCurrent();
    return removeFaradayCup();
}

PointAcquisition::Exit PointAcquisition::removeFaradayCup() {
    if (suite_.db.KestGetFaradayCupExist() != 0 && state_.store(suite_.probe.KestSetFaraday(0)) == 0)
        return failed(FailedCall("KestSetFaraday"));
    return Exit::None;
}

// The beam current, when the instrument reads it; the first one read in a scan becomes
// the reference of the drift correction.
std::optional<float> PointAcquisition::readCurrent() {
    if (!currentReadable_) return std::nullopt;
    float current = 0.0f;
    if (state_.store(suite_.probe.KestReadCurrent(current)) == 0) return std::nullopt;
    if (!(state_.ReferenceCurrent > 0.0f) && current > 0.0f) state_.ReferenceCurrent = current;
    return current;
}

void PointAcquisition::tellOnce(bool& told, const std::string& text, bool message) {
    if (told) return;
    told = true;
    log(text + kLineEnd);
    if (message) view_.showMessage(text);
}

// One count on every used spectrometer into `slot`; `repeat` is the test number of a
// count taken to replace the oldest one.
PointAcquisition::Exit PointAcquisition::countSlot(int slot, std::optional<int> repeat) {
    if (const Exit exit = startCounters(); exit != Exit::None) return exit;
    for (int32_t s = 1; s <= spectrometers_; ++s) {
        if (!used(s)) continue;
        if (const Exit exit = waitForCounter(s); exit != Exit::None) return exit;
        if (const Exit exit = readCount(s, slot, repeat); exit != Exit::None) return exit;
    }
    return Exit::None;
}

PointAcquisition::Exit PointAcquisition::startCounters() {
    if (state_.store(suite_.probe.KestLoadCounter(0, countingTime_, 0)) == 0) return failed(FailedCall("KestLoadCounter"));
    before_ = readCurrent();
    if (state_.store(suite_.probe.KestStartTimer(0)) == 0) return failed(FailedCall("KestStartTimer"));
    return Exit::None;
}

// Window events run between polls, so the stop button works; while the counter is busy the
// wait lets the processor rest up to one poll period.
PointAcquisition::Exit PointAcquisition::waitForCounter(int32_t s) {
    for (int32_t busy = 1; busy != 0;) {
        if (abort_) return Exit::Abort;
        if (state_.store(suite_.probe.KestReadSpectroStatus(s, 0, busy)) == 0)
            return failed(FailedCall("KestReadSpectroStatus", OnSpectrometer(s)));
        pacer_.letEventsRun(busy != 0 ? kCounterPoll : std::chrono::milliseconds{0});
    }
    return Exit::None;
}

// Every counter read is tested at once: a counter that fails never puts a count of nothing
// into the point. In the first series the current read is tested too.
PointAcquisition::Exit PointAcquisition::readCount(int32_t s, int slot, std::optional<int> repeat) {
    if (state_.store(suite_.probe.KestReadTimer(s, elapsed_)) == 0) return failed(FailedCall("KestReadTimer", OnSpectrometer(s)));
    int32_t counts = 0;
    if (state_.store(suite_.probe.KestReadCounter(s, counts)) == 0)
        return failed(FailedCall("KestReadCounter", OnSpectrometer(s)));
    float after = 0.0f;
    const bool afterRead = suite_.db.KestGetReadBeamCurrentExist() != 0 && state_.store(suite_.probe.KestReadCurrent(after)) != 0;
    if (currentReadable_ && !afterRead) after = before_.value_or(0.0f);
    const float before = before_.value_or(after);
    const auto factor = static_cast<float>(currentReadable_ ? BeamCurrentFactor(state_.ReferenceCurrent, before, after) : 1.0);
    counts = CorrectedCount(counts, elapsed_, tau_, factor);
    counts_[At(s)][At(slot)] = {counts, elapsed_, currentReadable_ ? (before + after) / 2.0f : 0.0f};
    if (state_.LibStatus == 0 && !repeat) return failed(FailedCall("KestReadCurrent"));

    const std::string tested = repeat ? " nc =" + NumberText(int32_t{*repeat + n_ - 1}) : "";
    log(pointPrefix(s) + tested + " nbcounts = " + NumberText(counts) + " cps = " +
        NumberText(counts / double{elapsed_}) + " Beam Current correction = " + NumberText(factor) + kLineEnd);
    return Exit::None;
}

// Tests the counts; while they fail, the oldest count of every used spectrometer makes
// room for a new one, up to 60 tests, after which the last rates stand.
PointAcquisition::Exit PointAcquisition::repeatUntilPassed(int p) {
    for (int repeat = 1;;) {
        repeats_[At(p)] = repeat - 1;
        passed_[At(p)] = testDispersion(p, repeat);
        if (passed_[At(p)]) return Exit::None;
        if (++repeat > kMostTests) {
            view_.showMessage("Contamination Error");
            return Exit::None;
        }
        for (int32_t s = 1; s <= spectrometers_; ++s) {
            if (!used(s)) continue;
            auto& counts = counts_[At(s)];
            std::copy(counts.begin() + 2, counts.begin() + n_ + 1, counts.begin() + 1);
        }
        if (const Exit exit = removeFaradayCup(); exit != Exit::None) return exit;
        if (const Exit exit = countSlot(n_, repeat); exit != Exit::None) return exit;
    }
}

// Chi-square of every used spectrometer's counts against their mean; the rates of this
// pattern point come from the means. True when every spectrometer passes.
bool PointAcquisition::testDispersion(int p, int repeat) {
    bool passed = true;
    for (int32_t s = 1; s <= spectrometers_; ++s) {
        if (!used(s)) continue;
        const auto& counts = counts_[At(s)];
        float mean = 0.0f, seconds = 0.0f, current = 0.0f;
        for (int k = 1; k <= n_; ++k) {
            mean += static_cast<float>(counts[At(k)].counts) / static_cast<float>(n_);
            seconds += counts[At(k)].seconds;
            current += counts[At(k)].current / static_cast<float>(n_);
        }
        float dispersion = 0.0f;
        for (int k = 1; k <= n_; ++k) dispersion += (counts[At(k)].counts - mean) * (counts[At(k)].counts - mean);
        const float chi = mean != 0.0f ? dispersion / mean : 0.0f;  // no counts, no dispersion
        const float rate = mean / elapsed_;
        log(pointPrefix(s) + " nc =" + NumberText(int32_t{repeat + n_ - 1}) + " cp = " + NumberText(chi) +
            " khict = " + NumberText(threshold_) + " cps = " + NumberText(rate) + kLineEnd);
        rates_[At(s)][At(p)] = {RateOf(mean, elapsed_), seconds, current};
        if (state_.StatisticEnable != kFalse && chi > threshold_) passed = false;
    }
    return passed;
}

// A spectrometer with a pattern point that gave no rate keeps its former rate and how it
// was counted; false when one did.
bool PointAcquisition::averageRates() {
    int repeats = 0;
    bool passed = true;
    for (int p = 0; p < patternPoints_; ++p) {
        repeats += repeats_[At(p)];
        passed = passed && passed_[At(p)];
    }
    bool all = true;
    for (int32_t s = 1; s <= spectrometers_; ++s) {
        if (!used(s)) continue;
        float sum = 0.0f, seconds = 0.0f, current = 0.0f;
        bool defined = true;
        for (const PatternRate& counted : std::span(rates_[At(s)]).first(At(patternPoints_))) {
            defined = defined && counted.rate.has_value();
            sum += counted.rate.value_or(0.0f);
            seconds += counted.seconds;
            current += counted.current / static_cast<float>(patternPoints_);
        }
        all = all && defined;
        if (defined)
            state_.SpectroTable[At(s - 1)] = {sum / static_cast<float>(patternPoints_), kTrue, seconds, current, repeats, passed};
    }
    return all;
}

bool PointAcquisition::used(int32_t s) const { return state_.SpectroTable[At(s - 1)].used != kFalse; }

// A log that cannot be written (a full or read-only disk) is said once a session; the
// counting goes on, since the points themselves are kept by the document.
void PointAcquisition::log(const std::string& line) {
    if (suite_.log.KestPrintfVB(line) != 0 || state_.LogFailureTold) return;
    state_.LogFailureTold = true;
    view_.showMessage("The acquisition log cannot be written (a full or read-only disk): its lines are lost until "
                      "there is room, but the points are kept.");
}

std::string PointAcquisition::pointPrefix(int32_t s) const {
    return "np = " + NumberText(int32_t{inputs_.point + 1}) + " sp =" + NumberText(s);
}

}  // namespace kest
