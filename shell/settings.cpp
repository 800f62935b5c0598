#include "shell/settings.h"

#include <cmath>
#include <cstdio>
#include <cwchar>

#include "core/number_text.h"

namespace rw {

namespace {

constexpr double kLargestGeometry = 1.0e7; // twips

} // namespace

float ParseGeometry(std::wstring_view text, float fallback) {
    std::wstring copy(text);
    const wchar_t* begin = copy.c_str();
    while (*begin == L' ' || *begin == L'\t') {
        ++begin;
    }
    if (*begin == L'\0') {
        return fallback;
    }
    // Only plain decimal forms: no hexadecimal, no "inf" or "nan".
    for (const wchar_t* p = begin; *p; ++p) {
        if (!std::wcschr(L"0123456789+-.eE \t", *p)) {
            return fallback;
        }
    }
    wchar_t* end = nullptr;
    const double value = std::wcstod(begin, &end);
    if (end == begin) {
        return fallback;
    }
    while (*end == L' ' || *end == L'\t') {
        ++end;
    }
    // A window more than some ten thousand screens away is no placement anyone stored.
    if (*end != L'\0' || !std::isfinite(value) || std::fabs(value) > kLargestGeometry) {
        return fallback;
    }
    return static_cast<float>(value);
}

std::wstring SingleText(float value) {
    return NumberText(value, 7);
}

std::wstring BuildFilterList(std::span<const std::wstring> entries) {
    std::wstring list;
    for (const std::wstring& entry : entries) {
        if (!list.empty()) {
            list += L"|";
        }
        const size_t tilde = entry.find(L'~');
        if (tilde == std::wstring::npos) {
            list += entry + L"|" + entry;
        } else {
            list += entry.substr(0, tilde) + L"|" + entry.substr(tilde + 1);
        }
    }
    return list;
}

} // namespace rw
