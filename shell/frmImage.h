#pragma once
// The hidden form that lives from start-up to the end: its scratch image control gives the file
// types and holds the generators' undo copy.
#include "components/image_control.h"
#include "win32/window.h"

class frmImage : public rw::win::Window {
public:
    // Referring to the form loads it (hidden) on first use.
    static frmImage& Instance();
    // Whether it has been loaded.
    static bool Loaded();

    ~frmImage() override;

    rw::ImageControl Lumbra1;

private:
    frmImage();
};
