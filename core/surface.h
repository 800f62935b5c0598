#pragma once
// A 24-bit top-down image in memory: blue, green, red per pixel, rows `stride` bytes apart.
#include <cstddef>
#include <cstdint>

namespace rw {

struct Surface24 {
    uint8_t* bits = nullptr;
    ptrdiff_t stride = 0; // bytes from one row to the next
    int32_t width = 0;
    int32_t height = 0;

    uint8_t* Pixel(int32_t x, int32_t y) const { return bits + y * stride + 3 * ptrdiff_t{x}; }
};

// Bytes per row of a 24-bit DIB: rows are padded to whole 32-bit words. Worked out in 64 bits,
// as very wide images overflow 32.
constexpr int64_t DibStride24(int32_t width) {
    return ((int64_t{width} * 24 + 31) / 32) * 4;
}

} // namespace rw
