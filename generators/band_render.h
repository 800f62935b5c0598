#pragma once
// The render as bands of whole rows, top to bottom, for files written as they are computed: the
// same levels as the column render draws, with memory in proportion to the width only.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

#include "generators/column_pipeline.h"
#include "generators/generator_table.h"
#include "generators/render_loop.h"

namespace rw {

// The pixels [x, x + width) x [y, y + height) of a larger image.
struct PixelRegion {
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
};

// `rows` rows of the region from region row `firstRow` on, region.width levels each, row after
// row.
using BandConsumer =
    std::function<void(int32_t firstRow, int32_t rows, std::span<const float> levels)>;

// Rows per band for a region `width` pixels wide when `threads` threads compute bands: as many
// as keep the bands in flight within a fixed budget (at least one row, at most a few hundred).
int32_t DefaultBandRows(int32_t width, int threads);

// Renders the levels v of `region` of an imageWidth x imageHeight image, bit for bit those the
// column render rounds to gray (GrayLevel(v)) for the whole image. A model that surveys the field
// surveys the whole image first, so a region has the levels the whole image has there.
// Bands of `bandRows` rows are computed on `threads` threads (the caller's among them) a few
// bands ahead and handed to `consume` in order on the calling thread, which then reports the
// percentage done to `host` and asks it whether to stop. Returns whether every band was handed
// over; what `consume` throws ends the render and reaches the caller.
bool RenderRowBands(TerrainModel& model, int32_t imageWidth, int32_t imageHeight,
                    const PixelRegion& region, const BandConsumer& consume, RenderHost& host,
                    int threads = DefaultRenderThreads(), int32_t bandRows = 0);

} // namespace rw
