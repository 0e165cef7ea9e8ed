// The number and text formats: every list line, field, zones file and log line depends on
// their exact widths, rounding and cut of too-wide texts.

#include "core/Formats.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kest {
namespace {

const double kNaN = std::nan("");
const double kInf = HUGE_VAL;
constexpr std::nullopt_t kNone = std::nullopt;

using Operation = std::function<std::string(double number, const std::string& text)>;

template <typename T>
Operation Of(std::string (*format)(T)) { return [format](double v, const std::string&) { return format(static_cast<T>(v)); }; }
Operation Of(std::string (*format)(std::string_view)) { return [format](double, const std::string& t) { return format(t); }; }

using Examples = std::vector<std::pair<double, const char*>>;            // number, text
using TextExamples = std::vector<std::pair<const char*, const char*>>;  // text, text

// Each operation with its width (0: none), the bits of an integer argument (0: not one) and
// examples of what it gives.
struct Format { const char* name; Operation format; std::size_t width; int bits; Examples numbers; TextExamples texts = {}; };

const std::vector<Format>& Formats() {
    static const std::vector<Format> formats = {
        {"NumberText(int)", Of<int32_t>(NumberText), 0, 0, {{10, " 10"}, {-12, "-12"}, {0, " 0"}, {1500, " 1500"}, {-5, "-5"},
                                                            {INT32_MIN, "-2147483648"}, {INT32_MAX, " 2147483647"}}},
        // Floats keep 7 significant digits (0.1, not 0.100000001), and no exponent for stage-sized values.
        {"NumberText(float)", Of<float>(NumberText), 0, 0, {{2.5, " 2.5"}, {0.1, " 0.1"}, {1234.5677, " 1234.568"}, {1.0 / 3.0, " 0.3333333"},
                                                            {-0.0, " 0"}, {10000000, " 10000000"}, {0.00001, " 0.00001"},
                                                            {1.5e20, " 1.5E+20"}, {kNaN, " NaN"}}},
        {"NumberText(double)", Of<double>(NumberText), 0, 0, {{0.1 + 0.2, " 0.3"}, {2.0 / 3.0, " 0.666666666666667"},
                                                              {12345 / 10.0, " 1234.5"}, {-0.25, "-0.25"},
                                                              {999999999999999.0, " 999999999999999"}}},
        // A too-wide number loses its last digits.
        {"FmtInt6", Of(FmtInt6), 6, 32, {{-5, "    -5"}, {0, "     0"}, {1234567, "123456"}, {-123456, "-12345"}}},
        {"FmtSetting6", Of(FmtSetting6), 6, 16, {{3, "     3"}, {-32768, "-32768"}}},
        // 1.0005 rounds up as typed, though its float lies below; a rounded zero has no sign.
        {"FmtDConc6", Of(FmtDConc6), 6, 0, {{0.5, " 0.500"}, {2.5, " 2.500"}, {12.3456, "12.346"}, {1.0005, " 1.001"},
                                            {9.9995, "10.000"}, {-0.5, "-0.500"}, {-0.0004, " 0.000"}, {123.4567, "123.45"}}},
        {"FmtCps9", Of(FmtCps9), 9, 0, {{0, "     0.00"}, {1234.5, "  1234.50"}, {0.125, "     0.13"}, {0.005, "     0.01"},
                                        {0.0049, "     0.00"}, {-5.5, "    -5.50"}, {1234567, "1234567.0"}}},
        {"FmtConc6", Of(FmtConc6), 6, 0, {{-0.01, "XXXXXX"}, {100, "100.00"}, {12.3, " 12.30"}, {2.675, "  2.68"}, {99.995, "100.00"},
                                          {-0.0, "  0.00"}, {kNaN, "XXXXXX"}, {kInf, "XXXXXX"}, {1000, "1000.0"}}},
        {"FmtCoord8", Of(FmtCoord8), 8, 32, {{0, "       0"}, {-5, "      -5"}, {1234567, " 1234567"}, {-1234567, "-1234567"},
                                             {12345678, " 1234567"}}},
        {"FmtIndex4", Of(FmtIndex4), 4, 16, {{1, "   1"}, {999, " 999"}, {1000, " 100"}, {-1000, "-100"}}},
        {"FmtDigit1", Of(FmtDigit1), 1, 32, {{3, "3"}, {12, "1"}, {-3, "-"}}},
        {"FmtLabel8", Of(FmtLabel8), 8, 0, {}, {{"Z01", "     Z01"}, {"ABCDEFGHIJ", "ABCDEFGH"}, {"", "        "}}},
        // A reference's path in UTF-8 keeps whole characters, so the columns after it stay put.
        {"FmtText12", Of(FmtText12), 12, 0, {}, {{"Fe", "Fe          "}, {"ABCDEFGHIJKLMN", "ABCDEFGHIJKL"},
                                                 {"/d/R\xC3\xA9sultats/x", "/d/R\xC3\xA9sultats"}, {"\xC3\xA9.ana", "\xC3\xA9.ana       "},
                                                 {"/d/R\xE9sultats/x", "/d/R\xE9sultats"}}},
        {"FmtSymbol2", Of(FmtSymbol2), 2, 0, {}, {{" Fe ", "Fe"}, {" O", "O "}, {"Abc", "Ab"}, {"   ", "  "}}},
    };
    return formats;
}

TEST(Formats, GiveTheDocumentedTexts) {
    for (const Format& f : Formats()) {
        for (const auto& [number, expected] : f.numbers) EXPECT_EQ(f.format(number, ""), expected) << f.name << " of " << number;
        for (const auto& [text, expected] : f.texts) EXPECT_EQ(f.format(0, text), expected) << f.name << " of '" << text << "'";
    }
}

TEST(Formats, EveryFixedWidthOperationKeepsItsWidth) {
    const std::vector<double> numbers = {0, 1, -1, 0.5, -0.5, 9.9995, 99999.995, 1e6, -1e6, 32767, -32768,
                                         INT32_MAX, INT32_MIN, FLT_MAX, -FLT_MAX, FLT_TRUE_MIN, 1e30, -1e-30,
                                         kNaN, kInf, -kInf};
    const std::vector<std::string> texts = {"", "A", " Fe ", "ABCDEFGHIJKLMNOPQRSTUVWXYZ", std::string(300, ' ')};
    for (const Format& f : Formats()) {
        for (const double number : f.width ? numbers : std::vector<double>{}) {
            // Integer operations get the nearest value their type can hold.
            const double highest = f.bits == 16 ? INT16_MAX : INT32_MAX;
            const double value = !f.bits ? number : std::isnan(number) ? 0 : std::clamp(std::trunc(number), -highest - 1, highest);
            for (const std::string& text : texts)
                EXPECT_EQ(f.format(value, text).size(), f.width) << f.name << " of " << value << " '" << text << "'";
        }
    }
}

TEST(Formats, TextValueTakesTheLeadingNumber) {
    const std::vector<std::pair<std::string, double>> cases = {
        {" 12abc", 12},  {"abc", 0},      {"-3.5", -3.5},  {"", 0},         {"  +7", 7},     {"\t42", 42},
        {".5", 0.5},     {"-.25x", -0.25}, {"5.", 5},       {"1e3", 1000},   {"1E-2", 0.01},  {"2.5e+1z", 25},
        {"1e", 1},       {"1e+", 1},      {"-", 0},        {".", 0},        {"- 5", 0},      {"1,5", 1},
        {"12 34", 12},   {"0x10", 0},     {"1e-999", 0},
    };
    for (const auto& [text, expected] : cases) EXPECT_DOUBLE_EQ(TextValue(text), expected) << "'" << text << "'";
    EXPECT_EQ(TextValue("1e999"), kInf);
}

TEST(Formats, NumberValueTakesOnlyATextThatIsOneNumber) {
    const std::vector<std::pair<std::string, std::optional<double>>> cases = {
        {" 25 ", 25}, {"-3.5", -3.5}, {"1e3", 1000}, {"\t7\t", 7}, {"", kNone},   {"abc", kNone},
        {"12abc", kNone}, {"12 34", kNone}, {"1e", kNone}, {"-", kNone}};
    for (const auto& [text, expected] : cases) EXPECT_EQ(NumberValue(text), expected) << "'" << text << "'";
}

TEST(Formats, WholeNumbersRoundHalvesToEvenAndRefuseWhatDoesNotFit) {
    struct Case { double value; std::optional<int16_t> int16; std::optional<int32_t> int32; };
    const std::vector<Case> cases = {
        {2.5, 2, 2},   {3.5, 4, 4},   {-2.5, -2, -2},     {-3.5, -4, -4},     {0.5, 0, 0},
        {-0.5, 0, 0},  {2.4999, 2, 2}, {2.5001, 3, 3},    {TextValue("-3.5"), -4, -4},
        {32767.4, 32767, 32767}, {32767.5, kNone, 32768}, {-32768.5, -32768, -32768}, {-32769, kNone, -32769},
        {2147483647.4, kNone, INT32_MAX}, {2147483647.5, kNone, kNone}, {-2147483648.5, kNone, INT32_MIN},
        {-2147483649.0, kNone, kNone}, {kNaN, kNone, kNone}, {kInf, kNone, kNone}, {-kInf, kNone, kNone},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(WholeInt16(c.value), c.int16) << c.value;
        EXPECT_EQ(WholeInt32(c.value), c.int32) << c.value;
    }
}

}  // namespace
}  // namespace kest
