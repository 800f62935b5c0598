#include "commands/filter/filter_commands.h"

#include <algorithm>
#include <cstring>
#include <span>

#include "commands/menu_ids.h"
#include "commands/menu_items.h"
#include "commands/menu_text.h"
#include "components/image_control.h"
#include "core/image_error.h"
#include "documents/frmDocument.h"
#include "documents/main_window.h"
#include "generators/render_loop.h"
#include "program/frmImage.h"
#include "program/global.h"
#include "program/settings_store.h"
#include "win32/scoped.h"
#include "win32/strings.h"
#include "win32/ui_seam.h"

namespace {

constexpr wchar_t kFolderKey[] = L"PlugInPath";
constexpr wchar_t kLastKey[] = L"LastPlugIn";

std::wstring Setting(const wchar_t* key) {
    return rw::GetSetting(rw::SettingsApplication(), L"Settings", key, L"");
}

void StoreSetting(const wchar_t* key, const std::wstring& value) {
    rw::SaveSetting(rw::SettingsApplication(), L"Settings", key, value);
}

// As the Select Plug-In dialog's tree view sorts: by the user's language, letter case aside.
int TreeOrder(std::wstring_view a, std::wstring_view b) {
    return ::CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(),
                            static_cast<int>(a.size()), b.data(), static_cast<int>(b.size())) -
           CSTR_EQUAL;
}

// A copy of the picture in movable global memory, as the control takes it.
rw::win::ScopedGlobal GlobalCopy(const std::vector<uint8_t>& dib) {
    rw::win::ScopedGlobal memory(::GlobalAlloc(GMEM_MOVEABLE, dib.size()));
    rw::win::GlobalLockPtr<uint8_t> data(memory.Get());
    if (!memory || !data) {
        throw rw::ImageError("There is not enough memory to hand the picture to the filter");
    }
    std::memcpy(data.Get(), dib.data(), dib.size());
    return memory;
}

} // namespace

// What a run holds while the filter works, given back however it ends: the editor takes no
// commands (its main window is disabled, as under a modal dialog), the busy pointer shows, and
// the keyboard stays with the picture, so that Esc reaches the run.
class FilterCommands::RunScope {
public:
    RunScope(FilterCommands& commands, frmDocument& document)
        : commands_(commands), owner_(commands.main_.OwnerWindow()), document_(document.hwnd()) {
        commands_.running_ = true;
        ::SetFocus(document.Lumbra1.hwnd());
        ::EnableWindow(owner_, FALSE);
        document.Lumbra1.MousePointer(rw::ImageControl::kBusyPointer);
        ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
        Global::ShowStatusText(rw::win::Widen(rw::ProgressText(0)));
    }
    ~RunScope() {
        if (frmDocument* document = FindDocument(commands_.main_, document_)) {
            document->Lumbra1.MousePointer(0);
        }
        ::EnableWindow(owner_, TRUE);
        Global::ShowStatusText(L"");
        commands_.running_ = false;
    }
    RunScope(const RunScope&) = delete;
    RunScope& operator=(const RunScope&) = delete;

private:
    FilterCommands& commands_;
    HWND owner_;
    HWND document_;
};

FilterCommands::FilterCommands(MainWindow& main) : main_(main) {}

FilterCommands::~FilterCommands() = default;

bool FilterCommands::IsPlugInCommand(int command) {
    return command >= kFirstFilterPlugInCommand && command <= kLastFilterPlugInCommand;
}

rw::PlugInControl& FilterCommands::Control() {
    if (!control_) {
        // The control's progress comes from inside its own wait for the plug-in, which handles
        // the thread's messages itself: the text is shown, and nothing is processed here.
        control_ = std::make_unique<rw::PlugInControl>(
            frmImage::Instance().PlugIn1.Get(), [this](int percent) {
                if (running_) {
                    Global::ShowStatusText(rw::win::Widen(rw::ProgressText(percent)));
                }
            });
    }
    return *control_;
}

void FilterCommands::Restore() {
    if (restored_) {
        return;
    }
    restored_ = true;
    folder_ = Setting(kFolderKey);
    const std::wstring last = Setting(kLastKey);
    if (!last.empty()) {
        last_ = Filter{last, L""};
    }
}

