#include "core/dib.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <string>

namespace rw {

namespace {

constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiBitfields = 3;
constexpr size_t kInfoHeaderSize = 40;

uint32_t ReadU32(std::span<const uint8_t> d, size_t at) {
    return uint32_t{d[at]} | uint32_t{d[at + 1]} << 8 | uint32_t{d[at + 2]} << 16 |
           uint32_t{d[at + 3]} << 24;
}
uint16_t ReadU16(std::span<const uint8_t> d, size_t at) {
    return static_cast<uint16_t>(d[at] | d[at + 1] << 8);
}

// Scales a masked channel to 0..255.
struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    uint32_t max = 0;

    explicit Channel(uint32_t m) : mask(m) {
        if (m) {
            shift = std::countr_zero(m);
            max = m >> shift;
        }
    }
    uint8_t operator()(uint32_t pixel) const {
        if (!max) {
            return 0;
        }
        return static_cast<uint8_t>(((pixel & mask) >> shift) * 255u / max);
    }
};

} // namespace

DibInfo ParseDib(std::span<const uint8_t> dib) {
    if (dib.size() < kInfoHeaderSize) {
        throw DibError("the bitmap header is incomplete");
    }
    const uint32_t headerSize = ReadU32(dib, 0);
    if (headerSize < kInfoHeaderSize || headerSize > dib.size()) {
        throw DibError("the bitmap header has an unsupported size");
    }
    DibInfo info;
    const auto width = static_cast<int32_t>(ReadU32(dib, 4));
    const auto height = static_cast<int32_t>(ReadU32(dib, 8));
    info.bitCount = ReadU16(dib, 14);
    info.compression = ReadU32(dib, 16);
    const uint32_t colorsUsed = ReadU32(dib, 32);
    if (width <= 0 || height == 0 || height == std::numeric_limits<int32_t>::min()) {
        throw DibError("the bitmap has no pixels");
    }
    info.width = width;
    info.topDown = height < 0;
    info.height = height < 0 ? -height : height;

    switch (info.bitCount) {
    case 1:
    case 4:
    case 8:
    case 24:
        if (info.compression != kBiRgb) {
            throw DibError("compressed bitmaps are not supported");
        }
        break;
    case 16:
    case 32:
        if (info.compression != kBiRgb && info.compression != kBiBitfields) {
            throw DibError("compressed bitmaps are not supported");
        }
        break;
    default:
        throw DibError("a bitmap of " + std::to_string(info.bitCount) +
                       " bits per pixel is not supported");
    }

    size_t offset = headerSize;
    if (info.compression == kBiBitfields) {
        // The masks follow a plain info header; larger headers hold them inside.
        const size_t at = headerSize == kInfoHeaderSize ? headerSize : kInfoHeaderSize;
        if (at + 12 > dib.size()) {
            throw DibError("the bitmap's colour masks are missing");
        }
        for (int k = 0; k < 3; ++k) {
            info.masks[k] = ReadU32(dib, at + 4 * k);
        }
        if (headerSize == kInfoHeaderSize) {
            offset += 12;
        }
    } else if (info.bitCount == 16) {
        info.masks[0] = 0x7C00;
        info.masks[1] = 0x03E0;
        info.masks[2] = 0x001F;
    } else if (info.bitCount == 32) {
        info.masks[0] = 0x00FF0000;
        info.masks[1] = 0x0000FF00;
        info.masks[2] = 0x000000FF;
    }

    if (info.bitCount <= 8) {
        const uint32_t maxColors = 1u << info.bitCount;
        info.paletteSize = colorsUsed == 0 ? maxColors : colorsUsed;
        if (info.paletteSize > maxColors) {
            throw DibError("the bitmap's colour table is too large");
        }
        info.paletteOffset = offset;
        offset += size_t{info.paletteSize} * 4;
    } else if (colorsUsed <= 256) {
        // A colour table may accompany deeper bitmaps as a display hint; skip it.
        offset += size_t{colorsUsed} * 4;
    }
    info.bitsOffset = offset;

    const uint64_t stride =
        ((uint64_t{static_cast<uint32_t>(info.width)} * info.bitCount + 31) / 32) * 4;
    const uint64_t needed = stride * static_cast<uint64_t>(info.height);
    if (offset > dib.size() || needed > dib.size() - offset) {
        throw DibError("the bitmap's pixel data is shorter than its size says");
    }
    info.stride = static_cast<size_t>(stride);
    return info;
}

