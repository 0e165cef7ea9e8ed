// Reading the suite file. Each section is read by one function that knows its fields; a
// field that is absent keeps its default, anything else must be exactly right, and every
// refusal names the field by its path ("instrument.crystals[2]") so that the operator can
// find it in the file.

#include "suite/SuiteFile.h"

#include "suite/FileText.h"
#include "suite/JsonFields.h"

#include "physics/XRayData.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <limits>
#include <set>
#include <utility>

namespace kest {

double SpecimenProfile::percentAt(double coordinate) const {
    if (points.empty()) return 0.0;
    if (coordinate <= points.front().first) return points.front().second;
    if (coordinate >= points.back().first) return points.back().second;
    // First point strictly beyond the coordinate; the one before it is at or below.
    auto above = std::upper_bound(points.begin(), points.end(), coordinate,
                                  [](double c, const auto& point) { return c < point.first; });
    const auto& [c1, p1] = *(above - 1);
    if (shape == Shape::Step) return p1;
    const auto& [c2, p2] = *above;
    return p1 + (p2 - p1) * (coordinate - c1) / (c2 - c1);
}

double Specimen::percentAt(int atomicNumber, double coordinate) const {
    if (atomicNumber == balance) return compositionAt(coordinate)[balance];
    auto found = elements.find(atomicNumber);
    if (found != elements.end()) return found->second.percentAt(coordinate);
    auto fixed = matrix.find(atomicNumber);
    return fixed == matrix.end() ? 0.0 : fixed->second;
}

std::map<int, double> Specimen::compositionAt(double coordinate) const {
    std::map<int, double> composition = matrix;
    for (const auto& [z, profile] : elements) composition[z] = profile.percentAt(coordinate);
    if (balance == 0) return composition;
    double others = 0.0;
    for (const auto& [z, percent] : composition) others += z == balance ? 0.0 : percent;
    composition[balance] = std::max(0.0, 100.0 - others);
    return composition;
}

namespace {

using nlohmann::json;

constexpr int kMaxSpectrometers = 5;
constexpr std::size_t kMaxCrystalLength = 5;
constexpr std::size_t kMaxStandardLength = 79;

// An object key that is an atomic number: "26".
int AtomicNumberKey(const FieldReader& r, const std::string& key, const std::string& at) {
    int z = 0;
    const char* end = key.data() + key.size();
    auto [stop, error] = std::from_chars(key.data(), end, z);
    if (key.empty() || error != std::errc() || stop != end || z < 1 || z > 103)
        r.refuse(at, "expected an atomic number from 1 to 103 as the key");
    return z;
}

std::string FormatNumber(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

// instrument.faults: {"fail_after": {"KestReadCounter": 5}, "stuck_axis": 1, "stuck_after_moves": 3}
void ReadFaults(const FieldReader& r, const json& section, const std::string& path, SimulatedFaults& faults) {
    r.object(section, path, {"fail_after", "stuck_axis", "stuck_after_moves"});
    constexpr int64_t kMost = std::numeric_limits<int>::max();
    if (auto* v = Find(section, "stuck_axis")) faults.stuckAxis = static_cast<int>(r.integer(*v, Member(path, "stuck_axis"), 0, 3));
    if (auto* v = Find(section, "stuck_after_moves"))
        faults.stuckAfterMoves = static_cast<int>(r.integer(*v, Member(path, "stuck_after_moves"), 0, kMost));
    const json* failAfter = Find(section, "fail_after");
    if (!failAfter) return;
    const std::string at = Member(path, "fail_after");
    if (!failAfter->is_object()) r.refuse(at, "expected an object of microprobe call names and numbers of calls");
    for (const auto& [name, calls] : failAfter->items()) {
        const auto known = std::find(kProbeCallNames.begin(), kProbeCallNames.end(), name);
        if (known == kProbeCallNames.end())
            r.refuse(Member(at, name), "expected the name of a microprobe call, such as KestReadCounter");
        const auto call = static_cast<ProbeCall>(known - kProbeCallNames.begin());
        faults.failAfter[call] = static_cast<int>(r.integer(calls, Member(at, name), 0, kMost));
    }
}

// "host:port" of a SECoP node, the port a number from 1 to 65535.
std::string ReadNodeAddress(const FieldReader& r, const json& value, const std::string& path) {
    const std::string expected = "expected \"host:port\", such as \"127.0.0.1:10767\"";
    const std::string address = r.text(value, path, 3, 300);
    const std::size_t colon = address.rfind(':');
    unsigned port = 0;
    const char* last = address.data() + address.size();
    if (colon == std::string::npos || colon == 0 || colon + 1 == address.size()) r.refuse(path, expected);
    const auto [end, status] = std::from_chars(address.data() + colon + 1, last, port);
    if (status != std::errc() || end != last || port < 1 || port > 65535) r.refuse(path, expected);
    return address;
}

// One dead time for every spectrometer, or a list of five.
void ReadDeadTimes(const FieldReader& r, const json& value, const std::string& at, std::array<double, 5>& deadTimes) {
    const NumberRange range = Between(0.0, 1000.0);
    if (!value.is_array()) {
        deadTimes.fill(r.number(value, at, range));
        return;
    }
    if (value.size() != deadTimes.size()) r.refuse(at, "expected a number of microseconds or a list of five, one per spectrometer");
    for (std::size_t i = 0; i < deadTimes.size(); ++i) deadTimes[i] = r.number(value[i], Item(at, i), range);
}

void ReadInstrument(const FieldReader& r, const json& section, InstrumentConfig& ins) {
    const std::string path = "instrument";
    r.object(section, path,
             {"spectrometers", "crystals", "dead_time_us", "beam_current_nA", "beam_current_readable",
              "beam_drift_per_hour", "faraday_cup", "stage_position", "stage_speed", "stage_backlash",
              "stage_limits", "stage_timeout_s", "clock", "time_scale", "noise", "seed", "analysis_program", "faults", "node"});
    auto field = [&](const char* key) { return Find(section, key); };
    auto at = [&](const char* key) { return Member(path, key); };

    if (auto* v = field("spectrometers")) ins.spectrometers = static_cast<int>(r.integer(*v, at("spectrometers"), 1, kMaxSpectrometers));
    if (auto* v = field("crystals")) {
        const auto count = static_cast<std::size_t>(ins.spectrometers);
        const std::string expected = "expected " + std::to_string(count) + " crystal names, one per spectrometer";
        if (!v->is_array() || v->size() != count) r.refuse(at("crystals"), expected);
        ins.crystals.clear();
        for (std::size_t i = 0; i < count; ++i)
            ins.crystals.push_back(r.text((*v)[i], Item(at("crystals"), i), 1, kMaxCrystalLength));
    } else {
        ins.crystals.resize(static_cast<std::size_t>(ins.spectrometers));
    }
    if (auto* v = field("dead_time_us")) ReadDeadTimes(r, *v, at("dead_time_us"), ins.dead_time_us);
    if (auto* v = field("beam_current_nA")) ins.beam_current_nA = r.number(*v, at("beam_current_nA"), Positive(1e6));
    if (auto* v = field("beam_current_readable")) ins.beam_current_readable = r.boolean(*v, at("beam_current_readable"));
    if (auto* v = field("beam_drift_per_hour")) ins.beam_drift_per_hour = r.number(*v, at("beam_drift_per_hour"), Between(-1.0, 1.0));
    if (auto* v = field("faraday_cup")) ins.faraday_cup = r.boolean(*v, at("faraday_cup"));
    if (auto* v = field("stage_speed")) ins.stage_speed = r.number(*v, at("stage_speed"), Positive());
    if (auto* v = field("stage_backlash")) ins.stage_backlash = static_cast<int32_t>(r.integer(*v, at("stage_backlash"), 0, 1'000'000));
    if (auto* v = field("stage_timeout_s")) ins.stage_timeout_s = r.number(*v, at("stage_timeout_s"), Positive());
    if (auto* v = field("clock"))
        ins.clock = r.choice(*v, at("clock"), {"virtual", "real"}) == 0 ? InstrumentConfig::Clock::Virtual
                                                                      : InstrumentConfig::Clock::Real;
    if (auto* v = field("time_scale")) ins.time_scale = r.number(*v, at("time_scale"), Positive(1000.0));
    if (auto* v = field("noise")) ins.noise = r.boolean(*v, at("noise"));
    if (auto* v = field("seed")) ins.seed = r.unsignedInteger(*v, at("seed"));
    if (auto* v = field("analysis_program")) ins.analysis_program = r.text(*v, at("analysis_program"), 0, std::string::npos);
    if (auto* v = field("faults")) ReadFaults(r, *v, at("faults"), ins.faults);
    if (auto* v = field("node")) ins.node = ReadNodeAddress(r, *v, at("node"));

    constexpr int64_t kInt32Min = std::numeric_limits<int32_t>::min();
    constexpr int64_t kInt32Max = std::numeric_limits<int32_t>::max();
    if (auto* v = field("stage_limits")) {
        const std::string expected = "expected [min, max] with min < max";
        if (!v->is_array() || v->size() != 2) r.refuse(at("stage_limits"), expected);
        for (std::size_t i = 0; i < 2; ++i)
            ins.stage_limits[i] = static_cast<int32_t>(r.integer((*v)[i], Item(at("stage_limits"), i), kInt32Min, kInt32Max));
        if (ins.stage_limits[0] >= ins.stage_limits[1]) r.refuse(at("stage_limits"), expected);
    }
    // The position at power-on is checked against the limits, whichever came first in the file.
    if (auto* v = field("stage_position")) {
        if (!v->is_array() || v->size() != 3) r.refuse(at("stage_position"), "expected [x, y, z]");
        for (std::size_t i = 0; i < 3; ++i)
            ins.stage_position[i] = static_cast<int32_t>(
                r.integer((*v)[i], Item(at("stage_position"), i), ins.stage_limits[0], ins.stage_limits[1]));
    } else {
        for (std::size_t i = 0; i < 3; ++i) {
            if (ins.stage_position[i] < ins.stage_limits[0] || ins.stage_position[i] > ins.stage_limits[1])
                r.refuse(at("stage_limits"), "the default stage position 0 lies outside these limits");
        }
    }
}

// An object of weight percents keyed by atomic number: {"26": 60.0, "28": 40.0}.
std::map<int, double> ReadPercents(const FieldReader& r, const json& value, const std::string& path) {
    if (!value.is_object()) r.refuse(path, "expected an object of weight percents keyed by atomic number");
    std::map<int, double> percents;
    double total = 0.0;
    for (const auto& [key, item] : value.items()) {
        const int z = AtomicNumberKey(r, key, Member(path, key));
        percents[z] = r.number(item, Member(path, key), Between(0.0, 100.0));
        total += percents[z];
    }
    if (total > 100.0 + 1e-6) r.refuse(path, "the weight percents sum above 100");
    return percents;
}

// setup.unmeasured: [{"z": 26, "by_difference": true}, {"z": 6, "percent": 0.2}]
void ReadUnmeasured(const FieldReader& r, const json& list, const std::string& path, MatrixConditions& matrix) {
    if (!list.is_array()) r.refuse(path, "expected an array of elements that are not measured");
    bool balance = false;
    for (std::size_t i = 0; i < list.size(); ++i) {
        const std::string at = Item(path, i);
        r.object(list[i], at, {"z", "by_difference", "percent"});
        UnmeasuredSetup u;
        if (auto* v = Find(list[i], "z")) u.z = static_cast<int>(r.integer(*v, Member(at, "z"), 1, 98));
        else r.refuse(Member(at, "z"), "expected the atomic number of the element");
        if (auto* v = Find(list[i], "by_difference")) u.by_difference = r.boolean(*v, Member(at, "by_difference"));
        if (auto* v = Find(list[i], "percent")) {
            if (u.by_difference) r.refuse(Member(at, "percent"), "an element by difference has no fixed percent");
            u.percent = r.number(*v, Member(at, "percent"), Between(0.0, 100.0));
        }
        if (u.by_difference && std::exchange(balance, true)) r.refuse(Member(at, "by_difference"), "only one element can be given by difference");
        for (const UnmeasuredSetup& before : matrix.unmeasured)
            if (before.z == u.z) r.refuse(Member(at, "z"), "element " + std::to_string(u.z) + " is already listed");
        matrix.unmeasured.push_back(u);
    }
}

// The element's line and standard, as the matrix correction will use them at this voltage.
void CheckMatrixFields(const FieldReader& r, const ElementSetup& e, const MatrixConditions& matrix, const std::string& at) {
    const std::string element = "element " + std::to_string(e.z);
    if (!e.line.empty()) {
        const auto line = physics::lineFromName(e.line);
        if (!line) r.refuse(Member(at, "line"), "expected Ka, La or Ma");
        if (!physics::lineExcited(e.z, *line, matrix.accelerating_voltage_kV))
            r.refuse(Member(at, "line"), element + " has no " + e.line + " line that " +
                                             FormatNumber(matrix.accelerating_voltage_kV) + " kV excites");
    } else if (!physics::defaultLine(e.z, matrix.accelerating_voltage_kV)) {
        r.refuse(Member(at, "z"), element + " has no line that " + FormatNumber(matrix.accelerating_voltage_kV) + " kV excites");
    }
    for (const UnmeasuredSetup& u : matrix.unmeasured)
        if (u.z == e.z) r.refuse(Member(at, "z"), element + " is measured and also listed in setup.unmeasured");
}

void ReadSetup(const FieldReader& r, const json& section, const InstrumentConfig& ins, AnalysisSetup& setup) {
    const std::string path = "setup";
    r.object(section, path, {"accelerating_voltage_kV", "take_off_angle_deg", "unmeasured", "elements"});
    MatrixConditions& matrix = setup.matrix;
    if (auto* v = Find(section, "accelerating_voltage_kV"))
        matrix.accelerating_voltage_kV = r.number(*v, Member(path, "accelerating_voltage_kV"), Between(1.0, 50.0));
    if (auto* v = Find(section, "take_off_angle_deg"))
        matrix.take_off_angle_deg = r.number(*v, Member(path, "take_off_angle_deg"), NumberRange{0.0, true, 90.0, false});
    if (auto* v = Find(section, "unmeasured")) ReadUnmeasured(r, *v, Member(path, "unmeasured"), matrix);
    const json* list = Find(section, "elements");
    if (!list) return;
    if (!list->is_array()) r.refuse(Member(path, "elements"), "expected an array of elements");
    std::set<int> seen;
    for (std::size_t i = 0; i < list->size(); ++i) {
        const json& item = (*list)[i];
        const std::string at = Item(Member(path, "elements"), i);
        r.object(item, at,
                 {"z", "spectrometer", "standard", "profile", "standard_percent", "standard_cps", "background_cps",
                  "standard_current_nA", "line", "standard_composition"});
        ElementSetup e;
        if (auto* v = Find(item, "z")) e.z = static_cast<int>(r.integer(*v, Member(at, "z"), 1, 103));
        if (!seen.insert(e.z).second) r.refuse(Member(at, "z"), "element " + std::to_string(e.z) + " is already in the set-up");
        if (auto* v = Find(item, "spectrometer"))
            e.spectrometer = static_cast<int>(r.integer(*v, Member(at, "spectrometer"), 1, ins.spectrometers));
        if (auto* v = Find(item, "standard")) e.standard = r.text(*v, Member(at, "standard"), 1, kMaxStandardLength);
        if (auto* v = Find(item, "profile")) e.profile = r.boolean(*v, Member(at, "profile"));
        if (auto* v = Find(item, "standard_percent")) e.standard_percent = r.number(*v, Member(at, "standard_percent"), Positive(100.0));
        if (auto* v = Find(item, "standard_cps")) e.standard_cps = r.number(*v, Member(at, "standard_cps"), Positive());
        if (auto* v = Find(item, "background_cps")) e.background_cps = r.number(*v, Member(at, "background_cps"), Between(0.0, std::numeric_limits<double>::infinity()));
        e.standard_current_nA = ins.beam_current_nA;
        if (auto* v = Find(item, "standard_current_nA"))
            e.standard_current_nA = r.number(*v, Member(at, "standard_current_nA"), Positive(1e6));
        if (auto* v = Find(item, "line")) e.line = r.text(*v, Member(at, "line"), 0, 2);
        if (auto* v = Find(item, "standard_composition")) {
            const std::string compositionPath = Member(at, "standard_composition");
            e.standard_composition = ReadPercents(r, *v, compositionPath);
            const auto own = e.standard_composition.find(e.z);
            if (own == e.standard_composition.end() || own->second <= 0.0)
                r.refuse(compositionPath, "expected element " + std::to_string(e.z) + " in its standard");
            if (Find(item, "standard_percent") && e.standard_percent != own->second)
                r.refuse(Member(at, "standard_percent"), "differs from the element's percent in standard_composition");
            e.standard_percent = own->second;
        }
        CheckMatrixFields(r, e, matrix, at);
        setup.elements.push_back(e);
    }
}

SpecimenProfile ReadProfile(const FieldReader& r, const json& item, const std::string& at) {
    r.object(item, at, {"shape", "points"});
    SpecimenProfile profile;
    if (auto* v = Find(item, "shape"))
        profile.shape = r.choice(*v, Member(at, "shape"), {"step", "linear"}) == 0 ? SpecimenProfile::Shape::Step
                                                                                  : SpecimenProfile::Shape::Linear;
    const std::string pointsPath = Member(at, "points");
    const json* points = Find(item, "points");
    if (!points || !points->is_array() || points->empty())
        r.refuse(pointsPath, "expected a non-empty array of [coordinate, wt%] pairs");
    for (std::size_t i = 0; i < points->size(); ++i) {
        const json& pair = (*points)[i];
        const std::string pointPath = Item(pointsPath, i);
        if (!pair.is_array() || pair.size() != 2) r.refuse(pointPath, "expected a [coordinate, wt%] pair");
        const double coordinate = r.number(pair[0], Item(pointPath, 0), NumberRange{});
        const double percent = r.number(pair[1], Item(pointPath, 1), Between(0.0, 100.0));
        if (!profile.points.empty() && coordinate <= profile.points.back().first)
            r.refuse(Item(pointPath, 0), "expected a coordinate greater than the one before");
        profile.points.emplace_back(coordinate, percent);
    }
    return profile;
}

void ReadSpecimen(const FieldReader& r, const json& section, Specimen& specimen) {
    const std::string path = "specimen";
    r.object(section, path, {"axis", "elements", "matrix", "balance"});
    if (auto* v = Find(section, "axis")) specimen.axis = static_cast<int>(r.choice(*v, Member(path, "axis"), {"x", "y"})) + 1;
    if (auto* v = Find(section, "matrix")) specimen.matrix = ReadPercents(r, *v, Member(path, "matrix"));
    if (auto* v = Find(section, "balance")) specimen.balance = static_cast<int>(r.integer(*v, Member(path, "balance"), 1, 98));
    const json* elements = Find(section, "elements");
    if (elements) {
        if (!elements->is_object()) r.refuse(Member(path, "elements"), "expected an object keyed by atomic number");
        for (const auto& [key, item] : elements->items()) {
            const std::string at = Member(Member(path, "elements"), key);
            const int z = AtomicNumberKey(r, key, at);
            if (specimen.matrix.count(z)) r.refuse(at, "element " + key + " is also in specimen.matrix");
            specimen.elements[z] = ReadProfile(r, item, at);
        }
    }
    if (specimen.balance != 0 && (specimen.elements.count(specimen.balance) || specimen.matrix.count(specimen.balance)))
        r.refuse(Member(path, "balance"), "the balance element has a profile or a fixed percent already");
}

}  // namespace

SuiteConfig ParseSuiteText(const std::string& text, const std::filesystem::path& baseDir, const std::string& origin) {
    try {
        const json root = ParseJson(text, origin);
        const FieldReader r(origin);
        if (!root.is_object()) r.refuse("", "expected a JSON object with the sections instrument, setup and specimen");
        r.object(root, "", {"instrument", "setup", "specimen"});

        SuiteConfig config;
        config.baseDir = baseDir;
        config.origin = origin;
        // The instrument first: the set-up refers to its spectrometers.
        if (auto* v = Find(root, "instrument")) ReadInstrument(r, *v, config.instrument);
        else config.instrument.crystals.resize(static_cast<std::size_t>(config.instrument.spectrometers));
        if (auto* v = Find(root, "setup")) ReadSetup(r, *v, config.instrument, config.setup);
        if (auto* v = Find(root, "specimen")) ReadSpecimen(r, *v, config.specimen);
        return config;
    } catch (const FieldError& error) {
        throw SuiteFileError(error.what());
    }
}

SuiteConfig ReadSuiteFile(const std::filesystem::path& path) {
    const std::string name = path.string();
    std::string error;
    const auto content = ReadFileText(path, error);
    if (!content) throw SuiteFileError(name + ": cannot read the suite file: " + error);
    std::error_code ec;

    std::filesystem::path folder = std::filesystem::absolute(path, ec).parent_path();
    if (ec) folder = path.parent_path();
    return ParseSuiteText(*content, folder, name);
}

}  // namespace kest
