// The parameter tables, their random rules and Random with lock boxes.
#include "generators/generator_table.h"

#include <string>

#include <gtest/gtest.h>

#include "generators/tests/test_support.h"

namespace rw {
namespace {

using test::ScriptedRandom;

TEST(GeneratorTables, MenuOrderNamesAndCaptions) {
    const auto all = AllGenerators();
    ASSERT_EQ(all.size(), 5u);
    const char* expected[5][5] = {
        {"frmWave1", "Sine Wave", "Sine Wave ...", " Operator 1 ", " Operator 2 "},
        {"frmWave2", "Fourier Wave", "Fourier Wave ...", " Operator X ", " Operator Y "},
        {"frmWave3", "FM Wave 1", "FM Wave ...", " Operator X", " Operator Y "},
        {"frmWave4", "Exponential Wave", "Exponential Wave ...", " Operator X", " Operator Y "},
        {"frmFault1", "Fault line", "Fault line ...", " Operator 1 ", " Operator 2 "},
    };
    const std::size_t rowCounts[5][2] = {{7, 6}, {6, 6}, {3, 3}, {3, 3}, {4, 4}};
    for (std::size_t g = 0; g < 5; ++g) {
        SCOPED_TRACE(expected[g][0]);
        EXPECT_STREQ(all[g]->formName, expected[g][0]);
        EXPECT_STREQ(all[g]->caption, expected[g][1]);
        EXPECT_STREQ(all[g]->menuCaption, expected[g][2]);
        for (int n = 0; n < 2; ++n) {
            EXPECT_STREQ(all[g]->frames[n].caption, expected[g][3 + n]);
            EXPECT_EQ(all[g]->frames[n].rows.size(), rowCounts[g][n]);
        }
    }
    ASSERT_EQ(FmWave().variants.size(), 2u);
    EXPECT_STREQ(FmWave().variants[0], "Variant 1");
    EXPECT_STREQ(FmWave().variants[1], "Variant 2");
}

// Every value a row can hold or be given: initial, Reset and anything its random rule yields for
// numbers across [0, 1) must lie in the slider's range.
TEST(GeneratorTables, EveryRowStaysInsideItsSlider) {
    for (const GeneratorTable* table : AllGenerators()) {
        for (const FrameTable& frame : table->frames) {
            for (const SliderRow& row : frame.rows) {
                SCOPED_TRACE(std::string(table->caption) + " / " + row.label);
                EXPECT_LE(row.min, row.initial);
                EXPECT_LE(row.initial, row.max);
                EXPECT_LE(row.min, row.reset);
                EXPECT_LE(row.reset, row.max);
                for (float r : {0.0f, 0x1p-24f, 0.2f, 0.5f, 0.79f, 0.999f, 1.0f - 0x1p-24f}) {
                    for (float sign : {0.0f, 0.5f}) {
                        ScriptedRandom random{r, sign};
                        const int32_t value = row.random(random);
                        EXPECT_GE(value, row.min) << r;
                        EXPECT_LE(value, row.max) << r;
                    }
                }
            }
        }
    }
}

TEST(GeneratorTables, ResetValuesWhereTheyDifferFromTheInitialOnes) {
    EXPECT_EQ(FourierWave().InitialValues().frame[0], (std::vector<int32_t>{1, 0, 1, 0, 1, 0}));
    EXPECT_EQ(FourierWave().ResetValues(0).frame[1], (std::vector<int32_t>{0, 0, 0, 0, 0, 0}));
    const SliderValues fm = FmWave().ResetValues(1);
    EXPECT_EQ(fm.frame[1], (std::vector<int32_t>{1, 1, 2}));
    EXPECT_EQ(fm.variant, 1); // Reset keeps the selected variant
}

TEST(RandomRules, SineFrequenciesFavourLowValuesAndNeverExceedSix) {
    const SliderRow& frequency = SineWave().frames[0].rows[2];
    const SliderRow& order = SineWave().frames[0].rows[4];
    int32_t lowest = 100, highest = -100;
    for (int k = 0; k < 4096; ++k) {
        ScriptedRandom random{k / 4096.0f};
        const int32_t value = frequency.random(random);
        lowest = std::min(lowest, value);
        highest = std::max(highest, value);
    }
    EXPECT_EQ(lowest, -10);
    EXPECT_EQ(highest, 6);
    ScriptedRandom random{0.0f, 0.2f, 0.45f, 0.46f, 0.99f};
    EXPECT_EQ(frequency.random(random), -6); // |0.2 - 0| * 21 - 10 = -5.8
    EXPECT_EQ(order.random(random), 1);
    EXPECT_EQ(order.random(random), 1); // 0.25 * 4 + 1 = 2 less a hair
    EXPECT_EQ(order.random(random), 2); // 0.26 * 4 + 1
    EXPECT_EQ(order.random(random), 4);
}

TEST(RandomRules, AmplitudeDrawsSkewedNumberBeforeTheSign) {
    const SliderRow& amplitude = FmWave().frames[0].rows[1];
    ScriptedRandom skewedFirst{0.0f, 0.7f}; // skewed 0.2, sign +1
    EXPECT_EQ(amplitude.random(skewedFirst), 2);
    ScriptedRandom signZero{0.7f, 0.0f}; // skewed 0.5, sign 0
    EXPECT_EQ(amplitude.random(signZero), 0);
    EXPECT_EQ(signZero.Drawn(), 2u);
}

TEST(RandomRules, RandomVisitsFirstFrameThenSecondOneDrawPerRow) {
    SliderValues values = FmWave().InitialValues();
    const std::vector<bool> unlocked[2];
    // X: order, amplitude (two draws), frequency; then Y the same.
    ScriptedRandom random{0.0f, 0.0f, 0.7f, 0.5f, 0.99f, 0.99f, 0.3f, 0.99f};
    RandomizeUnlocked(FmWave(), values, unlocked, random);
    EXPECT_EQ(random.Drawn(), 8u);
    EXPECT_EQ(values.frame[0], (std::vector<int32_t>{2, 2, 2}));
    EXPECT_EQ(values.frame[1], (std::vector<int32_t>{4, 7, 4}));

    SliderValues exponential = ExponentialWave().InitialValues();
    ScriptedRandom falloffs{0.5f, 0.5f, 0.5f, 0.999f, 0.5f, 0.5f, 0.5f, 0.999f};
    RandomizeUnlocked(ExponentialWave(), exponential, unlocked, falloffs);
    EXPECT_EQ(exponential.frame[0][2], 9);  // Int(Rnd * 10)
    EXPECT_EQ(exponential.frame[1][2], 10); // Int(Rnd * 11)
}

TEST(RandomRules, LockedRowsKeepTheirValueAndDrawNothing) {
    SliderValues values = FourierWave().InitialValues();
    values.frame[1][3] = 42;
    const std::vector<bool> locked[2] = {{true, false, true, true, true, true},
                                         {true, true, true, true}};
    ScriptedRandom random{0.75f, 0.25f, 0.5f};
    RandomizeUnlocked(FourierWave(), values, locked, random);
    EXPECT_EQ(random.Drawn(), 3u);
    EXPECT_EQ(values.frame[0], (std::vector<int32_t>{1, 90, 1, 0, 1, 0}));
    EXPECT_EQ(values.frame[1], (std::vector<int32_t>{1, 0, 1, 42, 2, 0})); // rows 4, 5 unlocked

    const std::vector<bool> allLocked[2] = {std::vector<bool>(7, true), std::vector<bool>(6, true)};
    SliderValues sine = SineWave().InitialValues();
    ScriptedRandom none{};
    RandomizeUnlocked(SineWave(), sine, allLocked, none);
    EXPECT_EQ(sine.frame[0], SineWave().InitialValues().frame[0]);
}

} // namespace
} // namespace rw
