#include "suite/JsonFields.h"

#include <algorithm>
#include <cstdint>
#include <locale>
#include <sstream>

namespace kest {

using nlohmann::json;

namespace {

std::string NumberWords(double value) {
    std::ostringstream out;
    out.imbue(std::locale::classic());
    out << value;
    return out.str();
}

// "line 3, column 7" of a byte offset of the text (1-based, as editors count).
std::string Place(const std::string& text, std::size_t byte) {
    byte = std::min(byte, text.size());
    const auto before = text.substr(0, byte);
    const auto line = 1 + std::count(before.begin(), before.end(), '\n');
    const auto lastBreak = before.rfind('\n');
    const auto column = lastBreak == std::string::npos ? byte + 1 : byte - lastBreak;
    return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

// JSON texts are valid UTF-8 (the parser checks); the program's texts are Latin-1.
bool ToLatin1(const std::string& utf8, std::string& latin1) {
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto byte = static_cast<unsigned char>(utf8[i]);
        if (byte < 0x80) {
            latin1 += static_cast<char>(byte);
        } else if ((byte == 0xC2 || byte == 0xC3) && i + 1 < utf8.size()) {
            const auto next = static_cast<unsigned char>(utf8[++i]);
            latin1 += static_cast<char>(((byte & 0x03) << 6) | (next & 0x3F));
        } else {
            return false;
        }
    }
    return true;
}

}  // namespace

std::string Member(const std::string& path, const std::string& key) { return path.empty() ? key : path + "." + key; }

std::string Item(const std::string& path, std::size_t index) { return path + "[" + std::to_string(index) + "]"; }

std::string NumberRange::words() const {
    const bool bounded = std::isfinite(high);
    if (lowOpen && !bounded) return "a number greater than " + NumberWords(low);
    if (!bounded) return "a number of at least " + NumberWords(low);
    if (lowOpen) return "a number greater than " + NumberWords(low) + " and at most " + NumberWords(high);
    return "a number from " + NumberWords(low) + " to " + NumberWords(high);
}

NumberRange Positive(double high) { return {0.0, true, high, false}; }
NumberRange Between(double low, double high) { return {low, false, high, false}; }

json ParseJson(const std::string& text, const std::string& origin) {
    try {
        return json::parse(text);
    } catch (const json::parse_error& e) {
        // Keep the parser's own words but give the place the way an editor counts it.
        std::string what = e.what();
        const auto detail = what.find(": ", what.find("parse error"));
        what = detail == std::string::npos ? what : what.substr(detail + 2);
        // The parser points one past the offending character.
        const std::size_t byte = e.byte > 0 ? e.byte - 1 : 0;
        throw FieldError(origin + ": JSON syntax error at " + Place(text, byte) + ": " + what);
    } catch (const json::out_of_range& e) {  // a number beyond a double's range: 1e400
        std::string what = e.what();
        throw FieldError(origin + ": " + what.substr(std::min(what.find("number"), what.size())));
    }
}

void FieldReader::refuse(const std::string& path, const std::string& what) const {
    throw FieldError(origin_ + ": " + (path.empty() ? "" : path + ": ") + what);
}

void FieldReader::object(const json& value, const std::string& path, std::initializer_list<const char*> known) const {
    if (!value.is_object()) refuse(path, "expected an object");
    for (const auto& item : value.items()) {
        const std::string& key = item.key();  // not a structured binding: clang 14 cannot capture one
        if (std::none_of(known.begin(), known.end(), [&](const char* k) { return key == k; }))
            refuse(Member(path, key), "unknown field");
    }
}

int64_t FieldReader::integer(const json& value, const std::string& path, int64_t low, int64_t high) const {
    const std::string expected = "expected an integer from " + std::to_string(low) + " to " + std::to_string(high);
    // Integers beyond the signed range arrive unsigned; none of them is ever accepted.
    if (value.is_number_unsigned() && value.get<uint64_t>() > static_cast<uint64_t>(INT64_MAX)) refuse(path, expected);
    if (!value.is_number_integer()) refuse(path, expected);
    const auto v = value.get<int64_t>();
    if (v < low || v > high) refuse(path, expected);
    return v;
}

uint64_t FieldReader::unsignedInteger(const json& value, const std::string& path) const {
    if (!value.is_number_unsigned()) refuse(path, "expected an integer of at least 0");
    return value.get<uint64_t>();
}

double FieldReader::number(const json& value, const std::string& path, const NumberRange& range) const {
    if (!value.is_number() || !range.holds(value.get<double>())) refuse(path, "expected " + range.words());
    return value.get<double>();
}

bool FieldReader::boolean(const json& value, const std::string& path) const {
    if (!value.is_boolean()) refuse(path, "expected true or false");
    return value.get<bool>();
}

std::string FieldReader::text(const json& value, const std::string& path, std::size_t minLength,
                              std::size_t maxLength) const {
    const std::string expected =
        maxLength == std::string::npos
            ? "expected a text"
            : "expected a text of " + std::to_string(minLength) + " to " + std::to_string(maxLength) + " characters";
    if (!value.is_string()) refuse(path, expected);
    std::string latin1;
    if (!ToLatin1(value.get_ref<const std::string&>(), latin1)) refuse(path, "expected characters of the Latin-1 set");
    if (latin1.size() < minLength || latin1.size() > maxLength) refuse(path, expected);
    return latin1;
}

std::size_t FieldReader::choice(const json& value, const std::string& path,
                                std::initializer_list<const char*> choices) const {
    std::string words;
    for (const char* c : choices) words += (words.empty() ? "\"" : " or \"") + std::string(c) + "\"";
    if (!value.is_string()) refuse(path, "expected " + words);
    std::size_t index = 0;
    for (const char* c : choices) {
        if (value.get_ref<const std::string&>() == c) return index;
        ++index;
    }
    refuse(path, "expected " + words);
}

const json* Find(const json& object, const char* key) {
    auto found = object.find(key);
    return found == object.end() ? nullptr : &*found;
}

}  // namespace kest
