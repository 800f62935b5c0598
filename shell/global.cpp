#include "shell/global.h"

#include <windows.h>

#include "program/frmImage.h"
#include "shell/frmMain.h"
#include "shell/frmSplash.h"
#include "win32/message_loop.h"

namespace Global {

void StartUp() {
    {
        frmSplash splash;
        splash.Show();
        MainForm = new frmMain();
        MainForm->Load();
    } // the splash is unloaded here
    MainForm->Show();
}

int Main() {
    StartUp();
    const int code = rw::win::RunMessageLoop();
    delete MainForm;
    MainForm = nullptr;
    return code;
}

void End() {
    if (MainForm && MainForm->hwnd()) {
        DestroyWindow(MainForm->hwnd()); // its document windows and owned dialogs go with it
    }
    if (frmImage::Loaded()) {
        DestroyWindow(frmImage::Instance().hwnd());
    }
    PostQuitMessage(0);
}

} // namespace Global
