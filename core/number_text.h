#pragma once
// Numbers typed into text fields, and numbers written back as text.
#include <string>
#include <string_view>

namespace rw {

// The leading number of a text: blanks, tabs and line feeds are skipped wherever they stand,
// then the longest prefix that reads as a decimal number (sign, digits, one decimal point,
// exponent) is taken; 0 when there is none. Values beyond the double range are taken as the
// largest double of that sign.
double LeadingNumber(std::wstring_view text);

// The usual text form of a number: no leading blank, at most `digits` significant digits, no
// trailing zeros after the point, exponent form ("1E+15", "1.5E-07") for very large or very
// small values.
std::wstring NumberText(double value, int digits = 15);

} // namespace rw
