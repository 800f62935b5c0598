#include "core/downscale.h"

#include <gtest/gtest.h>

#include <vector>

namespace rw {
namespace {

struct Image {
    std::vector<uint8_t> bytes;
    Surface24 surface;
    Image(int32_t w, int32_t h) : bytes(static_cast<size_t>(DibStride24(w) * h), 0) {
        surface = {bytes.data(), static_cast<ptrdiff_t>(DibStride24(w)), w, h};
    }
};

TEST(Downscale, EachShownPixelIsTheAverageOfWhatItCovers) {
    Image source(4, 2);
    // Left half black, right half white; the blue channel holds a column ramp.
    for (int32_t y = 0; y < 2; ++y) {
        for (int32_t x = 0; x < 4; ++x) {
            uint8_t* p = source.surface.Pixel(x, y);
            p[0] = static_cast<uint8_t>(x * 10);
            p[1] = p[2] = x < 2 ? 0 : 255;
        }
    }
    Image target(2, 1);
    DownscaleByArea(source.surface, target.surface);
    EXPECT_EQ(target.surface.Pixel(0, 0)[1], 0);
    EXPECT_EQ(target.surface.Pixel(1, 0)[1], 255);
    EXPECT_EQ(target.surface.Pixel(0, 0)[0], 5);  // (0 + 10) / 2
    EXPECT_EQ(target.surface.Pixel(1, 0)[0], 25); // (20 + 30) / 2
}

TEST(Downscale, UnevenRatiosCoverEverySourcePixelOnce) {
    // A checkerboard averages to mid-gray whatever the ratio; a missed or doubled row or
    // column would pull some pixel away from it.
    Image source(301, 199);
    for (int32_t y = 0; y < 199; ++y) {
        for (int32_t x = 0; x < 301; ++x) {
            const uint8_t v = (x + y) % 2 ? 255 : 0;
            uint8_t* p = source.surface.Pixel(x, y);
            p[0] = p[1] = p[2] = v;
        }
    }
    Image target(7, 5);
    DownscaleByArea(source.surface, target.surface);
    for (int32_t y = 0; y < 5; ++y) {
        for (int32_t x = 0; x < 7; ++x) {
            EXPECT_NEAR(target.surface.Pixel(x, y)[1], 128, 2) << x << "," << y;
        }
    }
    // Same size: an exact copy.
    Image same(301, 199);
    DownscaleByArea(source.surface, same.surface);
    EXPECT_EQ(same.bytes, source.bytes);
}

} // namespace
} // namespace rw
