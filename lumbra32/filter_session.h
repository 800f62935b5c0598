#pragma once
// Runs one filter plug-in over an RGB image: the record, the selector sequence, advanceState
// and the callback suites. Portable: the caller supplies the entry point, the pixels and what
// "abort" and "progress" mean; nothing here loads code or talks to a window system.
#include "lumbra32/filter_api.h"
#include "lumbra32/host_state.h"

#include <cstdint>
#include <string>
#include <vector>

namespace lumbra {

// The image a filter reads (`src`) and writes (`dst`): top-down rows of R G B, width * 3 bytes
// per row, `dst` holding the same pixels as `src` when the run starts. Keeping them apart lets
// a filter that reads around each pixel see the original even where output was already written.
struct FilterImage {
    const uint8_t* src = nullptr;
    uint8_t* dst = nullptr;
    int32_t width = 0;
    int32_t height = 0;
};

// What a filter keeps between runs of the same filter in one process: its own global (the
// entry point's `data`), its parameters handle and the resources it stored.
struct FilterState {
    intptr_t data = 0;
    pi::Handle parameters = nullptr;
    std::vector<StoredResource> resources;
};

class RunHooks {
public:
    virtual ~RunHooks() = default;
    // Polled by the filter (its abort proc) and by the host between rounds.
    virtual bool AbortRequested() = 0;
    virtual void Progress(int32_t done, int32_t total) = 0;
    // The filter asked for its next tiles: a sign of life, like progress.
    virtual void Working() {}
};

struct RunStats {
    double filterSeconds = 0; // inside the plug-in, less the advanceState calls it made
    double hostSeconds = 0;   // advanceState: buffers in and out
    int continueCalls = 0;
    int advanceCalls = 0;
};

struct RunResult {
    int16_t code = pi::kNoErr; // the plug-in's result, or kUserCanceled after an abort
    int16_t selector = 0;      // the selector that failed
    std::string message;       // the plug-in's own text for kReportString
};

RunResult RunFilter(pi::FilterEntry entry, FilterState& state, const FilterImage& image,
                    intptr_t ownerWindow, RunHooks& hooks, RunStats* stats = nullptr);

int16_t ShowFilterAbout(pi::FilterEntry entry, FilterState& state, intptr_t ownerWindow);

// A pixel map's rectangle as the rows of a top-down 24-bit device-independent bitmap (B G R,
// rows padded to four bytes), for a platform's displayPixels. Gray maps become gray pixels.
// False for what cannot be shown: other modes, an empty or inverted rectangle, no pixels.
// The rectangle is cut to the map's bounds.
bool PixelMapToDibRows(const pi::PSPixelMap& map, pi::VRect rect, std::vector<uint8_t>& rows,
                       int32_t& width, int32_t& height);
// The memory a run may promise a plug-in (maxSpace and bufferSpace): what the machine has free,
// kept within what the record's 32-bit fields and the process can hold. `freeBytes` 0 means
// unknown.
int64_t AdvertisedSpace(uint64_t freeBytes);
// A backstop for what the helper process may commit in a run over `pixelBytes` of shared pixels:
// the pixels, the copies of them its tiles may take, the most it can promise a plug-in, and room
// for code and the system's own needs. What a plug-in allocates past the suites stops there.
uint64_t HelperMemoryLimit(uint64_t pixelBytes);

} // namespace lumbra
