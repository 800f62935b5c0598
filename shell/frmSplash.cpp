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
    rw::ShowNameAndVersion(
        hwnd(), nameFont_,
        rw::SplashVersionLine(RW_VERSION_MAJOR, RW_VERSION_MINOR, RW_VERSION_REVISION));
}

void frmSplash::Show() {
    ShowWindow(hwnd(), SW_SHOWNORMAL);
    UpdateWindow(hwnd());
}
