#pragma once
// One base for the program's own windows: the window procedure only routes messages to the
// object, and no C++ exception crosses into USER32.
#include <windows.h>

namespace rw::win {

HINSTANCE ModuleInstance();

struct WindowClass {
    const wchar_t* name;
    UINT style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    HBRUSH background = nullptr;
    HICON icon = nullptr;
    LPCWSTR cursor = IDC_ARROW;
};

class Window {
public:
    Window() = default;
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    HWND hwnd() const { return hwnd_; }

    // Destroys the window (no close question is asked).
    void Destroy();

protected:
    // Registers the class on first use and creates the window bound to this object. For an MDI
    // child, pass the MDI client as `parent` and WS_EX_MDICHILD: it is created by WM_MDICREATE.
    void Create(const WindowClass& cls, DWORD exStyle, const wchar_t* title, DWORD style, int x,
                int y, int width, int height, HWND parent, HMENU menuOrId);

    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    virtual LRESULT DefaultProc(UINT message, WPARAM wParam, LPARAM lParam);
    // After the last message; hwnd() is null again.
    virtual void OnDestroyed() {}

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    HWND hwnd_ = nullptr;
};

// Unregisters every window class this module registered (no window of them may be left). Runs by
// itself when the module unloads; a class is registered again on its next use.
void UnregisterWindowClasses();

// Reports an exception caught at a message boundary (debug output only: the user already saw
// whatever the handler meant to show).
void ReportUnhandled(const wchar_t* where);

} // namespace rw::win
