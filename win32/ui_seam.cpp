#include "win32/ui_seam.h"

#include <commdlg.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <optional>
#include <string>
#include <vector>

#include "win32/com_ptr.h"
#include "win32/screen_rects.h"

namespace rw {

namespace {

UiSeam realUi;
UiSeam* currentUi = &realUi;

// The older picker, for systems without the file dialog's folder mode.
std::wstring BrowseForFolder(HWND owner, const std::wstring& title) {
    BROWSEINFOW info{};
    info.hwndOwner = owner;
    info.lpszTitle = title.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    PIDLIST_ABSOLUTE chosen = ::SHBrowseForFolderW(&info);
    if (!chosen) {
        return {};
    }
    std::vector<wchar_t> path(32768, L'\0');
    const bool named = ::SHGetPathFromIDListEx(chosen, path.data(), static_cast<DWORD>(path.size()),
                                               GPFIDL_DEFAULT);
    ::CoTaskMemFree(chosen);
    return named ? path.data() : std::wstring();
}

// The system puts a message box in the middle of the screen, whatever window asked: it is
// moved over that window, where the user is looking, once it has laid itself out and before it
// shows.
class CentreBoxOnOwner {
public:
    explicit CentreBoxOnOwner(HWND owner) : owner_(owner), outer_(current_) {
        current_ = this;
        hook_ = SetWindowsHookExW(WH_CALLWNDPROCRET, AfterMessage, nullptr, GetCurrentThreadId());
    }
    ~CentreBoxOnOwner() {
        if (hook_) {
            UnhookWindowsHookEx(hook_);
        }
        current_ = outer_;
    }
    CentreBoxOnOwner(const CentreBoxOnOwner&) = delete;
    CentreBoxOnOwner& operator=(const CentreBoxOnOwner&) = delete;

private:
    static LRESULT CALLBACK AfterMessage(int code, WPARAM wParam, LPARAM lParam) {
        const auto* sent = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
        CentreBoxOnOwner* self = current_;
        if (code == HC_ACTION && self && !self->done_ && sent->message == WM_INITDIALOG &&
            GetWindow(sent->hwnd, GW_OWNER) == self->owner_) {
            self->done_ = true;
            const ScreenRect size = ScreenRectOf(sent->hwnd);
            const ScreenRect work = WorkAreaNear(self->owner_);
            // A minimised owner has no place on the screen: its work area stands in.
            MoveTo(sent->hwnd, CentreOn(IsIconic(self->owner_) ? work : ScreenRectOf(self->owner_),
                                        size.Width(), size.Height(), work));
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }

    static thread_local CentreBoxOnOwner* current_;
    HWND owner_;
    CentreBoxOnOwner* outer_; // a box asked for while another is up
    HHOOK hook_ = nullptr;
    bool done_ = false;
};

thread_local CentreBoxOnOwner* CentreBoxOnOwner::current_ = nullptr;

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
    // A box belongs to a top-level window: given a document, the frame that holds it.
    HWND top = owner ? GetAncestor(owner, GA_ROOT) : nullptr;
    std::optional<CentreBoxOnOwner> centre;
    if (top) {
        centre.emplace(top);
    }
    return ::MessageBoxW(top, text.c_str(), title.c_str(), type);
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

std::wstring UiSeam::ChooseFolder(HWND owner, const std::wstring& title,
                                  const std::wstring& initialFolder) {
    com::ComPtr<IFileOpenDialog> dialog;
    if (FAILED(::CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_IFileOpenDialog, dialog.PutVoid()))) {
        return BrowseForFolder(owner, title);
    }
    FILEOPENDIALOGOPTIONS options = 0;
    dialog->GetOptions(&options);
    dialog->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM | FOS_PATHMUSTEXIST);
    dialog->SetTitle(title.c_str());
    com::ComPtr<IShellItem> start;
    if (!initialFolder.empty() &&
        SUCCEEDED(::SHCreateItemFromParsingName(initialFolder.c_str(), nullptr, IID_IShellItem,
                                                start.PutVoid()))) {
        dialog->SetFolder(start.Get());
    }
    com::ComPtr<IShellItem> chosen;
    PWSTR path = nullptr;
    if (FAILED(dialog->Show(owner)) || FAILED(dialog->GetResult(chosen.Put())) ||
        FAILED(chosen->GetDisplayName(SIGDN_FILESYSPATH, &path))) {
        return {};
    }
    std::wstring folder = path;
    ::CoTaskMemFree(path);
    return folder;
}

} // namespace rw
