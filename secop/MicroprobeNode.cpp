#include "secop/MicroprobeNode.h"

#include <array>
#include <cmath>
#include <utility>

namespace kest::secop {

namespace {

constexpr int kIdle = 100;
constexpr int kBusy = 300;
constexpr double kLongestCount = 1e6;  // seconds, as the simulated counters take

const Json kStatusInfo = {
    {"type", "tuple"},
    {"members", Json::array({{{"type", "enum"}, {"members", {{"IDLE", kIdle}, {"BUSY", kBusy}, {"ERROR", 400}}}},
                             {{"type", "string"}}})}};

Json Status(bool busy, const std::string& idleText, const std::string& busyText) {
    return Json::array({busy ? kBusy : kIdle, busy ? busyText : idleText});
}

Json Double(std::optional<double> min, std::optional<double> max, const std::string& unit) {
    Json info = {{"type", "double"}};
    if (min) info["min"] = *min;
    if (max) info["max"] = *max;
    if (!unit.empty()) info["unit"] = unit;
    return info;
}

Failure Hardware(const std::string& text) { return {"HardwareError", text}; }

bool IsNumber(const Json& value) { return value.is_number() && std::isfinite(value.get<double>()); }

// A JSON-safe text of a number for the messages.
std::string NumberWords(const Json& value) { return value.dump(); }

const std::array<const char*, 3> kAxisModules{"stage_x", "stage_y", "stage_z"};
const std::array<const char*, 3> kAxisNames{"X", "Y", "third"};

}  // namespace

MicroprobeNode::MicroprobeNode(Microprobe& probe, const SuiteConfig& config, std::function<double()> clock)
    : probe_(probe), clock_(std::move(clock)) {
    structure_ = Json::object();
    structure_["equipment_id"] = "kestplus_simulated_microprobe";
    structure_["description"] =
        "Simulated electron microprobe\n\nA stage of three axes, wavelength-dispersive spectrometers counting on "
        "one timer, the beam current and a Faraday cup, with the specimen of the suite file " + config.origin + ".";
    structure_["firmware"] = "kestplus-profile instrument";
    structure_["timeout"] = 10;
    structure_["modules"] = Json::object();
    describeModules(config);
}

void MicroprobeNode::addModule(const std::string& name, Json properties) {
    properties["accessibles"] = Json::object();
    structure_["modules"][name] = std::move(properties);
    modules_[name];
}

void MicroprobeNode::addParameter(const std::string& module, const std::string& name, Json datainfo,
                                  const std::string& description, Accessible accessible, Json initial) {
    structure_["modules"][module]["accessibles"][name] = {
        {"description", description}, {"datainfo", std::move(datainfo)}, {"readonly", accessible.readonly}};
    modules_[module][name] = std::move(accessible);
    const std::string key = module + ":" + name;
    cache_[key] = std::move(initial);
    order_.push_back(key);
}

void MicroprobeNode::addCommand(const std::string& module, const std::string& name, const std::string& description,
                                std::function<Outcome()> run) {
    structure_["modules"][module]["accessibles"][name] = {{"description", description},
                                                          {"datainfo", {{"type", "command"}}}};
    Accessible command;
    command.command = true;
    command.readonly = false;
    command.write = [run = std::move(run)](const Json& argument) -> Outcome {
        if (!argument.is_null()) return Failure{"WrongType", "this command takes no argument"};
        return run();
    };
    modules_[module][name] = std::move(command);
}

void MicroprobeNode::describeModules(const SuiteConfig& config) {
    for (int axis = 1; axis <= 3; ++axis) addStageAxis(axis, config);
    addTimer();
    for (int s = 1; s <= config.instrument.spectrometers; ++s) addSpectrometer(s, config);

    addModule("beam", {{"description", "Beam current\n\nThe current of the electron beam on the specimen."},
                       {"interface_classes", {"Readable"}}});
    Accessible current;
    current.read = [this]() -> Outcome {
        float nA = 0.0f;
        if (probe_.KestReadCurrent(nA) == 0) return Hardware("the beam current cannot be read");
        return Json(static_cast<double>(nA));
    };
    addParameter("beam", "value", Double(0.0, std::nullopt, "nA"), "beam current", std::move(current),
                 config.instrument.beam_current_nA);
    addParameter("beam", "status", kStatusInfo, "always idle", Accessible{}, Status(false, "beam on", ""));

    addModule("faraday", {{"description", "Faraday cup\n\nInserted, it takes the beam off the specimen."},
                          {"interface_classes", {"Writable"}}});
    addParameter("faraday", "value", {{"type", "bool"}}, "the cup is inserted", Accessible{}, config.instrument.faraday_cup);
    Accessible target;
    target.readonly = false;
    target.write = [this](const Json& value) -> Outcome {
        if (!value.is_boolean() && !(value.is_number_integer() && (value == 0 || value == 1)))
            return Failure{"WrongType", "expected true (inserted) or false"};
        const bool inserted = value.is_boolean() ? value.get<bool>() : value.get<int>() == 1;
        if (probe_.KestSetFaraday(inserted ? 1 : 0) == 0) return Hardware("the Faraday cup cannot be moved");
        sideEffects_.emplace_back("faraday:value", inserted);
        return Json(inserted);
    };
    addParameter("faraday", "target", {{"type", "bool"}}, "insert (true) or withdraw (false) the cup", std::move(target),
                 config.instrument.faraday_cup);
    addParameter("faraday", "status", kStatusInfo, "always idle", Accessible{}, Status(false, "ready", ""));
}

void MicroprobeNode::addStageAxis(int axis, const SuiteConfig& config) {
    const std::string module = kAxisModules[static_cast<std::size_t>(axis - 1)];
    const std::string name = kAxisNames[static_cast<std::size_t>(axis - 1)];
    const auto& limits = config.instrument.stage_limits;
    const int32_t at = config.instrument.stage_position[static_cast<std::size_t>(axis - 1)];
    addModule(module, {{"description", "Stage " + name + " axis\n\nPositions in stage units. A changed target is "
                                       "loaded; go starts every loaded axis of the stage as one move."},
                       {"interface_classes", {"Drivable"}}});

    Accessible value;
    value.read = [this, axis, name]() -> Outcome {
        int32_t position = 0;
        if (probe_.KestReadStagePos(axis, position) == 0) return Hardware("the " + name + " axis cannot tell where it stands");
        return Json(position);
    };
    addParameter(module, "value", Double(std::nullopt, std::nullopt, ""), "where the axis stands", std::move(value), at);

    Accessible target;
    target.readonly = false;
    target.write = [this, axis, name, limits](const Json& wanted) -> Outcome {
        if (!IsNumber(wanted)) return Failure{"WrongType", "expected a number of stage units"};
        const double v = wanted.get<double>();
        if (v < limits[0] || v > limits[1])
            return Failure{"RangeError", name + " = " + NumberWords(wanted) + " is outside the travel " +
                                             std::to_string(limits[0]) + " .. " + std::to_string(limits[1])};
        if (probe_.KestLoadStageAbs(axis, static_cast<float>(v)) == 0)
            return Hardware("the stage refused " + name + " = " + NumberWords(wanted));
        loadedAxes_.insert(axis);
        return wanted;
    };
    addParameter(module, "target", Double(limits[0], limits[1], ""), "where the next go takes the axis", std::move(target), at);

    Accessible status;
    status.read = [this, axis, name]() -> Outcome {
        int32_t busy = 0;
        if (probe_.KestReadStageStatus(axis, 0, busy) == 0) return Hardware("the " + name + " axis cannot tell its status");
        return Status(busy != 0, "at its target", "moving");
    };
    addParameter(module, "status", kStatusInfo, "moving (BUSY) or at its target (IDLE)", std::move(status),
                 Status(false, "at its target", ""));

    addCommand(module, "go", "start every loaded axis of the stage", [this]() -> Outcome {
        if (probe_.KestStartStage(0) == 0) return Hardware("the stage cannot start");
        for (const int loaded : loadedAxes_)
            sideEffects_.emplace_back(std::string(kAxisModules[static_cast<std::size_t>(loaded - 1)]) + ":status",
                                      Status(true, "", "moving"));
        loadedAxes_.clear();
        return Json();
    });
    addCommand(module, "stop", "stop the axis where it stands", [this, axis, name, module]() -> Outcome {
        int32_t position = 0;
        if (probe_.KestReadStagePos(axis, position) == 0 || probe_.KestLoadStageAbs(axis, static_cast<float>(position)) == 0 ||
            probe_.KestStartStage(0) == 0)
            return Hardware("the " + name + " axis cannot be stopped");
        loadedAxes_.clear();
        sideEffects_.emplace_back(module + ":target", position);
        return Json();
    });
    addCommand(module, "_backlash", "approach the next target from below, by the stage's backlash",
               [this, axis, name]() -> Outcome {
                   if (probe_.KestBacklashStage(axis) == 0) return Hardware("the " + name + " axis refused the backlash");
                   return Json();
               });
}

void MicroprobeNode::addTimer() {
    addModule("timer", {{"description", "Counting timer\n\nThe target is the preset counting time; go starts a count "
                                        "on every spectrometer at once, busy until the time is up."},
                        {"interface_classes", {"Drivable"}}});
    Accessible value;
    value.read = [this]() -> Outcome {
        float seconds = 0.0f;
        if (probe_.KestReadTimer(1, seconds) == 0) return Hardware("the timer cannot be read");
        return Json(static_cast<double>(seconds));
    };
    addParameter("timer", "value", Double(0.0, std::nullopt, "s"), "time counted so far", std::move(value), 0.0);

    Accessible target;
    target.readonly = false;
    target.write = [this](const Json& wanted) -> Outcome {
        if (!IsNumber(wanted)) return Failure{"WrongType", "expected a counting time in seconds"};
        const double seconds = wanted.get<double>();
        if (seconds < 0.0 || seconds > kLongestCount)
            return Failure{"RangeError", "a counting time of " + NumberWords(wanted) + " s is outside 0 .. 1e6 s"};
        if (probe_.KestLoadCounter(0, static_cast<float>(seconds), 0) == 0)
            return Hardware("the counters refused a counting time of " + NumberWords(wanted) + " s");
        return wanted;
    };
    addParameter("timer", "target", Double(0.0, kLongestCount, "s"), "the preset counting time (a time of 0 is refused)",
                 std::move(target), 0.0);

    Accessible status;
    status.read = [this]() -> Outcome {
        int32_t busy = 0;
        if (probe_.KestReadSpectroStatus(1, 0, busy) == 0) return Hardware("the timer cannot tell its status");
        return Status(busy != 0, "counted", "counting");
    };
    addParameter("timer", "status", kStatusInfo, "counting (BUSY) or done (IDLE)", std::move(status), Status(false, "counted", ""));

    addCommand("timer", "go", "start counting on every spectrometer", [this]() -> Outcome {
        if (probe_.KestStartTimer(0) == 0) return Hardware("the counters cannot start");
        sideEffects_.emplace_back("timer:status", Status(true, "", "counting"));
        return Json();
    });
    addCommand("timer", "stop", "a count cannot be cut short", []() -> Outcome {
        return Hardware("the counters cannot be stopped before their time is up");
    });
}

void MicroprobeNode::addSpectrometer(int s, const SuiteConfig& config) {
    const std::string module = "spectrometer" + std::to_string(s);
    const auto index = static_cast<std::size_t>(s - 1);
    const std::string crystal = index < config.instrument.crystals.size() ? config.instrument.crystals[index] : "";
    addModule(module, {{"description", "Wavelength-dispersive spectrometer " + std::to_string(s) +
                                           "\n\nIts value is the counts of the last count, its crystal and the dead "
                                           "time of its pulse-height analyser are read-only."},
                       {"interface_classes", {"Readable"}}});
    Accessible counts;
    counts.read = [this, s]() -> Outcome {
        int32_t n = 0;
        if (probe_.KestReadCounter(s, n) == 0) return Hardware("the counter of spectrometer " + std::to_string(s) + " cannot be read");
        return Json(n);
    };
    addParameter(module, "value", {{"type", "int"}, {"min", 0}, {"max", 2147483647}}, "counts of the last count",
                 std::move(counts), 0);

    Accessible status;
    status.read = [this, s]() -> Outcome {
        int32_t busy = 0;
        if (probe_.KestReadSpectroStatus(s, 0, busy) == 0)
            return Hardware("spectrometer " + std::to_string(s) + " cannot tell its status");
        return Status(busy != 0, "counted", "counting");
    };
    addParameter(module, "status", kStatusInfo, "counting (BUSY) or done (IDLE)", std::move(status), Status(false, "counted", ""));

    Accessible xtal;
    xtal.read = [this, s]() -> Outcome {
        std::string name;
        if (probe_.KestReadXtal(s, name) == 0) return Hardware("the crystal of spectrometer " + std::to_string(s) + " is unknown");
        return Json(name);
    };
    addParameter(module, "_crystal", {{"type", "string"}, {"maxchars", 5}}, "the analysing crystal", std::move(xtal), crystal);

    Accessible deadTime;
    deadTime.read = [this, s, crystal]() -> Outcome {
        float microseconds = 0.0f;
        if (probe_.KestReadPha(s, crystal, 0, microseconds) == 0)
            return Hardware("the pulse-height analyser of spectrometer " + std::to_string(s) + " cannot be read");
        return Json(static_cast<double>(microseconds) * 1e-6);
    };
    addParameter(module, "_dead_time", Double(0.0, std::nullopt, "s"), "dead time of the pulse-height analyser",
                 std::move(deadTime), config.instrument.dead_time_us[index] * 1e-6);
}

void MicroprobeNode::connected(ClientId client, const std::string& peer) { clients_[client].peer = peer; }

void MicroprobeNode::disconnected(ClientId client) {
    clients_.erase(client);
    if (holder_ == client) holder_.reset();
}

namespace {

// An action or specifier as it can be echoed in an error reply: printable ASCII, at most 63.
std::string Echoed(const std::string& text) {
    std::string echoed = text.substr(0, 63);
    for (char& c : echoed)
        if (c < 0x21 || c > 0x7e) c = '?';
    return echoed;
}

Outgoing ErrorLine(ClientId client, const Message& message, const Failure& failure) {
    return {client, MessageLine("error_" + Echoed(message.action), Echoed(message.specifier),
                                ErrorReport(failure.errorClass, failure.text))};
}

}  // namespace

std::vector<Outgoing> MicroprobeNode::receive(ClientId client, const LineReader::Line& line) {
    if (!clients_.count(client)) clients_[client];
    if (line.overlong) {
        Message cut = SplitMessage(line.text).value_or(Message{"?", "", "", false, false});
        cut.specifier = cut.hasSpecifier ? cut.specifier : "";
        return {ErrorLine(client, cut, {"ProtocolError", "the message is longer than the node reads; it was dropped"})};
    }
    if (line.text.empty()) return {};  // an empty line, as a terminal sends by mistake
    const auto message = SplitMessage(line.text);
    if (!message) return {ErrorLine(client, {"?", "", "", false, false}, {"ProtocolError", "a message starts with its action"})};
    return handle(client, *message);
}

std::vector<Outgoing> MicroprobeNode::handle(ClientId client, const Message& message) {
    const std::string& action = message.action;
    if (action == "*IDN?") return {{client, std::string(kIdentification)}};
    if (action == "describe") return {{client, MessageLine("describing", ".", structure_)}};
    if (action == "activate") return activate(client, message);
    if (action == "deactivate") {
        clients_[client].allActive = false;
        clients_[client].activeModules.clear();
        return {{client, MessageLine("inactive", message.hasSpecifier ? message.specifier : "")}};
    }
    if (action == "ping") {
        if (message.specifier.find_first_of("\r\t") != std::string::npos)
            return {ErrorLine(client, message, {"ProtocolError", "a ping's identifier has no white space"})};
        return {{client, "pong " + message.specifier + " " + DataReport(nullptr, now()).dump()}};
    }
    if (action == "read" || action == "change" || action == "do") return access(client, message);
    return {ErrorLine(client, message, {"ProtocolError", "unknown action"})};
}

std::vector<Outgoing> MicroprobeNode::activate(ClientId client, const Message& message) {
    std::vector<Outgoing> out;
    const std::string module = message.specifier.substr(0, message.specifier.find(':'));
    if (!module.empty() && !modules_.count(module))
        return {ErrorLine(client, message, {"NoSuchModule", module + " is not a module of this node"})};
    Client& c = clients_[client];
    if (module.empty()) c.allActive = true;
    else c.activeModules.insert(module);
    for (const std::string& key : order_)
        if (module.empty() || key.compare(0, module.size() + 1, module + ":") == 0)
            out.push_back({client, MessageLine("update", key, DataReport(cache_[key], now()))});
    out.push_back({client, MessageLine("active", module)});
    return out;
}

std::optional<Failure> MicroprobeNode::mayDrive(ClientId client) const {
    if (!holder_ || *holder_ == client) return std::nullopt;
    const auto held = clients_.find(*holder_);
    const std::string by = held == clients_.end() ? "another client" : "the client at " + held->second.peer;
    return Failure{"IsBusy", "the instrument is driven by " + by + "; it may be read and watched, not driven"};
}

std::vector<Outgoing> MicroprobeNode::access(ClientId client, const Message& message) {
    const std::string& action = message.action;
    const auto specifier = SplitSpecifier(message.specifier);
    if (!specifier) return {ErrorLine(client, message, {"ProtocolError", "expected module:accessible after " + action})};
    const auto module = modules_.find(specifier->module);
    if (module == modules_.end())
        return {ErrorLine(client, message, {"NoSuchModule", specifier->module + " is not a module of this node"})};
    const auto found = module->second.find(specifier->accessible);
    const bool isCommand = found != module->second.end() && found->second.command;
    if (action == "do" ? !isCommand : (found == module->second.end() || isCommand)) {
        const bool wantsCommand = action == "do";
        return {ErrorLine(client, message, {wantsCommand ? "NoSuchCommand" : "NoSuchParameter",
                                            specifier->module + " has no " + (wantsCommand ? "command " : "parameter ") +
                                                specifier->accessible})};
    }
    const Accessible& accessible = found->second;
    const std::string key = message.specifier;

    std::vector<Outgoing> out;
    if (action == "read") {
        if (!accessible.read) return {{client, MessageLine("reply", key, DataReport(cache_[key], now()))}};
        const Outcome outcome = accessible.read();
        if (const auto* failure = std::get_if<Failure>(&outcome)) return {ErrorLine(client, message, *failure)};
        publish(specifier->module, specifier->accessible, std::get<Json>(outcome), false, out);
        out.push_back({client, MessageLine("reply", key, DataReport(std::get<Json>(outcome), now()))});
        return out;
    }
    if (action == "change" && accessible.readonly)
        return {ErrorLine(client, message, {"ReadOnly", key + " is read-only"})};
    if (const auto busy = mayDrive(client)) return {ErrorLine(client, message, *busy)};
    Json argument;
    if (message.hasData && !message.data.empty()) {
        const auto parsed = ParseJson(message.data);
        if (!parsed) return {ErrorLine(client, message, {"BadJSON", "the data is not one JSON value"})};
        argument = *parsed;
    } else if (action == "change") {
        return {ErrorLine(client, message, {"ProtocolError", "change needs a value"})};
    }
    sideEffects_.clear();
    const Outcome outcome = accessible.write(argument);
    if (const auto* failure = std::get_if<Failure>(&outcome)) return {ErrorLine(client, message, *failure)};
    holder_ = client;
    if (action == "change") publish(specifier->module, specifier->accessible, std::get<Json>(outcome), true, out);
    for (const auto& [changed, value] : sideEffects_) {
        const std::size_t colon = changed.find(':');
        publish(changed.substr(0, colon), changed.substr(colon + 1), value, true, out);
    }
    sideEffects_.clear();
    out.push_back({client, MessageLine(action == "change" ? "changed" : "done", key,
                                       DataReport(std::get<Json>(outcome), now()))});
    return out;
}

// Keeps the value and sends it to every connection watching its module: when it changed,
// or `always` (a change asked for, which every watcher is told of).
void MicroprobeNode::publish(const std::string& module, const std::string& parameter, const Json& value, bool always,
                             std::vector<Outgoing>& out) {
    const std::string key = module + ":" + parameter;
    Json& cached = cache_[key];
    if (!always && cached == value) return;
    cached = value;
    std::string line;  // written once, and only when someone watches
    for (const auto& [id, c] : clients_) {
        if (!c.allActive && !c.activeModules.count(module)) continue;
        if (line.empty()) line = MessageLine("update", key, DataReport(value, now()));
        out.push_back({id, line});
    }
}

}  // namespace kest::secop
