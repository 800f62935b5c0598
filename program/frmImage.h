#pragma once
// The hidden form that lives from start-up to the end: its scratch image control gives the file
// types and holds the generators' undo copy; it also holds the PlugIn control of lumbraplug.
#include <objbase.h>

#include "components/image_control.h"
#include "win32/com_ptr.h"
#include "win32/window.h"

class frmImage : public rw::win::Window {
public:
    // Referring to the form loads it (hidden) on first use.
    static frmImage& Instance();
    // Whether it has been loaded.
    static bool Loaded();

    ~frmImage() override;

    rw::ImageControl Lumbra1;
    // lumbraplug's PlugIn control with its saved form loaded; null when the control is not
    // registered or refused to load (the editor never calls it).
    rw::com::ComPtr<IUnknown> PlugIn1;

private:
    frmImage();
    void LoadPlugIn1();
};
