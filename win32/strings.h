#pragma once
// Text conversions at the edges of the Windows layer.
#include <windows.h>

#include <string>
#include <string_view>

namespace rw::win {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view text);

// The text of a window (caption or edit contents).
std::wstring WindowText(HWND window);

// "message (0x80004005)" for an HRESULT or Win32 error, from the system's message table.
std::wstring ErrorText(HRESULT hr);

} // namespace rw::win
