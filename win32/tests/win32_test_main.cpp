// Entry point of the Windows helpers' and the image control's tests: common controls and OLE (the
// clipboard) set up as a program of ours sets them up.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX),
                                        ICC_BAR_CLASSES | ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    if (FAILED(OleInitialize(nullptr))) {
        return 2;
    }
    const int result = RUN_ALL_TESTS();
    OleUninitialize();
    return result;
}
