// The suite file: every refusal names its field, absent fields keep their defaults, and the
// built-in demo is consistent with its zones file.

#include "document/ZonesFile.h"
#include "suite/SuiteFile.h"

#include <QTemporaryDir>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <set>
#include <tuple>

using namespace kest;
using ::testing::StartsWith;

namespace {

// The message a refused suite text (or, given a path, file) gives.
std::string RefusalOf(const std::string& text, const std::filesystem::path& file = {}) {
    try {
        file.empty() ? ParseSuiteText(text, ".", "t.json") : ReadSuiteFile(file);
    } catch (const SuiteFileError& e) {
        return e.what();
    }
    return "(accepted)";
}

}  // namespace

TEST(SuiteFile, RefusalNamesTheField) {
    const std::pair<const char*, const char*> cases[] = {  // suite text, start of the refusal
        {R"({"instrumnet": {}})", "instrumnet: unknown field"},
        {R"({"instrument": {"spectrometers": 6}})", "instrument.spectrometers: expected an integer from 1 to 5"},
        {R"({"instrument": {"dead_time_us": 1001}})", "instrument.dead_time_us: expected a number from 0 to 1000"},
        {R"({"instrument": {"dead_time_us": [2, 2, 2, 2]}})", "instrument.dead_time_us: expected a number of microseconds or a list of five"},
        {R"({"instrument": {"dead_time_us": [2, 2, 2, 2, -1]}})", "instrument.dead_time_us[4]: expected a number from 0 to 1000"},
        {R"({"setup": {"elements": [{"standard_current_nA": 0}]}})", "setup.elements[0].standard_current_nA: expected a number greater than 0"},
        {R"({"instrument": {"crystals": ["LIF", "PET"]}})", "instrument.crystals: expected 5 crystal names"},
        {R"({"instrument": {"spectrometers": 2, "crystals": ["LIF", "PETTTT"]}})", "instrument.crystals[1]: expected a text of 1 to 5"},
        {R"({"instrument": {"beam_current_nA": 0}})", "instrument.beam_current_nA: expected a number greater than 0"},
        {R"({"instrument": {"beam_current_readable": 1}})", "instrument.beam_current_readable: expected true or false"},
        {R"({"instrument": {"stage_speed": -1}})", "instrument.stage_speed:"},
        {R"({"instrument": {"stage_limits": [5, 5]}})", "instrument.stage_limits: expected [min, max] with min < max"},
        {R"({"instrument": {"stage_limits": [10, 20]}})", "instrument.stage_limits:"},
        {R"({"instrument": {"stage_position": [0, 0]}})", "instrument.stage_position: expected [x, y, z]"},
        {R"({"instrument": {"stage_position": [0, 0, 6000000]}})", "instrument.stage_position[2]: expected an integer from -5000000 to 5000000"},
        {R"({"instrument": {"clock": "fast"}})", R"(instrument.clock: expected "virtual" or "real")"},
        {R"({"instrument": {"seed": -1}})", "instrument.seed: expected an integer of at least 0"},
        {R"({"instrument": {"faults": {"fail_after": {"KestReadCountr": 5}}}})", "instrument.faults.fail_after.KestReadCountr: expected the name of a microprobe call"},
        {R"({"instrument": {"faults": {"fail_after": {"KestReadCounter": -1}}}})", "instrument.faults.fail_after.KestReadCounter: expected an integer from 0"},
        {R"({"instrument": {"faults": {"stuck_axis": 4}}})", "instrument.faults.stuck_axis: expected an integer from 0 to 3"},
        {R"({"instrument": {"node": "127.0.0.1"}})", R"(instrument.node: expected "host:port")"},
        {R"({"instrument": {"node": "127.0.0.1:65536"}})", R"(instrument.node: expected "host:port")"},
        {R"({"setup": {"elements": {}}})", "setup.elements: expected an array"},
        {R"({"setup": {"elements": [{"z": 0}]}})", "setup.elements[0].z: expected an integer from 1 to 103"},
        {R"({"setup": {"elements": [{"z": 26}, {"z": 26}]}})", "setup.elements[1].z: element 26 is already"},
        {R"({"instrument": {"spectrometers": 2}, "setup": {"elements": [{"spectrometer": 3}]}})", "setup.elements[0].spectrometer: expected an integer from 1 to 2"},
        {R"({"setup": {"elements": [{"standard": ""}]}})", "setup.elements[0].standard: expected a text of 1 to 79"},
        {R"({"setup": {"elements": [{"standard": "Fe\u0100"}]}})", "setup.elements[0].standard: expected characters of the Latin-1 set"},
        {R"({"setup": {"elements": [{"profile": 1}]}})", "setup.elements[0].profile:"},
        {R"({"setup": {"elements": [{"standard_percent": 0}]}})", "setup.elements[0].standard_percent: expected a number greater than 0 and at most 100"},
        {R"({"setup": {"elements": [{"background_cps": -1}]}})", "setup.elements[0].background_cps: expected a number of at least 0"},
        {R"({"setup": {"accelerating_voltage_kV": 0.5}})", "setup.accelerating_voltage_kV: expected a number from 1 to 50"},
        {R"({"setup": {"take_off_angle_deg": 0}})", "setup.take_off_angle_deg: expected a number greater than 0 and at most 90"},
        {R"({"setup": {"elements": [{"z": 79, "line": "Kb"}]}})", "setup.elements[0].line: expected Ka, La or Ma"},
        {R"({"setup": {"elements": [{"z": 79, "line": "La"}], "accelerating_voltage_kV": 10}})", "setup.elements[0].line: element 79 has no La line that 10 kV excites"},
        {R"({"setup": {"elements": [{"z": 1}]}})", "setup.elements[0].z: element 1 has no line that 20 kV excites"},
        {R"({"setup": {"elements": [{"z": 24, "standard_composition": {"8": 31.6}}]}})", "setup.elements[0].standard_composition: expected element 24 in its standard"},
        {R"({"setup": {"elements": [{"standard_composition": {"26": 70, "28": 40}}]}})", "setup.elements[0].standard_composition: the weight percents sum above 100"},
        {R"({"setup": {"elements": [{"standard_percent": 50, "standard_composition": {"26": 60}}]}})", "setup.elements[0].standard_percent: differs from"},
        {R"({"setup": {"unmeasured": [{"z": 6}, {"z": 6}]}})", "setup.unmeasured[1].z: element 6 is already listed"},
        {R"({"setup": {"unmeasured": [{"z": 6, "by_difference": true}, {"z": 7, "by_difference": true}]}})", "setup.unmeasured[1].by_difference: only one element"},
        {R"({"setup": {"unmeasured": [{"z": 26, "by_difference": true}], "elements": [{"z": 26}]}})", "setup.elements[0].z: element 26 is measured and also listed"},
        {R"({"specimen": {"balance": 26, "matrix": {"26": 1}}})", "specimen.balance: the balance element has"},
        {R"({"specimen": {"axis": "z"}})", R"(specimen.axis: expected "x" or "y")"},
        {R"({"specimen": {"elements": {"Fe": {"points": [[0, 1]]}}}})", "specimen.elements.Fe: expected an atomic number"},
        {R"({"specimen": {"elements": {"26": {"shape": "curve", "points": [[0, 1]]}}}})", "specimen.elements.26.shape:"},
        {R"({"specimen": {"elements": {"26": {"shape": "step"}}}})", "specimen.elements.26.points: expected a non-empty array"},
        {R"({"specimen": {"elements": {"26": {"points": [[0]]}}}})", "specimen.elements.26.points[0]: expected a [coordinate, wt%] pair"},
        {R"({"specimen": {"elements": {"26": {"points": [[0, 101]]}}}})", "specimen.elements.26.points[0][1]: expected a number from 0 to 100"},
        {R"({"specimen": {"elements": {"26": {"points": [[0, 1], [0, 2]]}}}})", "specimen.elements.26.points[1][0]: expected a coordinate greater"},
        {R"({"specimen": {"elements": {"26": {"points": [[0, 1]], "colour": 1}}}})", "specimen.elements.26.colour: unknown field"},
        {R"([1, 2])", "expected a JSON object"},
    };
    for (const auto& [json, refusal] : cases)
        EXPECT_THAT(RefusalOf(json), StartsWith(std::string("t.json: ") + refusal)) << json;
}

