#pragma once
// Image files through the system's imaging codecs.
#include <cstdint>
#include <functional>
#include <string>

#include "core/image_formats.h"
#include "core/surface.h"

namespace rw {

// Reads the first frame of any file the codecs understand, converted to 24 bits. `allocate` is
// called once with the size and returns the surface to fill. Throws ImageError with the reason.
void LoadImageFile(const std::wstring& path,
                   const std::function<Surface24(int32_t width, int32_t height)>& allocate);

// Writes the image in the type the file name's extension selects. The file is written under a
// temporary name in the same folder and only replaces `path` once it is complete, so a failed
// save leaves any existing file as it was. Throws ImageError with the reason.
void SaveImageFile(const std::wstring& path, const Surface24& image);

// Whether the system can both read and write the type.
bool CodecAvailable(ImageFormat format);

} // namespace rw
