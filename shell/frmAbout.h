#pragma once
// The About box: name, version, platform and rights notice, and a button that starts the system
// information tool. Loaded afresh each time it is shown.
#include <string>

#include "win32/dialog.h"
#include "win32/scoped.h"

class frmAbout : public rw::win::Dialog {
public:
    frmAbout();
    ~frmAbout() override;
    // Shows the box modally, owned by `owner`, until OK, Enter or Esc.
    void Show(HWND owner);

    void Form_Load();
    void cmdOK_Click();
    void cmdSysInfo_Click();

protected:
    void OnCreated() override;
    void OnCommand(int id, int code, HWND control) override;

private:
    rw::win::ScopedGdiObject nameFont_;
};

namespace rw {
// Shared by the About box and the splash: the product name labels in large bold Arial (the font
// is kept in `font`) and the version line.
void ShowNameAndVersion(HWND dialog, win::ScopedGdiObject& font, const std::wstring& version);
} // namespace rw
