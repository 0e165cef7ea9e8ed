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
constexpr float kDefaultDeadTimeUs = 2.0f;  // of an analyser that reports none
constexpr double kDoubledRate = 0.5;  // tau m above this: the correction more than doubles the rate

// Pattern points lie across the profile: multipliers of the spacing by axis (X, Y) and point.
constexpr std::array<std::array<int16_t, 5>, 2> kAcrossX{{{0, 0, 0, 0, 0}, {0, 1, -1, 2, -2}}};
constexpr std::array<std::array<int16_t, 5>, 2> kAcrossY{{{0, 1, -1, 2, -2}, {0, 0, 0, 0, 0}}};

std::size_t At(int index) { return static_cast<std::size_t>(index); }

// The count at the true rate and the standard's current, r x f x t, to the nearest whole
// count, as counts are kept; nothing without time or beyond the reach of the dead-time
// correction (tau m of 1 or more).
std::optional<int32_t> CorrectedCount(int32_t raw, float seconds, double tau, double factor) {
    const auto rate = DeadTimeCorrectedRate(raw, seconds, tau);
    if (!rate) return std::nullopt;
    return WholeInt32(*rate * factor * double{seconds});
}

// A float rate; nothing when the value is not finite.
std::optional<float> FiniteRate(double rate) {
    const auto narrowed = static_cast<float>(rate);
    return std::isfinite(narrowed) ? std::optional(narrowed) : std::nullopt;
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
    for (SpectroRecord& record : state_.SpectroTable) record.flags = 0;  // this point's, not the last one's

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

// Every used spectrometer's own analyser gives its dead time, fractions of a microsecond
// kept; the Faraday cup goes out. Every call's status is checked.
PointAcquisition::Exit PointAcquisition::readSpectrometerSetup() {
    for (int32_t s = 1; s <= spectrometers_; ++s) {
        if (!used(s)) continue;
        std::string crystal(5, ' ');
        if (state_.store(suite_.probe.KestReadXtal(s, crystal)) == 0) return failed(FailedCall(suite_.probe, "KestReadXtal", OnSpectrometer(s)));
        float deadTimeUs = 0.0f;
        if (state_.store(suite_.probe.KestReadPha(s, crystal, 2, deadTimeUs)) == 0)
            return failed(FailedCall(suite_.probe, "KestReadPha", OnSpectrometer(s)));
        if (!(deadTimeUs > 0.0f) || !std::isfinite(deadTimeUs)) {
            deadTimeUs = kDefaultDeadTimeUs;
            tellOnce(state_.DefaultDeadTimeTold,
                     "The pulse-height analyser of " + OnSpectrometer(s) +
                         " reports no dead time: the counts are corrected for " + NumberText(kDefaultDeadTimeUs) + " us.",
                     true);
        }
        tau_[At(s)] = double{deadTimeUs} * 1e-6;
    }
    currentReadable_ = suite_.db.KestGetReadBeamCurrentExist() != 0;
    if (!currentReadable_)
        tellOnce(state_.CurrentUnreadableTold, "The beam current cannot be read: the rates are not corrected for its drift.",
                 false);
    readCurrent();
    return removeFaradayCup();
}

PointAcquisition::Exit PointAcquisition::removeFaradayCup() {
    if (suite_.db.KestGetFaradayCupExist() != 0 && state_.store(suite_.probe.KestSetFaraday(0)) == 0)
        return failed(FailedCall(suite_.probe, "KestSetFaraday"));
    return Exit::None;
}

// The beam current, when the instrument reads it.
std::optional<float> PointAcquisition::readCurrent() {
    if (!currentReadable_) return std::nullopt;
    float current = 0.0f;
    if (state_.store(suite_.probe.KestReadCurrent(current)) == 0) return std::nullopt;
    return current;
}

// The current the spectrometer's rates are brought to: that of the standard of its first
// element (another element on it is scaled to its own when stored); 0 when none is known.
float PointAcquisition::referenceCurrent(int32_t s) const {
    for (int e = 0; e < state_.NbElt; ++e)
        if (const EltEntry& element = state_.ElementTable[At(e)]; element.spectrometer == s) return element.standardCurrent;
    return 0.0f;
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
    if (state_.store(suite_.probe.KestLoadCounter(0, countingTime_, 0)) == 0) return failed(FailedCall(suite_.probe, "KestLoadCounter"));
    before_ = readCurrent();
    if (state_.store(suite_.probe.KestStartTimer(0)) == 0) return failed(FailedCall(suite_.probe, "KestStartTimer"));
    return Exit::None;
}

// Window events run between polls, so the stop button works; while the counter is busy the
// wait lets the processor rest up to one poll period.
PointAcquisition::Exit PointAcquisition::waitForCounter(int32_t s) {
    for (int32_t busy = 1; busy != 0;) {
        if (abort_) return Exit::Abort;
        if (state_.store(suite_.probe.KestReadSpectroStatus(s, 0, busy)) == 0)
            return failed(FailedCall(suite_.probe, "KestReadSpectroStatus", OnSpectrometer(s)));
        pacer_.letEventsRun(busy != 0 ? kCounterPoll : std::chrono::milliseconds{0});
    }
    return Exit::None;
}

// Every counter read is tested at once: a counter that fails never puts a count of nothing
// into the point. In the first series the current read is tested too.
PointAcquisition::Exit PointAcquisition::readCount(int32_t s, int slot, std::optional<int> repeat) {
    if (state_.store(suite_.probe.KestReadTimer(s, elapsed_)) == 0) return failed(FailedCall(suite_.probe, "KestReadTimer", OnSpectrometer(s)));
    int32_t counts = 0;
    if (state_.store(suite_.probe.KestReadCounter(s, counts)) == 0)
        return failed(FailedCall(suite_.probe, "KestReadCounter", OnSpectrometer(s)));
    float after = 0.0f;
    const bool afterRead = suite_.db.KestGetReadBeamCurrentExist() != 0 && state_.store(suite_.probe.KestReadCurrent(after)) != 0;
    if (currentReadable_ && !afterRead) after = before_.value_or(0.0f);
    const float before = before_.value_or(after);
    const double factor = currentReadable_ ? BeamCurrentFactor(referenceCurrent(s), before, after) : 1.0;
    const double tau = tau_[At(s)];
    Count& count = counts_[At(s)][At(slot)];
    count = {std::nullopt, 0.0, elapsed_, currentReadable_ ? (before + after) / 2.0f : 0.0f, factor,
             elapsed_ > 0.0f ? tau * counts / double{elapsed_} : 0.0};
    const auto corrected = CorrectedCount(counts, elapsed_, tau, factor);
    if (corrected) {
        count.rate = *corrected / double{elapsed_};
        count.variance = CorrectedRateVariance(*count.rate, elapsed_, tau, factor).value_or(0.0);
    }
    if (state_.LibStatus == 0 && !repeat) return failed(FailedCall(suite_.probe, "KestReadCurrent"));

    const std::string tested = repeat ? " nc =" + NumberText(int32_t{*repeat + n_ - 1}) : "";
    const int32_t shown = corrected.value_or(counts);
    log(pointPrefix(s) + tested + " nbcounts = " + NumberText(shown) + " cps = " + NumberText(shown / double{elapsed_}) +
        " Beam Current correction = " + NumberText(static_cast<float>(factor)) + kLineEnd);
    return Exit::None;
}

// Tests the counts; while they fail, the oldest count of every used spectrometer makes
// room for a new one, up to 60 tests, after which the last rates stand.
PointAcquisition::Exit PointAcquisition::repeatUntilPassed(int p) {
    for (int repeat = 1;;) {
        repeats_[At(p)] = repeat - 1;
        if (testDispersion(p, repeat)) return Exit::None;
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

// The mean of the spectrometer's kept counts at this pattern point, its variance the sum of
// theirs over n^2, as the mean is formed; undefined when a count gave no rate.
PointAcquisition::PatternRate PointAcquisition::patternRate(int32_t s) const {
    const auto& counts = counts_[At(s)];
    const double n = n_;
    double sum = 0.0, variance = 0.0, factor = 0.0, deadShare = 0.0;
    float seconds = 0.0f, current = 0.0f, lowest = counts[1].current;
    bool defined = true;
    for (int k = 1; k <= n_; ++k) {
        const Count& count = counts[At(k)];
        defined = defined && count.rate.has_value();
        sum += count.rate.value_or(0.0);
        variance += count.variance / (n * n);
        seconds += count.seconds;
        current += count.current / static_cast<float>(n_);
        lowest = std::min(lowest, count.current);
        factor += count.factor / n;
        deadShare = std::max(deadShare, count.deadShare);
    }
    const std::optional<float> rate = defined ? FiniteRate(sum / n) : std::nullopt;
    return {rate, variance, seconds, current, lowest, factor, true, deadShare};
}

// Chi-square of every used spectrometer's counts against their mean, on the variance of one
// count at that mean: that of a rate counted by a non-paralysable counter and brought to the
// standard's current, so that a true 5 % of tests fail at any rate. The rates of this pattern
// point come from the means. True when every spectrometer passes; a count without rate
// cannot be tested and fails the point later.
bool PointAcquisition::testDispersion(int p, int repeat) {
    bool passed = true;
    for (int32_t s = 1; s <= spectrometers_; ++s) {
        if (!used(s)) continue;
        PatternRate counted = patternRate(s);
        float chi = 0.0f;
        if (counted.rate) {
            const double mean = *counted.rate;
            double dispersion = 0.0;
            for (int k = 1; k <= n_; ++k) dispersion += std::pow(*counts_[At(s)][At(k)].rate - mean, 2);
            const auto one = CorrectedRateVariance(mean, counted.seconds / n_, tau_[At(s)], counted.factor);
            chi = one && *one > 0.0 ? static_cast<float>(dispersion / *one) : 0.0f;
        }
        log(pointPrefix(s) + " nc =" + NumberText(int32_t{repeat + n_ - 1}) + " cp = " + NumberText(chi) +
            " khict = " + NumberText(threshold_) + " cps = " + NumberText(counted.rate.value_or(0.0f)) + kLineEnd);
        counted.passed = !(state_.StatisticEnable != kFalse && chi > threshold_);
        passed = passed && counted.passed;
        rates_[At(s)][At(p)] = counted;
    }
    return passed;
}

// Every spectrometer's rate is the mean over the pattern points, its variance the sum of
// theirs over P^2. A spectrometer with a pattern point that gave no rate keeps its former
// rate and how it was counted, but this point's flags; false when one did.
bool PointAcquisition::averageRates() {
    int repeats = 0;
    for (int p = 0; p < patternPoints_; ++p) repeats += repeats_[At(p)];
    bool all = true;
    const auto points = static_cast<float>(patternPoints_);
    for (int32_t s = 1; s <= spectrometers_; ++s) {
        if (!used(s)) continue;
        float sum = 0.0f, seconds = 0.0f, current = 0.0f, factor = 0.0f, lowest = rates_[At(s)][0].lowestCurrent;
        double variance = 0.0, deadShare = 0.0;
        bool defined = true, passed = true;
        for (const PatternRate& counted : std::span(rates_[At(s)]).first(At(patternPoints_))) {
            defined = defined && counted.rate.has_value();
            passed = passed && counted.passed;
            sum += counted.rate.value_or(0.0f);
            variance += counted.variance / double{points * points};
            seconds += counted.seconds;
            current += counted.current / points;
            factor += static_cast<float>(counted.factor) / points;
            lowest = std::min(lowest, counted.lowestCurrent);
            deadShare = std::max(deadShare, counted.deadShare);
        }
        SpectroRecord& record = state_.SpectroTable[At(s - 1)];
        record.flags = (passed ? 0 : kFlagChi2) | (deadShare > kDoubledRate ? kFlagDeadTime : 0);
        all = all && defined;
        if (!defined) continue;
        record = {sum / points, kTrue, seconds, current, repeats, passed,
                  static_cast<float>(std::sqrt(variance)), static_cast<float>(tau_[At(s)]), factor,
                  currentReadable_ ? referenceCurrent(s) : 0.0f, lowest, currentReadable_, record.flags};
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
