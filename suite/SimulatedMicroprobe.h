#pragma once
// The microprobe the program drives when no instrument is attached: a stage of three axes
// with a speed and a backlash, up to five spectrometers counting on one timer, a beam
// current that may drift, a Faraday cup, a pulse-height analyser with a dead time, and the
// specimen of the suite file under the beam.
//
// Counting. KestLoadCounter presets the counting time of all spectrometers and
// KestStartTimer starts them together; each stays busy until the time has passed. The
// counts are decided at the start: the true rate of the spectrometer (that of the first
// set-up element measured on it, at the stage position of the start, its standard's rate
// scaled by the mean beam current of the count over the current the standard was measured
// at; 0 for a spectrometer without an element and while the cup is in)
// counted as a non-paralysable counter with the spectrometer's own dead time counts: the mean
// count is m t with m = r / (1 + tau r), whatever the counting time, and its variance
// m t (1 - tau m)^2, smaller than a Poisson law's (Mueller 1973). With noise on, a count of
// few pulses is drawn pulse by pulse (a live counter waits an exponential time for the next
// pulse, then lies dead for tau); a larger one is a normal draw with that mean and variance.
// With noise off the mean is rounded. The program's correction, m / (1 - tau m), gives r back.
// While a count runs, the counter shows the share of the final counts that the elapsed
// time has reached.
//
// Stage. A move takes distance / speed. After KestBacklashStage an axis approaches its
// next target from below, by the configured backlash, and travels that much more. An axis
// reports busy until its move ends, its position interpolated along the way; once ended,
// it stands exactly on its target. Targets outside the stage limits are refused.
//
// Clocks. On a virtual clock the first status poll after a start finds the count or the
// move finished, the simulated time having advanced to its end. On a real clock they take
// their duration times the time scale; the simulator never waits.
//
// Every call checks its spectrometer (1..spectrometers) or axis (1..3) and returns 0 for
// any other; a failing call leaves its "out" arguments untouched.

#include "physics/MatrixCorrection.h"
#include "suite/Microprobe.h"
#include "suite/SimulatedFaults.h"
#include "suite/SimClock.h"
#include "suite/SuiteFile.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <random>
#include <string>

namespace kest {

class SimulatedMicroprobe : public Microprobe {
public:
    // Runs on `clock`, which must outlive the simulator; power-on is clock.now().
    SimulatedMicroprobe(const SuiteConfig& config, SimClock& clock);
    // Runs on its own clock, virtual or real (with the time scale) as the configuration says.
    explicit SimulatedMicroprobe(const SuiteConfig& config);

    SimulatedMicroprobe(const SimulatedMicroprobe&) = delete;
    SimulatedMicroprobe& operator=(const SimulatedMicroprobe&) = delete;

    Status KestReadCurrent(float& current) override;
    Status KestSetFaraday(int32_t inserted) override;
    Status KestReadXtal(int32_t spectrometer, std::string& crystal) override;
    Status KestReadPha(int32_t spectrometer, const std::string& crystal, int32_t mode,
                       float& deadTimeUs) override;
    Status KestLoadCounter(int32_t mode, float seconds, int32_t flags) override;
    Status KestStartTimer(int32_t mode) override;
    Status KestReadSpectroStatus(int32_t spectrometer, int32_t mode, int32_t& busy) override;
    Status KestReadTimer(int32_t spectrometer, float& seconds) override;
    Status KestReadCounter(int32_t spectrometer, int32_t& counts) override;
    Status KestReadStagePos(int32_t axis, int32_t& position) override;
    Status KestBacklashStage(int32_t axis) override;
    Status KestLoadStageAbs(int32_t axis, float target) override;
    Status KestStartStage(int32_t mode) override;
    Status KestReadStageStatus(int32_t axis, int32_t mode, int32_t& busy) override;

    SimulatedFaults faults;  // those of the configuration at first

    // What tests look at; none of these moves the clock.
    const SuiteConfig& config() const { return config_; }
    SimClock& clock() const { return clock_; }
    double simulatedTime() const;                  // seconds since power-on
    double stagePosition(int axis) const;          // exact, also during a move; 0 for a bad axis
    bool faradayInserted() const { return cupInserted_; }
    double beamCurrent() const;                    // nA, now
    double trueRate(int spectrometer) const;       // cps a count started now would have, before noise and dead time
    int calls(ProbeCall call) const { return calls_[static_cast<std::size_t>(call)]; }

private:
    SimulatedMicroprobe(const SuiteConfig& config, SimClock* borrowed, std::unique_ptr<SimClock> owned);

    // One move of one axis: from `from`, by way of `via` when approaching from below, to `to`.
    struct Move {
        double from = 0, via = 0, to = 0;
        bool byVia = false;
        double start = 0, end = 0;
        double positionAt(double time, double speed) const;
    };

    struct Counting {
        bool started = false;
        double start = 0, duration = 0;
        std::array<int32_t, 5> counts{};
    };

    bool refused(ProbeCall call);  // counts the call; true when a fault makes it fail
    bool stuck(int32_t axis) const;
    bool validSpectrometer(int32_t spectrometer) const;
    static bool validAxis(int32_t axis) { return axis >= 1 && axis <= 3; }
    double currentAt(double time) const;
    double rateAt(int spectrometer, double time, double countSeconds) const;
    double peakRate(std::size_t element, double coordinate) const;
    double countedSeconds() const;  // of the count started last, up to its preset
    int32_t drawCounts(double rate, double seconds, double tau);

    SuiteConfig config_;
    std::unique_ptr<SimClock> ownClock_;
    SimClock& clock_;
    double powerOn_;
    std::mt19937_64 random_;
    std::array<int, 5> elementOf_{};  // set-up element index per spectrometer, -1 for none
    std::optional<physics::MatrixCorrection> specimenPhysics_;
    mutable double peakCoordinate_ = 0.0;     // where peakRates_ were worked out
    mutable std::vector<double> peakRates_;   // per set-up element, at the nominal current

    bool cupInserted_;
    double preset_ = 0;  // counting time loaded, 0 until the first load
    Counting counting_;

    std::array<Move, 3> moves_{};
    std::array<std::optional<double>, 3> loaded_{};
    std::array<bool, 3> backlashNext_{};
    std::array<int, 3> movesStarted_{};

    std::array<int, kProbeCallCount> calls_{};
};

}  // namespace kest
