#pragma once
// The control's own window, its one picture (icon 201) and its one size.
#include <windows.h>

#include "win32/window.h"

namespace rw::plugin {

// The class name of the control's window.
inline constexpr wchar_t kControlWindowClass[] = L"LumbraPlugInControl";

// The child window a container gives the control when it activates it in place.
class ControlWindow final : public rw::win::Window {
public:
    // Creates the window in `parent` at `position`; false when it could not be made.
    bool Open(HWND parent, const RECT& position);

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
};

// Icon 201 at the default icon size, loaded once and kept for the life of the process.
HICON ControlIcon();
// Draws the icon with its top-left corner at (x, y); nothing else.
void DrawControlIcon(HDC dc, int x, int y);
// 32 x 32 pixels in HIMETRIC at the screen's resolution, whatever a container asks.
SIZEL ControlExtent();

} // namespace rw::plugin
