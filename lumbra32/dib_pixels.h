#pragma once
// Packed 24-bit device-independent bitmaps (information header, optional colour table, rows)
// and the planar-interleaved RGB layout in which filters see an image.
#include <cstddef>
#include <cstdint>

namespace lumbra {

struct DibGeometry {
    int32_t width = 0;
    int32_t height = 0; // always positive
    bool topDown = false;
    size_t pixelOffset = 0; // from the start of the packed DIB
    size_t stride = 0;      // bytes per row in the DIB, padded to four bytes
};

enum class DibProblem { None, TooSmall, NotDib, NotRgb24, BadSize, Truncated };

// Checks a packed DIB of `size` bytes and describes its rows.
DibProblem ReadDibGeometry(const uint8_t* dib, size_t size, DibGeometry& out);

// Rows of the filter image: top-down, R G B per pixel, width * 3 bytes per row.
inline size_t RgbRowBytes(int32_t width) {
    return static_cast<size_t>(width) * 3;
}

// DIB rows (B G R, bottom-up or top-down, padded) to filter rows, written to every target
// given (one or two; null ones skipped) in one pass.
void DibToRgb(const uint8_t* dibPixels, const DibGeometry& g, uint8_t* rgbA, uint8_t* rgbB);
// Filter rows back into the DIB's rows; padding bytes are left as they were.
void RgbToDib(const uint8_t* rgb, const DibGeometry& g, uint8_t* dibPixels);

} // namespace lumbra
