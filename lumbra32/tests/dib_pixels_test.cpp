#include "lumbra32/dib_pixels.h"

#include <gtest/gtest.h>

#include <vector>

namespace lumbra {
namespace {

std::vector<uint8_t> Dib(int32_t w, int32_t h, uint16_t bits = 24, uint32_t colours = 0) {
    size_t stride = (static_cast<size_t>(w) * 3 + 3) & ~size_t{3};
    std::vector<uint8_t> b(40 + colours * 4 + stride * static_cast<size_t>(h < 0 ? -h : h));
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            b[at + i] = static_cast<uint8_t>(v >> (8 * i));
        }
    };
    put32(0, 40);
    put32(4, static_cast<uint32_t>(w));
    put32(8, static_cast<uint32_t>(h));
    b[12] = 1;
    b[14] = static_cast<uint8_t>(bits);
    put32(32, colours);
    return b;
}

TEST(Dib, GeometryOfBottomUpTopDownAndPaletteDibs) {
    auto b = Dib(5, 3);
    DibGeometry g;
    ASSERT_EQ(ReadDibGeometry(b.data(), b.size(), g), DibProblem::None);
    EXPECT_EQ(g.stride, 16u);
    EXPECT_FALSE(g.topDown);
    EXPECT_EQ(g.pixelOffset, 40u);
    b = Dib(5, -3, 24, 2);
    ASSERT_EQ(ReadDibGeometry(b.data(), b.size(), g), DibProblem::None);
    EXPECT_TRUE(g.topDown);
    EXPECT_EQ(g.height, 3);
    EXPECT_EQ(g.pixelOffset, 48u);
}

TEST(Dib, RefusesWhatIsNotAComplete24BitDib) {
    DibGeometry g;
    auto b = Dib(5, 3, 32);
    EXPECT_EQ(ReadDibGeometry(b.data(), b.size(), g), DibProblem::NotRgb24);
    b = Dib(5, 3);
    EXPECT_EQ(ReadDibGeometry(b.data(), b.size() - 1, g), DibProblem::Truncated);
    b = Dib(0, 3);
    EXPECT_EQ(ReadDibGeometry(b.data(), b.size(), g), DibProblem::BadSize);
    b = Dib(5, 3);
    b[4] = b[5] = b[6] = b[8] = b[9] = b[10] = 0xFF; // 2^31-1 square: sizes must not overflow
    b[7] = b[11] = 0x7F;
    EXPECT_EQ(ReadDibGeometry(b.data(), b.size(), g), DibProblem::Truncated);
    EXPECT_EQ(ReadDibGeometry(b.data(), 39, g), DibProblem::TooSmall);
}

TEST(Dib, RoundTripKeepsPixelsAndPaddingAndOrdersRowsAndChannels) {
    for (int32_t w = 1; w <= 9; ++w) { // every remainder of the four-pixel steps
        for (int32_t h : {3, -3}) {
            auto b = Dib(w, h);
            size_t stride = (static_cast<size_t>(w) * 3 + 3) & ~size_t{3};
            for (size_t i = 40; i < b.size(); ++i) {
                b[i] = static_cast<uint8_t>(i * 13 + 1);
            }
            DibGeometry g;
            ASSERT_EQ(ReadDibGeometry(b.data(), b.size(), g), DibProblem::None);
            std::vector<uint8_t> rgb(static_cast<size_t>(w) * 3 * 3), copy(rgb.size());
            DibToRgb(b.data() + 40, g, rgb.data(), copy.data());
            EXPECT_EQ(rgb, copy);
            for (int y = 0; y < 3; ++y) {
                size_t row = 40 + stride * (h > 0 ? 2 - y : y);
                for (int x = 0; x < w; ++x) {
                    for (int c = 0; c < 3; ++c) {
                        ASSERT_EQ(rgb[(y * w + x) * 3 + c], b[row + x * 3 + 2 - c])
                            << w << "x" << h << " at " << x << "," << y << " channel " << c;
                    }
                }
            }
            auto back = b;
            for (size_t i = 40; i < back.size(); ++i) {
                if ((i - 40) % stride < static_cast<size_t>(w) * 3) {
                    back[i] = 0;
                }
            }
            RgbToDib(rgb.data(), g, back.data() + 40);
            EXPECT_EQ(back, b) << "pixels back in place, padding untouched";
        }
    }
}

} // namespace
} // namespace lumbra
