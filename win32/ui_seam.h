#pragma once
// Message boxes, common file dialogs and the folder picker go through one seam, so that tests
// can answer them.
#include <windows.h>

#include <string>

namespace rw {

struct FileDialogRequest {
    bool save = false;
    std::wstring title;
    std::wstring initialDir;
    std::wstring fileName;   // proposed name
    std::wstring filter;     // "description|pattern|description|pattern"
    int filterIndex = 1;     // 1-based
    std::wstring defaultExt; // without the dot
    DWORD flags = 0;         // OFN_ flags
};

class UiSeam {
public:
    virtual ~UiSeam() = default;
    virtual int ShowMessage(HWND owner, const std::wstring& text, const std::wstring& title,
                            UINT type);
    // The chosen full path, or "" when the user cancelled. `request.filterIndex` is updated to
    // the file type the user last selected.
    virtual std::wstring FileDialog(HWND owner, FileDialogRequest& request);
    // The system's folder picker starting in `initialFolder`: the chosen folder, or "" when the
    // user cancelled.
    virtual std::wstring ChooseFolder(HWND owner, const std::wstring& title,
                                      const std::wstring& initialFolder);
};

UiSeam& Ui();
// Replaces the seam (tests); nullptr restores the real one. Returns the previous seam.
UiSeam* SetUi(UiSeam* seam);

} // namespace rw
