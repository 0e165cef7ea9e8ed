#include "core/Formats.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

// All conversions here go through <charconv>: they never depend on the process locale, so a
// decimal comma set by the desktop can never reach a list line, a zones file or the log.

namespace kest {
namespace {

// A finite non-zero number as decimal digits and a point position:
// value = 0.d1 d2 d3 ... x 10^pointPosition (digits without leading or trailing zeros).
struct Decimal {
    bool negative = false;
    std::string digits;     // empty for zero
    int pointPosition = 0;  // digits before the decimal point; may be <= 0 or > digits.size()
};

// Reads the scientific text of <charconv> ("-1.2345e+03") into a Decimal.
Decimal DecimalOfScientific(std::string_view text) {
    Decimal decimal;
    std::size_t i = 0;
    if (i < text.size() && text[i] == '-') {
        decimal.negative = true;
        ++i;
    }
    for (; i < text.size() && text[i] != 'e'; ++i) {
        if (text[i] != '.') decimal.digits += text[i];
    }
    int exponent = 0;
    if (i < text.size()) std::from_chars(text.data() + i + 1 + (text[i + 1] == '+'), text.data() + text.size(), exponent);
    decimal.pointPosition = exponent + 1;
    while (!decimal.digits.empty() && decimal.digits.back() == '0') decimal.digits.pop_back();
    while (!decimal.digits.empty() && decimal.digits.front() == '0') {  // only for a zero value
        decimal.digits.erase(0, 1);
        --decimal.pointPosition;
    }
    if (decimal.digits.empty()) decimal.pointPosition = 0;
    return decimal;
}

// The shortest decimal that reads back as the same value, or, when that needs more than
// `significant` digits, the value rounded to `significant` digits.
template <typename T>
Decimal DecimalOf(T value, int significant) {
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
    Decimal decimal = DecimalOfScientific(std::string_view(buffer, static_cast<std::size_t>(result.ptr - buffer)));
    if (static_cast<int>(decimal.digits.size()) > significant) {
        result = std::to_chars(buffer, buffer + sizeof buffer, static_cast<double>(value),
                               std::chars_format::scientific, significant - 1);
        decimal = DecimalOfScientific(std::string_view(buffer, static_cast<std::size_t>(result.ptr - buffer)));
    }
    return decimal;
}

// Positional text of a Decimal's magnitude: "0.25", "1500", "12.5".
std::string PositionalText(const Decimal& decimal) {
    if (decimal.digits.empty()) return "0";
    const int count = static_cast<int>(decimal.digits.size());
    if (decimal.pointPosition <= 0) return "0." + std::string(static_cast<std::size_t>(-decimal.pointPosition), '0') + decimal.digits;
    if (decimal.pointPosition >= count) return decimal.digits + std::string(static_cast<std::size_t>(decimal.pointPosition - count), '0');
    const auto split = static_cast<std::size_t>(decimal.pointPosition);
    return decimal.digits.substr(0, split) + "." + decimal.digits.substr(split);
}

// Magnitudes outside 1e-5 .. 1e15 are written with an exponent ("1.5E+20", "2E-07"); the
// program's values never reach them.
std::string ExponentText(const Decimal& decimal) {
    std::string text = decimal.digits.substr(0, 1);
    if (decimal.digits.size() > 1) text += "." + decimal.digits.substr(1);
    const int exponent = decimal.pointPosition - 1;
    const std::string power = std::to_string(std::abs(exponent));
    return text + (exponent < 0 ? "E-" : "E+") + (power.size() < 2 ? "0" : "") + power;
}

template <typename T>
std::string GeneralText(T value, int significant) {
    if (std::isnan(value)) return " NaN";
    if (std::isinf(value)) return value < 0 ? "-Inf" : " Inf";
    const Decimal decimal = DecimalOf(value, significant);
    const std::string sign = decimal.negative && !decimal.digits.empty() ? "-" : " ";
    const int exponent = decimal.pointPosition - 1;
    if (!decimal.digits.empty() && (exponent < -5 || exponent >= 15)) return sign + ExponentText(decimal);
    return sign + PositionalText(decimal);
}

// Rounds a Decimal to `places` digits after the point, halves away from zero.
Decimal RoundedToPlaces(Decimal decimal, int places) {
    const int kept = decimal.pointPosition + places;  // digits that survive
    if (static_cast<int>(decimal.digits.size()) <= kept) return decimal;
    if (kept < 0) return Decimal{decimal.negative, "", 0};
    const bool up = decimal.digits[static_cast<std::size_t>(kept)] >= '5';
    decimal.digits.resize(static_cast<std::size_t>(kept));
    if (up) {
        int i = kept - 1;
        while (i >= 0 && decimal.digits[static_cast<std::size_t>(i)] == '9') decimal.digits[static_cast<std::size_t>(i--)] = '0';
        if (i >= 0) {
            ++decimal.digits[static_cast<std::size_t>(i)];
        } else {
            decimal.digits.insert(0, 1, '1');
            ++decimal.pointPosition;
        }
    }
    while (!decimal.digits.empty() && decimal.digits.back() == '0') decimal.digits.pop_back();
    if (decimal.digits.empty()) decimal.pointPosition = 0;
    return decimal;
}

// A pattern of '#' and '0' digits with `places` decimals ("#####0.00" is places = 2, at
// least one integer digit). The float is taken as its shortest decimal, the way it was typed
// or read, so 1.005 shows 1.01 and 2.675 shows 2.68 although their binary values lie just
// below; a half is rounded away from zero. A value that rounds to zero has no minus sign.
std::string PatternText(float value, int places) {
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value < 0 ? "-Inf" : "Inf";
    const Decimal decimal = RoundedToPlaces(DecimalOf(value, 9), places);
    std::string text = PositionalText(decimal);
    const std::size_t point = text.find('.');
    const std::size_t decimals = point == std::string::npos ? 0 : text.size() - point - 1;
    if (places > 0) {
        if (point == std::string::npos) text += '.';
        text.append(static_cast<std::size_t>(places) - decimals, '0');
    }
    return (decimal.negative && !decimal.digits.empty() ? "-" : "") + text;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

template <typename Int>
std::optional<Int> Whole(double value) {
    if (std::isnan(value)) return std::nullopt;
    double whole = std::floor(value);
    const double rest = value - whole;
    if (rest > 0.5 || (rest == 0.5 && std::fmod(whole, 2.0) != 0.0)) whole += 1.0;
    if (whole < static_cast<double>(std::numeric_limits<Int>::min()) ||
        whole > static_cast<double>(std::numeric_limits<Int>::max())) {
        return std::nullopt;
    }
    return static_cast<Int>(whole);
}

}  // namespace

std::string NumberText(int32_t value) {
    return (value < 0 ? "" : " ") + std::to_string(value);
}

std::string NumberText(float value) { return GeneralText(value, 7); }

std::string NumberText(double value) { return GeneralText(value, 15); }

namespace {

// The number at the start of a text, after blanks, and where it ends; nothing when the text
// does not start with a number.
struct LeadingNumber {
    double value = 0.0;
    std::size_t end = 0;
};

std::optional<LeadingNumber> ReadLeadingNumber(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    const std::size_t start = i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    const std::size_t mantissaStart = i;
    while (i < text.size() && IsDigit(text[i])) ++i;
    std::size_t digits = i - mantissaStart;
    if (i < text.size() && text[i] == '.') {
        const std::size_t fraction = ++i;
        while (i < text.size() && IsDigit(text[i])) ++i;
        digits += i - fraction;
    }
    if (digits == 0) return std::nullopt;
    std::size_t end = i;
    bool negativeExponent = false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) negativeExponent = text[j++] == '-';
        const std::size_t exponentDigits = j;
        while (j < text.size() && IsDigit(text[j])) ++j;
        if (j > exponentDigits) end = j;  // "1e" and "1e+" are the number 1 followed by text
    }
    // from_chars takes no '+' sign; the sign is put back afterwards.
    const bool negative = text[start] == '-';
    double value = 0.0;
    const auto [ptr, ec] = std::from_chars(text.data() + mantissaStart, text.data() + end, value);
    (void)ptr;
    if (ec == std::errc::result_out_of_range) {
        value = negativeExponent ? 0.0 : std::numeric_limits<double>::infinity();
    }
    return LeadingNumber{negative ? -value : value, end};
}

}  // namespace

