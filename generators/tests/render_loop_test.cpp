#include "generators/render_loop.h"

#include <vector>

#include <gtest/gtest.h>

#include "core/numerics.h"

namespace rw {
namespace {

constexpr uint8_t kOld = 0xAB; // what the surface held before the render

// Returns 1, 2, 3 ... in call order, and remembers where it was asked.
class CountingModel : public TerrainModel {
public:
    explicit CountingModel(bool surveys = false) : surveys_(surveys) {}
    bool SurveysField() const override { return surveys_; }
    void Survey(float, float) override {
        ++surveyed;
        EXPECT_EQ(levelCalls, 0) << "a pixel was drawn before the survey ended";
    }
    float Level(float x, float y) const override {
        calls.push_back({x, y});
        return static_cast<float>(++levelCalls);
    }

    int surveyed = 0;
    mutable int levelCalls = 0;
    mutable std::vector<std::pair<float, float>> calls;

private:
    bool surveys_;
};

class ScriptedHost : public RenderHost {
public:
    explicit ScriptedHost(int cancelAfter = -1) : cancelAfter_(cancelAfter) {}
    void Progress(int32_t percent) override { shown.push_back(percent); }
    bool CancelRequested() override { return static_cast<int>(shown.size()) == cancelAfter_; }
    std::vector<int32_t> shown;

private:
    int cancelAfter_;
};

// A 24-bit image with padding at the end of each row, filled with kOld.
struct TestSurface {
    TestSurface(int32_t width, int32_t height)
        : bytes(static_cast<std::size_t>(height) * (3 * width + 4), kOld), surface{bytes.data(),
                                                                                   3 * width + 4,
                                                                                   width, height} {}
    const uint8_t* Pixel(int32_t i, int32_t j) const {
        return bytes.data() + j * surface.stride + 3 * i;
    }
    bool ColumnUntouched(int32_t i) const {
        for (int32_t j = 0; j < surface.height; ++j) {
            const uint8_t* p = Pixel(i, j);
            if (p[0] != kOld || p[1] != kOld || p[2] != kOld) {
                return false;
            }
        }
        return true;
    }
    std::vector<uint8_t> bytes;
    Surface24 surface;
};

TEST(DrawTerrain, ColumnsLeftToRightEachTopToBottom) {
    TestSurface image(4, 3);
    CountingModel model;
    ScriptedHost host;
    const RenderResult result = DrawTerrain(model, image.surface, host);
    EXPECT_TRUE(result.completed);
    EXPECT_EQ(result.columnsDrawn, 4);
    for (int32_t i = 0; i < 4; ++i) {
        for (int32_t j = 0; j < 3; ++j) {
            const uint8_t* p = image.Pixel(i, j);
            const uint8_t expected = static_cast<uint8_t>(i * 3 + j + 1);
            EXPECT_EQ(p[0], expected);
            EXPECT_EQ(p[1], expected);
            EXPECT_EQ(p[2], expected);
            EXPECT_EQ(model.calls[i * 3 + j].first, NormalizedCoordinate(i, 4));
            EXPECT_EQ(model.calls[i * 3 + j].second, NormalizedCoordinate(j, 3));
        }
    }
    for (int32_t j = 0; j < 3; ++j) {
        EXPECT_EQ(image.Pixel(4, j)[0], kOld); // the padding after each row stays as it was
        EXPECT_EQ(image.Pixel(4, j)[3], kOld);
    }
    EXPECT_EQ(host.shown, (std::vector<int32_t>{0, 33, 66, 100}));
}

TEST(DrawTerrain, ProgressEndsAtOneHundredWhateverTheWidth) {
    EXPECT_EQ(ProgressPercent(0, 1, 0, 1), 100); // one column: no division by W - 1 = 0
    EXPECT_EQ(ProgressPercent(0, 1, 0, 2), 50);
    EXPECT_EQ(ProgressPercent(0, 1, 1, 2), 100);
    EXPECT_EQ(ProgressPercent(1, 7, 0, 1), 16);
    EXPECT_EQ(ProgressPercent(1, 7, 1, 2), 58);
    EXPECT_EQ(ProgressPercent(4095, 4096, 0, 1), 100);
    EXPECT_EQ(ProgressText(42), "42% complete, ESC to cancel");

    TestSurface narrow(1, 5);
    CountingModel model;
    ScriptedHost host;
    EXPECT_TRUE(DrawTerrain(model, narrow.surface, host).completed);
    EXPECT_EQ(host.shown, (std::vector<int32_t>{100}));
}

TEST(DrawTerrain, SurveyingModelsGetTwoPasses) {
    TestSurface image(5, 2);
    CountingModel model(true);
    ScriptedHost host;
    EXPECT_TRUE(DrawTerrain(model, image.surface, host).completed);
    EXPECT_EQ(model.surveyed, 10);
    EXPECT_EQ(model.levelCalls, 10);
    EXPECT_EQ(host.shown, (std::vector<int32_t>{0, 12, 25, 37, 50, 50, 62, 75, 87, 100}));
}

TEST(DrawTerrain, CancelStopsAfterTheCurrentColumn) {
    TestSurface image(5, 3);
    CountingModel model;
    ScriptedHost host(2);
    const RenderResult result = DrawTerrain(model, image.surface, host);
    EXPECT_FALSE(result.completed);
    EXPECT_EQ(result.columnsDrawn, 2);
    EXPECT_FALSE(image.ColumnUntouched(1));
    EXPECT_TRUE(image.ColumnUntouched(2));
    EXPECT_TRUE(image.ColumnUntouched(4));
    EXPECT_EQ(host.shown.size(), 2u);
}

TEST(DrawTerrain, CancelDuringTheSurveyDrawsNothing) {
    TestSurface image(4, 3);
    CountingModel model(true);
    ScriptedHost host(4); // even at the survey's last column
    const RenderResult result = DrawTerrain(model, image.surface, host);
    EXPECT_FALSE(result.completed);
    EXPECT_EQ(result.columnsDrawn, 0);
    EXPECT_EQ(model.levelCalls, 0);
    for (int32_t i = 0; i < 4; ++i) {
        EXPECT_TRUE(image.ColumnUntouched(i)) << i;
    }
}

TEST(DrawTerrain, CancelDuringTheSecondPassKeepsTheColumnsDrawn) {
    TestSurface image(4, 3);
    CountingModel model(true);
    ScriptedHost host(4 + 3);
    const RenderResult result = DrawTerrain(model, image.surface, host);
    EXPECT_EQ(result.columnsDrawn, 3);
    EXPECT_FALSE(image.ColumnUntouched(2));
    EXPECT_TRUE(image.ColumnUntouched(3));
    EXPECT_EQ(host.shown.back(), 83);
}

} // namespace
} // namespace rw
