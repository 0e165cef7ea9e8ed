// The built-in demo: what a new user gets without a suite file. A diffusion couple on a
// three-spectrometer instrument running on a real clock, with its zones file ready, so that
// pressing Scan shows within a minute or so both kinds of zone doing their work:
//
//   Ni  5 % -> 35 %, a sharp step at X = 320       the variable zone halves its step there
//   Cr 18 % ->  2 %, a linear gradient 700..1100   the fixed zone walks across it
//   Fe  the balance, 77 % -> 47 % -> 63 %
//
// From X = 0: a variable zone of 600 (steps 50 down to 5, dConc 1 %) brackets the step in
// about 16 points; a fixed zone of 650 at steps of 30 adds 24 points over the gradient. At
// 10 s counts and a time scale of 0.05 each point counts for half a second of wall time.

#include "suite/SuiteFile.h"

#include <cstdio>
#include <string>

namespace kest {

namespace {

// A number right-aligned in 6 characters, as the zones file keeps its numbers.
std::string Field6(const std::string& digits) {
    return digits.size() >= 6 ? digits.substr(0, 6) : std::string(6 - digits.size(), ' ') + digits;
}
std::string Int6(long value) { return Field6(std::to_string(value)); }
std::string Conc6(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", value);
    return Field6(text);
}

std::string ZoneLine(std::string body) {
    body.resize(80, ' ');
    return body + "\r\n";
}

std::string DemoZones() {
    const std::string blankTag = "   ";
    std::string text = "KestProfile  2\r\n";
    text += "Nc" + Int6(1) + "\r\n";   // one count per point
    text += "Ax" + Int6(1) + "\r\n";   // along X
    text += "Mp" + Int6(1) + "\r\n";   // no pattern points across the line
    text += "Dm" + Int6(10) + "\r\n";
    text += "O " + Int6(0) + "\r\n";
    text += ZoneLine("V " + blankTag + " " + Int6(600) + " " + Int6(5) + " " + Int6(50) + " " + Conc6(1.0));
    text += ZoneLine("F " + blankTag + " " + Int6(650) + " " + Int6(30));
    return text;
}

SpecimenProfile Profile(SpecimenProfile::Shape shape, std::vector<std::pair<double, double>> points) {
    SpecimenProfile profile;
    profile.shape = shape;
    profile.points = std::move(points);
    return profile;
}

}  // namespace

SuiteConfig BuiltInDemo() {
    SuiteConfig demo;
    auto& ins = demo.instrument;
    ins.spectrometers = 3;
    ins.crystals = {"LIF", "LLIF", "PET"};
    ins.dead_time_us.fill(2.0);
    ins.beam_current_nA = 20.0;
    ins.beam_drift_per_hour = 0.01;  // small enough to ignore, large enough to see corrected
    ins.faraday_cup = true;
    ins.stage_position = {0, 0, 0};
    ins.stage_speed = 1000.0;
    ins.stage_backlash = 20;
    ins.stage_limits = {-50'000, 50'000};
    ins.stage_timeout_s = 60.0;
    ins.clock = InstrumentConfig::Clock::Real;
    ins.time_scale = 0.05;
    ins.noise = true;
    ins.seed = 1;

    // Standards strong enough that counting noise (about 0.2 wt% over 10 s) stays well
    // under the variable zone's 1 % threshold.
    demo.setup.elements = {
        {26, 1, "Fe", true, 100.0, 20000.0, 40.0},
        {28, 2, "Ni", true, 100.0, 15000.0, 30.0},
        {24, 3, "Cr", true, 100.0, 12000.0, 20.0},
    };

    using Shape = SpecimenProfile::Shape;
    demo.specimen.axis = 1;
    demo.specimen.elements[28] = Profile(Shape::Step, {{0, 5.0}, {320, 35.0}});
    demo.specimen.elements[24] = Profile(Shape::Linear, {{700, 18.0}, {1100, 2.0}});
    // Linear between neighbouring whole coordinates gives Fe the same step as Ni.
    demo.specimen.elements[26] = Profile(Shape::Linear, {{319, 77.0}, {320, 47.0}, {700, 47.0}, {1100, 63.0}});

    std::error_code ec;
    demo.baseDir = std::filesystem::current_path(ec);
    if (ec) demo.baseDir = ".";
    demo.origin = "built-in demo";
    demo.demoZones = DemoZones();
    return demo;
}

}  // namespace kest
