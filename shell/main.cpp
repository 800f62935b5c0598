// The editor's entry point.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include "shell/global.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    SetProcessDPIAware();
    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX),
                                        ICC_BAR_CLASSES | ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    // OLE for the clipboard and the embedded controls, on this one user-interface thread.
    if (FAILED(OleInitialize(nullptr))) {
        return 1;
    }
    const int code = Global::Main();
    OleUninitialize();
    return code;
}
