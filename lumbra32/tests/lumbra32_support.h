#pragma once
// What the tests of lumbra32's ten functions share: the fixture plug-ins' folder, test pictures,
// progress and listing callbacks, and answering a plug-in's dialog from a thread of the test.
#include "lumbra32/lumbra32.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace lumbra32test {

std::string BuildDir();
std::string PluginDir();
std::string Plugin(const char* file);

struct Found {
    std::string title, file, category;
};
int CALLBACK Collect(const char* title, const char* file, const char* category, void* context);

struct Progress {
    std::vector<int> percents;
    DWORD thread = 0;
    bool sameThread = true;
    bool pressEsc = false;
};
int CALLBACK OnStatus(int, int percent, void* context);

uint8_t Pattern(int x, int y, int c);
// A packed 24-bit DIB holding Pattern, its padding bytes set to 0xAB.
HGLOBAL MakeDib(int w, int h, bool topDown);
// Pixels as (r, g, b) rows top-down, plus the padding bytes at the end.
std::vector<uint8_t> ReadDib(HGLOBAL g);
std::vector<uint8_t> InvertedPattern(int w, int h);
std::vector<uint8_t> Pixel(HGLOBAL dib, int x, int y, int width);
HWND OwnerWindow();

// Waits on a thread of its own for a top-level window of `caption` (a plug-in's dialog, in the
// helper process, or the library's question), notes its owner and presses `button` in it: a
// command id, or the text of one of its buttons. `waitMs` bounds the wait; `holdMs` is how long
// the window is left open before the press.
class AnswerDialog {
public:
    AnswerDialog(const char* caption, WPARAM button, DWORD waitMs = 15000, DWORD holdMs = 0);
    AnswerDialog(const char* caption, const char* buttonText, DWORD waitMs = 15000,
                 DWORD holdMs = 0);
    ~AnswerDialog() { Finish(); }
    // Stops waiting; true when the dialog came.
    bool Finish();
    HWND Owner() {
        Finish();
        return owner_;
    }
    // When the dialog was seen (GetTickCount), 0 if it was not.
    DWORD SeenAt() {
        Finish();
        return seenAt_;
    }
    // The text of its static controls.
    std::string Text() {
        Finish();
        return text_;
    }
    // Whether the window was still there to be answered after `holdMs`.
    bool Pressed() {
        Finish();
        return pressed_;
    }

private:
    void Watch(const char* caption, DWORD waitMs, DWORD holdMs, WPARAM button,
               const char* buttonText);

    std::atomic<bool> done_{false};
    std::atomic<bool> seen_{false};
    std::atomic<HWND> owner_{nullptr};
    std::atomic<DWORD> seenAt_{0};
    std::atomic<bool> pressed_{false};
    std::string text_;
    std::thread thread_;
};

class Lumbra32 : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(PlugInHostAvailable(), 0);
        ASSERT_EQ(PlugInHostOpen(PluginDir().c_str()), 1);
        progress_.thread = GetCurrentThreadId();
        ASSERT_EQ(PlugInSetStatusCallback(OnStatus, 0, &progress_), 1);
    }
    // Runs the loaded plug-in on `dib`; the run's result.
    int Run(HGLOBAL dib, HWND owner = nullptr) {
        HGLOBAL image = ImageFromDib(dib);
        EXPECT_NE(image, nullptr);
        if (!image) {
            return -1;
        }
        int result = PlugInRun(image, owner, 0);
        GlobalFree(image);
        return result;
    }
    Progress progress_;
};

} // namespace lumbra32test
