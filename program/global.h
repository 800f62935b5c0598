#pragma once
// What every part of the editor shares: its title, the folders the file dialogs start in, the
// cancel flag of long operations, the status text and the making of a blank image. (Start-up
// and the end of the program are the shell's.)
#include <cstdint>
#include <functional>
#include <string>

namespace rw {
class ImageControl;
}

namespace Global {

// The application's title, also the name its settings are kept under.
inline constexpr const wchar_t* AppTitle = L"Ridgewright";

inline std::wstring sLoadPath;
inline std::wstring sSavePath;
// Shared cancel flag of long operations: set by Esc or Cancel, tested after every image column.
inline bool CancelRequested = false;

// Where the status text shows: the main window sets it while its status bar lives.
inline std::function<void(const std::wstring&)> StatusPanel;

// Panel 1 of the main window's status bar, then every pending message is processed, so that
// paints and a click on Cancel are handled while a long operation runs.
void SetStatusText(const std::wstring& text);
// Panel 1 alone, nothing processed: for a caller inside a message loop that is not the
// program's own (a filter's run), which must see every message itself.
void ShowStatusText(const std::wstring& text);

// Replaces the control's image by a blank 24-bit image of the size.
void MakeBlankImage(rw::ImageControl& control, int32_t width, int32_t height);

// The folder that holds the program's executable.
std::wstring ProgramFolder();

} // namespace Global
