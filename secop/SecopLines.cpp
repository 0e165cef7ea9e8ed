#include "secop/SecopLines.h"

#include <algorithm>
#include <charconv>

namespace kest::secop {

std::vector<LineReader::Line> LineReader::feed(std::string_view bytes) {
    std::vector<Line> lines;
    while (!bytes.empty()) {
        const std::size_t end = bytes.find('\n');
        const std::string_view piece = bytes.substr(0, end);
        if (dropping_) {
            if (end == std::string_view::npos) return lines;
            dropping_ = false;
        } else if (partial_.size() + piece.size() > limit_) {
            partial_.append(piece.substr(0, limit_ - partial_.size()));
            lines.push_back({std::move(partial_), true});
            partial_.clear();
            dropping_ = end == std::string_view::npos;
        } else if (end == std::string_view::npos) {
            partial_.append(piece);
            return lines;
        } else {
            partial_.append(piece);
            if (!partial_.empty() && partial_.back() == '\r') partial_.pop_back();
            lines.push_back({std::move(partial_), false});
            partial_.clear();
        }
        if (end == std::string_view::npos) return lines;
        bytes.remove_prefix(end + 1);
    }
    return lines;
}

std::optional<Message> SplitMessage(std::string_view line) {
    Message message;
    const std::size_t first = line.find(' ');
    message.action = std::string(line.substr(0, first));
    if (message.action.empty()) return std::nullopt;
    if (first == std::string_view::npos) return message;
    message.hasSpecifier = true;
    const std::string_view rest = line.substr(first + 1);
    const std::size_t second = rest.find(' ');
    message.specifier = std::string(rest.substr(0, second));
    if (second == std::string_view::npos) return message;
    message.hasData = true;
    message.data = std::string(rest.substr(second + 1));
    return message;
}

bool IsName(std::string_view text) {
    if (text.empty() || text.size() > 63 || (text[0] >= '0' && text[0] <= '9')) return false;
    return std::all_of(text.begin(), text.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
    });
}

std::optional<Specifier> SplitSpecifier(const std::string& specifier) {
    const std::size_t colon = specifier.find(':');
    if (colon == std::string::npos) return std::nullopt;
    Specifier split{specifier.substr(0, colon), specifier.substr(colon + 1)};
    if (!IsName(split.module) || !IsName(split.accessible)) return std::nullopt;
    return split;
}

std::string MessageLine(const std::string& action, const std::string& specifier, const nlohmann::ordered_json& data) {
    // Replacing invalid UTF-8 keeps a text from the instrument from throwing here.
    return action + ' ' + specifier + ' ' + data.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string MessageLine(const std::string& action, const std::string& specifier) {
    return specifier.empty() ? action : action + ' ' + specifier;
}

nlohmann::ordered_json DataReport(const nlohmann::ordered_json& value, double timestamp) {
    return nlohmann::ordered_json::array({value, {{"t", timestamp}}});
}

nlohmann::ordered_json ErrorReport(const std::string& errorClass, const std::string& text) {
    return nlohmann::ordered_json::array({errorClass, text, nlohmann::ordered_json::object()});
}

std::optional<nlohmann::json> ParseJson(std::string_view text) {
    nlohmann::json value = nlohmann::json::parse(text, nullptr, false);
    if (value.is_discarded()) return std::nullopt;
    return value;
}

bool ParseHostPort(const std::string& text, std::string& host, uint16_t& port) {
    const std::size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0) return false;
    host = text.substr(0, colon);
    if (host.size() > 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
    const char* first = text.data() + colon + 1;
    const char* last = text.data() + text.size();
    unsigned value = 0;
    const auto [end, status] = std::from_chars(first, last, value);
    if (status != std::errc() || end != last || first == last || value > 65535) return false;
    port = static_cast<uint16_t>(value);
    return true;
}

}  // namespace kest::secop
