#pragma once
// Program-wide state and the procedures every part of the editor shares.
#include <cstdint>
#include <string>

namespace rw {
class ImageControl;
}
class frmMain;

namespace Global {

// The application's title, also the name its settings are kept under.
inline constexpr const wchar_t* AppTitle = L"Ridgewright";

inline frmMain* MainForm = nullptr;
inline std::wstring sLoadPath;
inline std::wstring sSavePath;
// Shared cancel flag of long operations: set by Esc or Cancel, tested after every image column.
inline bool CancelRequested = false;

// The program: splash, main window, then the message loop until the program ends.
int Main();

// Start-up without the message loop (Main is this plus the loop): splash, create and load the
// main window, unload the splash, show the main window.
void StartUp();

// Panel 1 of the main window's status bar, then every pending message is processed, so that
// paints and a click on Cancel are handled while a long operation runs.
void SetStatusText(const std::wstring& text);

// Replaces the control's image by a blank 24-bit image of the size.
void MakeBlankImage(rw::ImageControl& control, int32_t width, int32_t height);

// Ends the program at once: every remaining window is discarded without further events.
void End();

// The folder that holds the program's executable.
std::wstring ProgramFolder();

} // namespace Global
