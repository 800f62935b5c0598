#include "documents/frmNew.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>

#include "core/number_text.h"
#include "documents/resource.h"
#include "program/global.h"
#include "win32/message_loop.h"
#include "win32/strings.h"
#include "win32/ui_seam.h"

namespace {

// Posted when a field has lost the focus: the check runs once the focus has settled, and can
// then put it back.
constexpr UINT kValidateField = WM_APP + 1;

double FieldNumber(HWND field) {
    return rw::LeadingNumber(rw::win::WindowText(field));
}

void SelectAll(HWND field) {
    SendMessageW(field, EM_SETSEL, 0, GetWindowTextLengthW(field));
}

} // namespace

frmNew& frmNew::Instance() {
    static std::unique_ptr<frmNew> instance;
    if (!instance || !instance->hwnd()) {
        instance.reset(new frmNew());
    }
    return *instance;
}

frmNew::frmNew() {
    CreateFromResource(IDD_NEW, nullptr);
}

frmNew::~frmNew() {
    Destroy();
}

HWND frmNew::Text1() const {
    return Item(IDC_NEW_TEXT1);
}
HWND frmNew::Text2() const {
    return Item(IDC_NEW_TEXT2);
}

void frmNew::Show(HWND owner) {
    SetWindowLongPtrW(hwnd(), GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
    ShowModal(owner);
}

void frmNew::Form_Activate() {
    SetWindowTextW(Text1(), L"128");
    SetWindowTextW(Text2(), L"128");
    // The first field then takes the focus, and its text is selected so that typing replaces it.
    SetFocus(Text1());
    Text1_GotFocus();
}

void frmNew::NormaliseField(HWND field) {
    const std::wstring text = rw::win::WindowText(field);
    const std::wstring normal = rw::NumberText(rw::LeadingNumber(text));
    if (normal != text) {
        // Rewriting raises the change handler again; the text is then already in its own form.
        SetWindowTextW(field, normal.c_str());
        const auto end = static_cast<WPARAM>(normal.size());
        SendMessageW(field, EM_SETSEL, end, static_cast<LPARAM>(end));
    }
}

void frmNew::Text1_Change() {
    NormaliseField(Text1());
    // Editing the width sets the height to the same value.
    const std::wstring text = rw::win::WindowText(Text1());
    if (text != rw::win::WindowText(Text2())) {
        SetWindowTextW(Text2(), text.c_str());
    }
}

void frmNew::Text2_Change() {
    NormaliseField(Text2());
}

void frmNew::Text1_GotFocus() {
    SelectAll(Text1());
}
void frmNew::Text2_GotFocus() {
    SelectAll(Text2());
}

void frmNew::Text1_Validate(bool& Cancel) {
    Cancel = FieldNumber(Text1()) < 1;
}
void frmNew::Text2_Validate(bool& Cancel) {
    Cancel = FieldNumber(Text2()) < 1;
}

void frmNew::ValidateField(HWND field) {
    // Only while the focus moved within the dialog: switching to another program is not
    // leaving the field.
    HWND focus = GetFocus();
    if (field == leftByRefusal_) {
        // This field only held the focus for a moment before a refusal took it back: the user
        // never left it, so there is nothing to check.
        leftByRefusal_ = nullptr;
        return;
    }
    if (!IsVisible() || focus == field || !focus || !IsChild(hwnd(), focus)) {
        return;
    }
    bool cancel = false;
    if (field == Text1()) {
        Text1_Validate(cancel);
    } else {
        Text2_Validate(cancel);
    }
    if (cancel) {
        MessageBeep(MB_OK);
        leftByRefusal_ = focus;
        SetFocus(field);
    }
}

void frmNew::Command1_Click() {
    const double x = FieldNumber(Text1());
    const double y = FieldNumber(Text2());
    if (!(x > 0 && y > 0)) {
        return;
    }
    // Half rounds to the even neighbour (the default rounding mode).
    const double rx = std::nearbyint(x);
    const double ry = std::nearbyint(y);
    constexpr double kMax = std::numeric_limits<int32_t>::max();
    if (rx > kMax || ry > kMax) {
        rw::Ui().ShowMessage(hwnd(), L"The width and the height can be at most 2147483647 pixels.",
                             Global::AppTitle, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    lResolutionX = static_cast<int32_t>(rx);
    lResolutionY = static_cast<int32_t>(ry);
    Hide();
    rw::win::ProcessPendingMessages();
}

void frmNew::Command2_Click() {
    lResolutionX = 0;
    lResolutionY = 0;
    Hide();
    rw::win::ProcessPendingMessages();
}

void frmNew::OnCommand(int id, int code, HWND) {
    switch (id) {
    case IDOK:
        Command1_Click();
        break;
    case IDCANCEL: // Cancel, Esc and the window's close box
        Command2_Click();
        break;
    case IDC_NEW_TEXT1:
    case IDC_NEW_TEXT2: {
        const bool first = id == IDC_NEW_TEXT1;
        if (code == EN_CHANGE) {
            first ? Text1_Change() : Text2_Change();
        } else if (code == EN_SETFOCUS) {
            first ? Text1_GotFocus() : Text2_GotFocus();
        } else if (code == EN_KILLFOCUS) {
            PostMessageW(hwnd(), kValidateField, static_cast<WPARAM>(id), 0);
        }
        break;
    }
    default:
        break;
    }
}

bool frmNew::OnMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
    if (message == kValidateField) {
        ValidateField(Item(static_cast<int>(wParam)));
        result = 0;
        return true;
    }
    return false;
}
