#pragma once
// Keeping windows on a screen that exists, and where a window opens over another.
#include <cstdint>

namespace rw {

struct ScreenRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    int32_t Width() const { return right - left; }
    int32_t Height() const { return bottom - top; }
    bool operator==(const ScreenRect&) const = default;
};

// The window moved, and shrunk where it is larger, so that it lies wholly inside the work area.
ScreenRect MoveOntoWorkArea(const ScreenRect& window, const ScreenRect& workArea);

// A window of the size centred on `owner`, moved wholly into the work area.
ScreenRect CentreOn(const ScreenRect& owner, int32_t width, int32_t height,
                    const ScreenRect& workArea);

} // namespace rw
