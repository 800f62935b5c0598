#include "core/square_fit.h"

#include <gtest/gtest.h>

#include <cmath>

namespace rw {
namespace {

// A container that keeps sizes as asked.
TakenSize Exact(float side) {
    return {side, side};
}

TEST(SquareFit, CentresAlongTheLongerSide) {
    SquarePlacement at = FitSquare(800, 600, Exact);
    EXPECT_EQ(at.left, 100);
    EXPECT_EQ(at.top, 0);
    at = FitSquare(600, 800, Exact);
    EXPECT_EQ(at.left, 0);
    EXPECT_EQ(at.top, 100);
    at = FitSquare(500, 500, Exact);
    EXPECT_EQ(at.left, 0);
    EXPECT_EQ(at.top, 0);
}

TEST(SquareFit, AsksForTheShorterSideAndCentresOnWhatWasTaken) {
    float asked = 0;
    // A container that rounds sizes down to multiples of 15 (twips on a 96 dpi screen).
    const auto rounding = [&asked](float side) {
        asked = side;
        const float taken = std::floor(side / 15) * 15;
        return TakenSize{taken, taken};
    };
    SquarePlacement at = FitSquare(1000, 610, rounding);
    EXPECT_EQ(asked, 610);
    EXPECT_EQ(at.left, (1000 - 600) / 2.0f);
    at = FitSquare(610, 1000, rounding);
    EXPECT_EQ(asked, 610);
    EXPECT_EQ(at.top, (1000 - 600) / 2.0f);
}

} // namespace
} // namespace rw
