#pragma once
// Windows' rectangles as the placement rules take them.
#include <windows.h>

#include "core/placement.h"

namespace rw {

ScreenRect ScreenRectOf(HWND window);
// The work area of the monitor that shows most of the window (the nearest when none does).
ScreenRect WorkAreaNear(HWND window);
// Moves the window, keeping its size, z-order and activation.
void MoveTo(HWND window, const ScreenRect& place);

} // namespace rw
