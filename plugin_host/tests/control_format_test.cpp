#include "plugin_host/control_format.h"
#include "plugin_host/resource.h"

#include <gtest/gtest.h>

using namespace rw::plugin;

TEST(ControlFormat, NewControlSavesTheEditorsBytes) {
    const auto bytes = EncodeStream(kDefaultExtent);
    const std::array<std::uint8_t, 12> expected{0x02, 0x02, 0,    0,    0xD8, 0x13,
                                                0,    0,    0xD8, 0x13, 0,    0};
    EXPECT_EQ(bytes, expected);
}

TEST(ControlFormat, ExtentRoundTripsIncludingNegativeValues) {
    const auto bytes = EncodeStream({-1, 0x7FFFFFFF});
    std::uint8_t version[4];
    std::uint8_t extent[8];
    std::copy(bytes.begin(), bytes.begin() + 4, version);
    std::copy(bytes.begin() + 4, bytes.end(), extent);
    EXPECT_EQ(DecodeVersion(version), kStreamVersion);
    EXPECT_EQ(DecodeExtent(extent), (Extent{-1, 0x7FFFFFFF}));
}

TEST(ControlFormat, OnlyVersionsUpToTheCurrentOneCarryTheExtent) {
    EXPECT_TRUE(VersionCarriesExtent(0));
    EXPECT_TRUE(VersionCarriesExtent(0x202));
    EXPECT_FALSE(VersionCarriesExtent(0x203));
    EXPECT_FALSE(VersionCarriesExtent(0xFFFFFFFF));
}

TEST(ControlFormat, HimetricRoundsToNearest) {
    EXPECT_EQ(HimetricFromPixels(32, 96), 847);  // 846.67
    EXPECT_EQ(HimetricFromPixels(32, 120), 677); // 677.33
    EXPECT_EQ(HimetricFromPixels(32, 144), 564); // 564.44
    EXPECT_EQ(HimetricFromPixels(32, 0), 847);   // no division by zero
}

TEST(ControlFormat, MessageHresults) {
    EXPECT_EQ(HresultForMessage(IDS_ERR_DIRECTORY_NOT_SET), 0x800A80E9u);
    EXPECT_EQ(HresultForMessage(IDS_ERR_LOAD_HOST), 0x800A80F1u);
}
