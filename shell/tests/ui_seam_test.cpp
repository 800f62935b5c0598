// The real seam, not the scripted one: its message box and file dialogs must reach the system's
// and come back with what the user pressed.
#include "shell/ui_seam.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace rw {
namespace {

// Presses `button` of the first dialog window titled `title` that shows within a few seconds,
// noting where it showed and whose it was.
class DialogAnswerer {
public:
    DialogAnswerer(const wchar_t* title, int button)
        : thread_([this, title, button] {
              for (int tries = 0; tries < 500 && !stop_; ++tries) {
                  HWND dialog = FindWindowW(L"#32770", title);
                  if (dialog && IsWindowVisible(dialog)) {
                      GetWindowRect(dialog, &shownAt_);
                      owner_ = GetWindow(dialog, GW_OWNER);
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
    RECT ShownAt() const { return shownAt_; }
    HWND Owner() const { return owner_; }

private:
    RECT shownAt_{};
    HWND owner_ = nullptr;
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

TEST(RealUiSeam, AMessageBoxShowsCentredOnTheWindowOfItsOwner) {
    // A frame away from the screen's centre, with a child window standing for a document.
    HWND frame = CreateWindowExW(0, L"STATIC", L"seam frame", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 30,
                                 40, 500, 300, nullptr, nullptr, nullptr, nullptr);
    HWND child = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 0, 50, 50, frame,
                                 nullptr, nullptr, nullptr);
    UiSeam real;
    DialogAnswerer answer(L"Seam centred", IDCANCEL);
    EXPECT_EQ(real.ShowMessage(child, L"Save changes?", L"Seam centred", MB_YESNOCANCEL), IDCANCEL);
    ASSERT_TRUE(answer.Pressed());
    EXPECT_EQ(answer.Owner(), frame);
    const RECT box = answer.ShownAt();
    EXPECT_NEAR((box.left + box.right) / 2, 30 + 250, 1);
    EXPECT_NEAR((box.top + box.bottom) / 2, 40 + 150, 1);
    DestroyWindow(frame);
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
