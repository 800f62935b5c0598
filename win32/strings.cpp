#include "win32/strings.h"

#include <algorithm>
#include <cstdio>

namespace rw::win {
namespace {

std::wstring ToWide(UINT codePage, std::string_view text) {
    if (text.empty()) {
        return {};
    }
    const int size = static_cast<int>(text.size());
    const int n = ::MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
    if (n <= 0) {
        return {};
    }
    std::wstring out(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(codePage, 0, text.data(), size, out.data(), n);
    return out;
}

// `usedDefault` must be null for UTF-8, which has no default character.
std::string FromWide(UINT codePage, std::wstring_view text, BOOL* usedDefault) {
    if (text.empty()) {
        return {};
    }
    const int size = static_cast<int>(text.size());
    const int n =
        ::WideCharToMultiByte(codePage, 0, text.data(), size, nullptr, 0, nullptr, usedDefault);
    if (n <= 0) {
        return {};
    }
    std::string out(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(codePage, 0, text.data(), size, out.data(), n, nullptr, usedDefault);
    return out;
}

} // namespace

std::wstring Widen(std::string_view utf8) {
    return ToWide(CP_UTF8, utf8);
}

std::string Narrow(std::wstring_view text) {
    return FromWide(CP_UTF8, text, nullptr);
}

std::wstring WidenCodePage(std::string_view text, UINT codePage) {
    return ToWide(codePage, text);
}

std::string NarrowCodePage(std::wstring_view text, UINT codePage, bool* lossy) {
    BOOL usedDefault = FALSE;
    std::string out = FromWide(codePage, text, &usedDefault);
    if (lossy) {
        *lossy = usedDefault != FALSE;
    }
    return out;
}

std::wstring WindowText(HWND window) {
    // WM_GETTEXT is carried to a window of another process by the system; GetWindowText would
    // not ask such a window for the text of its controls.
    const LRESULT length = ::SendMessageW(window, WM_GETTEXTLENGTH, 0, 0);
    std::wstring text(static_cast<size_t>(std::max<LRESULT>(length, 0)) + 1, L'\0');
    const LRESULT copied =
        ::SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(std::max<LRESULT>(copied, 0)));
    return text;
}

std::wstring ErrorText(HRESULT hr) {
    wchar_t* buffer = nullptr;
    const DWORD n = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text = n ? std::wstring(buffer, n) : std::wstring();
    ::LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L'.' ||
                             text.back() == L' ')) {
        text.pop_back();
    }
    wchar_t code[32];
    std::swprintf(code, 32, L"0x%08lX", static_cast<unsigned long>(hr));
    return text.empty() ? std::wstring(L"error ") + code : text + L" (" + code + L")";
}

} // namespace rw::win
