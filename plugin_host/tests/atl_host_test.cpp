// lumbraplug inside a control host nobody here wrote: atl.dll's AtlAxWin window class, given
// the ProgID as its window text.
#include <windows.h>
#include <ocidl.h>

#include <gtest/gtest.h>

#include <vector>

#include "plugin_host/control_window.h"
#include "plugin_host/tests/plugin_test_support.h"

using namespace plugintest;

namespace {

using AxWinInit = BOOL(WINAPI*)();
using AxGetControl = HRESULT(WINAPI*)(HWND, IUnknown**);
using AxCreateControl = HRESULT(WINAPI*)(LPCOLESTR, HWND, IStream*, IUnknown**);

struct Atl {
    // The host's window class is registered once per process (a second call reports failure).
    Atl() {
        static const BOOL registered = init ? init() : FALSE;
        ready = registered;
    }
    bool ready = false;
    HMODULE module = LoadLibraryW(L"atl.dll");
    AxWinInit init = Proc<AxWinInit>("AtlAxWinInit");
    AxGetControl getControl = Proc<AxGetControl>("AtlAxGetControl");
    AxCreateControl createControl = Proc<AxCreateControl>("AtlAxCreateControl");
    template <class F> F Proc(const char* name) {
        return module ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)))
                      : nullptr;
    }
};

void Pump() {
    MSG msg;
    for (int i = 0; i < 20; ++i) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(10);
    }
}

// A visible top-level window to hold the host windows.
HWND MakeFrame() {
    return CreateWindowExW(0, L"STATIC", L"lumbraplug host test", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                           0, 0, 300, 200, nullptr, nullptr, nullptr, nullptr);
}

std::vector<COLORREF> Capture(HWND window, int size) {
    const HDC dc = GetDC(window);
    const HDC memory = CreateCompatibleDC(dc);
    const HBITMAP bitmap = CreateCompatibleBitmap(dc, size, size);
    const HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, size, size, dc, 0, 0, SRCCOPY);
    std::vector<COLORREF> pixels;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            pixels.push_back(GetPixel(memory, x, y));
        }
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(window, dc);
    return pixels;
}

// What the control should show: its icon on the window colour, nothing else.
std::vector<COLORREF> Expected(HMODULE control, int size) {
    const HDC screen = GetDC(nullptr);
    const HDC memory = CreateCompatibleDC(screen);
    const HBITMAP bitmap = CreateCompatibleBitmap(screen, size, size);
    const HGDIOBJ old = SelectObject(memory, bitmap);
    const RECT all{0, 0, size, size};
    FillRect(memory, &all, GetSysColorBrush(COLOR_WINDOW));
    const HICON icon = static_cast<HICON>(
        LoadImageW(control, MAKEINTRESOURCEW(201), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
    DrawIcon(memory, 0, 0, icon);
    DestroyIcon(icon);
    std::vector<COLORREF> pixels;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            pixels.push_back(GetPixel(memory, x, y));
        }
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

} // namespace

TEST(PlugInAtlHost, ActivatesPaintsItsIconAndAnswersItsSize) {
    RegisterControl();
    Atl atl;
    ASSERT_TRUE(atl.init && atl.getControl && atl.createControl) << "atl.dll";
    ASSERT_TRUE(atl.ready);
    const HWND frame = MakeFrame();
    // The host window class given the ProgID as its text creates the control. (Wine's host
    // then keeps no container for it, so it is attached explicitly below, as a container
    // that holds its controls does.)
    const HWND byText = CreateWindowExW(0, L"AtlAxWin", L"PlugIn.PlugIn", WS_CHILD | WS_VISIBLE,
                                        120, 10, 40, 40, frame, nullptr, nullptr, nullptr);
    ASSERT_NE(byText, nullptr);
    EXPECT_NE(GetModuleHandleW(L"lumbraplug.ocx"), nullptr);
    const HWND host = CreateWindowExW(0, L"AtlAxWin", L"", WS_CHILD | WS_VISIBLE, 10, 10, 100, 80,
                                      frame, nullptr, nullptr, nullptr);
    ASSERT_NE(host, nullptr);
    ComPtr<IUnknown> container;
    ASSERT_EQ(atl.createControl(L"PlugIn.PlugIn", host, nullptr, container.Put()), S_OK);
    Pump();
    ComPtr<IUnknown> control;
    ASSERT_EQ(atl.getControl(host, control.Put()), S_OK);
    ComPtr<IPlugIn> plugIn;
    ASSERT_EQ(control.As(plugIn), S_OK);

    // Activated in place: the control has a window of its own inside the host's.
    const HWND window = FindWindowExW(host, nullptr, rw::plugin::kControlWindowClass, nullptr);
    ASSERT_NE(window, nullptr);
    ComPtr<IOleWindow> oleWindow;
    ASSERT_EQ(control.As(oleWindow), S_OK);
    HWND reported = nullptr;
    EXPECT_EQ(oleWindow->GetWindow(&reported), S_OK);
    EXPECT_EQ(reported, window);
    EXPECT_TRUE(IsWindowVisible(window));

    // Whatever the host asked, the size is 32 x 32 pixels in HIMETRIC.
    ComPtr<IOleObject> object;
    ASSERT_EQ(control.As(object), S_OK);
    SIZEL size{};
    EXPECT_EQ(object->GetExtent(DVASPECT_CONTENT, &size), S_OK);
    const HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(size.cx, (32 * 2540 + dpi / 2) / dpi);

    // It paints its icon at the top-left of its window and nothing else.
    InvalidateRect(window, nullptr, TRUE);
    UpdateWindow(window);
    Pump();
    const HMODULE module = GetModuleHandleW(L"lumbraplug.ocx");
    ASSERT_NE(module, nullptr);
    const int cell = 40; // the icon and a margin of window colour around it
    const std::vector<COLORREF> shown = Capture(window, cell);
    const std::vector<COLORREF> expected = Expected(module, cell);
    int differing = 0;
    for (std::size_t i = 0; i < shown.size(); ++i) {
        differing += shown[i] != expected[i];
    }
    EXPECT_EQ(differing, 0) << "pixels unlike the icon on the window colour";
    // The emblem's yellow core is at the centre of the 32 x 32 icon.
    EXPECT_EQ(shown[16 * cell + 16], RGB(255, 255, 0));

    // Save through the control's stream persistence, as a container saves its form.
    ComPtr<IPersistStreamInit> persist;
    ASSERT_EQ(control.As(persist), S_OK);
    ComPtr<IStream> saved;
    ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, saved.Put()), S_OK);
    ASSERT_EQ(persist->Save(saved.Get(), TRUE), S_OK);

    persist.Reset();
    object.Reset();
    oleWindow.Reset();
    plugIn.Reset();
    control.Reset();
    container.Reset();
    DestroyWindow(byText);
    DestroyWindow(host);
    DestroyWindow(frame);
    Pump();
    // The window went with its host.
    EXPECT_FALSE(IsWindow(window));
}

