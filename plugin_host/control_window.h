#pragma once
// The control's own window and its one picture, icon 201.
#include <windows.h>

namespace rw::plugin {

// The class name of the control's window.
inline constexpr wchar_t kControlWindowClass[] = L"LumbraPlugInControl";

// Creates the control's child window (registering its class on first use).
HWND CreateControlWindow(HWND parent, const RECT& position);
// Called when the library unloads: a class left registered would outlive its window procedure.
void UnregisterControlWindowClass();

// Icon 201 at the default icon size, loaded once and kept for the life of the process.
HICON ControlIcon();
// Draws the icon with its top-left corner at (x, y); nothing else.
void DrawControlIcon(HDC dc, int x, int y);

} // namespace rw::plugin
