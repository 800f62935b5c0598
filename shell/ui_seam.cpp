#include "shell/ui_seam.h"

#include <commdlg.h>

#include <vector>

namespace rw {

namespace {

UiSeam realUi;
UiSeam* currentUi = &realUi;

} // namespace

UiSeam& Ui() {
    return *currentUi;
}

UiSeam* SetUi(UiSeam* seam) {
    UiSeam* previous = currentUi;
    currentUi = seam ? seam : &realUi;
    return previous;
}

int UiSeam::ShowMessage(HWND owner, const std::wstring& text, const std::wstring& title,
                        UINT type) {
    return ::MessageBoxW(owner, text.c_str(), title.c_str(), type);
}

std::wstring UiSeam::FileDialog(HWND owner, FileDialogRequest& request) {
    // The dialog wants pairs separated by NULs and the list ended by two.
    std::wstring filter = request.filter;
    for (wchar_t& c : filter) {
        if (c == L'|') {
            c = L'\0';
        }
    }
    filter.append(2, L'\0');

    std::vector<wchar_t> file(32768, L'\0');
    request.fileName.copy(file.data(), file.size() - 1);

    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = request.filter.empty() ? nullptr : filter.c_str();
    ofn.nFilterIndex = static_cast<DWORD>(request.filterIndex);
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrInitialDir = request.initialDir.empty() ? nullptr : request.initialDir.c_str();
    ofn.lpstrTitle = request.title.empty() ? nullptr : request.title.c_str();
    ofn.lpstrDefExt = request.defaultExt.empty() ? nullptr : request.defaultExt.c_str();
    ofn.Flags = request.flags | OFN_EXPLORER | OFN_HIDEREADONLY;

    const BOOL ok = request.save ? ::GetSaveFileNameW(&ofn) : ::GetOpenFileNameW(&ofn);
    if (!ok) {
        return {};
    }
    request.filterIndex = static_cast<int>(ofn.nFilterIndex);
    return file.data();
}

} // namespace rw
