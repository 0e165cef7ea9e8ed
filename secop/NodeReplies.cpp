#include "secop/NodeReplies.h"

#include <cmath>
#include <utility>
#include <vector>

namespace kest::secop {

namespace {

Reply Malformed(std::string why) {
    Reply reply;
    reply.text = std::move(why);
    return reply;
}

std::optional<Json> ParseOrdered(const std::string& text) {
    Json value = Json::parse(text, nullptr, false);
    if (value.is_discarded()) return std::nullopt;
    return value;
}

// The request that an answer or an error answers; empty for any other action.
std::string RequestOf(const std::string& action) {
    if (action == "reply" || action == "error_read") return "read";
    if (action == "changed" || action == "error_change") return "change";
    if (action == "done" || action == "error_do") return "do";
    return "";
}

}  // namespace

Reply ReadReply(const std::string& line) {
    const auto message = SplitMessage(line);
    if (!message) return Malformed("an empty line");
    if (message->action == "update" || message->action == "error_update") return Reply{Reply::Kind::Passed, {}, {}, {}, {}, {}};
    const std::string request = RequestOf(message->action);
    if (request.empty()) return Malformed("a message that answers no request of the program");
    const auto data = ParseOrdered(message->data);
    if (!data || !data->is_array() || data->empty()) return Malformed("a report that is not a JSON array");
    const bool error = message->action.rfind("error_", 0) == 0;
    if (!error) return Reply{Reply::Kind::Answer, request, message->specifier, (*data)[0], {}, {}};
    if (data->size() < 2 || !(*data)[0].is_string() || !(*data)[1].is_string())
        return Malformed("an error report without its class and text");
    return Reply{Reply::Kind::Error, request, message->specifier, {}, (*data)[0].get<std::string>(), (*data)[1].get<std::string>()};
}

std::optional<Json> ReadDescribing(const std::string& line) {
    const auto message = SplitMessage(line);
    if (!message || message->action != "describing") return std::nullopt;
    const auto data = ParseOrdered(message->data);
    if (!data || !data->is_object()) return std::nullopt;
    return data;
}

namespace {

const Json* Member(const Json& object, const std::string& name) {
    if (!object.is_object()) return nullptr;
    const auto found = object.find(name);
    return found == object.end() ? nullptr : &*found;
}

// Notes in `missing` each accessible of `names` that the module lacks, or the module itself.
bool Check(const Json& modules, const std::string& module, const std::vector<std::string>& names, std::string& missing) {
    auto note = [&missing](const std::string& what) { missing += (missing.empty() ? "" : ", ") + what; };
    const Json* accessibles = Member(modules, module) ? Member(*Member(modules, module), "accessibles") : nullptr;
    if (!accessibles || !accessibles->is_object()) {
        note("module " + module);
        return false;
    }
    bool whole = true;
    for (const std::string& name : names) {
        const Json* accessible = Member(*accessibles, name);
        if (!accessible || !Member(*accessible, "datainfo") || !Member(*accessible, "datainfo")->is_object()) {
            note((name == "go" || name == "_backlash" ? "command " : "parameter ") + module + ":" + name);
            whole = false;
        }
    }
    return whole;
}

}  // namespace

std::optional<NodeLayout> ReadLayout(const Json& structure, std::string& missing) {
    missing.clear();
    const Json* modules = Member(structure, "modules");
    if (!modules || !modules->is_object()) {
        missing = "the modules of its structure report";
        return std::nullopt;
    }
    for (const char* axis : {"stage_x", "stage_y", "stage_z"})
        Check(*modules, axis, {"value", "target", "status", "go", "_backlash"}, missing);
    Check(*modules, "timer", {"value", "target", "status", "go"}, missing);
    Check(*modules, "beam", {"value"}, missing);
    NodeLayout layout;
    if (!Member(*modules, "spectrometer1")) Check(*modules, "spectrometer1", {}, missing);
    for (int s = 1; s <= 5 && Member(*modules, "spectrometer" + std::to_string(s)); ++s) {
        Check(*modules, "spectrometer" + std::to_string(s), {"value", "status", "_crystal", "_dead_time"}, missing);
        layout.spectrometers = s;
    }
    if (!missing.empty()) return std::nullopt;
    std::string noCup;
    layout.faraday = Check(*modules, "faraday", {"target"}, noCup);
    const Json* timeout = Member(structure, "timeout");
    if (timeout && timeout->is_number() && timeout->get<double>() > 0 && std::isfinite(timeout->get<double>()))
        layout.timeoutSeconds = std::min(timeout->get<double>(), 3600.0);
    return layout;
}

}  // namespace kest::secop