TEST(SuiteFile, ReadsEveryFieldAndKeepsDefaultsOfAbsentOnes) {
    const SuiteConfig c = ParseSuiteText(R"({
      "instrument": {"spectrometers": 2, "crystals": ["TAP", "LDE1"], "dead_time_us": [3, 0.5, 1, 1, 2.25],
        "beam_current_nA": 15.5, "beam_current_readable": false, "beam_drift_per_hour": -0.25,
        "faraday_cup": false, "stage_position": [-5, 7, 9], "stage_speed": 250, "stage_backlash": 4,
        "stage_limits": [-100, 100], "stage_timeout_s": 12, "clock": "real", "time_scale": 0.5,
        "noise": false, "seed": 18446744073709551615, "analysis_program": "/opt/ana",
        "faults": {"fail_after": {"KestReadCounter": 5}, "stuck_axis": 1, "stuck_after_moves": 3}},
      "setup": {"accelerating_voltage_kV": 15, "take_off_angle_deg": 52.5,
        "unmeasured": [{"z": 6, "percent": 0.5}, {"z": 26, "by_difference": true}],
        "elements": [{"z": 14, "spectrometer": 2, "standard": "std/Si\u00e9.ANA", "profile": false,
        "standard_percent": 46.7, "standard_cps": 800, "background_cps": 0, "standard_current_nA": 12.5, "line": "Ka",
        "standard_composition": {"14": 46.7, "8": 53.3}}, {"z": 28}]},
      "specimen": {"axis": "y", "elements": {"14": {"shape": "linear", "points": [[-3, 1], [4.5, 2]]}},
        "matrix": {"6": 0.5}, "balance": 26}
    })", "/base", "t.json");
    const auto& i = c.instrument;
    EXPECT_EQ(std::tie(i.spectrometers, i.crystals, i.dead_time_us, i.stage_position, i.stage_limits, i.stage_backlash),
              std::make_tuple(2, std::vector<std::string>{"TAP", "LDE1"}, std::array{3.0, 0.5, 1.0, 1.0, 2.25}, std::array<int32_t, 3>{-5, 7, 9},
                              std::array<int32_t, 2>{-100, 100}, 4));
    EXPECT_EQ(std::tie(i.beam_current_nA, i.beam_drift_per_hour, i.stage_speed, i.stage_timeout_s, i.time_scale),
              std::make_tuple(15.5, -0.25, 250.0, 12.0, 0.5));
    EXPECT_FALSE(i.beam_current_readable || i.faraday_cup || i.noise);
    EXPECT_EQ(std::tie(i.clock, i.seed, i.analysis_program),
              std::make_tuple(InstrumentConfig::Clock::Real, UINT64_MAX, std::string("/opt/ana")));
    EXPECT_EQ(std::tie(i.faults.failAfter, i.faults.stuckAxis, i.faults.stuckAfterMoves),
              std::make_tuple(std::map<ProbeCall, int>{{ProbeCall::ReadCounter, 5}}, 1, 3));
    ASSERT_EQ(c.setup.elements.size(), 2u);
    const auto& e = c.setup.elements[0];
    EXPECT_EQ(std::tie(e.z, e.spectrometer, e.profile, e.standard_percent, e.standard_cps, e.background_cps, e.standard_current_nA),
              std::make_tuple(14, 2, false, 46.7, 800.0, 0.0, 12.5));
    EXPECT_EQ(c.setup.elements[1].standard_current_nA, 15.5);  // the instrument's nominal current
    EXPECT_EQ(e.standard, "std/Si\xE9.ANA");  // Latin-1
    EXPECT_EQ(e.line, "Ka");
    EXPECT_EQ(e.standard_composition, (std::map<int, double>{{8, 53.3}, {14, 46.7}}));
    EXPECT_EQ(c.setup.matrix, (MatrixConditions{15.0, 52.5, {{6, false, 0.5}, {26, true, 0.0}}}));
    EXPECT_EQ(c.setup.elements[1].standard, "Fe");  // an element keeps the defaults it does not give
    EXPECT_TRUE(c.setup.elements[1].line.empty() && c.setup.elements[1].standard_composition.empty());
    // The specimen's whole composition: the profile, the fixed matrix and iron as the balance.
    EXPECT_EQ(c.specimen.compositionAt(4.5), (std::map<int, double>{{6, 0.5}, {14, 2.0}, {26, 97.5}}));
    EXPECT_EQ(c.specimen.percentAt(26, 4.5), 97.5);
    EXPECT_EQ(c.specimen.axis, 2);
    ASSERT_EQ(c.specimen.elements.count(14), 1u);
    EXPECT_EQ(c.specimen.elements.at(14).shape, SpecimenProfile::Shape::Linear);
    EXPECT_EQ(c.specimen.elements.at(14).points.back(), std::make_pair(4.5, 2.0));
    EXPECT_EQ(c.baseDir, "/base");

    // Fewer spectrometers than the default keep the first default crystals.
    const SuiteConfig small = ParseSuiteText(R"({"instrument": {"spectrometers": 2}})", ".", "t.json");
    EXPECT_EQ(small.instrument.crystals, (std::vector<std::string>{"LIF", "PET"}));
    EXPECT_TRUE(small.setup.elements.empty() && small.specimen.elements.empty());
    EXPECT_EQ(small.setup.matrix, (MatrixConditions{20.0, 40.0, {}}));
}

