#include "win32/message_loop.h"

namespace rw::win {

namespace {

struct FrameKeys {
    HWND frame = nullptr;
    HWND mdiClient = nullptr;
    HACCEL accelerators = nullptr;
} frameKeys;

bool IsDialogWindow(HWND window) {
    // Dialogs made by the dialog manager belong to the predefined class #32770.
    return window && GetClassLongPtrW(window, GCW_ATOM) == 32770;
}

} // namespace

void SetFrameAccelerators(HWND frame, HWND mdiClient, HACCEL accelerators) {
    frameKeys = {frame, mdiClient, accelerators};
}

void DispatchUiMessage(MSG& msg) {
    HWND root = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
    if (root && root == frameKeys.frame && IsWindowEnabled(root)) {
        if (frameKeys.mdiClient && TranslateMDISysAccel(frameKeys.mdiClient, &msg)) {
            return;
        }
        if (frameKeys.accelerators &&
            TranslateAcceleratorW(frameKeys.frame, frameKeys.accelerators, &msg)) {
            return;
        }
    }
    if (IsDialogWindow(root) && IsDialogMessageW(root, &msg)) {
        return;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

bool ProcessPendingMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return false;
        }
        DispatchUiMessage(msg);
    }
    return true;
}

int RunMessageLoop() {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        DispatchUiMessage(msg);
    }
    return static_cast<int>(msg.wParam);
}

void RunMessageLoopUntil(const std::function<bool()>& done) {
    MSG msg;
    while (!done()) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got <= 0) {
            if (got == 0) {
                PostQuitMessage(static_cast<int>(msg.wParam));
            }
            return;
        }
        DispatchUiMessage(msg);
    }
}

} // namespace rw::win
