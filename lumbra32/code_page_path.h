#pragma once
// Paths cross the ordinals as 8-bit strings in the active code page. A name with characters the
// code page lacks would cross as a different name (each lacking character '?'); its short form,
// where the file system keeps one, crosses intact. Shared by the library and its callers.
#include <windows.h>

#include <string>
#include <string_view>

#include "win32/strings.h"

namespace lumbra {

// `path` in the active code page, through its short form where needed; false when neither can
// be written in it (`out` then holds the lossy conversion).
inline bool CodePagePath(std::wstring_view path, std::string& out) {
    bool lossy = false;
    out = rw::win::NarrowCodePage(path, CP_ACP, &lossy);
    if (!lossy) {
        return true;
    }
    const std::wstring whole(path);
    wchar_t shortPath[MAX_PATH];
    const DWORD n = ::GetShortPathNameW(whole.c_str(), shortPath, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) {
        return false;
    }
    std::string shortened =
        rw::win::NarrowCodePage(std::wstring_view(shortPath, n), CP_ACP, &lossy);
    if (lossy) {
        return false;
    }
    out = std::move(shortened);
    return true;
}

} // namespace lumbra
