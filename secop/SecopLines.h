#pragma once
// SECoP messages on a byte stream: one line each, ended by LF (a CR before it is ignored),
// of the form `action[ specifier[ data]]` where data is one JSON value. Plain C++, so that
// the readers can be fuzzed without sockets.

#include <nlohmann/json.hpp>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kest::secop {

// Cuts a byte stream into lines. A line that grows beyond `limit` bytes without its end is
// cut there: it comes out once as an overlong line and the rest up to its LF is dropped,
// so that a peer that never ends a line cannot make the reader hold more than the limit.
class LineReader {
public:
    explicit LineReader(std::size_t limit) : limit_(limit) {}

    struct Line {
        std::string text;       // without CR LF; the first `limit` bytes of an overlong line
        bool overlong = false;
    };
    // The lines that `bytes` complete, in order.
    std::vector<Line> feed(std::string_view bytes);
    std::size_t pending() const { return partial_.size(); }

private:
    std::size_t limit_;
    std::string partial_;
    bool dropping_ = false;  // inside an overlong line, up to its LF
};

struct Message {
    std::string action;
    std::string specifier;   // may be empty
    std::string data;        // the JSON text, may be empty
    bool hasSpecifier = false;
    bool hasData = false;
};

// Splits a line at its first two spaces. Nothing when the action is empty.
std::optional<Message> SplitMessage(std::string_view line);

// "module:accessible" split at its first colon; nothing unless both are names.
struct Specifier {
    std::string module, accessible;
};
std::optional<Specifier> SplitSpecifier(const std::string& specifier);

// A SECoP name: letters, digits and underscore, not starting with a digit, at most 63.
bool IsName(std::string_view text);

// One line of a message, without its LF; data is written compactly, on one line.
std::string MessageLine(const std::string& action, const std::string& specifier, const nlohmann::ordered_json& data);
std::string MessageLine(const std::string& action, const std::string& specifier = "");

// The data report [value, {"t": seconds since 1970}] and the error report.
nlohmann::ordered_json DataReport(const nlohmann::ordered_json& value, double timestamp);
nlohmann::ordered_json ErrorReport(const std::string& errorClass, const std::string& text);

// Parses JSON text without throwing; nothing when it is not exactly one JSON value.
std::optional<nlohmann::json> ParseJson(std::string_view text);

// "127.0.0.1:10767" or "[::1]:10767" as a host and a port; false when it is not one.
bool ParseHostPort(const std::string& text, std::string& host, uint16_t& port);

// The identification that a node answers to *IDN?.
inline constexpr std::string_view kIdentification = "ISSE&SINE2020,SECoP,V2019-09-16,v1.0";

}  // namespace kest::secop
