#include "win32/dialog.h"

#include <vector>

#include "win32/message_loop.h"
#include "win32/window.h"

namespace rw::win {

Dialog::~Dialog() {
    Destroy();
}

void Dialog::Destroy() {
    if (hwnd_) {
        if (modalOwner_) {
            EnableWindow(modalOwner_, TRUE);
        }
        DestroyWindow(hwnd_);
    }
}

void Dialog::CreateFromResource(int resourceId, HWND owner) {
    CreateDialogParamW(ModuleInstance(), MAKEINTRESOURCEW(resourceId), owner, Proc,
                       reinterpret_cast<LPARAM>(this));
}

namespace {

void AppendWords(std::vector<WORD>& out, const std::wstring& text) {
    for (wchar_t c : text) {
        out.push_back(static_cast<WORD>(c));
    }
    out.push_back(0);
}

} // namespace

void Dialog::CreateEmpty(HWND owner, const std::wstring& caption, int clientWidth,
                         int clientHeight) {
    // An in-memory template with no controls: the dialog manager supplies the keyboard
    // interface (Tab, Enter for the default button, Esc as IDCANCEL) and the shell font.
    std::vector<WORD> t(sizeof(DLGTEMPLATE) / sizeof(WORD), 0);
    auto* header = reinterpret_cast<DLGTEMPLATE*>(t.data());
    header->style = DS_SHELLFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU;
    header->cdit = 0;
    t.push_back(0); // no menu
    t.push_back(0); // standard dialog class
    AppendWords(t, caption);
    t.push_back(8); // point size
    AppendWords(t, L"MS Shell Dlg");
    CreateDialogIndirectParamW(ModuleInstance(), reinterpret_cast<DLGTEMPLATE*>(t.data()), owner,
                               Proc, reinterpret_cast<LPARAM>(this));
    RECT r{0, 0, clientWidth, clientHeight};
    AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_EXSTYLE)));
    SetWindowPos(hwnd_, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

HWND Dialog::AddControl(const wchar_t* cls, const wchar_t* text, DWORD style, int id, int x, int y,
                        int width, int height, DWORD exStyle) {
    HWND control = CreateWindowExW(exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, width,
                                   height, hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                   ModuleInstance(), nullptr);
    SendMessageW(control, WM_SETFONT, SendMessageW(hwnd_, WM_GETFONT, 0, 0), FALSE);
    return control;
}

void Dialog::ShowModal(HWND owner) {
    if (!hwnd_) {
        return;
    }
    modalOwner_ = owner;
    PlaceForShowing(owner);
    if (owner) {
        EnableWindow(owner, FALSE);
    }
    ShowWindow(hwnd_, SW_SHOW);
    SetForegroundWindow(hwnd_);
    OnActivate();
    RunMessageLoopUntil([this] { return !IsVisible(); });
    if (modalOwner_) {
        EnableWindow(modalOwner_, TRUE);
        modalOwner_ = nullptr;
    }
}

void Dialog::PlaceForShowing(HWND owner) {
    RECT ownerRect{}, self{};
    if (owner && GetWindowRect(owner, &ownerRect) && GetWindowRect(hwnd_, &self)) {
        const int w = self.right - self.left;
        const int h = self.bottom - self.top;
        SetWindowPos(hwnd_, nullptr, ownerRect.left + ((ownerRect.right - ownerRect.left) - w) / 2,
                     ownerRect.top + ((ownerRect.bottom - ownerRect.top) - h) / 2, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void Dialog::Hide() {
    if (!hwnd_) {
        return;
    }
    // Re-enable the owner before hiding, so that activation returns to it rather than to
    // another application.
    if (modalOwner_) {
        EnableWindow(modalOwner_, TRUE);
        SetActiveWindow(modalOwner_);
    }
    ShowWindow(hwnd_, SW_HIDE);
}

INT_PTR CALLBACK Dialog::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<Dialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<Dialog*>(lParam);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
    }
    if (!self) {
        return FALSE;
    }
    INT_PTR result = FALSE;
    try {
        result = self->Route(message, wParam, lParam);
    } catch (...) {
        ReportUnhandled(L"dialog procedure");
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, DWLP_USER, 0);
        self->hwnd_ = nullptr;
    }
    return result;
}

INT_PTR Dialog::Route(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        OnCreated();
        return TRUE;
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
        return TRUE;
    default: {
        LRESULT result = 0;
        if (OnMessage(message, wParam, lParam, result)) {
            SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, result);
            return TRUE;
        }
        return FALSE;
    }
    }
}

} // namespace rw::win
