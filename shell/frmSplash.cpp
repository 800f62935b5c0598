#include "shell/frmSplash.h"

#include "shell/frmAbout.h"
#include "shell/resource.h"
#include "shell/version.h"

frmSplash::frmSplash() {
    CreateFromResource(IDD_SPLASH, nullptr);
}

frmSplash::~frmSplash() {
    Destroy();
}

void frmSplash::OnCreated() {
    Form_Load();
}

void frmSplash::Form_Load() {
    nameFont_.Reset(rw::CreateProductNameFont(hwnd()));
    for (int id : {IDC_PRODUCTNAME, IDC_LABEL2}) {
        SendDlgItemMessageW(hwnd(), id, WM_SETFONT, reinterpret_cast<WPARAM>(nameFont_.Get()),
                            TRUE);
    }
    const std::wstring version =
        rw::SplashVersionLine(RW_VERSION_MAJOR, RW_VERSION_MINOR, RW_VERSION_REVISION);
    SetDlgItemTextW(hwnd(), IDC_VERSION, version.c_str());
}

void frmSplash::Show() {
    ShowWindow(hwnd(), SW_SHOWNORMAL);
    UpdateWindow(hwnd());
}
