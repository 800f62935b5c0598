#pragma once
// The window shown while the program starts.
#include "win32/dialog.h"
#include "win32/scoped.h"

class frmSplash : public rw::win::Dialog {
public:
    frmSplash();
    ~frmSplash() override;
    // Shows the splash without waiting and paints it at once.
    void Show();

    void Form_Load();

protected:
    void OnCreated() override;

private:
    rw::win::ScopedGdiObject nameFont_;
};
