#pragma once
// A modal dialog from a template of this module, run by DialogBoxParam: the dialog procedure only
// routes messages to the object's handlers, and no C++ exception crosses into USER32. (Dialogs
// that live on between uses, hidden and shown again, derive from Dialog instead.)
#include <windows.h>

namespace rw::win {

class ModalDialog {
public:
    virtual ~ModalDialog() = default;
    ModalDialog(const ModalDialog&) = delete;
    ModalDialog& operator=(const ModalDialog&) = delete;

    // Shows the dialog owned by `owner` until it ends: the result given to End, or -1 when the
    // dialog could not be created (GetLastError tells why).
    INT_PTR Run(HWND owner);
    // What the dialog ended with; 0 before it has.
    INT_PTR Result() const { return result_; }

protected:
    explicit ModalDialog(int templateId) : templateId_(templateId) {}

    HWND hwnd() const { return hwnd_; }
    HWND Item(int id) const { return ::GetDlgItem(hwnd_, id); }

    // Ends the dialog with `result`. Its handlers see no message after this: what was decided
    // stays decided while the controls take themselves down.
    void End(INT_PTR result);

    // WM_INITDIALOG, the controls made. True lets the dialog manager give the keyboard focus to
    // the first control that takes it.
    virtual bool OnInit() { return true; }
    // WM_COMMAND from a control, a menu or the keyboard interface; true when handled.
    virtual bool OnCommand(int /*id*/, int /*code*/) { return false; }
    // WM_NOTIFY from a control; true when handled, with `result` the answer to the control.
    virtual bool OnNotify(const NMHDR& /*header*/, LRESULT& /*result*/) { return false; }
    // WM_CLOSE (the close box); unhandled, the dialog manager turns it into IDCANCEL.
    virtual bool OnClose() { return false; }

private:
    static INT_PTR CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    bool Route(UINT message, WPARAM wParam, LPARAM lParam);

    int templateId_;
    HWND hwnd_ = nullptr;
    bool ended_ = false;
    INT_PTR result_ = 0;
};

} // namespace rw::win
