#include "plugin_host/text.h"

#include <windows.h>

namespace rw::plugin {
namespace {

std::wstring ToWide(UINT codePage, std::string_view text) {
    if (text.empty()) {
        return {};
    }
    const int n =
        MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) {
        MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    }
    return out;
}

std::string FromWide(UINT codePage, std::wstring_view text) {
    if (text.empty()) {
        return {};
    }
    const int n = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()),
                                      nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    if (n > 0) {
        WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                            nullptr, nullptr);
    }
    return out;
}

} // namespace

std::wstring WideFromUtf8(std::string_view text) {
    return ToWide(CP_UTF8, text);
}
std::string Utf8FromWide(std::wstring_view text) {
    return FromWide(CP_UTF8, text);
}
std::string AnsiFromWide(std::wstring_view text) {
    return FromWide(CP_ACP, text);
}

BSTR BstrFromAnsi(const char* text, bool& failed) {
    if (!text) {
        return nullptr;
    }
    const std::wstring wide = ToWide(CP_ACP, text);
    BSTR result = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
    if (!result) {
        failed = true;
    }
    return result;
}

} // namespace rw::plugin