void FilterCommands::OpenFolder() {
    opened_ = true;
    catalogue_.clear();
    folderAnswer_ = Control().SetDirectory(folder_);
    if (folderAnswer_) {
        folderAnswer_ = Control().ReadCatalogue(catalogue_);
    }
}

rw::FilterState FilterCommands::State() {
    Restore();
    if (!Control().Present()) {
        return rw::FilterState::NoControl;
    }
    if (folder_.empty()) {
        return rw::FilterState::NoFolder;
    }
    if (!opened_) {
        OpenFolder();
    }
    if (!folderAnswer_) {
        return rw::FilterState::FolderRefused;
    }
    if (catalogue_.empty()) {
        return rw::FilterState::NoFilters;
    }
    if (!main_.ActiveDocument()) {
        return rw::FilterState::NoDocument;
    }
    return rw::FilterState::Ready;
}

std::wstring FilterCommands::Hint() {
    return rw::FilterHint(State(), folder_, folderAnswer_.description);
}

FilterCommands::Filter FilterCommands::Named(const std::wstring& fileName) const {
    const size_t found = rw::FindFilter(catalogue_, fileName);
    if (found < catalogue_.size() && !catalogue_[found].title.empty()) {
        return {fileName, catalogue_[found].title};
    }
    // Not listed (or listed without a title): the file's own name stands for it.
    const size_t slash = fileName.find_last_of(L"\\/");
    return {fileName, slash == std::wstring::npos ? fileName : fileName.substr(slash + 1)};
}

std::optional<FilterCommands::Filter> FilterCommands::LastListed() const {
    if (!last_ || rw::FindFilter(catalogue_, last_->fileName) == catalogue_.size()) {
        return std::nullopt;
    }
    return Named(last_->fileName);
}

bool FilterCommands::Owns(HMENU menu) const {
    return menu && (menu == filterMenu_ || std::find(categoryMenus_.begin(), categoryMenus_.end(),
                                                     menu) != categoryMenus_.end());
}

void FilterCommands::UpdateMenu(HMENU filterMenu) {
    filterMenu_ = filterMenu;
    const rw::FilterState state = State();
    const bool ready = state == rw::FilterState::Ready;
    const std::optional<Filter> last = LastListed();
    rw::UpdateMenuItem(filterMenu, mnuFilterRepeat,
                       rw::NamedCaption(L"&Repeat", last ? last->title : L"Filter"), ready && last);
    rw::UpdateMenuItem(filterMenu, mnuFilterSelect, L"&Select Plug-In...", ready);
    rw::UpdateMenuItem(filterMenu, mnuFilterFolder, L"Plug-In &Folder...",
                       state != rw::FilterState::NoControl);
    ShowCatalogue(filterMenu, ready);
}

