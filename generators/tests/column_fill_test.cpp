// The column path against the per-pixel models: every generator, many slider settings, sizes
// odd, even and one pixel thin, on one thread and on several, must give the same bytes; and a
// cancelled threaded render must leave exactly the columns it reported.
#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "generators/render_loop.h"
#include "generators/tests/test_support.h"

namespace rw {
namespace {

using test::Values;

constexpr uint8_t kOld = 0x5C;
constexpr int32_t kPadding = 5; // bytes after each row that no render may touch

// The surface bytes after a render, padding included, starting from kOld everywhere.
struct Rendered {
    std::vector<uint8_t> bytes;
    RenderResult result;
    std::vector<int32_t> shown;
};

class RecordingHost final : public RenderHost {
public:
    explicit RecordingHost(int cancelAfter = -1) : cancelAfter_(cancelAfter) {}
    void Progress(int32_t percent) override { shown.push_back(percent); }
    bool CancelRequested() override { return static_cast<int>(shown.size()) == cancelAfter_; }
    std::vector<int32_t> shown;

private:
    int cancelAfter_;
};

// threads 0: the per-pixel reference.
Rendered Render(const GeneratorTable& table, const SliderValues& values, int32_t width,
                int32_t height, int threads, int cancelAfter = -1) {
    Rendered out;
    const int32_t stride = 3 * width + kPadding;
    out.bytes.assign(static_cast<std::size_t>(stride) * height, kOld);
    const Surface24 surface{out.bytes.data(), stride, width, height};
    RecordingHost host(cancelAfter);
    const std::unique_ptr<TerrainModel> model = table.makeModel(values);
    out.result = threads == 0 ? DrawTerrainPerPixel(*model, surface, host)
                              : DrawTerrain(*model, surface, host, threads);
    out.shown = host.shown;
    return out;
}

std::string Describe(const GeneratorTable& table, const SliderValues& values, int32_t width,
                     int32_t height, int threads) {
    std::string text = std::string(table.caption) + " " + std::to_string(width) + "x" +
                       std::to_string(height) + " threads " + std::to_string(threads) + " {";
    for (int n = 0; n < 2; ++n) {
        for (int32_t v : values.frame[n]) {
            text += std::to_string(v) + ",";
        }
        text += n == 0 ? " / " : "";
    }
    return text + "} variant " + std::to_string(values.variant);
}

TEST(ColumnFill, SameBytesAsThePerPixelModelsOnAnyNumberOfThreads) {
    const std::pair<int32_t, int32_t> sizes[] = {{1, 1}, {1, 9},   {9, 1},  {4, 4},
                                                 {7, 5}, {16, 10}, {33, 20}};
    for (const GeneratorTable* table : AllGenerators()) {
        for (const SliderValues& values : test::SampleSettings(*table, 12)) {
            for (const auto& [width, height] : sizes) {
                const Rendered reference = Render(*table, values, width, height, 0);
                ASSERT_TRUE(reference.result.completed);
                for (int threads : {1, 2, 8}) {
                    const Rendered fast = Render(*table, values, width, height, threads);
                    ASSERT_TRUE(fast.bytes == reference.bytes)
                        << Describe(*table, values, width, height, threads);
                    ASSERT_EQ(fast.shown, reference.shown);
                    ASSERT_TRUE(fast.result.completed);
                }
            }
        }
    }
}

// Wider than any window of columns, so every slot is reused many times while workers run ahead.
TEST(ColumnFill, WideAndTallImagesMatchToo) {
    for (const GeneratorTable* table : AllGenerators()) {
        for (const SliderValues& values : test::SampleSettings(*table, 2)) {
            for (const auto& [width, height] :
                 {std::pair{301, 3}, std::pair{3, 301}, std::pair{128, 64}}) {
                const Rendered reference = Render(*table, values, width, height, 0);
                for (int threads : {2, 8}) {
                    ASSERT_TRUE(Render(*table, values, width, height, threads).bytes ==
                                reference.bytes)
                        << Describe(*table, values, width, height, threads);
                }
            }
        }
    }
}

// Fault line's columns skip std::pow for the exponents 0 and 1; that is only the same pixel if
// the library's pow returns exactly 1 and the base itself there, which is checked here over the
// sines and coordinates the generator feeds it, signed zeros and tiny values included.
TEST(ColumnFill, PowerOfZeroAndOneIsWhatTheColumnsTakeForIt) {
    std::vector<double> bases = {0.0,
                                 -0.0,
                                 1.0,
                                 -1.0,
                                 5.0,
                                 -5.0,
                                 std::numeric_limits<double>::denorm_min(),
                                 -std::numeric_limits<double>::min()};
    ProgramRandom random(5);
    for (int k = 0; k < 200000; ++k) {
        const double s = std::sin(20.0 * random.Rnd() - 10.0 + random.Rnd() * 1e-7);
        bases.push_back(s);
        bases.push_back(s * 5.0);
    }
    for (const double b : bases) {
        ASSERT_EQ(std::bit_cast<uint64_t>(std::pow(b, 1.0)), std::bit_cast<uint64_t>(b)) << b;
        ASSERT_EQ(std::pow(b, 0.0), 1.0) << b;
    }
}

// Workers run ahead of the drawing, but what they computed beyond the cancelled column never
// reaches the image.
TEST(ColumnFill, CancelledThreadedRenderKeepsExactlyTheColumnsReported) {
    const int32_t width = 97, height = 31;
    for (const GeneratorTable* table : AllGenerators()) {
        const bool surveys = table == &FaultLine();
        const SliderValues values = table->InitialValues();
        const Rendered full = Render(*table, values, width, height, 1);
        for (int threads : {1, 2, 8}) {
            for (int columns : {1, 10, 60}) {
                // Surveying models report a whole pass before the first column is drawn.
                const Rendered cut = Render(*table, values, width, height, threads,
                                            surveys ? width + columns : columns);
                SCOPED_TRACE(Describe(*table, values, width, height, threads));
                ASSERT_EQ(cut.result.columnsDrawn, columns);
                EXPECT_FALSE(cut.result.completed);
                EXPECT_EQ(cut.shown.size(),
                          static_cast<std::size_t>(surveys ? width + columns : columns));
                const int32_t stride = 3 * width + kPadding;
                for (int32_t j = 0; j < height; ++j) {
                    const auto row = cut.bytes.begin() + j * stride;
                    const auto fullRow = full.bytes.begin() + j * stride;
                    ASSERT_TRUE(std::equal(row, row + 3 * columns, fullRow)) << "row " << j;
                    ASSERT_TRUE(std::all_of(row + 3 * columns, row + stride,
                                            [](uint8_t b) { return b == kOld; }))
                        << "row " << j;
                }
            }
            if (surveys) {
                // Cancelled during the survey: nothing drawn at all.
                const Rendered surveyed = Render(*table, values, width, height, threads, 40);
                EXPECT_EQ(surveyed.result.columnsDrawn, 0);
                EXPECT_TRUE(std::all_of(surveyed.bytes.begin(), surveyed.bytes.end(),
                                        [](uint8_t b) { return b == kOld; }));
            }
        }
    }
}

} // namespace
} // namespace rw
