#include "suite/SimulatedMicroprobe.h"

#include "suite/MatrixSetup.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace kest {

namespace {

constexpr Status kDone = 1;
constexpr Status kFailed = 0;
constexpr double kLongestCount = 1e6;  // seconds; a longer preset is a mistake, not a count
// Counts up to this many are drawn pulse by pulse; beyond, the normal law is within a
// fraction of a per cent of the counter's and a draw costs no time.
constexpr double kPulseByPulse = 2000.0;

std::unique_ptr<SimClock> MakeClock(const InstrumentConfig& instrument) {
    if (instrument.clock == InstrumentConfig::Clock::Real) return std::make_unique<RealClock>(instrument.time_scale);
    return std::make_unique<VirtualClock>();
}

}  // namespace

// Once the move has ended, exactly its target: start + speed x time may fall a rounding
// short of it, and a point on an interface would read the wrong side.
double SimulatedMicroprobe::Move::positionAt(double time, double speed) const {
    if (time >= end) return to;
    const double travelled = std::max(0.0, time - start) * speed;
    auto along = [](double a, double b, double distance) {
        return std::abs(b - a) <= distance ? b : a + std::copysign(distance, b - a);
    };
    if (!byVia) return along(from, to, travelled);
    const double firstLeg = std::abs(via - from);
    return travelled <= firstLeg ? along(from, via, travelled) : along(via, to, travelled - firstLeg);
}

SimulatedMicroprobe::SimulatedMicroprobe(const SuiteConfig& config, SimClock& clock)
    : SimulatedMicroprobe(config, &clock, nullptr) {}

SimulatedMicroprobe::SimulatedMicroprobe(const SuiteConfig& config)
    : SimulatedMicroprobe(config, nullptr, MakeClock(config.instrument)) {}

SimulatedMicroprobe::SimulatedMicroprobe(const SuiteConfig& config, SimClock* borrowed,
                                         std::unique_ptr<SimClock> owned)
    : config_(config), ownClock_(std::move(owned)), clock_(borrowed ? *borrowed : *ownClock_),
      powerOn_(clock_.now()), random_(config.instrument.seed), cupInserted_(config.instrument.faraday_cup) {
    // A configuration built by hand has not been through the suite file's checks.
    auto& ins = config_.instrument;
    ins.spectrometers = std::clamp(ins.spectrometers, 1, 5);
    if (!(ins.stage_speed > 0)) ins.stage_speed = InstrumentConfig{}.stage_speed;
    if (!(ins.beam_current_nA > 0)) ins.beam_current_nA = InstrumentConfig{}.beam_current_nA;
    faults = config_.instrument.faults;
    elementOf_.fill(-1);
    const auto& elements = config_.setup.elements;
    for (std::size_t i = 0; i < elements.size(); ++i) {
        const int s = elements[i].spectrometer;
        if (s >= 1 && s <= 5 && elementOf_[static_cast<std::size_t>(s - 1)] < 0)
            elementOf_[static_cast<std::size_t>(s - 1)] = static_cast<int>(i);
    }
    for (std::size_t axis = 0; axis < 3; ++axis) {
        const double p = config_.instrument.stage_position[axis];
        moves_[axis] = Move{p, p, p, false, powerOn_, powerOn_};
    }
    std::vector<int> specimenElements;
    for (const auto& [z, profile] : config_.specimen.elements) specimenElements.push_back(z);
    for (const auto& [z, percent] : config_.specimen.matrix) specimenElements.push_back(z);
    if (config_.specimen.balance != 0) specimenElements.push_back(config_.specimen.balance);
    specimenPhysics_ = MatrixCorrectionFor(config_.setup.matrix, config_.setup.elements, specimenElements);
}

bool SimulatedMicroprobe::refused(ProbeCall call) {
    ++calls_[static_cast<std::size_t>(call)];
    auto fault = faults.failAfter.find(call);
    if (fault == faults.failAfter.end()) return false;
    if (fault->second > 0) {
        --fault->second;
        return false;
    }
    return true;
}

bool SimulatedMicroprobe::stuck(int32_t axis) const {
    return faults.stuckAxis == axis && movesStarted_[static_cast<std::size_t>(axis - 1)] > faults.stuckAfterMoves;
}

bool SimulatedMicroprobe::validSpectrometer(int32_t spectrometer) const {
    return spectrometer >= 1 && spectrometer <= config_.instrument.spectrometers;
}

double SimulatedMicroprobe::simulatedTime() const { return clock_.now() - powerOn_; }

double SimulatedMicroprobe::stagePosition(int axis) const {
    if (!validAxis(axis)) return 0.0;
    return moves_[static_cast<std::size_t>(axis - 1)].positionAt(clock_.now(), config_.instrument.stage_speed);
}

double SimulatedMicroprobe::currentAt(double time) const {
    const auto& ins = config_.instrument;
    const double hours = (time - powerOn_) / 3600.0;
    return std::max(0.0, ins.beam_current_nA * (1.0 + ins.beam_drift_per_hour * hours));
}

double SimulatedMicroprobe::beamCurrent() const { return currentAt(clock_.now()); }

