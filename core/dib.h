#pragma once
// Packed device-independent bitmaps (a BITMAPINFOHEADER, its colour table or masks, then the
// bits), as the clipboard carries them. No Windows header: the layout is written out here.
#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <vector>

#include "core/surface.h"

namespace rw {

class DibError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct DibInfo {
    int32_t width = 0;
    int32_t height = 0; // always positive
    bool topDown = false;
    uint16_t bitCount = 0; // 1, 4, 8, 16, 24 or 32
    uint32_t compression = 0;
    size_t paletteOffset = 0; // start of the colour table (palettised DIBs)
    uint32_t paletteSize = 0; // entries
    uint32_t masks[3] = {};   // red, green, blue masks for 16 and 32 bits
    size_t bitsOffset = 0;
    size_t stride = 0;
};

// Reads and checks the header: the sizes must fit the data, so that converting cannot read past
// its end. Throws DibError naming what is wrong.
DibInfo ParseDib(std::span<const uint8_t> dib);

// Converts the bits of a checked DIB into `target`, which has the DIB's width and height.
void ConvertDibTo24(std::span<const uint8_t> dib, const DibInfo& info, const Surface24& target);

// Size of the packed bottom-up 24-bit DIB of an image of this size.
size_t EncodedDib24Size(int32_t width, int32_t height);
// Writes the packed DIB of the surface into `out`, which holds EncodedDib24Size bytes.
void EncodeDib24(const Surface24& source, std::span<uint8_t> out);

} // namespace rw
