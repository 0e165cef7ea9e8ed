#pragma once
// The microprobe as a SECoP node, without sockets: what a connection's lines ask of the
// instrument, and the lines that go back to it and to the other connections. Every SECoP
// action on a module's accessible makes one call of the instrument (a stop, three), so the
// node's instrument sees the calls a program on it would make.
//
// Modules: stage_x, stage_y, stage_z (Drivable; a changed target is loaded, `go` starts every
// loaded axis as one move, `_backlash` makes an axis approach its next target from below),
// timer (Drivable; target the preset counting time, `go` counts on every spectrometer, busy
// until the time is up), spectrometer1..N (Readable; value the counts, `_crystal`,
// `_dead_time`), beam (Readable; the current) and faraday (Writable; the cup inserted).
//
// The first connection to change anything or do a command holds the node until it closes;
// another connection may read and watch (activate), but its change and do are refused with
// IsBusy. Updates go to every activated connection, for every value a request has seen change;
// the node never polls the instrument by itself, whose clock may be virtual.

#include "secop/SecopLines.h"
#include "suite/Microprobe.h"
#include "suite/SuiteFile.h"

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <variant>
#include <vector>

namespace kest::secop {

using Json = nlohmann::ordered_json;
using ClientId = int;

struct Outgoing {
    ClientId to;
    std::string line;
};

// The error classes of a failed request: the class and a text for a person.
struct Failure {
    std::string errorClass, text;
};

class MicroprobeNode {
public:
    // `clock` gives the time stamps, in seconds since 1970; the instrument must outlive the node.
    MicroprobeNode(Microprobe& probe, const SuiteConfig& config, std::function<double()> clock);

    void connected(ClientId client, const std::string& peer);
    void disconnected(ClientId client);
    // What one line from `client` is answered with, and the updates it makes.
    std::vector<Outgoing> receive(ClientId client, const LineReader::Line& line);

private:
    using Outcome = std::variant<Json, Failure>;
    struct Accessible {
        bool command = false;
        bool readonly = true;
        std::function<Outcome()> read;                 // parameters; none: the cached value
        std::function<Outcome(const Json&)> write;     // writable parameters and commands
    };
    struct Client {
        std::string peer;
        bool allActive = false;
        std::set<std::string> activeModules;
    };

    void describeModules(const SuiteConfig& config);
    void addModule(const std::string& name, Json properties);
    void addParameter(const std::string& module, const std::string& name, Json datainfo, const std::string& description,
                      Accessible accessible, Json initial);
    void addCommand(const std::string& module, const std::string& name, const std::string& description,
                    std::function<Outcome()> run);
    void addStageAxis(int axis, const SuiteConfig& config);
    void addTimer();
    void addSpectrometer(int spectrometer, const SuiteConfig& config);

    std::vector<Outgoing> handle(ClientId client, const Message& message);
    std::vector<Outgoing> access(ClientId client, const Message& message);
    std::vector<Outgoing> activate(ClientId client, const Message& message);
    void publish(const std::string& module, const std::string& parameter, const Json& value, bool always,
                 std::vector<Outgoing>& out);
    std::optional<Failure> mayDrive(ClientId client) const;
    double now() const { return clock_(); }

    Microprobe& probe_;
    std::function<double()> clock_;
    Json structure_;
    std::map<std::string, std::map<std::string, Accessible>> modules_;
    std::map<std::string, Json> cache_;  // "module:parameter" -> last value seen
    std::vector<std::string> order_;     // the cached parameters in the order described
    std::map<ClientId, Client> clients_;
    std::optional<ClientId> holder_;
    std::set<int> loadedAxes_;           // axes with a target loaded since the last go
    std::vector<std::pair<std::string, Json>> sideEffects_;  // "module:parameter" changed by a request
};

}  // namespace kest::secop
