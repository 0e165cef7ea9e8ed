#pragma once
// The acquisition of one profile point (the acquisition window's Acquire): at the point and
// at up to four pattern points across the profile, every used spectrometer counts n times
// on one timer; each count is corrected for its spectrometer's own dead time (on its rate)
// and brought to the current its element's standard was measured at (with the mean of the
// currents read before and after it); with the statistics switch on, counts are repeated
// until their dispersion passes a chi-square test on the variance of a dead-time counter;
// the rates averaged over the pattern points, with their standard deviation, counting time,
// mean current, test verdict and quality flags, go into the spectrometer table; the stage
// goes back to the point and the point is stored with its status: measured, stopped or
// failed (also when the counter lay beyond the reach of the dead-time correction). Every
// path ends with the point stored, but for a point whose position the stage refuses, which
// is never measured.
//
// A failing instrument call, a stage that stands still busy or a refused stage target ends
// the acquisition through its error exit: one message names the point and the fault, and a
// running scan stops after the point, as after the stop button.
//
// Plain logic: the window, the scan driver and the headless scan all run it with their own
// view and pacer.

#include "acquisition/AcquisitionView.h"
#include "acquisition/Pacer.h"
#include "core/ProfileState.h"
#include "suite/Suite.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace kest {

// What the acquisition window holds when Acquire starts.
struct PointInputs {
    int16_t point = 0;      // the copy of CurPnt taken when the window loaded
    std::string x, y;       // LabelX, LabelY: the nominal stage position
    std::string time;       // Text4: counting time in seconds
    int countOption = 0;    // the Option2 button: 1, 5, 10 or 15 counts
    std::string pattern;    // the main window's Pattern: spacing of the pattern points
    std::string label;      // Text2
};

// Counts per pattern point for a count option: 1, 5, 10, 15; any other index is 1.
int16_t CountsOfOption(int index);

class PointAcquisition {
public:
    PointAcquisition(ProfileState& state, Suite& suite, AcquisitionView& view, Pacer& pacer);

    // Runs the whole acquisition; returns when the point is stored.
    void acquire(const PointInputs& inputs);
    // The stop button: the running acquisition ends through its abort exit at its next
    // poll of the counters, and a scan stops after this point.
    void requestStop();
    bool running() const { return running_; }

private:
    enum class Exit { None, Error, Abort };
    static constexpr int kCountSlots = 21;  // 20 counts and one more

    // One count of one spectrometer as the test and the average take it.
    struct Count {
        std::optional<double> rate;  // true rate at the standard's current; nothing: undefined
        double variance = 0.0;       // of that rate
        float seconds = 0.0f;        // elapsed
        float current = 0.0f;        // mean beam current, nA; 0 unread
        double factor = 1.0;         // the current factor applied
        double deadShare = 0.0;      // tau m: the share of the time the counter lay dead
    };
    // What one pattern point gave one spectrometer.
    struct PatternRate {
        std::optional<float> rate;  // nothing: undefined
        double variance = 0.0;      // of the rate
        float seconds = 0.0f;       // of the kept counts
        float current = 0.0f;
        float lowestCurrent = 0.0f;
        double factor = 1.0;        // mean current factor
        bool passed = true;         // its last chi-square test
        double deadShare = 0.0;     // the largest of a count
    };

    Exit measurePatternPoint(int p);
    Exit readSpectrometerSetup();
    Exit removeFaradayCup();
    std::optional<float> readCurrent();
    Exit countSlot(int slot, std::optional<int> repeat);
    Exit startCounters();
    Exit waitForCounter(int32_t s);
    Exit readCount(int32_t s, int slot, std::optional<int> repeat);
    Exit repeatUntilPassed(int p);
    bool testDispersion(int p, int repeat);
    PatternRate patternRate(int32_t s) const;
    float referenceCurrent(int32_t s) const;
    bool averageRates();
    Exit failed(std::string fault);
    void finish(Exit exit, PointStatus status);
    void tellOnce(bool& told, const std::string& text, bool message);
    void reportFault();
    std::optional<std::array<int32_t, 2>> targetOf(int p) const;
    bool used(int32_t s) const;
    void log(const std::string& line);
    std::string pointPrefix(int32_t s) const;

    ProfileState& state_;
    Suite& suite_;
    AcquisitionView& view_;
    Pacer& pacer_;
    bool abort_ = false;
    bool running_ = false;
    std::string fault_;          // why the error exit was taken
    bool stageFailed_ = false;   // the stage is then sent back but not waited for
    bool unreached_ = false;     // the stage refused the point's own position

    // One acquisition.
    PointInputs inputs_;
    std::optional<std::array<int32_t, 2>> nominal_;  // nothing when a position is not a number
    int16_t n_ = 1;              // counts per pattern point
    float threshold_ = 0.0f;     // chi-square at 95 % for n - 1 degrees of freedom
    int16_t patternPoints_ = 1;
    float countingTime_ = 0.0f;
    int32_t spectrometers_ = 0;  // as the instrument reports them, at most 5
    std::array<std::array<Count, kCountSlots + 1>, kSpectrometers + 1> counts_{};  // [s][slot], from 1
    std::array<std::array<PatternRate, 5>, kSpectrometers + 1> rates_{};        // [s][p]
    std::array<int, 5> repeats_{};   // [p]: counts taken again for the test

    // One pattern point.
    std::array<double, kSpectrometers + 1> tau_{};  // [s]: dead time, seconds
    bool currentReadable_ = false;
    std::optional<float> before_;  // the beam current read before the count running
    float elapsed_ = 0.0f;       // the last time read from the timer
};

}  // namespace kest
