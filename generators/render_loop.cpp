#include "generators/render_loop.h"

#include <algorithm>
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

} // namespace

RenderResult DrawTerrain(TerrainModel& model, const Surface24& surface, RenderHost& host) {
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
