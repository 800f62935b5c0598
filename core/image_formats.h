#pragma once
// The image file types the image control reads and writes, and how a file name picks one.
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace rw {

enum class ImageFormat { Bmp, Png, Jpeg, Gif, Tiff };

struct ImageFormatInfo {
    ImageFormat format;
    const char* description;
    const char* patterns; // "*.tif;*.tiff"
};

// Every type the control knows, in the order it offers them (TIFF is the fifth).
std::span<const ImageFormatInfo> KnownImageFormats();

// The type whose patterns match the file name's extension, compared without regard to case.
std::optional<ImageFormat> FormatForFileName(std::wstring_view path);

// "description~patterns", as the control reports a file type.
std::string FormatFilterEntry(const ImageFormatInfo& info);

} // namespace rw