double TextValue(std::string_view text) {
    const auto number = ReadLeadingNumber(text);
    return number ? number->value : 0.0;
}

std::optional<double> NumberValue(std::string_view text) {
    const auto number = ReadLeadingNumber(text);
    if (!number) return std::nullopt;
    std::size_t i = number->end;
    while (i < text.size() && IsBlank(text[i])) ++i;
    if (i != text.size()) return std::nullopt;
    return number->value;
}

std::optional<int16_t> WholeInt16Value(std::string_view text) {
    const std::optional<double> value = NumberValue(text);
    return value ? WholeInt16(*value) : std::nullopt;
}

std::optional<int32_t> WholeInt32Value(std::string_view text) {
    const std::optional<double> value = NumberValue(text);
    return value ? WholeInt32(*value) : std::nullopt;
}

std::optional<float> SingleValue(std::string_view text) {
    const std::optional<double> value = NumberValue(text);
    return value ? SingleOf(*value) : std::nullopt;
}

std::optional<int16_t> WholeInt16(double value) { return Whole<int16_t>(value); }
std::optional<int32_t> WholeInt32(double value) { return Whole<int32_t>(value); }

std::optional<float> SingleOf(double value) {
    if (!(std::fabs(value) <= std::numeric_limits<float>::max())) return std::nullopt;
    return static_cast<float>(value);
}

