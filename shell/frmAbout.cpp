#include "shell/frmAbout.h"

#include "shell/resource.h"
#include "shell/sysinfo.h"
#include "shell/version.h"

namespace rw {

void ShowNameAndVersion(HWND dialog, win::ScopedGdiObject& font, const std::wstring& version) {
    HDC dc = GetDC(dialog);
    const int height = -MulDiv(20, GetDeviceCaps(dc, LOGPIXELSY), 72);
    ReleaseDC(dialog, dc);
    font.Reset(CreateFontW(height, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                           OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                           DEFAULT_PITCH | FF_SWISS, L"Arial"));
    for (int id : {IDC_PRODUCTNAME, IDC_LABEL2}) {
        SendDlgItemMessageW(dialog, id, WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), TRUE);
    }
    SetDlgItemTextW(dialog, IDC_VERSION, version.c_str());
}

} // namespace rw

frmAbout::frmAbout() {
    CreateFromResource(IDD_ABOUT, nullptr);
}

frmAbout::~frmAbout() {
    Destroy();
}

void frmAbout::OnCreated() {
    Form_Load();
}

void frmAbout::Form_Load() {
    rw::ShowNameAndVersion(
        hwnd(), nameFont_,
        rw::AboutVersionLine(RW_VERSION_MAJOR, RW_VERSION_MINOR, RW_VERSION_REVISION));
}

void frmAbout::Show(HWND owner) {
    // The box is owned by the main window while it shows.
    SetWindowLongPtrW(hwnd(), GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
    ShowModal(owner);
}

void frmAbout::cmdOK_Click() {
    Hide();
}

void frmAbout::cmdSysInfo_Click() {
    rw::StartSysInfo(hwnd());
}

void frmAbout::OnCommand(int id, int code, HWND) {
    if (code != BN_CLICKED) {
        return;
    }
    switch (id) {
    case IDOK:
    case IDCANCEL: // OK is also the cancel button: Esc and the close box
        cmdOK_Click();
        break;
    case IDC_SYSINFO:
        cmdSysInfo_Click();
        break;
    default:
        break;
    }
}
