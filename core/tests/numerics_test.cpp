#include "core/numerics.h"

#include <cmath>
#include <limits>
#include <stdexcept>

#include <gtest/gtest.h>

namespace rw {
namespace {

TEST(Numerics, IntRoundsTowardsMinusInfinity) {
    EXPECT_EQ(Int(2.999), 2.0);
    EXPECT_EQ(Int(-0.5), -1.0);
    EXPECT_EQ(Int(-10.0), -10.0);
}

TEST(Numerics, CIntSettlesTiesToEven) {
    EXPECT_EQ(CInt(0.5), 0);
    EXPECT_EQ(CInt(1.5), 2);
    EXPECT_EQ(CInt(2.5), 2);
    EXPECT_EQ(CInt(-1.5), -2);
    EXPECT_EQ(CInt(-2.5), -2);
    EXPECT_EQ(CInt(2.5000001), 3);
    EXPECT_EQ(CInt(-32768.5), -32768);
}

TEST(Numerics, CIntRejectsWhatDoesNotFitSixteenBits) {
    EXPECT_THROW(CInt(32767.5), std::overflow_error);
    EXPECT_THROW(CInt(-32768.6), std::overflow_error);
    EXPECT_THROW(CInt(std::numeric_limits<double>::quiet_NaN()), std::overflow_error);
    EXPECT_THROW(CInt(std::numeric_limits<double>::infinity()), std::overflow_error);
    EXPECT_THROW(CInt(-std::numeric_limits<double>::infinity()), std::overflow_error);
}

TEST(Numerics, GrayLevelRoundsLikeCIntAndStaysInByteRange) {
    EXPECT_EQ(GrayLevel(127.50001f), 128);
    EXPECT_EQ(GrayLevel(256.0f), 255);
    EXPECT_EQ(GrayLevel(1e30f), 255);
    for (float v = 0.0f; v < 255.0f; v += 0.125f) { // ties included: 0.5, 186.5, 254.5 ...
        ASSERT_EQ(GrayLevel(v), CInt(v)) << v;
    }
}

TEST(Numerics, GrayLevelDrawsImpossibleValuesBlack) {
    EXPECT_EQ(GrayLevel(-0.7f), 0);
    EXPECT_EQ(GrayLevel(std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_EQ(GrayLevel(std::numeric_limits<float>::infinity()), 0);
    EXPECT_EQ(GrayLevel(-std::numeric_limits<float>::infinity()), 0);
}

TEST(Numerics, RgbCapsEachComponent) {
    EXPECT_EQ((RGB)(1, 2, 3), 1u + 2u * 256u + 3u * 65536u);
    EXPECT_EQ((RGB)(256, 300, 255), 0xFFFFFFu);
    EXPECT_EQ((RGB)(-1, 0, 7), 7u * 65536u);
}

TEST(Numerics, NormalizedCoordinateSpansMinusFiveToJustBelowFive) {
    EXPECT_EQ(NormalizedCoordinate(0, 100), -5.0f);
    EXPECT_EQ(NormalizedCoordinate(50, 100), 0.0f);
    EXPECT_EQ(NormalizedCoordinate(99, 100), 4.9f);
    EXPECT_EQ(NormalizedCoordinate(0, 1), -5.0f);
    // Division and subtraction in double, one rounding at the end: rounding each step to single
    // precision would give -4.896906852722168.
    EXPECT_EQ(NormalizedCoordinate(1, 97), -4.896907329559326f);
    EXPECT_EQ(NormalizedCoordinate(12, 97), -3.7628865242004395f);
}

TEST(Numerics, NormalizedCoordinateRefusesOverflowAndEmptyAxes) {
    EXPECT_NO_THROW(NormalizedCoordinate(42949672, 42949673));
    EXPECT_THROW(NormalizedCoordinate(42949673, 42949674), std::overflow_error);
    EXPECT_THROW(NormalizedCoordinate(0, 0), std::domain_error);
}

} // namespace
} // namespace rw
