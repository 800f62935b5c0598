#include "program/global.h"

#include <windows.h>

#include "components/image_control.h"
#include "win32/message_loop.h"

namespace Global {

void ShowStatusText(const std::wstring& text) {
    if (StatusPanel) {
        StatusPanel(text);
    }
}

void SetStatusText(const std::wstring& text) {
    ShowStatusText(text);
    if (!rw::win::ProcessPendingMessages()) {
        CancelRequested = true; // the program is quitting: a long operation should stop
    }
}

void MakeBlankImage(rw::ImageControl& control, int32_t width, int32_t height) {
    CancelRequested = false;
    control.MousePointer(rw::ImageControl::kBusyPointer);
    control.DisplayMode(1);
    control.CreateBlankImage(width, height, 24);
    control.Refresh();
    control.MousePointer(0);
    SetStatusText(L"");
}

std::wstring ProgramFolder() {
    std::wstring path(32768, L'\0');
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    path.resize(n);
    const size_t separator = path.find_last_of(L'\\');
    if (separator == std::wstring::npos) {
        return path;
    }
    // A program in the root of a drive keeps its separator ("C:\"), as a folder name needs.
    return path.substr(0, separator == 2 ? 3 : separator);
}

} // namespace Global
