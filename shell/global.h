#pragma once
// The program's start, its one main window and its end. The state and procedures that every
// part of the editor shares are in program/global.h.
#include "program/global.h"

class frmMain;

namespace Global {

inline frmMain* MainForm = nullptr;

// The program: splash, main window, then the message loop until the program ends.
int Main();

// Start-up without the message loop (Main is this plus the loop): splash, create and load the
// main window, unload the splash, show the main window.
void StartUp();

// Ends the program at once: every remaining window is discarded without further events.
void End();

} // namespace Global
