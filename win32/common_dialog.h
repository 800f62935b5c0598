#pragma once
// The main window's one file dialog, shared by Open, Save and Save As: it keeps its file-type
// list, initial type and default extension between uses.
#include <windows.h>

#include <string>

namespace rw {

class CommonDialog {
public:
    std::wstring DialogTitle;
    std::wstring InitDir;
    std::wstring FileName;
    std::wstring Filter; // "description|pattern|..."
    int FilterIndex = 1;
    std::wstring DefaultExt;
    DWORD Flags = 0;

    // After either call FileName holds the chosen path, or "" when the user cancelled.
    void ShowOpen(HWND owner);
    void ShowSave(HWND owner);

    static constexpr DWORD cdlOFNOverwritePrompt = 2;  // OFN_OVERWRITEPROMPT
    static constexpr DWORD cdlOFNFileMustExist = 4096; // OFN_FILEMUSTEXIST

private:
    void Show(HWND owner, bool save);
};

} // namespace rw
