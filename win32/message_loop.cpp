#include "win32/message_loop.h"

#include <algorithm>
#include <vector>

namespace rw::win {

namespace {

// Each thread has its own message queue, and so its own filters.
thread_local std::vector<MessageFilter*> filters;

bool IsDialogWindow(HWND window) {
    // Dialogs made by the dialog manager belong to the predefined class #32770.
    return window && GetClassLongPtrW(window, GCW_ATOM) == 32770;
}

} // namespace

void AddMessageFilter(MessageFilter* filter) {
    filters.push_back(filter);
}

void RemoveMessageFilter(MessageFilter* filter) {
    filters.erase(std::remove(filters.begin(), filters.end(), filter), filters.end());
}

void DispatchUiMessage(MSG& msg) {
    for (MessageFilter* filter : filters) {
        if (filter->PreTranslate(msg)) {
            return;
        }
    }
    HWND root = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
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
