#pragma once
// Reading and writing the per-user settings' text values.
#include <span>
#include <string>
#include <string_view>

namespace rw {

// A stored geometry value: the whole text must be a decimal number of at most 10^7 in size
// (blanks around it are allowed); anything else, including a missing value, gives `fallback`.
float ParseGeometry(std::wstring_view text, float fallback);

// The text form of a single-precision value: at most 7 significant digits, no trailing zeros,
// exponent form only for very large or very small values ("1000", "1234.5", "1E+10").
std::wstring SingleText(float value);

// The filter list for the file dialog: each "description~patterns" entry becomes
// "description|patterns" (only the first "~" is replaced; an entry without one is used as both
// description and pattern), entries joined by "|".
std::wstring BuildFilterList(std::span<const std::wstring> entries);

} // namespace rw
