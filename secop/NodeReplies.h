#pragma once
// What a client makes of the node's lines: the answer to its request, an error, an update
// to pass over, or a line that is not SECoP; and whether the node's structure report has
// everything the program's microprobe calls need. Plain C++, so that it can be fuzzed.

#include "secop/SecopLines.h"

#include <array>
#include <optional>
#include <string>

namespace kest::secop {

using Json = nlohmann::ordered_json;

struct Reply {
    enum class Kind { Answer, Error, Passed, Malformed } kind = Kind::Malformed;
    std::string request;     // Answer, Error: the action answered (read, change or do)
    std::string specifier;   // Answer, Error: module:accessible
    Json value;              // Answer: the value of the data report
    std::string errorClass;  // Error: the class and the node's text; Malformed: what is wrong
    std::string text;
};

// A line from the node: the answer or error to a read, change or do, an update to pass
// over, or a line that answers nothing the program asks. The client matches an answer to
// its request by action and specifier, since a node may answer requests out of order.
Reply ReadReply(const std::string& line);

// What the program needs of a node, read from its structure report.
struct NodeLayout {
    int spectrometers = 0;                            // spectrometer1 .. spectrometerN
    bool faraday = false;                             // a faraday module with a target
    double timeoutSeconds = 10.0;                     // the node's reply time-out
};

// The layout, or nothing with `missing` naming what the node lacks ("module stage_z,
// parameter timer:target").
std::optional<NodeLayout> ReadLayout(const Json& structure, std::string& missing);

// The answer to describe: its structure report, or nothing.
std::optional<Json> ReadDescribing(const std::string& line);

}  // namespace kest::secop
