#include "generators/render_loop.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/numerics.h"

namespace rw {
namespace {

std::vector<float> AxisCoordinates(int32_t size) {
    std::vector<float> coordinates(size > 0 ? static_cast<std::size_t>(size) : 0);
    for (int32_t k = 0; k < size; ++k) {
        coordinates[k] = NormalizedCoordinate(k, size);
    }
    return coordinates;
}

// A model that only knows single pixels, asked for whole columns. Survey changes the model, so
// this runs on one thread.
class PixelColumns final : public ColumnModel {
public:
    PixelColumns(TerrainModel& model, std::span<const float> ys) : model_(model), ys_(ys) {}

    bool ThreadSafe() const override { return false; }

    FieldRange SurveyColumn(float x) const override {
        for (const float y : ys_) {
            model_.Survey(x, y);
        }
        return {}; // the model keeps the range itself
    }

    void LevelColumn(float x, uint8_t* gray) const override {
        for (const float y : ys_) {
            *gray++ = GrayLevel(model_.Level(x, y));
        }
    }

    void RawLevelColumn(float x, float* levels) const override {
        for (const float y : ys_) {
            *levels++ = model_.Level(x, y);
        }
    }

private:
    TerrainModel& model_;
    std::span<const float> ys_;
};

// Columns that may be computed ahead of the drawing, per thread: enough that workers seldom wait
// while the calling thread shows progress (a column is one byte per row).
constexpr int32_t kWindowPerThread = 32;

} // namespace

std::unique_ptr<ColumnModel> TerrainModel::Columns(std::span<const float> ys) {
    return std::make_unique<PixelColumns>(*this, ys);
}

RenderResult DrawTerrain(TerrainModel& model, const Surface24& surface, RenderHost& host,
                         int threads) {
    const int32_t width = surface.width;
    const int32_t height = surface.height;
    const std::vector<float> xs = AxisCoordinates(width);
    const std::vector<float> ys = AxisCoordinates(height);
    const std::unique_ptr<ColumnModel> columns = model.Columns(ys);
    threads = columns->ThreadSafe() ? std::max(threads, 1) : 1;
    const int32_t window = kWindowPerThread * threads;
    const int32_t passes = model.SurveysField() ? 2 : 1;
    RenderResult result;

    if (passes == 2) {
        FieldRange range;
        {
            ColumnPipeline survey(width, sizeof(FieldRange), threads, window,
                                  [&](int32_t i, std::span<uint8_t> slot) {
                                      const FieldRange column = columns->SurveyColumn(xs[i]);
                                      std::memcpy(slot.data(), &column, sizeof column);
                                  });
            for (int32_t i = 0; i < width; ++i) {
                FieldRange column;
                std::memcpy(&column, survey.Next().data(), sizeof column);
                range.Add(column);
                host.Progress(ProgressPercent(i, width, 0, passes));
                if (host.CancelRequested()) {
                    return result; // the field is not known in full: nothing may be drawn
                }
            }
        }
        columns->Surveyed(range);
    }

    const int32_t drawPass = passes - 1;
    ColumnPipeline draw(
        width, static_cast<std::size_t>(std::max(height, 0)), threads, window,
        [&](int32_t i, std::span<uint8_t> slot) { columns->LevelColumn(xs[i], slot.data()); });
    for (int32_t i = 0; i < width; ++i) {
        const uint8_t* gray = draw.Next().data();
        uint8_t* pixel = surface.Pixel(i, 0);
        for (int32_t j = 0; j < height; ++j) {
            pixel[0] = gray[j];
            pixel[1] = gray[j];
            pixel[2] = gray[j];
            pixel += surface.stride;
        }
        result.columnsDrawn = i + 1;
        host.Progress(ProgressPercent(i, width, drawPass, passes));
        if (host.CancelRequested()) {
            break;
        }
    }
    result.completed = result.columnsDrawn == width;
    return result;
}

RenderResult DrawTerrainPerPixel(TerrainModel& model, const Surface24& surface, RenderHost& host) {
    const int32_t width = surface.width;
    const int32_t height = surface.height;
    // x depends only on the column and y only on the row, so neither is worked out per pixel.
    const std::vector<float> xs = AxisCoordinates(width);
    const std::vector<float> ys = AxisCoordinates(height);
    const int32_t passes = model.SurveysField() ? 2 : 1;
    RenderResult result;

    if (passes == 2) {
        for (int32_t i = 0; i < width; ++i) {
            const float x = xs[i];
            for (int32_t j = 0; j < height; ++j) {
                model.Survey(x, ys[j]);
            }
            host.Progress(ProgressPercent(i, width, 0, passes));
            if (host.CancelRequested()) {
                return result; // the field is not known in full: nothing may be drawn
            }
        }
    }

    const int32_t drawPass = passes - 1;
    for (int32_t i = 0; i < width; ++i) {
        const float x = xs[i];
        uint8_t* pixel = surface.Pixel(i, 0);
        for (int32_t j = 0; j < height; ++j) {
            const uint8_t g = GrayLevel(model.Level(x, ys[j]));
            pixel[0] = g;
            pixel[1] = g;
            pixel[2] = g;
            pixel += surface.stride;
        }
        result.columnsDrawn = i + 1;
        host.Progress(ProgressPercent(i, width, drawPass, passes));
        if (host.CancelRequested()) {
            break;
        }
    }
    result.completed = result.columnsDrawn == width;
    return result;
}

int32_t ProgressPercent(int32_t column, int32_t width, int32_t pass, int32_t passes) {
    const int32_t share = 100 / std::max(passes, 1); // percent covered by one pass
    // A single column is the whole pass at once; W - 1 = 0 must not reach the division.
    if (width <= 1) {
        return share * (pass + 1);
    }
    // Products are formed in 64 bits: the same values as 32-bit ones wherever those do not
    // overflow, and no undefined behaviour for absurd widths.
    const double done = static_cast<double>(static_cast<int64_t>(column) * share) / (width - 1);
    return static_cast<int32_t>(Int(pass == 0 ? done : done + pass * share));
}

std::string ProgressText(int32_t percent) {
    return std::to_string(percent) + "% complete, ESC to cancel";
}

} // namespace rw
