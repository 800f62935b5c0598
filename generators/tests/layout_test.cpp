#include "generators/layout.h"

#include <gtest/gtest.h>

namespace rw {
namespace {

TEST(Layout, FramesRowsAndButtonsOfTheSineWaveDialog) {
    const GeneratorLayout layout = LayoutFor(SineWave());
    EXPECT_EQ(layout.frames[0], (RectTwips{120, 120, 3255, 600 * 7 + 495}));
    EXPECT_EQ(layout.frames[1], (RectTwips{3480, 120, 3255, 600 * 6 + 495}));
    ASSERT_EQ(layout.rows[0].size(), 7u);
    ASSERT_EQ(layout.rows[1].size(), 6u);
    // Row 6 (Blend) of the first frame and row 2 of the second, in dialog coordinates.
    EXPECT_EQ(layout.rows[0][6].label, (RectTwips{360, 4080, 2775, 255}));
    EXPECT_EQ(layout.rows[0][6].lock, (RectTwips{2400, 4080, 735, 255}));
    EXPECT_EQ(layout.rows[0][6].slider, (RectTwips{240, 4320, 3015, 375}));
    EXPECT_EQ(layout.rows[1][2].label, (RectTwips{3720, 1680, 2775, 255}));
    EXPECT_EQ(layout.rows[1][2].slider, (RectTwips{3600, 1920, 3015, 375}));
    EXPECT_TRUE(layout.variants.empty());
    const int32_t lefts[kButtonCount] = {120, 1200, 3600, 4680, 5760};
    for (int b = 0; b < kButtonCount; ++b) {
        EXPECT_EQ(layout.buttons[b], (RectTwips{lefts[b], 4920, 975, 375}));
    }
    EXPECT_EQ(layout.clientWidth, 6855);
    EXPECT_EQ(layout.clientHeight, 4920 + 375 + 120);
}

TEST(Layout, ButtonRowFollowsTheLowestFrameOrOptionButton) {
    EXPECT_EQ(LayoutFor(FaultLine()).frames[1].height, 3015);
    EXPECT_EQ(LayoutFor(FaultLine()).buttons[kOk].top, 3240);
    EXPECT_EQ(LayoutFor(ExponentialWave()).frames[0].height, 2295);
    EXPECT_EQ(LayoutFor(ExponentialWave()).buttons[kReset].top, 2520);
    EXPECT_EQ(LayoutFor(FourierWave()).buttons[kApply].top, 4320);

    const GeneratorLayout fm = LayoutFor(FmWave());
    ASSERT_EQ(fm.variants.size(), 2u);
    EXPECT_EQ(fm.variants[0], (RectTwips{240, 2520, 3015, 255}));
    EXPECT_EQ(fm.variants[1], (RectTwips{240, 2760, 3015, 255}));
    EXPECT_EQ(fm.buttons[kCancel], (RectTwips{4680, 3120, 975, 375}));
    EXPECT_EQ(fm.clientHeight, 3120 + 375 + 120);
}

} // namespace
} // namespace rw
