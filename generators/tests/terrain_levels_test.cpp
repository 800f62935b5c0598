// Gray levels of the five generators: documented images, special settings and the bounds that
// every slider setting must respect.
#include <algorithm>
#include <cmath>
#include <string>

#include <gtest/gtest.h>

#include "core/numerics.h"
#include "generators/tests/test_support.h"

namespace rw {
namespace {

using test::RawLevels;
using test::RenderGray;
using test::Values;

std::vector<uint8_t> Grid4x4(const GeneratorTable& table, const SliderValues& values) {
    return RenderGray(table, values, 4, 4);
}

TEST(SineWave, InitialValuesDrawRingsAroundTheCentre) {
    const auto gray = RenderGray(SineWave(), SineWave().InitialValues(), 100, 100);
    EXPECT_EQ(gray[0], 111);
    EXPECT_EQ(gray[50 * 100 + 50], 128);
    EXPECT_EQ(gray[99], 67); // pixel (99, 0)
}

TEST(SineWave, TiesAtHalfAreDrawnToTheEvenLevel) {
    const auto model = SineWave().makeModel(SineWave().InitialValues());
    const auto gray = RenderGray(SineWave(), SineWave().InitialValues(), 256, 256);
    const std::pair<int, int> ties[] = {{78, 25}, {178, 25}, {25, 78}, {231, 78}};
    for (const auto& [i, j] : ties) {
        SCOPED_TRACE(std::to_string(i) + "," + std::to_string(j));
        EXPECT_EQ(model->Level(NormalizedCoordinate(i, 256), NormalizedCoordinate(j, 256)), 186.5f);
        EXPECT_EQ(gray[j * 256 + i], 186);
    }
}

TEST(SineWave, BlendAndFrequencyFactorsSwitchOperatorsOff) {
    const std::vector<int32_t> a = {2, -3, 1, -4, 3, 2};
    const std::vector<int32_t> b = {-1, 5, -7, 2, 1, 4};
    auto withBlend = [](std::vector<int32_t> op, int32_t blend) {
        op.push_back(blend);
        return op;
    };
    // Blend -10: operator 2 has no say; Blend 10: operator 1 has none.
    const auto left = RenderGray(SineWave(), Values(withBlend(a, -10), b), 20, 14);
    EXPECT_EQ(left, RenderGray(SineWave(), Values(withBlend(a, -10), a), 20, 14));
    EXPECT_NE(left, RenderGray(SineWave(), Values(withBlend(b, -10), a), 20, 14));
    const auto right = RenderGray(SineWave(), Values(withBlend(a, 10), b), 20, 14);
    EXPECT_EQ(right, RenderGray(SineWave(), Values(withBlend(b, 10), b), 20, 14));
    EXPECT_NE(right, left);

    const auto flat =
        RenderGray(SineWave(), Values({3, -2, -10, -10, 3, 1, 4}, {1, 5, -10, -10, 2, 4}), 20, 14);
    EXPECT_TRUE(std::all_of(flat.begin(), flat.end(), [](uint8_t g) { return g == 128; }));
}

TEST(FourierWave, InitialValuesAndTheAntiDiagonal) {
    const auto gray = RenderGray(FourierWave(), FourierWave().InitialValues(), 100, 100);
    EXPECT_EQ(gray[50 * 100 + 50], 128);
    EXPECT_EQ(gray[0], 164);
    EXPECT_EQ(gray[99 * 100 + 99], 107);
    for (int i = 1; i < 100; ++i) {
        EXPECT_EQ(gray[(100 - i) * 100 + i], 128) << i; // i + j = W: the two series cancel
    }
}

TEST(FourierWave, ResetDrawsBlack) {
    const auto reset = RenderGray(FourierWave(), FourierWave().ResetValues(0), 9, 5);
    EXPECT_TRUE(std::all_of(reset.begin(), reset.end(), [](uint8_t g) { return g == 0; }));
}

TEST(FaultLine, InitialValuesOnFourByFour) {
    EXPECT_EQ(Grid4x4(FaultLine(), FaultLine().InitialValues()),
              (std::vector<uint8_t>{0, 166, 106, 146, 166, 158, 214, 207, 106, 214, 171, 156, 146,
                                    207, 156, 255}));
    // At x = y = 0 the field is 0, so its level is -lo * 256 / (hi - lo) with the surveyed
    // lo = -9.99992 and hi = 4.95906.
    const auto levels = RawLevels(FaultLine(), FaultLine().InitialValues(), 4, 4);
    EXPECT_NEAR(levels[2 * 4 + 2], 9.99992 * 256 / (9.99992 + 4.95906), 2e-3);
    EXPECT_EQ(levels[0], 0.0f);
    EXPECT_EQ(levels[15], 256.0f);
}

TEST(FaultLine, FlatFieldIsMidGrayAndAnyOtherSpansTheWholeScale) {
    const auto flat = RenderGray(FaultLine(), Values({0, 0, 3, -2}, {0, 0, 7, 1}), 12, 8);
    EXPECT_TRUE(std::all_of(flat.begin(), flat.end(), [](uint8_t g) { return g == 128; }));

    ProgramRandom random(99);
    const std::vector<bool> unlocked[2];
    SliderValues values = FaultLine().InitialValues();
    for (int trial = 0; trial < 60; ++trial) {
        RandomizeUnlocked(FaultLine(), values, unlocked, random);
        const auto gray = RenderGray(FaultLine(), values, 14, 9);
        const auto [lo, hi] = std::minmax_element(gray.begin(), gray.end());
        if (*lo == *hi) {
            EXPECT_EQ(*lo, 128);
        } else {
            EXPECT_EQ(*lo, 0);
            EXPECT_EQ(*hi, 255);
        }
    }
}

TEST(FmWave, InitialValuesOnFourByFour) {
    EXPECT_EQ(Grid4x4(FmWave(), FmWave().InitialValues()),
              (std::vector<uint8_t>{3, 31, 228, 24, 31, 139, 122, 128, 228, 122, 128, 134, 24, 128,
                                    134, 117}));
}

TEST(FmWave, VariantsMeetWhereTheInnerSinesVanish) {
    const SliderValues silent1 = Values({3, 0, 2}, {2, 0, 3}, 0);
    const SliderValues silent2 = Values({3, 0, 2}, {2, 0, 3}, 1);
    EXPECT_EQ(RenderGray(FmWave(), silent1, 16, 10), RenderGray(FmWave(), silent2, 16, 10));
    const SliderValues loud1 = Values({3, 4, 2}, {2, -6, 3}, 0);
    const SliderValues loud2 = Values({3, 4, 2}, {2, -6, 3}, 1);
    const auto a = RenderGray(FmWave(), loud1, 16, 10);
    const auto b = RenderGray(FmWave(), loud2, 16, 10);
    EXPECT_NE(a, b);
    EXPECT_EQ(a[5 * 16 + 8], 128); // x = y = 0
    EXPECT_EQ(b[5 * 16 + 8], 128);
}

TEST(ExponentialWave, InitialValuesOnFourByFour) {
    EXPECT_EQ(Grid4x4(ExponentialWave(), ExponentialWave().InitialValues()),
              (std::vector<uint8_t>{67, 93, 90, 67, 61, 19, 75, 128, 102, 78, 40, 111, 121, 128,
                                    108, 84}));
}

TEST(ExponentialWave, WithoutRampsTheLevelIsTheSineAlone) {
    const auto gray = RenderGray(ExponentialWave(), Values({3, 2, 0}, {2, 1, 0}), 16, 10);
    EXPECT_EQ(gray[5 * 16 + 8], 0); // SX = sin(0) at x = y = 0
    const auto ramps = RenderGray(ExponentialWave(), Values({0, 2, 0}, {0, 1, 0}), 16, 10);
    EXPECT_TRUE(std::all_of(ramps.begin(), ramps.end(), [](uint8_t g) { return g == 0; }));
}

// Zero to a negative amplitude has no value; that pixel's power term counts as 0, which is what
// an order of 0 gives along the whole column or row.
TEST(ExponentialWave, ZeroToANegativePowerDropsThePowerTerm) {
    const auto negative = RawLevels(ExponentialWave(), Values({3, -3, 4}, {2, -1, 6}), 16, 10);
    const auto xOrderZero = RawLevels(ExponentialWave(), Values({0, -3, 4}, {2, -1, 6}), 16, 10);
    const auto yOrderZero = RawLevels(ExponentialWave(), Values({3, -3, 4}, {0, -1, 6}), 16, 10);
    for (int j = 0; j < 10; ++j) {
        EXPECT_EQ(negative[j * 16 + 8], xOrderZero[j * 16 + 8]) << j;
    }
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(negative[5 * 16 + i], yOrderZero[5 * 16 + i]) << i;
    }
    for (float v : negative) {
        EXPECT_TRUE(v >= 0.0f && v < 256.0f) << v;
    }
}

// No setting the sliders allow may give a level outside [0, 256] (Sine: [64, 192]) or one that
// is not a number. Sizes are even so that x = 0 and y = 0 occur.
TEST(AllGenerators, EverySliderSettingGivesALevelInRange) {
    ProgramRandom random(2024);
    for (const GeneratorTable* table : AllGenerators()) {
        const bool sine = table == &SineWave();
        const bool exponential = table == &ExponentialWave();
        for (int trial = 0; trial < 150; ++trial) {
            SliderValues values;
            for (int n = 0; n < 2; ++n) {
                for (const SliderRow& row : table->frames[n].rows) {
                    // The first trials pin every slider to its minimum, then its maximum.
                    const int32_t span = row.max - row.min + 1;
                    const int32_t pick = trial == 0   ? 0
                                         : trial == 1 ? span - 1
                                                      : static_cast<int32_t>(random.Rnd() * span);
                    values.frame[n].push_back(row.min + pick);
                }
            }
            values.variant = trial % 2;
            for (float v : RawLevels(*table, values, 12, 8)) {
                ASSERT_TRUE(std::isfinite(v)) << table->caption << " trial " << trial;
                ASSERT_GE(v, sine ? 64.0f : 0.0f) << table->caption << " trial " << trial;
                ASSERT_LE(v, sine ? 192.0f : 256.0f) << table->caption << " trial " << trial;
                if (exponential && values.frame[0][2] + values.frame[1][2] > 0) {
                    ASSERT_LT(v, 256.0f) << "trial " << trial;
                }
            }
        }
    }
}

} // namespace
} // namespace rw
