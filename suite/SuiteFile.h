#pragma once
// The suite file: one JSON file that describes the simulated instrument, the analysis
// set-up that New gives a document, and the specimen under the beam. Every field has a
// default; an unknown field, a wrong type or a value out of range is refused with a message
// that names the field.

#include "suite/SimulatedFaults.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace kest {

struct InstrumentConfig {
    int spectrometers = 5;                                              // 1..5
    std::vector<std::string> crystals{"LIF", "PET", "TAP", "LPET", "LLIF"};  // one per spectrometer
    // Dead time of each spectrometer's counting chain, microseconds (a file gives one number
    // for all or a list of five); fractional values are kept.
    std::array<double, 5> dead_time_us{2.0, 2.0, 2.0, 2.0, 2.0};
    double beam_current_nA = 20.0;            // nominal beam current
    bool beam_current_readable = true;
    double beam_drift_per_hour = 0.0;         // relative change of the current per hour
    bool faraday_cup = true;
    std::array<int32_t, 3> stage_position{0, 0, 0};   // where the stage stands at power-on
    double stage_speed = 10000.0;             // stage units per second
    int32_t stage_backlash = 20;              // overshoot taken below a target after a backlash call
    std::array<int32_t, 2> stage_limits{-5'000'000, 5'000'000};  // travel of every axis
    double stage_timeout_s = 60.0;            // longest wait for a stage that reports busy
    enum class Clock { Virtual, Real } clock = Clock::Virtual;
    double time_scale = 1.0;                  // real clock: wall time = duration * time_scale
    bool noise = true;                        // counting noise, as a non-paralysable counter has it
    uint64_t seed = 1;
    std::string analysis_program = "";        // program started by the Ana button
    SimulatedFaults faults{};                 // none unless the file asks for them
};

struct ElementSetup {
    int z = 26;
    int spectrometer = 1;
    std::string standard = "Fe";   // a name ending in .ana is a reference document
    bool profile = true;
    double standard_percent = 100.0;
    double standard_cps = 5000.0;
    double background_cps = 20.0;
    double standard_current_nA = 0.0;  // beam current the standard was measured at; 0: the nominal one
};

struct AnalysisSetup {
    std::vector<ElementSetup> elements;
};

// Weight percent of one element along the specimen's axis.
struct SpecimenProfile {
    enum class Shape { Step, Linear } shape = Shape::Step;
    std::vector<std::pair<double, double>> points;  // (coordinate, wt%), ascending coordinates
    double percentAt(double coordinate) const;
};

struct Specimen {
    int axis = 1;  // 1: x, 2: y
    std::map<int, SpecimenProfile> elements;  // by atomic number; absent elements are at 0 %
    double percentAt(int atomicNumber, double coordinate) const;
};

struct SuiteConfig {
    InstrumentConfig instrument;
    AnalysisSetup setup;
    Specimen specimen;
    std::filesystem::path baseDir;  // relative standard paths are taken from here
    std::string origin;             // the file read, or "built-in demo"
    std::string demoZones;          // the built-in demo's zones file, empty otherwise
};

class SuiteFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads and validates a suite file; throws SuiteFileError naming the faulty field.
SuiteConfig ReadSuiteFile(const std::filesystem::path& path);
// Parses suite JSON text; `baseDir` resolves relative standard paths.
SuiteConfig ParseSuiteText(const std::string& text, const std::filesystem::path& baseDir,
                           const std::string& origin);
// The built-in demo: a real-clock diffusion couple with three profile elements.
SuiteConfig BuiltInDemo();

}  // namespace kest