void ConvertDibTo24(std::span<const uint8_t> dib, const DibInfo& info, const Surface24& target) {
    const Channel red(info.masks[0]), green(info.masks[1]), blue(info.masks[2]);
    uint8_t palette[256][3] = {};
    for (uint32_t k = 0; k < info.paletteSize; ++k) {
        const size_t at = info.paletteOffset + 4 * size_t{k};
        palette[k][0] = dib[at];     // blue
        palette[k][1] = dib[at + 1]; // green
        palette[k][2] = dib[at + 2]; // red
    }
    for (int32_t y = 0; y < info.height; ++y) {
        const int32_t sourceRow = info.topDown ? y : info.height - 1 - y;
        const uint8_t* row = dib.data() + info.bitsOffset + info.stride * size_t(sourceRow);
        uint8_t* out = target.Pixel(0, y);
        for (int32_t x = 0; x < info.width; ++x, out += 3) {
            switch (info.bitCount) {
            case 24:
                std::memcpy(out, row + 3 * size_t(x), 3);
                break;
            case 16:
            case 32: {
                const uint8_t* at = row + size_t(x) * (info.bitCount / 8);
                uint32_t p = uint32_t{at[0]} | uint32_t{at[1]} << 8;
                if (info.bitCount == 32) {
                    p |= uint32_t{at[2]} << 16 | uint32_t{at[3]} << 24;
                }
                out[0] = blue(p);
                out[1] = green(p);
                out[2] = red(p);
                break;
            }
            default: {
                const int perByte = 8 / info.bitCount;
                const uint8_t byte = row[x / perByte];
                const int shift = 8 - info.bitCount * (x % perByte + 1);
                const uint32_t index = (byte >> shift) & ((1u << info.bitCount) - 1);
                // An index beyond a short colour table is drawn black, as the display would.
                if (index < info.paletteSize) {
                    std::memcpy(out, palette[index], 3);
                } else {
                    out[0] = out[1] = out[2] = 0;
                }
                break;
            }
            }
        }
    }
}

size_t EncodedDib24Size(int32_t width, int32_t height) {
    return kInfoHeaderSize + static_cast<size_t>(DibStride24(width)) * static_cast<size_t>(height);
}

void EncodeDib24(const Surface24& source, std::span<uint8_t> out) {
    const size_t stride = static_cast<size_t>(DibStride24(source.width));
    const size_t imageSize = stride * static_cast<size_t>(source.height);
    if (out.size() < kInfoHeaderSize + imageSize) {
        throw DibError("the buffer is too small for the bitmap");
    }
    std::fill(out.begin(), out.begin() + kInfoHeaderSize, uint8_t{0});
    const auto put32 = [&out](size_t at, uint32_t v) {
        for (int k = 0; k < 4; ++k) {
            out[at + k] = static_cast<uint8_t>(v >> (8 * k));
        }
    };
    put32(0, kInfoHeaderSize);
    put32(4, static_cast<uint32_t>(source.width));
    put32(8, static_cast<uint32_t>(source.height)); // bottom-up, the common form
    out[12] = 1;                                    // planes
    out[14] = 24;                                   // bits per pixel
    put32(20, static_cast<uint32_t>(imageSize));
    for (int32_t y = 0; y < source.height; ++y) {
        uint8_t* row = out.data() + kInfoHeaderSize + stride * size_t(source.height - 1 - y);
        std::memcpy(row, source.Pixel(0, y), 3 * size_t(source.width));
        std::fill(row + 3 * size_t(source.width), row + stride, uint8_t{0});
    }
}

} // namespace rw
