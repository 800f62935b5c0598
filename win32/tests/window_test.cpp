#include "win32/window.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "win32/message_loop.h"

namespace rw::win {
namespace {

constexpr UINT kThrow = WM_APP + 1;
constexpr UINT kCount = WM_APP + 2;

class Probe : public Window {
public:
    explicit Probe(const wchar_t* className) {
        const WindowClass cls{className};
        Create(cls, 0, L"probe", WS_OVERLAPPEDWINDOW, 0, 0, 50, 50, nullptr, nullptr);
    }
    ~Probe() override { Destroy(); }
    int counted = 0;

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == kThrow) {
            throw std::runtime_error("from a handler");
        }
        if (message == kCount) {
            ++counted;
            return 7;
        }
        return Window::HandleMessage(message, wParam, lParam);
    }
};

bool ClassRegistered(const wchar_t* name) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    return GetClassInfoExW(ModuleInstance(), name, &wc) != FALSE;
}

TEST(Window, ItsClassIsUnregisteredWithTheModuleAndRegisteredAgainOnUse) {
    {
        Probe probe(L"RwWin32TestProbe");
        EXPECT_TRUE(ClassRegistered(L"RwWin32TestProbe"));
        EXPECT_EQ(SendMessageW(probe.hwnd(), kCount, 0, 0), 7);
    }
    UnregisterWindowClasses();
    EXPECT_FALSE(ClassRegistered(L"RwWin32TestProbe"));
    Probe again(L"RwWin32TestProbe");
    ASSERT_NE(again.hwnd(), nullptr);
    EXPECT_EQ(SendMessageW(again.hwnd(), kCount, 0, 0), 7);
}

TEST(Window, AnExceptionInAHandlerStopsAtTheWindowProcedure) {
    Probe probe(L"RwWin32TestProbe");
    SendMessageW(probe.hwnd(), kThrow, 0, 0);
    EXPECT_EQ(SendMessageW(probe.hwnd(), kCount, 0, 0), 7); // the window still works
}

class SwallowCount : public MessageFilter {
public:
    bool PreTranslate(MSG& msg) override {
        seen += msg.message == kCount ? 1 : 0;
        return msg.message == kCount;
    }
    int seen = 0;
};

TEST(MessageLoop, FiltersSeeMessagesFirstUntilRemoved) {
    Probe probe(L"RwWin32TestProbe");
    SwallowCount filter;
    AddMessageFilter(&filter);
    PostMessageW(probe.hwnd(), kCount, 0, 0);
    ProcessPendingMessages();
    EXPECT_EQ(filter.seen, 1);
    EXPECT_EQ(probe.counted, 0);
    RemoveMessageFilter(&filter);
    PostMessageW(probe.hwnd(), kCount, 0, 0);
    ProcessPendingMessages();
    EXPECT_EQ(filter.seen, 1);
    EXPECT_EQ(probe.counted, 1);
}

} // namespace
} // namespace rw::win
