#include "win32/modal_dialog.h"

#include "win32/window.h"

namespace rw::win {

INT_PTR ModalDialog::Run(HWND owner) {
    ended_ = false;
    result_ = 0;
    return ::DialogBoxParamW(ModuleInstance(), MAKEINTRESOURCEW(templateId_), owner, Proc,
                             reinterpret_cast<LPARAM>(this));
}

void ModalDialog::End(INT_PTR result) {
    ended_ = true;
    result_ = result;
    ::EndDialog(hwnd_, result);
}

INT_PTR CALLBACK ModalDialog::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<ModalDialog*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<ModalDialog*>(lParam);
        self->hwnd_ = hwnd;
        ::SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
    }
    if (!self) {
        return FALSE;
    }
    INT_PTR handled = FALSE;
    if (!self->ended_) {
        try {
            handled = self->Route(message, wParam, lParam) ? TRUE : FALSE;
        } catch (...) {
            ReportUnhandled(L"dialog procedure");
            self->End(IDCANCEL);
            handled = TRUE;
        }
    }
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrW(hwnd, DWLP_USER, 0);
        self->hwnd_ = nullptr;
    }
    return handled;
}

bool ModalDialog::Route(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        return OnInit();
    case WM_COMMAND:
        return OnCommand(LOWORD(wParam), HIWORD(wParam));
    case WM_NOTIFY: {
        LRESULT result = 0;
        if (!OnNotify(*reinterpret_cast<const NMHDR*>(lParam), result)) {
            return false;
        }
        ::SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, result);
        return true;
    }
    case WM_CLOSE:
        return OnClose();
    default:
        return false;
    }
}

} // namespace rw::win