std::string FitRight(std::string_view text, std::size_t width) {
    if (text.size() >= width) return std::string(text.substr(0, width));
    return std::string(width - text.size(), ' ') + std::string(text);
}

std::string FitLeft(std::string_view text, std::size_t width) {
    if (text.size() >= width) return std::string(text.substr(0, width));
    return std::string(text) + std::string(width - text.size(), ' ');
}

std::string WithoutTrailingBlanks(std::string_view text) {
    return std::string(text.substr(0, text.find_last_not_of(' ') + 1));
}

std::string FmtInt6(int32_t value) { return FitRight(std::to_string(value), 6); }

std::string FmtSetting6(int16_t value) { return FmtInt6(value); }

std::string FmtDConc6(float value) { return FitRight(PatternText(value, 3), 6); }

std::string FmtCps9(float value) { return FitRight(PatternText(value, 2), 9); }

std::string FmtConc6(float value) {
    // Infinity is no concentration either.
    if (std::isnan(value) || value < 0.0f || std::isinf(value)) return "XXXXXX";
    return FitRight(PatternText(value, 2), 6);
}

std::string FmtCoord8(int32_t value) { return FitRight(NumberText(value), 8); }

std::string FmtIndex4(int16_t value) { return FitRight(NumberText(int32_t{value}), 4); }

std::string FmtLabel8(std::string_view text) { return FitRight(text, 8); }
std::string FmtPointLabel8(std::string_view label) { return FitLeft(label.substr(0, label.find('\0')), 8); }

// A reference's name is a path as the file system gives it, often UTF-8: where its first
// characters are UTF-8 they are counted as characters, never cut, so the column after it
// stays in place; any other text is Latin-1, a byte a character.
std::string FmtText12(std::string_view text) {
    constexpr std::size_t kWidth = 12;
    std::size_t end = 0;
    std::size_t characters = 0;
    for (; end < text.size() && characters < kWidth; ++characters) {
        const auto lead = static_cast<unsigned char>(text[end]);
        const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF8 ? 0 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
        if (length == 0 || end + length > text.size()) return FitLeft(text, kWidth);
        for (std::size_t i = 1; i < length; ++i)
            if ((static_cast<unsigned char>(text[end + i]) & 0xC0) != 0x80) return FitLeft(text, kWidth);
        end += length;
    }
    return std::string(text.substr(0, end)) + std::string(kWidth - characters, ' ');
}

std::string FmtSymbol2(std::string_view text) {
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && IsBlank(text[first])) ++first;
    while (last > first && IsBlank(text[last - 1])) --last;
    return FitLeft(text.substr(first, last - first), 2);
}

std::string FmtDigit1(int32_t value) { return FitRight(std::to_string(value), 1); }

std::string CountOf(long long count, std::string_view noun) {
    return std::to_string(count) + " " + std::string(noun) + (count == 1 ? "" : "s");
}

}  // namespace kest