void FilterCommands::ShowCatalogue(HMENU filterMenu, bool enabled) {
    // The catalogue of the last update lies between the separator below Plug-In Folder and
    // Select Plug-In: it is made anew.
    const int first = rw::MenuPosition(filterMenu, mnuFilterFolder) + 2;
    for (int end = rw::MenuPosition(filterMenu, mnuFilterSelect); end > first; --end) {
        ::DeleteMenu(filterMenu, static_cast<UINT>(end - 1), MF_BYPOSITION);
    }
    categoryMenus_.clear();
    const std::vector<rw::FilterCategory> categories = rw::GroupCatalogue(catalogue_, TreeOrder);
    if (categories.empty()) {
        return;
    }
    const UINT state = enabled ? MF_ENABLED : MF_GRAYED;
    UINT at = static_cast<UINT>(first);
    for (const rw::FilterCategory& category : categories) {
        HMENU submenu = ::CreatePopupMenu();
        for (size_t entry : category.entries) {
            const int command = kFirstFilterPlugInCommand + static_cast<int>(entry);
            if (command <= kLastFilterPlugInCommand) {
                ::AppendMenuW(submenu, MF_STRING | state, static_cast<UINT_PTR>(command),
                              rw::MenuText(catalogue_[entry].title).c_str());
            }
        }
        ::InsertMenuW(filterMenu, at++, MF_BYPOSITION | MF_POPUP,
                      reinterpret_cast<UINT_PTR>(submenu), rw::MenuText(category.name).c_str());
        categoryMenus_.push_back(submenu);
    }
    ::InsertMenuW(filterMenu, at, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
}

void FilterCommands::mnuFilterFolder_Click() {
    Restore();
    if (!Control().Present()) {
        return;
    }
    const std::wstring chosen =
        rw::Ui().ChooseFolder(main_.OwnerWindow(), L"Plug-In Folder",
                              folder_.empty() ? Global::ProgramFolder() : folder_);
    if (chosen.empty()) {
        return;
    }
    folder_ = chosen;
    StoreSetting(kFolderKey, folder_);
    // Chosen again, the same folder is listed afresh: the user may have added filters to it.
    OpenFolder();
    // What is wrong with the folder goes to the status bar, not into a message box; the
    // other hints are the menu's, as they go stale once a document opens.
    const rw::FilterState state = State();
    const bool folderAtFault =
        state == rw::FilterState::FolderRefused || state == rw::FilterState::NoFilters;
    Global::ShowStatusText(folderAtFault ? Hint() : std::wstring());
}

void FilterCommands::mnuFilterSelect_Click() {
    if (State() != rw::FilterState::Ready) {
        return;
    }
    std::wstring chosen;
    const rw::ControlAnswer answer = Control().SelectPlugIns(chosen);
    if (!answer) {
        Report(L"The filters cannot be shown", answer.description);
        return;
    }
    if (!chosen.empty()) {
        Run(Named(chosen));
    }
}

void FilterCommands::mnuFilterRepeat_Click() {
    if (State() != rw::FilterState::Ready) {
        return;
    }
    if (const std::optional<Filter> last = LastListed()) {
        Run(*last);
    }
}

void FilterCommands::mnuFilterPlugIn_Click(int command) {
    const size_t entry = static_cast<size_t>(command - kFirstFilterPlugInCommand);
    if (IsPlugInCommand(command) && State() == rw::FilterState::Ready &&
        entry < catalogue_.size()) {
        Run(Named(catalogue_[entry].fileName));
    }
}

void FilterCommands::Report(const std::wstring& what, const std::wstring& why) const {
    rw::Ui().ShowMessage(main_.OwnerWindow(), what + L":\n\n" + why, Global::AppTitle,
                         MB_OK | MB_ICONEXCLAMATION);
}

void FilterCommands::Run(const Filter& filter) {
    frmDocument* document = main_.ActiveDocument();
    if (!document || running_) {
        return;
    }
    const HWND window = document->hwnd();
    const std::wstring named = L"The filter \"" + filter.title + L"\" did not run";
    std::vector<uint8_t> before;
    rw::win::ScopedGlobal dib;
    try {
        before = document->Lumbra1.CopyToDib();
        dib = GlobalCopy(before);
    } catch (const rw::ImageError& e) {
        Report(named, rw::win::Widen(e.what()) + L".");
        return;
    }
    rw::ControlAnswer answer;
    {
        RunScope scope(*this, *document);
        answer = Control().InvokePlugIn(filter.fileName, dib.Get());
    }
    if (!answer) {
        Report(named, answer.description + L"\n\nThe picture is as it was.");
        return;
    }
    last_ = filter;
    StoreSetting(kLastKey, filter.fileName);
    document = FindDocument(main_, window); // the program may be ending
    rw::win::GlobalLockPtr<const uint8_t> after(dib.Get());
    // A run cancelled with Esc leaves the picture as it was, and so does a filter that changes
    // nothing: neither is a step to undo.
    if (!document || !after || std::memcmp(after.Get(), before.data(), before.size()) == 0) {
        return;
    }
    try {
        document->Lumbra1.PasteDib(std::span<const uint8_t>(after.Get(), before.size()));
    } catch (const rw::ImageError& e) {
        Report(L"The filtered picture cannot be shown", rw::win::Widen(e.what()) + L".");
        return;
    }
    document->History().Done(filter.title, std::move(before));
    document->Lumbra1.Refresh();
}
