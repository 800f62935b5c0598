// Entry point of the Windows tests: the process is set up as the editor sets itself up, and
// every message box or file dialog must be answered by the test that causes it.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include "shell/tests/editor_test_support.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    SetProcessDPIAware();
    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX),
                                        ICC_BAR_CLASSES | ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    if (FAILED(OleInitialize(nullptr))) {
        return 2;
    }
    int result = 0;
    {
        // Nothing may reach a real dialog that no one would answer.
        rw::test::ScriptedUi unanswered;
        result = RUN_ALL_TESTS();
    }
    rw::test::RunningEditor::ForgetSettings();
    OleUninitialize();
    return result;
}
