#include "core/number_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace rw {

namespace {

bool IsSkipped(wchar_t c) {
    return c == L' ' || c == L'\t' || c == L'\n';
}
bool IsDigit(wchar_t c) {
    return c >= L'0' && c <= L'9';
}

} // namespace

double LeadingNumber(std::wstring_view text) {
    // Gather the characters that count, then take the longest prefix that is a number.
    std::string s;
    for (wchar_t c : text) {
        if (!IsSkipped(c)) {
            s += (c < 0x80) ? static_cast<char>(c) : '?';
        }
    }
    size_t at = 0;
    std::string number;
    if (at < s.size() && (s[at] == '+' || s[at] == '-')) {
        if (s[at] == '-') {
            number += '-';
        }
        ++at;
    }
    size_t mantissaDigits = 0;
    int nonzeroBeforePoint = 0; // digits before the point, from the first nonzero one
    int zerosAfterPoint = 0;    // zeros after the point before the first nonzero digit
    bool seenNonzero = false;
    while (at < s.size() && IsDigit(static_cast<wchar_t>(s[at]))) {
        seenNonzero = seenNonzero || s[at] != '0';
        nonzeroBeforePoint += seenNonzero ? 1 : 0;
        number += s[at++];
        ++mantissaDigits;
    }
    if (at < s.size() && s[at] == '.') {
        number += '.';
        ++at;
        while (at < s.size() && IsDigit(static_cast<wchar_t>(s[at]))) {
            seenNonzero = seenNonzero || s[at] != '0';
            zerosAfterPoint += seenNonzero ? 0 : 1;
            number += s[at++];
            ++mantissaDigits;
        }
    }
    if (mantissaDigits == 0) {
        return 0.0;
    }
    long exponent = 0;
    if (at < s.size() && (s[at] == 'e' || s[at] == 'E' || s[at] == 'd' || s[at] == 'D')) {
        size_t e = at + 1;
        std::string exponentText = "e";
        if (e < s.size() && (s[e] == '+' || s[e] == '-')) {
            exponentText += s[e++];
        }
        const size_t digitsStart = e;
        while (e < s.size() && IsDigit(static_cast<wchar_t>(s[e]))) {
            exponentText += s[e++];
        }
        if (e > digitsStart) {
            number += exponentText;
            // Absurd exponents saturate; only their sign and size class matter below.
            exponent =
                std::clamp(std::strtol(exponentText.c_str() + 1, nullptr, 10), -100000L, 100000L);
        }
    }
    double value = 0.0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    (void)end;
    if (error == std::errc::result_out_of_range) {
        const bool negative = number.starts_with('-');
        // The decimal order of the first significant digit tells overflow from underflow.
        const long order =
            nonzeroBeforePoint > 0 ? exponent + nonzeroBeforePoint : exponent - zerosAfterPoint;
        const bool tooLarge = seenNonzero && order > 0;
        const double magnitude = tooLarge ? std::numeric_limits<double>::max() : 0.0;
        return negative ? -magnitude : magnitude;
    }
    return value;
}

std::wstring NumberText(double value, int digits) {
    if (value == 0.0 || !std::isfinite(value)) {
        return L"0";
    }
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*e", digits - 1, value);
    // buffer: [-]d.ddddde[+-]xx
    std::string text = buffer;
    const size_t ePos = text.find('e');
    std::string mantissa = text.substr(0, ePos);
    const int exponent = std::atoi(text.c_str() + ePos + 1);
    const bool negative = mantissa.starts_with('-');
    if (negative) {
        mantissa.erase(0, 1);
    }
    std::string significant; // the significant digits without the point
    for (char c : mantissa) {
        if (c != '.') {
            significant += c;
        }
    }
    while (significant.size() > 1 && significant.back() == '0') {
        significant.pop_back();
    }

    std::string out = negative ? "-" : "";
    if (exponent < -5 || exponent >= digits) {
        out += significant.substr(0, 1);
        if (significant.size() > 1) {
            out += "." + significant.substr(1);
        }
        char e[16];
        std::snprintf(e, sizeof e, "E%c%02d", exponent < 0 ? '-' : '+', std::abs(exponent));
        out += e;
    } else if (exponent < 0) {
        out += "0." + std::string(static_cast<size_t>(-exponent - 1), '0') + significant;
    } else {
        const size_t integerDigits = static_cast<size_t>(exponent) + 1;
        if (significant.size() <= integerDigits) {
            out += significant + std::string(integerDigits - significant.size(), '0');
        } else {
            out += significant.substr(0, integerDigits) + "." + significant.substr(integerDigits);
        }
    }
    return std::wstring(out.begin(), out.end());
}

} // namespace rw