TEST(PlugInAtlHost, HostLoadsAndSavesTheSameTwelveBytes) {
    RegisterControl();
    Atl atl;
    ASSERT_TRUE(atl.init && atl.createControl && atl.getControl);
    ASSERT_TRUE(atl.ready);
    const BYTE bytes[12] = {2, 2, 0, 0, 0xD8, 0x13, 0, 0, 0xD8, 0x13, 0, 0};
    const BYTE other[12] = {2, 2, 0, 0, 0x10, 0x27, 0, 0, 0x20, 0x4E, 0, 0};
    for (const BYTE* form : {bytes, other}) {
        const HWND frame = MakeFrame();
        const HWND host = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 0, 64, 64,
                                          frame, nullptr, nullptr, nullptr);
        ComPtr<IStream> in;
        ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, in.Put()), S_OK);
        in->Write(form, 12, nullptr);
        const LARGE_INTEGER zero{};
        in->Seek(zero, STREAM_SEEK_SET, nullptr);
        ComPtr<IUnknown> container;
        ASSERT_EQ(atl.createControl(L"PlugIn.PlugIn", host, in.Get(), container.Put()), S_OK);
        ComPtr<IUnknown> control;
        ASSERT_EQ(atl.getControl(host, control.Put()), S_OK);
        ComPtr<IPersistStreamInit> persist;
        ASSERT_EQ(control.As(persist), S_OK);
        ComPtr<IStream> out;
        ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, out.Put()), S_OK);
        ASSERT_EQ(persist->Save(out.Get(), TRUE), S_OK);
        HGLOBAL memory = nullptr;
        ASSERT_EQ(GetHGlobalFromStream(out.Get(), &memory), S_OK);
        STATSTG stat{};
        out->Stat(&stat, STATFLAG_NONAME);
        ASSERT_EQ(stat.cbSize.QuadPart, 12u);
        const auto* data = static_cast<const BYTE*>(GlobalLock(memory));
        EXPECT_EQ(std::vector<BYTE>(data, data + 12), std::vector<BYTE>(form, form + 12));
        GlobalUnlock(memory);
        persist.Reset();
        control.Reset();
        container.Reset();
        DestroyWindow(host);
        DestroyWindow(frame);
    }
}

TEST(PlugInAtlHost, LibraryUnloadsWithItsWindowClassAndLoadsAgain) {
    RegisterControl();
    Atl atl;
    ASSERT_TRUE(atl.init && atl.getControl && atl.createControl);
    ASSERT_TRUE(atl.ready);
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        const HWND frame = MakeFrame();
        const HWND host = CreateWindowExW(0, L"AtlAxWin", L"", WS_CHILD | WS_VISIBLE, 0, 0, 64, 64,
                                          frame, nullptr, nullptr, nullptr);
        ComPtr<IUnknown> container;
        ASSERT_EQ(atl.createControl(L"PlugIn.PlugIn", host, nullptr, container.Put()), S_OK);
        Pump();
        ASSERT_NE(FindWindowExW(host, nullptr, rw::plugin::kControlWindowClass, nullptr), nullptr);
        const HMODULE module = GetModuleHandleW(L"lumbraplug.ocx");
        ASSERT_NE(module, nullptr);
        WNDCLASSEXW cls{};
        cls.cbSize = sizeof cls;
        EXPECT_TRUE(GetClassInfoExW(module, rw::plugin::kControlWindowClass, &cls));
        container.Reset();
        DestroyWindow(host);
        DestroyWindow(frame);
        Pump();
        // The last object is gone: COM may now unload the library.
        CoFreeUnusedLibrariesEx(0, 0);
        CoFreeUnusedLibrariesEx(0, 0);
        EXPECT_EQ(GetModuleHandleW(L"lumbraplug.ocx"), nullptr) << "DllCanUnloadNow said no";
        EXPECT_FALSE(GetClassInfoExW(module, rw::plugin::kControlWindowClass, &cls))
            << "the window class outlived its library";
    }
}