// The beam current drifts linearly, so its mean over a count is its value at mid-count.
double SimulatedMicroprobe::rateAt(int spectrometer, double time, double countSeconds) const {
    if (!validSpectrometer(spectrometer) || cupInserted_) return 0.0;
    const int index = elementOf_[static_cast<std::size_t>(spectrometer - 1)];
    if (index < 0) return 0.0;
    const int axis = config_.specimen.axis == 2 ? 2 : 1;
    const double coordinate = moves_[static_cast<std::size_t>(axis - 1)].positionAt(time, config_.instrument.stage_speed);
    // The standard's rate belongs to the current it was measured at.
    const ElementSetup& e = config_.setup.elements[static_cast<std::size_t>(index)];
    const double standardCurrent = e.standard_current_nA > 0.0 ? e.standard_current_nA : config_.instrument.beam_current_nA;
    const double beam = currentAt(time + countSeconds / 2) / standardCurrent;
    return peakRate(static_cast<std::size_t>(index), coordinate) * beam;
}

// The specimen obeys the physics the computation corrects for: the standard's net rate times
// the k-ratio of the composition under the beam, plus the standard's background scaled by the
// mean atomic number. A set-up the model cannot take keeps the proportion to the standard.
double SimulatedMicroprobe::peakRate(std::size_t element, double coordinate) const {
    const ElementSetup& e = config_.setup.elements[element];
    if (!specimenPhysics_) {
        const double percent = config_.specimen.percentAt(e.z, coordinate);
        return e.background_cps + e.standard_cps * percent / e.standard_percent;
    }
    if (coordinate != peakCoordinate_ || peakRates_.empty()) {
        const physics::Composition composition = MassFractions(config_.specimen.compositionAt(coordinate));
        const std::vector<physics::CorrectionFactors> k = specimenPhysics_->kRatios(composition);
        peakRates_.clear();
        for (std::size_t i = 0; i < k.size(); ++i) {
            const ElementSetup& setup = config_.setup.elements[i];
            peakRates_.push_back(setup.standard_cps * k[i].kRatio +
                                 setup.background_cps * specimenPhysics_->backgroundScale(i, composition));
        }
        peakCoordinate_ = coordinate;
    }
    return peakRates_[element];
}

double SimulatedMicroprobe::trueRate(int spectrometer) const { return rateAt(spectrometer, clock_.now(), 0.0); }

// A non-paralysable counter shows the rate r / (1 + tau r) whatever the counting time.
int32_t SimulatedMicroprobe::drawCounts(double rate, double seconds, double tau) {
    const double observed = rate / (1.0 + tau * rate);
    // Far beyond what a 32-bit counter holds; keeps the arithmetic below finite.
    const double expected = std::clamp(observed * seconds, 0.0, 1e15);
    double n = std::round(expected);
    if (config_.instrument.noise && expected > 0 && expected <= kPulseByPulse) {
        n = 0;
        std::exponential_distribution<double> wait(rate);
        for (double t = wait(random_); t <= seconds; t += tau + wait(random_)) ++n;
    } else if (config_.instrument.noise && expected > 0) {
        const double spread = std::sqrt(expected) * (1.0 - tau * observed);
        n = std::max(0.0, std::round(std::normal_distribution<double>(expected, spread)(random_)));
    }
    return static_cast<int32_t>(std::min(n, static_cast<double>(std::numeric_limits<int32_t>::max())));
}

Status SimulatedMicroprobe::KestReadCurrent(float& current) {
    if (refused(ProbeCall::ReadCurrent) || !config_.instrument.beam_current_readable) return kFailed;
    current = static_cast<float>(beamCurrent());
    return kDone;
}

Status SimulatedMicroprobe::KestSetFaraday(int32_t inserted) {
    if (refused(ProbeCall::SetFaraday) || !config_.instrument.faraday_cup) return kFailed;
    cupInserted_ = inserted != 0;
    return kDone;
}

Status SimulatedMicroprobe::KestReadXtal(int32_t spectrometer, std::string& crystal) {
    if (refused(ProbeCall::ReadXtal) || !validSpectrometer(spectrometer)) return kFailed;
    const auto index = static_cast<std::size_t>(spectrometer - 1);
    const auto& crystals = config_.instrument.crystals;
    crystal = index < crystals.size() ? crystals[index] : std::string();
    return kDone;
}

// One analyser setting serves every crystal here: the dead time of the counting chain.
Status SimulatedMicroprobe::KestReadPha(int32_t spectrometer, const std::string& /*crystal*/, int32_t /*mode*/,
                                        float& deadTimeUs) {
    if (refused(ProbeCall::ReadPha) || !validSpectrometer(spectrometer)) return kFailed;
    deadTimeUs = static_cast<float>(config_.instrument.dead_time_us[static_cast<std::size_t>(spectrometer - 1)]);
    return kDone;
}

Status SimulatedMicroprobe::KestLoadCounter(int32_t /*mode*/, float seconds, int32_t /*flags*/) {
    if (refused(ProbeCall::LoadCounter)) return kFailed;
    // A preset of no time (or not a number) would count nothing and make every rate undefined.
    if (!(seconds > 0.0f) || seconds > kLongestCount) return kFailed;
    preset_ = seconds;
    return kDone;
}

