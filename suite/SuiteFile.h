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
    std::string node = "";                    // "host:port" of a SECoP node that is the instrument; empty: the simulator
    SimulatedFaults faults{};                 // none unless the file asks for them
};

struct ElementSetup {
    int z = 26;
    int spectrometer = 1;
    std::string standard = "Fe";   // a name ending in .ana is a reference document
    bool profile = true;
    double standard_percent = 100.0;
    double standard_cps = 5000.0;
    double background_cps = 20.0;  // measured on the standard; scaled by the mean atomic number
    double standard_current_nA = 0.0;  // beam current the standard was measured at; 0: the nominal one
    std::string line{};            // "Ka", "La" or "Ma"; empty: chosen from the voltage
    // The standard's composition, weight percent by atomic number, including this element at
    // standard_percent; empty: the element alone at standard_percent.
    std::map<int, double> standard_composition{};
    bool operator==(const ElementSetup&) const = default;
};

// An element of the specimen that no spectrometer measures: the balance to 100 %, or a fixed
// weight percent.
struct UnmeasuredSetup {
    int z = 6;
    bool by_difference = false;
    double percent = 0.0;  // when fixed
    bool operator==(const UnmeasuredSetup&) const = default;
};

// What the matrix correction needs beyond the elements.
struct MatrixConditions {
    double accelerating_voltage_kV = 20.0;
    double take_off_angle_deg = 40.0;
    std::vector<UnmeasuredSetup> unmeasured;
    bool operator==(const MatrixConditions&) const = default;
};

struct AnalysisSetup {
    MatrixConditions matrix;
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
    std::map<int, double> matrix;             // fixed weight percent of further elements
    int balance = 0;                          // the element that makes up 100 %; 0: none
    double percentAt(int atomicNumber, double coordinate) const;
    // Every element present at the coordinate, weight percent by atomic number.
    std::map<int, double> compositionAt(double coordinate) const;
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
