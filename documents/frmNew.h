#pragma once
// The New image dialog: asks for the width and height of a new blank image. One instance for the
// whole run, hidden between uses.
#include <cstdint>

#include "win32/dialog.h"

class frmNew : public rw::win::Dialog {
public:
    static frmNew& Instance();
    ~frmNew() override;

    // Shows the dialog modally, owned by `owner`, until Ok or Cancel hides it.
    void Show(HWND owner);

    // The accepted size; 0 means no new image.
    int32_t lResolutionX = 0;
    int32_t lResolutionY = 0;

    void Form_Activate();
    void Text1_Change();
    void Text2_Change();
    void Text1_GotFocus();
    void Text2_GotFocus();
    // Refuses to let the focus leave the field while its number is below 1.
    void Text1_Validate(bool& Cancel);
    void Text2_Validate(bool& Cancel);
    void Command1_Click();
    void Command2_Click();

    HWND Text1() const;
    HWND Text2() const;

protected:
    void OnCommand(int id, int code, HWND control) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void OnActivate() override { Form_Activate(); }

private:
    frmNew();
    void NormaliseField(HWND field);
    void ValidateField(HWND field);

    HWND leftByRefusal_ = nullptr; // the control a refused validation took the focus back from
};
