#include "plugin_host/control_window.h"

#include "plugin_host/module.h"
#include "plugin_host/resource.h"

namespace rw::plugin {
namespace {

ATOM g_class = 0;
HICON g_icon = nullptr;

LRESULT CALLBACK ControlWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        PAINTSTRUCT paint;
        if (const HDC dc = BeginPaint(window, &paint)) {
            DrawControlIcon(dc, 0, 0);
            EndPaint(window, &paint);
        }
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

HWND CreateControlWindow(HWND parent, const RECT& position) {
    {
        ModuleGuard guard;
        if (!g_class) {
            WNDCLASSEXW cls{};
            cls.cbSize = sizeof cls;
            cls.style = CS_HREDRAW | CS_VREDRAW;
            cls.lpfnWndProc = ControlWindowProc;
            cls.hInstance = ModuleInstance();
            cls.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // IDC_ARROW
            cls.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
            cls.lpszClassName = kControlWindowClass;
            g_class = RegisterClassExW(&cls);
            if (!g_class) {
                return nullptr;
            }
        }
    }
    return CreateWindowExW(0, kControlWindowClass, L"", WS_CHILD | WS_CLIPSIBLINGS, position.left,
                           position.top, position.right - position.left,
                           position.bottom - position.top, parent, nullptr, ModuleInstance(),
                           nullptr);
}

void UnregisterControlWindowClass() {
    if (g_class) {
        UnregisterClassW(kControlWindowClass, ModuleInstance());
        g_class = 0;
    }
}

HICON ControlIcon() {
    ModuleGuard guard;
    if (!g_icon) {
        g_icon = static_cast<HICON>(LoadImageW(ModuleInstance(), MAKEINTRESOURCEW(IDI_PLUGIN),
                                               IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
    }
    return g_icon;
}

void DrawControlIcon(HDC dc, int x, int y) {
    if (const HICON icon = ControlIcon()) {
        DrawIcon(dc, x, y, icon);
    }
}

} // namespace rw::plugin
