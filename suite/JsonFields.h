#pragma once
// Reading the program's JSON files (the suite file, the batch file): a field that is
// absent keeps its default, anything else must be exactly right, and every refusal names
// the field by its path ("instrument.crystals[2]") so that the operator can find it.

#include <nlohmann/json.hpp>

#include <cstdint>
#include <initializer_list>
#include <limits>
#include <stdexcept>
#include <string>

namespace kest {

// "FILE: path: what is wrong", or "FILE: JSON syntax error at line 3, column 7: ...".
class FieldError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

std::string Member(const std::string& path, const std::string& key);
std::string Item(const std::string& path, std::size_t index);

// The accepted values of a number field; `low`/`high` may be open (excluded) bounds.
struct NumberRange {
    double low = -std::numeric_limits<double>::infinity();
    bool lowOpen = false;
    double high = std::numeric_limits<double>::infinity();
    bool highOpen = false;

    bool holds(double v) const { return (lowOpen ? v > low : v >= low) && (highOpen ? v < high : v <= high); }
    std::string words() const;
};
NumberRange Positive(double high = std::numeric_limits<double>::infinity());
NumberRange Between(double low, double high);

// The text parsed, or FieldError with the place of a syntax error as an editor counts it.
nlohmann::json ParseJson(const std::string& text, const std::string& origin);

// Reads typed values and refuses, with the field's path, anything that is not right.
class FieldReader {
public:
    explicit FieldReader(std::string origin) : origin_(std::move(origin)) {}

    [[noreturn]] void refuse(const std::string& path, const std::string& what) const;
    // The object at `path`; its keys must all be in `known`.
    void object(const nlohmann::json& value, const std::string& path, std::initializer_list<const char*> known) const;
    int64_t integer(const nlohmann::json& value, const std::string& path, int64_t low, int64_t high) const;
    uint64_t unsignedInteger(const nlohmann::json& value, const std::string& path) const;
    double number(const nlohmann::json& value, const std::string& path, const NumberRange& range) const;
    bool boolean(const nlohmann::json& value, const std::string& path) const;
    // A text of `minLength` to `maxLength` characters, turned from UTF-8 into Latin-1.
    std::string text(const nlohmann::json& value, const std::string& path, std::size_t minLength,
                     std::size_t maxLength) const;
    // One of the words of `choices`; returns its index.
    std::size_t choice(const nlohmann::json& value, const std::string& path,
                       std::initializer_list<const char*> choices) const;

private:
    std::string origin_;
};

// The member `key` of an object, nothing when absent.
const nlohmann::json* Find(const nlohmann::json& object, const char* key);

}  // namespace kest
