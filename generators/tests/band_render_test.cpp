// The render in bands of rows: whatever the band height, the threads and the region, every level
// is bit for bit the one the per-pixel model gives for the whole image (and so rounds to the gray
// the editor draws).
#include <bit>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "generators/band_render.h"
#include "generators/tests/test_support.h"

namespace rw {
namespace {

class StoppingHost final : public RenderHost {
public:
    explicit StoppingHost(int stopAfter = -1) : stopAfter_(stopAfter) {}
    void Progress(int32_t percent) override { shown.push_back(percent); }
    bool CancelRequested() override { return static_cast<int>(shown.size()) == stopAfter_; }
    std::vector<int32_t> shown;

private:
    int stopAfter_;
};

struct Banded {
    std::vector<float> levels; // region.width per row
    bool completed = false;
    int bands = 0;
};

Banded RenderBanded(const GeneratorTable& table, const SliderValues& values, int32_t width,
                    int32_t height, const PixelRegion& region, int threads, int32_t bandRows,
                    RenderHost& host) {
    Banded out;
    const auto model = table.makeModel(values);
    out.completed = RenderRowBands(
        *model, width, height, region,
        [&](int32_t firstRow, int32_t rows, std::span<const float> levels) {
            EXPECT_EQ(static_cast<std::size_t>(firstRow) * region.width, out.levels.size());
            EXPECT_EQ(levels.size(), static_cast<std::size_t>(rows) * region.width);
            out.levels.insert(out.levels.end(), levels.begin(), levels.end());
            ++out.bands;
        },
        host, threads, bandRows);
    return out;
}

void ExpectSameBits(const std::vector<float>& got, const std::vector<float>& want,
                    const std::string& what) {
    ASSERT_EQ(got.size(), want.size()) << what;
    for (std::size_t p = 0; p < got.size(); ++p) {
        ASSERT_EQ(std::bit_cast<uint32_t>(got[p]), std::bit_cast<uint32_t>(want[p]))
            << what << " at " << p << ": " << got[p] << " != " << want[p];
    }
}

TEST(BandRender, WholeImageInAnyBandsOnAnyThreadsIsTheEditorsImage) {
    const int32_t width = 29, height = 17;
    for (const GeneratorTable* table : AllGenerators()) {
        for (const SliderValues& values : test::SampleSettings(*table, 3)) {
            const std::vector<float> reference = test::RawLevels(*table, values, width, height);
            const std::vector<uint8_t> drawn = test::RenderGray(*table, values, width, height);
            for (const auto& [bandRows, threads] : {std::pair{0, 1}, {4, 3}, {1, 2}, {17, 2}}) {
                test::QuietHost host;
                const Banded banded = RenderBanded(*table, values, width, height,
                                                   {0, 0, width, height}, threads, bandRows, host);
                const std::string what = std::string(table->caption) + " bands of " +
                                         std::to_string(bandRows) + " on " +
                                         std::to_string(threads);
                ASSERT_TRUE(banded.completed) << what;
                ExpectSameBits(banded.levels, reference, what);
                for (std::size_t p = 0; p < drawn.size(); ++p) {
                    ASSERT_EQ(GrayLevel(banded.levels[p]), drawn[p]) << what << " at " << p;
                }
            }
        }
    }
}

// A region is computed alone, yet Fault line stretches the range of the whole image over it.
TEST(BandRender, ARegionHasTheLevelsOfTheWholeImageThere) {
    const int32_t width = 41, height = 27;
    const PixelRegion regions[] = {{5, 3, 7, 11}, {40, 26, 1, 1}, {0, 13, 41, 1}, {20, 0, 1, 27}};
    for (const GeneratorTable* table : AllGenerators()) {
        for (const SliderValues& values : test::SampleSettings(*table, 1)) {
            const std::vector<float> whole = test::RawLevels(*table, values, width, height);
            for (const PixelRegion& r : regions) {
                test::QuietHost host;
                const Banded part = RenderBanded(*table, values, width, height, r, 2, 3, host);
                std::vector<float> crop;
                for (int32_t j = r.y; j < r.y + r.height; ++j) {
                    for (int32_t i = r.x; i < r.x + r.width; ++i) {
                        crop.push_back(whole[static_cast<std::size_t>(j) * width + i]);
                    }
                }
                ExpectSameBits(part.levels, crop,
                               std::string(table->caption) + " region at " + std::to_string(r.x) +
                                   "," + std::to_string(r.y));
            }
        }
    }
}

TEST(BandRender, ProgressCoversTheSurveyAndTheBandsAndTheHostCanStop) {
    StoppingHost host;
    const Banded full =
        RenderBanded(FaultLine(), FaultLine().InitialValues(), 50, 40, {0, 0, 50, 40}, 2, 8, host);
    EXPECT_TRUE(full.completed);
    EXPECT_EQ(full.bands, 5);
    // One band surveys all 40 rows (half the work), then five bands of 8 rows are rendered.
    EXPECT_EQ(host.shown, (std::vector<int32_t>{50, 60, 70, 80, 90, 100}));

    StoppingHost stopping(2);
    const Banded cut = RenderBanded(FaultLine(), FaultLine().InitialValues(), 50, 40,
                                    {0, 0, 50, 40}, 2, 8, stopping);
    EXPECT_FALSE(cut.completed);
    EXPECT_EQ(cut.bands, 1);

    const auto model = SineWave().makeModel(SineWave().InitialValues());
    test::QuietHost quiet;
    EXPECT_THROW(RenderRowBands(
                     *model, 30, 30, {0, 0, 30, 30},
                     [](int32_t, int32_t, std::span<const float>) {
                         throw std::runtime_error("the disk is full");
                     },
                     quiet, 2, 4),
                 std::runtime_error);
    EXPECT_THROW(RenderRowBands(*model, 30, 30, {25, 0, 6, 30}, {}, quiet), std::invalid_argument);
}

} // namespace
} // namespace rw
