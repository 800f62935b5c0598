#include "win32/window.h"

#include <cwchar>
#include <exception>
#include <mutex>
#include <string>
#include <vector>

#include "win32/strings.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace rw::win {

HINSTANCE ModuleInstance() {
    return reinterpret_cast<HINSTANCE>(&__ImageBase);
}

namespace {

// The classes this module registered, unregistered when it unloads: a library that is unloaded
// and loaded again would otherwise find its old class pointing at code that is gone.
class RegisteredClasses {
public:
    ~RegisteredClasses() { UnregisterAll(); }
    // Registers the class unless it exists. Under the lock, so that two threads creating their
    // first window of a class at once register it once and record it once.
    void Register(const WindowClass& cls, WNDPROC proc) {
        std::lock_guard<std::mutex> hold(lock_);
        WNDCLASSEXW wc{};
        if (::GetClassInfoExW(ModuleInstance(), cls.name, &wc)) {
            return;
        }
        wc.cbSize = sizeof wc;
        wc.style = cls.style;
        wc.lpfnWndProc = proc;
        wc.hInstance = ModuleInstance();
        wc.hCursor = ::LoadCursorW(nullptr, cls.cursor);
        wc.hbrBackground = cls.background;
        wc.hIcon = cls.icon;
        wc.lpszClassName = cls.name;
        if (::RegisterClassExW(&wc)) {
            names_.emplace_back(cls.name);
        }
    }
    void UnregisterAll() {
        std::lock_guard<std::mutex> hold(lock_);
        for (const std::wstring& name : names_) {
            ::UnregisterClassW(name.c_str(), ModuleInstance());
        }
        names_.clear();
    }

private:
    std::mutex lock_;
    std::vector<std::wstring> names_;
};

RegisteredClasses& Registered() {
    static RegisteredClasses classes;
    return classes;
}

// The file name of this module, without its folder.
std::wstring ModuleName() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(ModuleInstance(), path, MAX_PATH);
    const wchar_t* slash = std::wcsrchr(path, L'\\');
    return slash ? slash + 1 : path;
}

} // namespace

void UnregisterWindowClasses() {
    Registered().UnregisterAll();
}

void ReportUnhandled(const wchar_t* where) {
    std::wstring text = ModuleName() + L": unhandled exception in ";
    text += where;
    try {
        throw;
    } catch (const std::exception& e) {
        text += L": " + Widen(e.what());
    } catch (...) {
    }
    text += L"\n";
    OutputDebugStringW(text.c_str());
}

Window::~Window() {
    Destroy();
}

void Window::Destroy() {
    if (hwnd_) {
        DestroyWindow(hwnd_);
    }
}

void Window::Create(const WindowClass& cls, DWORD exStyle, const wchar_t* title, DWORD style, int x,
                    int y, int width, int height, HWND parent, HMENU menuOrId) {
    Registered().Register(cls, Proc);
    if (exStyle & WS_EX_MDICHILD) {
        MDICREATESTRUCTW mcs{};
        mcs.szClass = cls.name;
        mcs.szTitle = title;
        mcs.hOwner = ModuleInstance();
        mcs.x = x;
        mcs.y = y;
        mcs.cx = width;
        mcs.cy = height;
        mcs.style = style;
        mcs.lParam = reinterpret_cast<LPARAM>(this);
        SendMessageW(parent, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&mcs));
    } else {
        CreateWindowExW(exStyle, cls.name, title, style, x, y, width, height, parent, menuOrId,
                        ModuleInstance(), this);
    }
}

LRESULT Window::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefaultProc(message, wParam, lParam);
}

LRESULT Window::DefaultProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

LRESULT CALLBACK Window::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (message == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
        void* params = cs->lpCreateParams;
        if (cs->dwExStyle & WS_EX_MDICHILD) {
            params = reinterpret_cast<void*>(static_cast<MDICREATESTRUCTW*>(params)->lParam);
        }
        self = static_cast<Window*>(params);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    if (!self) {
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    LRESULT result = 0;
    try {
        result = self->HandleMessage(message, wParam, lParam);
    } catch (...) {
        ReportUnhandled(L"window procedure");
        result = self->DefaultProc(message, wParam, lParam);
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        self->OnDestroyed();
    }
    return result;
}

} // namespace rw::win
