// The real seam, not the scripted one: its message box and file dialogs must reach the system's
// and come back with what the user pressed.
#include "win32/ui_seam.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace rw {
namespace {

// Presses `button` of the first dialog window titled `title` that appears within a few seconds.
class DialogAnswerer {
public:
    DialogAnswerer(const wchar_t* title, int button)
        : thread_([this, title, button] {
              for (int tries = 0; tries < 500 && !stop_; ++tries) {
                  if (HWND dialog = FindWindowW(L"#32770", title)) {
                      pressed_ = true;
                      PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
                      return;
                  }
                  Sleep(10);
              }
          }) {}
    ~DialogAnswerer() {
        stop_ = true;
        thread_.join();
    }
    DialogAnswerer(const DialogAnswerer&) = delete;
    DialogAnswerer& operator=(const DialogAnswerer&) = delete;
    bool Pressed() const { return pressed_; }

private:
    std::atomic<bool> stop_{false};
    std::atomic<bool> pressed_{false};
    std::thread thread_;
};

TEST(RealUiSeam, AMessageBoxShowsAndReturnsTheButtonPressed) {
    UiSeam real;
    {
        DialogAnswerer answer(L"Seam question", IDNO);
        EXPECT_EQ(real.ShowMessage(nullptr, L"Save changes?", L"Seam question", MB_YESNOCANCEL),
                  IDNO);
        EXPECT_TRUE(answer.Pressed());
    }
    {
        DialogAnswerer answer(L"Seam message", IDOK);
        EXPECT_EQ(real.ShowMessage(nullptr, L"Done.", L"Seam message", MB_OK), IDOK);
    }
}

TEST(RealUiSeam, ACancelledFileDialogGivesNoPath) {
    UiSeam real;
    FileDialogRequest request;
    request.save = true;
    request.title = L"Seam save";
    request.filter = L"TIFF|*.tif";
    request.fileName = L"untitled.tif";
    DialogAnswerer answer(L"Seam save", IDCANCEL);
    EXPECT_EQ(real.FileDialog(nullptr, request), L"");
    EXPECT_TRUE(answer.Pressed());
}

} // namespace
} // namespace rw
