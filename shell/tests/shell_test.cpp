#include <gtest/gtest.h>

#include "shell/frmMain.h"
#include "shell/global.h"
#include "win32/tests/ui_test_support.h"

namespace {

TEST(Shell, StartsWithTheCaptionAndAStatusBar) {
    rw::test::RunningEditor editor;
    ASSERT_NE(Global::MainForm, nullptr);
    wchar_t caption[64];
    GetWindowTextW(Global::MainForm->hwnd(), caption, 64);
    EXPECT_STREQ(caption, L"Ridgewright");
    EXPECT_TRUE(IsWindowVisible(Global::MainForm->sbStatusBar()));
}

} // namespace