TEST(SuiteFile, SyntaxErrorAndUnreadableFileNameTheFile) {
    EXPECT_THAT(RefusalOf("{\n  \"instrument\": {\n    \"noise\": tru\n  }\n}"),
                StartsWith("t.json: JSON syntax error at line 3, column "));
    QTemporaryDir dir;
    const std::filesystem::path folder = dir.path().toStdString(), file = folder / "suite.json";
    EXPECT_THAT(RefusalOf("", file), StartsWith(file.string() + ": cannot read the suite file"));
    std::ofstream(file) << R"({"instrument": {"noise": 3}})";
    EXPECT_THAT(RefusalOf("", file), StartsWith(file.string() + ": instrument.noise:"));
    std::ofstream(file) << "{}";
    const SuiteConfig read = ReadSuiteFile(file);
    EXPECT_EQ(std::tie(read.baseDir, read.origin), std::tie(folder, file.native()));
}

TEST(BuiltInDemo, ZonesTextHasTheFileLayout) {
    // Read and written again as a zones file is, the demo's text comes back byte for byte.
    ProfileState zones;
    std::istringstream in(BuiltInDemo().demoZones);
    ASSERT_EQ(ReadZones(zones, in), ZonesReadEnd::Complete);
    EXPECT_EQ(zones.NbZones, 2);
    EXPECT_EQ(ZonesFileText(zones), BuiltInDemo().demoZones);
}

TEST(BuiltInDemo, IsARealClockCoupleOfThreeElementsAddingUpTo100Percent) {
    const SuiteConfig demo = BuiltInDemo();
    EXPECT_EQ(std::tie(demo.origin, demo.instrument.clock), std::make_tuple("built-in demo", InstrumentConfig::Clock::Real));
    std::set<int> spectrometers;
    for (const auto& e : demo.setup.elements) {
        spectrometers.insert(e.spectrometer);
        EXPECT_EQ(demo.specimen.elements.count(e.z), 1u) << "element " << e.z << " varies along the line";
    }
    EXPECT_EQ(spectrometers, (std::set<int>{1, 2, 3}));
    for (double x = -100; x <= 1500; x += 1) {
        double total = 0;
        for (const auto& e : demo.setup.elements) total += demo.specimen.percentAt(e.z, x);
        ASSERT_NEAR(total, 100.0, 1e-9) << "the elements add up to 100 % at " << x;
    }
}
