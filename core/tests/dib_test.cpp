#include "core/dib.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace rw {
namespace {

// A packed DIB built by hand: header, optional table or masks, then rows as given.
std::vector<uint8_t> MakeDib(int32_t width, int32_t height, uint16_t bits, uint32_t compression,
                             const std::vector<uint8_t>& tableOrMasks,
                             const std::vector<uint8_t>& pixels, uint32_t colorsUsed = 0) {
    std::vector<uint8_t> dib(40, 0);
    auto put32 = [&](size_t at, uint32_t v) {
        for (int k = 0; k < 4; ++k) {
            dib[at + k] = static_cast<uint8_t>(v >> (8 * k));
        }
    };
    put32(0, 40);
    put32(4, static_cast<uint32_t>(width));
    put32(8, static_cast<uint32_t>(height));
    dib[12] = 1;
    dib[14] = static_cast<uint8_t>(bits);
    put32(16, compression);
    put32(32, colorsUsed);
    dib.insert(dib.end(), tableOrMasks.begin(), tableOrMasks.end());
    dib.insert(dib.end(), pixels.begin(), pixels.end());
    return dib;
}

struct Image {
    std::vector<uint8_t> bytes;
    Surface24 surface;
    Image(int32_t w, int32_t h) : bytes(static_cast<size_t>(DibStride24(w) * h), 0xEE) {
        surface = {bytes.data(), static_cast<ptrdiff_t>(DibStride24(w)), w, h};
    }
    std::vector<uint8_t> Pixel(int32_t x, int32_t y) const {
        const uint8_t* p = surface.Pixel(x, y);
        return {p[0], p[1], p[2]};
    }
};

Image Decode(const std::vector<uint8_t>& dib) {
    const DibInfo info = ParseDib(dib);
    Image image(info.width, info.height);
    ConvertDibTo24(dib, info, image.surface);
    return image;
}

// Rows of very wide images are longer than a 32-bit product of width and bits can hold.
static_assert(DibStride24(200000000) == 600000000);
static_assert(DibStride24(1) == 4 && DibStride24(5) == 16);

TEST(Dib, EncodedImageDecodesToTheSamePixels) {
    Image source(5, 3); // odd width: rows carry padding
    for (int32_t y = 0; y < 3; ++y) {
        for (int32_t x = 0; x < 5; ++x) {
            uint8_t* p = source.surface.Pixel(x, y);
            p[0] = static_cast<uint8_t>(x * 40);
            p[1] = static_cast<uint8_t>(y * 80);
            p[2] = static_cast<uint8_t>(x + 10 * y);
        }
    }
    std::vector<uint8_t> dib(EncodedDib24Size(5, 3), 0xCD);
    EncodeDib24(source.surface, dib);
    const DibInfo info = ParseDib(dib);
    EXPECT_EQ(info.bitCount, 24);
    EXPECT_FALSE(info.topDown); // the common bottom-up form
    const Image copy = Decode(dib);
    for (int32_t y = 0; y < 3; ++y) {
        for (int32_t x = 0; x < 5; ++x) {
            EXPECT_EQ(copy.Pixel(x, y), source.Pixel(x, y)) << x << "," << y;
        }
    }
}

TEST(Dib, BottomUpRowsComeOutTopDown) {
    // Two rows of one 24-bit pixel each, padded to four bytes; the first stored row is the bottom.
    const auto dib = MakeDib(1, 2, 24, 0, {}, {1, 2, 3, 0, 4, 5, 6, 0});
    const Image image = Decode(dib);
    EXPECT_EQ(image.Pixel(0, 0), (std::vector<uint8_t>{4, 5, 6}));
    EXPECT_EQ(image.Pixel(0, 1), (std::vector<uint8_t>{1, 2, 3}));

    const auto topDown = MakeDib(1, -2, 24, 0, {}, {1, 2, 3, 0, 4, 5, 6, 0});
    const Image other = Decode(topDown);
    EXPECT_EQ(other.Pixel(0, 0), (std::vector<uint8_t>{1, 2, 3}));
}

TEST(Dib, PalettisedPixelsTakeTheirTableColours) {
    // 8 bits, a two-entry table (colours used = 2), one row of three pixels plus padding.
    const auto dib = MakeDib(3, 1, 8, 0, {10, 20, 30, 0, 40, 50, 60, 0}, {1, 0, 7, 0}, 2);
    const Image image = Decode(dib);
    EXPECT_EQ(image.Pixel(0, 0), (std::vector<uint8_t>{40, 50, 60}));
    EXPECT_EQ(image.Pixel(1, 0), (std::vector<uint8_t>{10, 20, 30}));
    // An index beyond the table is black rather than a read past it.
    EXPECT_EQ(image.Pixel(2, 0), (std::vector<uint8_t>{0, 0, 0}));

    // 1 bit: the most significant bit is the leftmost pixel.
    const auto mono = MakeDib(3, 1, 1, 0, {0, 0, 0, 0, 255, 255, 255, 0}, {0xA0, 0, 0, 0});
    const Image bits = Decode(mono);
    EXPECT_EQ(bits.Pixel(0, 0), (std::vector<uint8_t>{255, 255, 255}));
    EXPECT_EQ(bits.Pixel(1, 0), (std::vector<uint8_t>{0, 0, 0}));
    EXPECT_EQ(bits.Pixel(2, 0), (std::vector<uint8_t>{255, 255, 255}));
}

TEST(Dib, ThirtyTwoAndSixteenBitPixelsUseTheirMasks) {
    const auto plain = MakeDib(1, 1, 32, 0, {}, {11, 22, 33, 0xFF});
    EXPECT_EQ(Decode(plain).Pixel(0, 0), (std::vector<uint8_t>{11, 22, 33}));

    // Bit fields: red in the low byte, blue in the third, the reverse of the usual order.
    const std::vector<uint8_t> masks = {0xFF, 0, 0, 0, 0, 0xFF, 0, 0, 0, 0, 0xFF, 0};
    const auto swapped = MakeDib(1, 1, 32, 3, masks, {11, 22, 33, 0});
    EXPECT_EQ(Decode(swapped).Pixel(0, 0), (std::vector<uint8_t>{33, 22, 11}));

    // 16 bits default to 5-5-5: full red only.
    const auto red555 = MakeDib(1, 1, 16, 0, {}, {0x00, 0x7C, 0, 0});
    EXPECT_EQ(Decode(red555).Pixel(0, 0), (std::vector<uint8_t>{0, 0, 255}));
}

TEST(Dib, MalformedHeadersAreRefusedBeforeAnyPixelIsRead) {
    EXPECT_THROW(ParseDib(std::vector<uint8_t>(10, 0)), DibError);
    // Claims 100 x 100 pixels but carries one row.
    EXPECT_THROW(ParseDib(MakeDib(100, 100, 24, 0, {}, std::vector<uint8_t>(300, 0))), DibError);
    EXPECT_THROW(ParseDib(MakeDib(0, 1, 24, 0, {}, {})), DibError);
    EXPECT_THROW(ParseDib(MakeDib(1, 1, 24, 1 /* RLE */, {}, {0, 0, 0, 0})), DibError);
    EXPECT_THROW(ParseDib(MakeDib(1, 1, 12, 0, {}, {0, 0, 0, 0})), DibError);
    // A width whose row size overflows 32 bits must not wrap into a small buffer.
    EXPECT_THROW(ParseDib(MakeDib(0x7FFFFFFF, 1, 32, 0, {}, {0, 0, 0, 0})), DibError);
    // Colour table larger than the bit depth allows.
    EXPECT_THROW(ParseDib(MakeDib(1, 1, 1, 0, std::vector<uint8_t>(12, 0), {0, 0, 0, 0}, 3)),
                 DibError);
}

} // namespace
} // namespace rw
