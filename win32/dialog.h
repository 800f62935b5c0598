#pragma once
// A dialog window that lives on between uses: created once, then shown (modally) and hidden.
#include <windows.h>

#include <string>

namespace rw::win {

class Dialog {
public:
    Dialog() = default;
    virtual ~Dialog();
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    HWND hwnd() const { return hwnd_; }
    HWND Item(int id) const { return GetDlgItem(hwnd_, id); }
    bool IsVisible() const { return hwnd_ && IsWindowVisible(hwnd_); }

    // Shows the dialog owned by `owner` (disabled meanwhile) and processes messages until the
    // dialog is hidden or destroyed.
    void ShowModal(HWND owner);
    // Hides the dialog; a ShowModal in progress then returns.
    void Hide();
    void Destroy();

protected:
    // From a dialog resource of this module.
    void CreateFromResource(int resourceId, HWND owner);
    // An empty dialog whose client area is the given size in pixels; controls are added in code.
    void CreateEmpty(HWND owner, const std::wstring& caption, int clientWidth, int clientHeight);
    // A child control of the dialog, in the dialog's font.
    HWND AddControl(const wchar_t* cls, const wchar_t* text, DWORD style, int id, int x, int y,
                    int width, int height, DWORD exStyle = 0);

    // WM_INITDIALOG has been handled by the base; controls of a resource dialog exist.
    virtual void OnCreated() {}
    virtual void OnCommand(int /*id*/, int /*code*/, HWND /*control*/) {}
    // Every other message; return true when handled (the result goes to SetWindowLongPtr).
    virtual bool OnMessage(UINT /*message*/, WPARAM /*wParam*/, LPARAM /*lParam*/,
                           LRESULT& /*result*/) {
        return false;
    }
    virtual void OnActivate() {}
    // Where the dialog stands when ShowModal shows it: centred over its owner, as a modal form
    // appears, unless the dialog says otherwise.
    virtual void PlaceForShowing(HWND owner);

private:
    static INT_PTR CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Route(UINT message, WPARAM wParam, LPARAM lParam);

    HWND hwnd_ = nullptr;
    HWND modalOwner_ = nullptr;
};

} // namespace rw::win
