// The number and text formats: every list line, field, zones file and log line depends on
// their exact widths, rounding and cut of too-wide texts.

#include "shell/Formats.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace kest {
namespace {

const double kNaN = std::nan("");
const double kInf = HUGE_VAL;

using Operation = std::function<std::string(double number, const std::string& text)>;

const std::map<std::string, Operation>& Operations() {
    static const std::map<std::string, Operation> operations = {
        {"NumberText(int)", [](double v, auto&) { return NumberText(static_cast<int32_t>(v)); }},
        {"NumberText(float)", [](double v, auto&) { return NumberText(static_cast<float>(v)); }},
        {"NumberText(double)", [](double v, auto&) { return NumberText(v); }},
        {"FmtInt6", [](double v, auto&) { return FmtInt6(static_cast<int32_t>(v)); }},
        {"FmtSetting6", [](double v, auto&) { return FmtSetting6(static_cast<int16_t>(v)); }},
        {"FmtDConc6", [](double v, auto&) { return FmtDConc6(static_cast<float>(v)); }},
        {"FmtCps9", [](double v, auto&) { return FmtCps9(static_cast<float>(v)); }},
        {"FmtConc6", [](double v, auto&) { return FmtConc6(static_cast<float>(v)); }},
        {"FmtCoord8", [](double v, auto&) { return FmtCoord8(static_cast<int32_t>(v)); }},
        {"FmtIndex4", [](double v, auto&) { return FmtIndex4(static_cast<int16_t>(v)); }},
        {"FmtDigit1", [](double v, auto&) { return FmtDigit1(static_cast<int32_t>(v)); }},
        {"FmtLabel8", [](double, const std::string& t) { return FmtLabel8(t); }},
        {"FmtText12", [](double, const std::string& t) { return FmtText12(t); }},
        {"FmtSymbol2", [](double, const std::string& t) { return FmtSymbol2(t); }},
    };
    return operations;
}

struct FormatCase {
    const char* operation;
    double number;
    const char* text;
    const char* expected;
};

TEST(Formats, GiveTheDocumentedTexts) {
    const std::vector<FormatCase> cases = {
        {"NumberText(int)", 10, "", " 10"},
        {"NumberText(int)", -12, "", "-12"},
        {"NumberText(int)", 0, "", " 0"},
        {"NumberText(int)", 1500, "", " 1500"},
        {"NumberText(int)", -5, "", "-5"},
        {"NumberText(int)", INT32_MIN, "", "-2147483648"},
        {"NumberText(int)", INT32_MAX, "", " 2147483647"},
        {"NumberText(float)", 2.5, "", " 2.5"},
        {"NumberText(float)", 0.1, "", " 0.1"},               // not 0.100000001
        {"NumberText(float)", 1234.5677, "", " 1234.568"},    // 7 significant digits
        {"NumberText(float)", 1.0 / 3.0, "", " 0.3333333"},
        {"NumberText(float)", -0.0, "", " 0"},
        {"NumberText(float)", 10000000, "", " 10000000"},     // no exponent for stage-sized values
        {"NumberText(float)", 0.00001, "", " 0.00001"},
        {"NumberText(float)", 1.5e20, "", " 1.5E+20"},
        {"NumberText(float)", kNaN, "", " NaN"},
        {"NumberText(double)", 0.1 + 0.2, "", " 0.3"},        // 15 significant digits
        {"NumberText(double)", 2.0 / 3.0, "", " 0.666666666666667"},
        {"NumberText(double)", 12345 / 10.0, "", " 1234.5"},
        {"NumberText(double)", -0.25, "", "-0.25"},
        {"NumberText(double)", 999999999999999.0, "", " 999999999999999"},
        {"FmtInt6", -5, "", "    -5"},
        {"FmtInt6", 0, "", "     0"},
        {"FmtInt6", 1234567, "", "123456"},                  // a too-wide number loses its last digits
        {"FmtInt6", -123456, "", "-12345"},
        {"FmtSetting6", 3, "", "     3"},
        {"FmtSetting6", -32768, "", "-32768"},
        {"FmtDConc6", 0.5, "", " 0.500"},
        {"FmtDConc6", 2.5, "", " 2.500"},
        {"FmtDConc6", 12.3456, "", "12.346"},
        {"FmtDConc6", 1.0005, "", " 1.001"},                 // the half as typed, though its float lies below
        {"FmtDConc6", 9.9995, "", "10.000"},                 // carry into a new digit
        {"FmtDConc6", -0.5, "", "-0.500"},
        {"FmtDConc6", -0.0004, "", " 0.000"},                // no sign on a rounded zero
        {"FmtDConc6", 123.4567, "", "123.45"},
        {"FmtCps9", 0, "", "     0.00"},
        {"FmtCps9", 1234.5, "", "  1234.50"},
        {"FmtCps9", 0.125, "", "     0.13"},                 // halves away from zero
        {"FmtCps9", 0.005, "", "     0.01"},
        {"FmtCps9", 0.0049, "", "     0.00"},
        {"FmtCps9", -5.5, "", "    -5.50"},
        {"FmtCps9", 1234567, "", "1234567.0"},
        {"FmtConc6", -0.01, "", "XXXXXX"},
        {"FmtConc6", 100, "", "100.00"},
        {"FmtConc6", 12.3, "", " 12.30"},
        {"FmtConc6", 2.675, "", "  2.68"},
        {"FmtConc6", 99.995, "", "100.00"},
        {"FmtConc6", -0.0, "", "  0.00"},
        {"FmtConc6", kNaN, "", "XXXXXX"},
        {"FmtConc6", kInf, "", "XXXXXX"},
        {"FmtConc6", 1000, "", "1000.0"},
        {"FmtCoord8", 0, "", "       0"},                    // the pattern's own blank included
        {"FmtCoord8", -5, "", "      -5"},
        {"FmtCoord8", 1234567, "", " 1234567"},
        {"FmtCoord8", -1234567, "", "-1234567"},
        {"FmtCoord8", 12345678, "", " 1234567"},
        {"FmtIndex4", 1, "", "   1"},
        {"FmtIndex4", 999, "", " 999"},
        {"FmtIndex4", 1000, "", " 100"},
        {"FmtIndex4", -1000, "", "-100"},
        {"FmtDigit1", 3, "", "3"},
        {"FmtDigit1", 12, "", "1"},
        {"FmtDigit1", -3, "", "-"},
        {"FmtLabel8", 0, "Z01", "     Z01"},
        {"FmtLabel8", 0, "ABCDEFGHIJ", "ABCDEFGH"},
        {"FmtLabel8", 0, "", "        "},
        {"FmtText12", 0, "Fe", "Fe          "},
        {"FmtText12", 0, "ABCDEFGHIJKLMN", "ABCDEFGHIJKL"},
        {"FmtSymbol2", 0, " Fe ", "Fe"},
        {"FmtSymbol2", 0, " O", "O "},
        {"FmtSymbol2", 0, "Abc", "Ab"},
        {"FmtSymbol2", 0, "   ", "  "},
    };
    for (const FormatCase& c : cases) {
        EXPECT_EQ(Operations().at(c.operation)(c.number, c.text), c.expected)
            << c.operation << " of " << c.number << " '" << c.text << "'";
    }
}

TEST(Formats, EveryFixedWidthOperationKeepsItsWidth) {
    const std::map<std::string, std::size_t> widths = {
        {"FmtInt6", 6},   {"FmtSetting6", 6}, {"FmtDConc6", 6}, {"FmtCps9", 9},    {"FmtConc6", 6},
        {"FmtCoord8", 8}, {"FmtIndex4", 4},   {"FmtDigit1", 1}, {"FmtLabel8", 8},  {"FmtText12", 12},
        {"FmtSymbol2", 2}};
    const std::vector<double> numbers = {0, 1, -1, 0.5, -0.5, 9.9995, 99999.995, 1e6, -1e6, 32767, -32768,
                                         INT32_MAX, INT32_MIN, FLT_MAX, -FLT_MAX, FLT_TRUE_MIN, 1e30, -1e-30,
                                         kNaN, kInf, -kInf};
    const std::vector<std::string> texts = {"", "A", " Fe ", "ABCDEFGHIJKLMNOPQRSTUVWXYZ", std::string(300, ' ')};
    for (const auto& [name, width] : widths) {
        for (double number : numbers) {
            // Integer operations get the nearest value their type can hold.
            const bool narrow = name == "FmtSetting6" || name == "FmtIndex4";
            const bool whole = narrow || name == "FmtInt6" || name == "FmtCoord8" || name == "FmtDigit1";
            const double lowest = narrow ? INT16_MIN : INT32_MIN;
            const double highest = narrow ? INT16_MAX : INT32_MAX;
            double value = number;
            if (whole) value = std::isnan(number) ? 0 : std::clamp(std::trunc(number), lowest, highest);
            for (const std::string& text : texts) {
                EXPECT_EQ(Operations().at(name)(value, text).size(), width) << name << " of " << value << " '" << text << "'";
            }
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
        {" 25 ", 25},   {"-3.5", -3.5}, {"1e3", 1000},        {"\t7\t", 7},
        {"", std::nullopt}, {"abc", std::nullopt}, {"12abc", std::nullopt}, {"12 34", std::nullopt},
        {"1e", std::nullopt}, {"-", std::nullopt},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(NumberValue(text), expected) << "'" << text << "'";
}

TEST(Formats, WholeNumbersRoundHalvesToEvenAndRefuseWhatDoesNotFit) {
    struct Case {
        double value;
        std::optional<int16_t> int16;
        std::optional<int32_t> int32;
    };
    const std::vector<Case> cases = {
        {2.5, 2, 2},           {3.5, 4, 4},           {-2.5, -2, -2},        {-3.5, -4, -4},
        {0.5, 0, 0},           {-0.5, 0, 0},          {2.4999, 2, 2},        {2.5001, 3, 3},
        {TextValue("-3.5"), -4, -4},
        {32767.4, 32767, 32767}, {32767.5, std::nullopt, 32768}, {-32768.5, -32768, -32768},
        {-32769, std::nullopt, -32769},
        {2147483647.4, std::nullopt, INT32_MAX}, {2147483647.5, std::nullopt, std::nullopt},
        {-2147483648.5, std::nullopt, INT32_MIN}, {-2147483649.0, std::nullopt, std::nullopt},
        {kNaN, std::nullopt, std::nullopt}, {kInf, std::nullopt, std::nullopt}, {-kInf, std::nullopt, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(WholeInt16(c.value), c.int16) << c.value;
        EXPECT_EQ(WholeInt32(c.value), c.int32) << c.value;
    }
}

}  // namespace
}  // namespace kest
