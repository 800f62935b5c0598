#include "plugin_host/control_window.h"

#include "plugin_host/control_format.h"
#include "plugin_host/module.h"
#include "plugin_host/resource.h"

namespace rw::plugin {

bool ControlWindow::Open(HWND parent, const RECT& position) {
    rw::win::WindowClass cls{kControlWindowClass};
    cls.style = CS_HREDRAW | CS_VREDRAW;
    cls.background = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    Create(cls, 0, L"", WS_CHILD | WS_CLIPSIBLINGS, position.left, position.top,
           position.right - position.left, position.bottom - position.top, parent, nullptr);
    return hwnd() != nullptr;
}

LRESULT ControlWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_PAINT) {
        return Window::HandleMessage(message, wParam, lParam);
    }
    PAINTSTRUCT paint;
    if (const HDC dc = ::BeginPaint(hwnd(), &paint)) {
        DrawControlIcon(dc, 0, 0);
        ::EndPaint(hwnd(), &paint);
    }
    return 0;
}

HICON ControlIcon() {
    static HICON icon = nullptr;
    ModuleGuard guard;
    if (!icon) {
        icon =
            static_cast<HICON>(::LoadImageW(rw::win::ModuleInstance(), MAKEINTRESOURCEW(IDI_PLUGIN),
                                            IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
    }
    return icon;
}

void DrawControlIcon(HDC dc, int x, int y) {
    if (const HICON icon = ControlIcon()) {
        ::DrawIcon(dc, x, y, icon);
    }
}

SIZEL ControlExtent() {
    int dpiX = 96;
    int dpiY = 96;
    if (const HDC screen = ::GetDC(nullptr)) {
        dpiX = ::GetDeviceCaps(screen, LOGPIXELSX);
        dpiY = ::GetDeviceCaps(screen, LOGPIXELSY);
        ::ReleaseDC(nullptr, screen);
    }
    return {HimetricFromPixels(kIconPixels, dpiX), HimetricFromPixels(kIconPixels, dpiY)};
}

} // namespace rw::plugin
