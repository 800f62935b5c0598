#pragma once
// Where a generator dialog opens: beside the document it draws into, so that the user watches
// the terrain appear instead of the dialog's back.
#include <cstdint>

#include "core/placement.h"

namespace rw {

// `picture`: the part of the active document's picture that is on the screen. To the right of
// the main window when the work area has room for the whole dialog there; otherwise where, inside
// the work area, it covers the least of the picture, and of such places the one nearest to the
// picture's top right corner.
ScreenRect PlaceGeneratorDialog(const ScreenRect& workArea, const ScreenRect& mainWindow,
                                const ScreenRect& picture, int32_t width, int32_t height);

// How many pixels two rectangles share.
int64_t CoveredArea(const ScreenRect& a, const ScreenRect& b);

} // namespace rw
