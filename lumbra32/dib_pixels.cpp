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
        const uint8_t* s = DibRow(dibPixels, g, y);
        uint8_t* a = rgbA ? rgbA + y * rowBytes : nullptr;
        uint8_t* d = a ? a : rgbB + y * rowBytes;
        for (int32_t x = 0; x < g.width; ++x) {
            d[0] = s[2];
            d[1] = s[1];
            d[2] = s[0];
            s += 3;
            d += 3;
        }
        if (a && rgbB) {
            std::memcpy(rgbB + y * rowBytes, a, rowBytes);
        }
    }
}

void RgbToDib(const uint8_t* rgb, const DibGeometry& g, uint8_t* dibPixels) {
    size_t rowBytes = RgbRowBytes(g.width);
    for (int32_t y = 0; y < g.height; ++y) {
        uint8_t* d = const_cast<uint8_t*>(DibRow(dibPixels, g, y));
        const uint8_t* s = rgb + y * rowBytes;
        for (int32_t x = 0; x < g.width; ++x) {
            d[0] = s[2];
            d[1] = s[1];
            d[2] = s[0];
            s += 3;
            d += 3;
        }
    }
}

} // namespace lumbra