Status SimulatedMicroprobe::KestStartTimer(int32_t /*mode*/) {
    if (refused(ProbeCall::StartTimer) || preset_ <= 0) return kFailed;
    const double now = clock_.now();
    counting_.started = true;
    counting_.start = now;
    counting_.duration = preset_;
    counting_.counts.fill(0);
    for (int s = 1; s <= config_.instrument.spectrometers; ++s)
        counting_.counts[static_cast<std::size_t>(s - 1)] =
            drawCounts(rateAt(s, now, preset_), preset_, config_.instrument.dead_time_us[static_cast<std::size_t>(s - 1)] * 1e-6);
    return kDone;
}

Status SimulatedMicroprobe::KestReadSpectroStatus(int32_t spectrometer, int32_t /*mode*/, int32_t& busy) {
    if (refused(ProbeCall::ReadSpectroStatus) || !validSpectrometer(spectrometer)) return kFailed;
    busy = counting_.started && !clock_.reached(counting_.start + counting_.duration) ? 1 : 0;
    return kDone;
}

// Once the clock has passed the end of the count, the whole preset: now - start may fall a
// rounding short of it, and the last count would be lost.
double SimulatedMicroprobe::countedSeconds() const {
    const double now = clock_.now();
    if (now >= counting_.start + counting_.duration) return counting_.duration;
    return std::clamp(now - counting_.start, 0.0, counting_.duration);
}

Status SimulatedMicroprobe::KestReadTimer(int32_t spectrometer, float& seconds) {
    if (refused(ProbeCall::ReadTimer) || !validSpectrometer(spectrometer)) return kFailed;
    seconds = counting_.started ? static_cast<float>(countedSeconds()) : 0.0f;
    return kDone;
}

Status SimulatedMicroprobe::KestReadCounter(int32_t spectrometer, int32_t& counts) {
    if (refused(ProbeCall::ReadCounter) || !validSpectrometer(spectrometer)) return kFailed;
    if (!counting_.started) {
        counts = 0;
        return kDone;
    }
    const double final = counting_.counts[static_cast<std::size_t>(spectrometer - 1)];
    const double elapsed = countedSeconds();
    counts = elapsed >= counting_.duration ? static_cast<int32_t>(final)
                                           : static_cast<int32_t>(std::floor(final * elapsed / counting_.duration));
    return kDone;
}

Status SimulatedMicroprobe::KestReadStagePos(int32_t axis, int32_t& position) {
    if (refused(ProbeCall::ReadStagePos) || !validAxis(axis)) return kFailed;
    position = static_cast<int32_t>(std::lround(stagePosition(axis)));
    return kDone;
}

Status SimulatedMicroprobe::KestBacklashStage(int32_t axis) {
    if (refused(ProbeCall::BacklashStage) || !validAxis(axis)) return kFailed;
    backlashNext_[static_cast<std::size_t>(axis - 1)] = true;
    return kDone;
}

Status SimulatedMicroprobe::KestLoadStageAbs(int32_t axis, float target) {
    if (refused(ProbeCall::LoadStageAbs) || !validAxis(axis)) return kFailed;
    const auto& limits = config_.instrument.stage_limits;
    // The stage moves in whole units.
    const double whole = std::round(static_cast<double>(target));
    if (!(whole >= limits[0] && whole <= limits[1])) return kFailed;
    loaded_[static_cast<std::size_t>(axis - 1)] = whole;
    return kDone;
}

Status SimulatedMicroprobe::KestStartStage(int32_t /*mode*/) {
    if (refused(ProbeCall::StartStage)) return kFailed;
    const auto& ins = config_.instrument;
    const double now = clock_.now();
    for (std::size_t a = 0; a < 3; ++a) {
        if (!loaded_[a]) continue;
        const double target = *loaded_[a];
        loaded_[a].reset();
        const bool backlash = std::exchange(backlashNext_[a], false);
        ++movesStarted_[a];
        if (stuck(static_cast<int32_t>(a) + 1)) continue;

        Move move;
        move.from = moves_[a].positionAt(now, ins.stage_speed);
        move.to = target;
        // The overshoot stays inside the travel of the axis.
        move.via = std::max(target - ins.stage_backlash, static_cast<double>(ins.stage_limits[0]));
        move.byVia = backlash && move.via < target;
        const double travel = move.byVia ? std::abs(move.via - move.from) + (move.to - move.via)
                                         : std::abs(move.to - move.from);
        move.start = now;
        move.end = now + travel / ins.stage_speed;
        moves_[a] = move;
    }
    return kDone;
}

Status SimulatedMicroprobe::KestReadStageStatus(int32_t axis, int32_t /*mode*/, int32_t& busy) {
    if (refused(ProbeCall::ReadStageStatus) || !validAxis(axis)) return kFailed;
    if (stuck(axis)) {
        busy = 1;
        return kDone;
    }
    busy = clock_.reached(moves_[static_cast<std::size_t>(axis - 1)].end) ? 0 : 1;
    return kDone;
}

}  // namespace kest
