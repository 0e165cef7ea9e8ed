#pragma once
// Number and text formats: every list line, numeric field, zones file and log line is made
// of these, and every number the operator types or a file holds is read with them.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kest {

// General form: a blank before zero and positive values, "-" before negative ones, "." as
// decimal point, no trailing zeros, no thousands separators; floats keep at most 7
// significant digits, doubles 15 (" 10", "-12", " 2.5").
std::string NumberText(int32_t value);
std::string NumberText(float value);
std::string NumberText(double value);

// The leading number of a text: blanks skipped, then sign, digits, "." and digits, exponent,
// up to the first character that does not fit; 0 when the text starts with no number.
double TextValue(std::string_view text);
// A text that is one number and nothing else but blanks around it; nothing otherwise.
std::optional<double> NumberValue(std::string_view text);

// Whole numbers: nearest integer, halves to the even neighbour (2.5 -> 2, -2.5 -> -2);
// nothing when the value is outside the target's range or not a number.
std::optional<int16_t> WholeInt16(double value);
std::optional<int32_t> WholeInt32(double value);
// A single-precision float; nothing when the value is outside its range or not a number.
std::optional<float> SingleOf(double value);

// A text that is one number (NumberValue) taken as a whole number or a float as above;
// nothing when either step gives nothing.
std::optional<int16_t> WholeInt16Value(std::string_view text);
std::optional<int32_t> WholeInt32Value(std::string_view text);
std::optional<float> SingleValue(std::string_view text);

// Fixed-width texts: a longer text keeps its first characters, up to the width. A pattern
// rounds the float as it was typed or read (its shortest decimal), halves away from zero:
// 0.125 gives 0.13, 1.005 gives 1.01; a value that rounds to zero has no minus sign.
std::string FmtInt6(int32_t value);         // "#####0", right in 6
std::string FmtSetting6(int16_t value);     // as FmtInt6
std::string FmtDConc6(float value);         // "#0.000", right in 6
std::string FmtCps9(float value);           // "#####0.00", right in 9
std::string FmtConc6(float value);          // "XXXXXX" when negative or not a number, else "##0.00", right in 6
std::string FmtCoord8(int32_t value);       // " ######0;-######0", right in 8
std::string FmtIndex4(int16_t value);       // NumberText, right in 4
std::string FmtLabel8(std::string_view text);   // right in 8
std::string FmtPointLabel8(std::string_view label);  // the first 8 up to a NUL, left in 8
std::string FmtText12(std::string_view text);   // left in 12 characters; UTF-8 counted as characters
std::string FmtSymbol2(std::string_view text);  // trimmed, left in 2
std::string FmtDigit1(int32_t value);       // "0", right in 1

// Alignment helpers behind the formats.
std::string FitRight(std::string_view text, std::size_t width);
std::string FitLeft(std::string_view text, std::size_t width);
// A list line or a fixed-width field as printed and exported: without its trailing blanks.
std::string WithoutTrailingBlanks(std::string_view text);

// "1 point", "40 points": a count and its noun, plural but for one.
std::string CountOf(long long count, std::string_view noun);

}  // namespace kest
