#pragma once
// Text conversions at lumbraplug's edges: UTF-8 resources, and the active code page that
// lumbra32 speaks.
#include <windows.h>
#include <oleauto.h>

#include <string>
#include <string_view>

namespace rw::plugin {

std::wstring WideFromUtf8(std::string_view text);
std::string Utf8FromWide(std::wstring_view text);
// To the active code page (characters it lacks become its default character).
std::string AnsiFromWide(std::wstring_view text);
// A new BSTR from active-code-page text; a null pointer gives a null BSTR. Sets `failed` when
// memory runs out.
BSTR BstrFromAnsi(const char* text, bool& failed);

} // namespace rw::plugin
