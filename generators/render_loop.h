#pragma once
// The render loop shared by all generators: columns left to right, each column top to bottom,
// progress and a cancellation test after every column.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/surface.h"
#include "generators/column_pipeline.h"
#include "generators/generator_table.h"

namespace rw {

class RenderHost {
public:
    virtual ~RenderHost() = default;
    // Called after every column with the percentage done (0 to 100).
    virtual void Progress(int32_t percent) = 0;
    // Tested after every column, after Progress.
    virtual bool CancelRequested() = 0;
};

struct RenderResult {
    bool completed = false;
    int32_t columnsDrawn = 0; // columns that hold new pixels
};

// Draws the model over the whole surface. A model that surveys the field runs two passes: the
// first draws nothing and reports 0 to 50 percent, the second draws and reports 50 to 100.
// Columns are computed whole, on `threads` threads (the caller's among them) a bounded window
// ahead; the calling thread alone writes the surface and talks to the host, column by column in
// order, so a cancelled render holds exactly the columns reported so far.
RenderResult DrawTerrain(TerrainModel& model, const Surface24& surface, RenderHost& host,
                         int threads = DefaultRenderThreads());

// The same render pixel by pixel through the model's Level, on the calling thread: the
// reference the column path is held to, bit for bit.
RenderResult DrawTerrainPerPixel(TerrainModel& model, const Surface24& surface, RenderHost& host);

// The percentage shown after column `column` of `width` in pass `pass` of `passes`.
int32_t ProgressPercent(int32_t column, int32_t width, int32_t pass, int32_t passes);

// "N% complete, ESC to cancel".
std::string ProgressText(int32_t percent);

} // namespace rw
