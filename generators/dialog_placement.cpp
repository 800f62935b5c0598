#include "generators/dialog_placement.h"

#include <algorithm>
#include <limits>

namespace rw {

namespace {

int64_t Shared(int32_t from, int32_t to, int32_t otherFrom, int32_t otherTo) {
    return std::max<int64_t>(0, int64_t{std::min(to, otherTo)} - std::max(from, otherFrom));
}

// Where an edge of `size` may stand so that [edge, edge + size) lies in [low, high) where it
// fits, at `low` where it does not.
int32_t Inside(int64_t edge, int32_t size, int32_t low, int32_t high) {
    return static_cast<int32_t>(
        std::clamp<int64_t>(edge, low, std::max<int64_t>(low, int64_t{high} - size)));
}

} // namespace

int64_t CoveredArea(const ScreenRect& a, const ScreenRect& b) {
    return Shared(a.left, a.right, b.left, b.right) * Shared(a.top, a.bottom, b.top, b.bottom);
}

ScreenRect PlaceGeneratorDialog(const ScreenRect& workArea, const ScreenRect& mainWindow,
                                const ScreenRect& picture, int32_t width, int32_t height) {
    const auto at = [&](int64_t left, int64_t top) {
        const int32_t x = Inside(left, width, workArea.left, workArea.right);
        const int32_t y = Inside(top, height, workArea.top, workArea.bottom);
        return ScreenRect{x, y, x + width, y + height};
    };
    if (int64_t{mainWindow.right} + width <= workArea.right) {
        return at(mainWindow.right, mainWindow.top);
    }
    // The covered area is the product of what the dialog shares with the picture across and
    // down, each least at an edge of the work area or where the dialog just clears the picture;
    // the corner it aims for stands among them for the choice between equals.
    const int64_t across[] = {workArea.left, int64_t{workArea.right} - width,
                              int64_t{picture.left} - width, picture.right};
    const int64_t down[] = {workArea.top, int64_t{workArea.bottom} - height, picture.top,
                            int64_t{picture.top} - height, picture.bottom};
    const ScreenRect aim = at(picture.right, picture.top);
    ScreenRect best = aim;
    int64_t bestCovered = CoveredArea(aim, picture);
    int64_t bestDistance = 0;
    for (const int64_t x : across) {
        for (const int64_t y : down) {
            const ScreenRect candidate = at(x, y);
            const int64_t covered = CoveredArea(candidate, picture);
            const int64_t dx = int64_t{candidate.left} - aim.left;
            const int64_t dy = int64_t{candidate.top} - aim.top;
            const int64_t distance = dx * dx + dy * dy;
            if (covered < bestCovered || (covered == bestCovered && distance < bestDistance)) {
                best = candidate;
                bestCovered = covered;
                bestDistance = distance;
            }
        }
    }
    return best;
}

} // namespace rw
