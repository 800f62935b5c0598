#include "core/image_formats.h"

#include <cwctype>

namespace rw {

namespace {

constexpr ImageFormatInfo kFormats[] = {
    {ImageFormat::Bmp, "Windows Bitmap (*.bmp;*.dib)", "*.bmp;*.dib"},
    {ImageFormat::Png, "PNG Image (*.png)", "*.png"},
    {ImageFormat::Jpeg, "JPEG Image (*.jpg;*.jpeg;*.jpe)", "*.jpg;*.jpeg;*.jpe"},
    {ImageFormat::Gif, "GIF Image (*.gif)", "*.gif"},
    {ImageFormat::Tiff, "TIFF Image (*.tif;*.tiff)", "*.tif;*.tiff"},
};

bool EqualsIgnoringCase(std::wstring_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t k = 0; k < a.size(); ++k) {
        if (std::towlower(static_cast<wint_t>(a[k])) !=
            std::towlower(static_cast<wint_t>(static_cast<unsigned char>(b[k])))) {
            return false;
        }
    }
    return true;
}

} // namespace

std::span<const ImageFormatInfo> KnownImageFormats() {
    return kFormats;
}

std::optional<ImageFormat> FormatForFileName(std::wstring_view path) {
    const size_t dot = path.find_last_of(L'.');
    const size_t separator = path.find_last_of(L"\\/");
    if (dot == std::wstring_view::npos ||
        (separator != std::wstring_view::npos && dot < separator)) {
        return std::nullopt;
    }
    const std::wstring_view extension = path.substr(dot); // ".tif"
    for (const ImageFormatInfo& info : kFormats) {
        std::string_view patterns = info.patterns;
        while (!patterns.empty()) {
            const size_t end = patterns.find(';');
            std::string_view pattern = patterns.substr(0, end);
            if (pattern.starts_with('*') && EqualsIgnoringCase(extension, pattern.substr(1))) {
                return info.format;
            }
            patterns =
                end == std::string_view::npos ? std::string_view() : patterns.substr(end + 1);
        }
    }
    return std::nullopt;
}

std::string FormatFilterEntry(const ImageFormatInfo& info) {
    return std::string(info.description) + "~" + info.patterns;
}

} // namespace rw
