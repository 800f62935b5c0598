#include "core/placement.h"

#include <algorithm>

namespace rw {

ScreenRect MoveOntoWorkArea(const ScreenRect& window, const ScreenRect& workArea) {
    const int32_t width = std::clamp(window.Width(), 1, std::max(1, workArea.Width()));
    const int32_t height = std::clamp(window.Height(), 1, std::max(1, workArea.Height()));
    const int32_t left =
        std::clamp(window.left, workArea.left, std::max(workArea.left, workArea.right - width));
    const int32_t top =
        std::clamp(window.top, workArea.top, std::max(workArea.top, workArea.bottom - height));
    return {left, top, left + width, top + height};
}

ScreenRect CentreOn(const ScreenRect& owner, int32_t width, int32_t height,
                    const ScreenRect& workArea) {
    // In 64 bits: a window's coordinates may lie far outside the screen (a minimised one's do).
    const int32_t left = static_cast<int32_t>((int64_t{owner.left} + owner.right - width) / 2);
    const int32_t top = static_cast<int32_t>((int64_t{owner.top} + owner.bottom - height) / 2);
    return MoveOntoWorkArea({left, top, left + width, top + height}, workArea);
}

} // namespace rw
