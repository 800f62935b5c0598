// Levels as file samples, and the progress bar.
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <sstream>

#include <gtest/gtest.h>

#include "ridgegen/height_format.h"
#include "ridgegen/progress_bar.h"

namespace rw {
namespace {

TEST(HeightFormat, SixteenBitSamplesAreTheLevelTimes256RoundedAndKeptInRange) {
    const float half = 1.0f / 512; // 0.5 once scaled
    const std::pair<float, uint16_t> cases[] = {
        {0.0f, 0},
        {128.0f, 32768},
        {255.0f, 65280},
        {256.0f, 65535},
        {255.998f, 65535},
        {half, 1},
        {3 * half, 2},
        {std::nextafter(half, 0.0f), 0},
        {std::nextafter(3 * half, 0.0f), 1},
        {-0.0f, 0},
        {-3.0f, 0},
        {std::numeric_limits<float>::quiet_NaN(), 0},
        {std::numeric_limits<float>::infinity(), 65535},
    };
    for (const auto& [v, sample] : cases) {
        EXPECT_EQ(Sample16(v), sample) << v;
    }
    EXPECT_EQ(std::bit_cast<uint32_t>(UnitSample(-0.0f)), 0u);
    EXPECT_EQ(UnitSample(64.0f), 0.25f);
    EXPECT_EQ(UnitSample(300.0f), 1.0f);
    EXPECT_EQ(UnitSample(std::numeric_limits<float>::quiet_NaN()), 0.0f);
}

TEST(HeightFormat, RowsAreLaidOutAsEachFileStoresThem) {
    const float levels[] = {1.0f, 255.5f};
    uint8_t bytes[8] = {};
    Gray16BigEndianRow(levels, bytes);
    EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + 4), (std::vector<uint8_t>{1, 0, 255, 128}));
    Gray16LittleEndianRow(levels, bytes);
    EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + 4), (std::vector<uint8_t>{0, 1, 128, 255}));
    Gray8Row(levels, bytes);
    EXPECT_EQ(bytes[1], 255); // 255.5 is a tie, drawn to the even 256, which is taken as 255
    UnitFloatRow(levels, bytes);
    float unit[2];
    std::memcpy(unit, bytes, sizeof unit);
    EXPECT_EQ(unit[0], 1.0f / 256);
    for (const char* name : {"png8", "png16", "r16", "tiff32"}) {
        EXPECT_STREQ(NameOf(*HeightFormatNamed(name)), name);
    }
    EXPECT_FALSE(HeightFormatNamed("PNG16"));
}

TEST(ProgressBar, ShowsOnATerminalOnceASecondHasPassedAndClearsItsLine) {
    double now = 100.0;
    std::ostringstream terminal, pipe;
    {
        ProgressBar bar(terminal, true, [&] { return now; });
        ProgressBar quiet(pipe, false, [&] { return now; });
        bar.Show(10);
        now += 2.0;
        bar.Show(50);
        quiet.Show(50);
        const std::string shown = terminal.str();
        EXPECT_EQ(shown.find("10%"), std::string::npos);
        EXPECT_NE(shown.find("####################--------------------] 50%  2 s"),
                  std::string::npos)
            << shown;
        bar.Show(50);
        EXPECT_EQ(terminal.str(), shown);
    }
    EXPECT_EQ(terminal.str().back(), '\r'); // cleared when the bar went away
    EXPECT_EQ(pipe.str(), "");
}

} // namespace
} // namespace rw
