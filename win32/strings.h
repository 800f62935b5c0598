#pragma once
// Text conversions at the edges of the Windows layer, and the text of a window.
#include <windows.h>

#include <string>
#include <string_view>

namespace rw::win {

// UTF-8, the form of the text in our own files, resources and logs.
std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view text);

// 8-bit text in a Windows code page, the active one unless told: what the "A" functions and the
// libraries written for them take and return. Embedded NULs are kept, as in the UTF-8 forms.
std::wstring WidenCodePage(std::string_view text, UINT codePage = CP_ACP);
// Characters that the code page lacks become its default character; `lossy`, when given, tells
// whether any did. `codePage` is an 8-bit one (UTF-8 goes through Narrow).
std::string NarrowCodePage(std::wstring_view text, UINT codePage = CP_ACP, bool* lossy = nullptr);

// The text of a window (caption or control contents), also of a window of another process.
std::wstring WindowText(HWND window);

// "message (0x80004005)" for an HRESULT or Win32 error, from the system's message table.
std::wstring ErrorText(HRESULT hr);

} // namespace rw::win
