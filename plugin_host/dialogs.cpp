#include "plugin_host/dialogs.h"

#include <commctrl.h>

#include <cstring>

#include "lumbra32/lumbra32.h"
#include "plugin_host/category_tree.h"
#include "plugin_host/module.h"
#include "plugin_host/plugin.h"
#include "plugin_host/resource.h"
#include "plugin_host/text.h"

namespace rw::plugin {
namespace {

constexpr LPARAM kCategoryValue = -1;

std::wstring_view ViewOf(const rw::win::Bstr& s) {
    return s ? std::wstring_view(s.Get(), SysStringLen(s.Get())) : std::wstring_view();
}

// The tree view class must exist before a template that names it is instantiated.
void EnsureTreeViewClass() {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TREEVIEW_CLASSES};
    InitCommonControlsEx(&controls);
}

HTREEITEM InsertItem(HWND tree, HTREEITEM parent, const std::string& text, int image, bool children,
                     LPARAM value) {
    TVINSERTSTRUCTA insert{};
    insert.hParent = parent;
    insert.hInsertAfter = TVI_SORT;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN | TVIF_PARAM;
    insert.item.pszText = const_cast<char*>(text.c_str());
    insert.item.iImage = image;
    insert.item.iSelectedImage = image + 1;
    insert.item.cChildren = children ? 1 : 0;
    insert.item.lParam = value;
    return reinterpret_cast<HTREEITEM>(
        ::SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
}

} // namespace

// ---- SelectPlugInDialog

SelectPlugInDialog::~SelectPlugInDialog() {
    if (images_) {
        ImageList_Destroy(images_);
    }
}

INT_PTR SelectPlugInDialog::DoModal(HWND owner) {
    EnsureTreeViewClass();
    return DialogBoxParamW(ModuleInstance(), MAKEINTRESOURCEW(IDD_SELECT_PLUGIN), owner, Proc,
                           reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK SelectPlugInDialog::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    SelectPlugInDialog* self = nullptr;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<SelectPlugInDialog*>(lParam);
        SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        self->hwnd_ = hwnd;
    } else {
        self = reinterpret_cast<SelectPlugInDialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    }
    if (!self) {
        return FALSE;
    }
    // No C++ exception may unwind through USER32.
    try {
        return self->Route(message, wParam, lParam);
    } catch (...) {
        self->Close(2);
        return TRUE;
    }
}

INT_PTR SelectPlugInDialog::Route(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        FillTree();
        return TRUE; // focus to the first control that takes it: the tree
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            Close(1);
            return TRUE;
        case IDCANCEL: // the Cancel button, Esc and the close box
            Close(2);
            return TRUE;
        case IDC_PLUGIN_ABOUT:
            if (HIWORD(wParam) == BN_CLICKED) {
                OnAboutPlugIn();
            }
            return TRUE;
        default:
            return FALSE;
        }
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->idFrom != IDC_PLUGIN_TREE) {
            return FALSE;
        }
        if (header->code == TVN_SELCHANGEDA || header->code == TVN_SELCHANGEDW) {
            // The item part that matters lies at the same place in both forms. Once the result
            // is decided, the tree emptying itself on destruction must not change it.
            const TVITEMW& item = reinterpret_cast<const NMTREEVIEWW*>(lParam)->itemNew;
            if (!closing_ && item.hItem) {
                OnHighlight(item.lParam);
            }
        } else if (header->code == NM_DBLCLK) {
            OnDoubleClick();
        }
        return FALSE; // a category still expands or collapses as the tree does by itself
    }
    default:
        return FALSE;
    }
}

void SelectPlugInDialog::FillTree() {
    const HWND tree = GetDlgItem(hwnd_, IDC_PLUGIN_TREE);
    std::vector<TreeEntry> entries;
    entries.reserve(catalogue_.size());
    for (const PlugInInfo& info : catalogue_) {
        entries.push_back({AnsiFromWide(ViewOf(info.Category)), AnsiFromWide(ViewOf(info.Title))});
    }
    const CategoryTree plan = BuildCategoryTree(entries);
    std::vector<HTREEITEM> categories(plan.Categories.size(), nullptr);
    for (const TreeInsertion& step : plan.Insertions) {
        HTREEITEM& parent = categories[step.CategoryIndex];
        if (step.NewCategory) {
            parent = InsertItem(tree, TVI_ROOT, plan.Categories[step.CategoryIndex], 0, true,
                                kCategoryValue);
        }
        InsertItem(tree, parent, entries[step.EntryIndex].Title, 2, false,
                   static_cast<LPARAM>(step.EntryIndex));
    }
    const auto first =
        reinterpret_cast<HTREEITEM>(::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_FIRSTVISIBLE, 0));
    if (first) {
        ::SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(first));
    }
    images_ = ImageList_LoadImageW(ModuleInstance(), MAKEINTRESOURCEW(IDB_TREE_IMAGES), 16, 0,
                                   RGB(255, 255, 255), IMAGE_BITMAP, LR_CREATEDIBSECTION);
    if (images_) {
        ::SendMessageW(tree, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(images_));
    }
    if (const HICON icon = LoadIconW(ModuleInstance(), MAKEINTRESOURCEW(IDI_PLUGIN))) {
        ::SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    }
}

void SelectPlugInDialog::OnHighlight(LPARAM itemValue) {
    if (itemValue == kCategoryValue || itemValue < 0 ||
        static_cast<std::size_t>(itemValue) >= catalogue_.size()) {
        return;
    }
    const PlugInInfo& info = catalogue_[static_cast<std::size_t>(itemValue)];
    const std::wstring title(ViewOf(info.Title));
    const std::wstring category(ViewOf(info.Category));
    const std::wstring fileName(ViewOf(info.FileName));
    SetDlgItemTextW(hwnd_, IDC_PLUGIN_TITLE, title.c_str());
    SetDlgItemTextW(hwnd_, IDC_PLUGIN_CATEGORY, category.c_str());
    SetDlgItemTextW(hwnd_, IDC_PLUGIN_FILENAME, fileName.c_str());
    selection_ = AnsiFromWide(fileName);
    hasSelection_ = true;
}

void SelectPlugInDialog::OnDoubleClick() {
    const HWND tree = GetDlgItem(hwnd_, IDC_PLUGIN_TREE);
    TVITEMW item{};
    item.mask = TVIF_PARAM | TVIF_HANDLE;
    item.hItem = reinterpret_cast<HTREEITEM>(::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    if (item.hItem && ::SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)) &&
        item.lParam != kCategoryValue) {
        Close(1);
    }
}

void SelectPlugInDialog::OnAboutPlugIn() {
    if (!hasSelection_) {
        return;
    }
    if (PlugInShowAbout(hwnd_, selection_.c_str()) != 1) {
        ShowLastError(hwnd_);
    }
}

void SelectPlugInDialog::Close(INT_PTR result) {
    closing_ = true;
    if (result != 1) {
        selection_.clear();
        hasSelection_ = false;
    }
    EndDialog(hwnd_, result);
}

// ---- ControlAboutDialog

INT_PTR ControlAboutDialog::DoModal(HWND owner) {
    return DialogBoxParamW(ModuleInstance(), MAKEINTRESOURCEW(IDD_ABOUT), owner, Proc,
                           reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK ControlAboutDialog::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        switch (message) {
        case WM_INITDIALOG:
            reinterpret_cast<const ControlAboutDialog*>(lParam)->ShowVersion(hwnd);
            return TRUE;
        case WM_COMMAND:
            // Only OK closes it: with no Cancel command, Esc does nothing.
            if (LOWORD(wParam) == IDOK) {
                EndDialog(hwnd, 1);
                return TRUE;
            }
            return FALSE;
        case WM_CLOSE:
            EndDialog(hwnd, 0);
            return TRUE;
        default:
            return FALSE;
        }
    } catch (...) {
        EndDialog(hwnd, 0);
        return TRUE;
    }
}

void ControlAboutDialog::ShowVersion(HWND hwnd) const {
    FileVersionReader reader;
    if (!reader.Open(moduleName_.c_str())) {
        return;
    }
    const struct {
        int id;
        const char* key;
    } labels[] = {{IDC_ABOUT_DESCRIPTION, "FileDescription"},
                  {IDC_ABOUT_VERSION, "FileVersion"},
                  {IDC_ABOUT_COPYRIGHT, "LegalCopyright"}};
    for (const auto& label : labels) {
        // A key the resource lacks leaves its label empty.
        std::wstring value;
        if (reader.Value(label.key, value)) {
            SetDlgItemTextW(hwnd, label.id, value.c_str());
        }
    }
}

// ---- FileVersionReader

bool FileVersionReader::Open(const wchar_t* moduleFileName) {
    const HMODULE module = GetModuleHandleW(moduleFileName);
    if (!module) {
        return false;
    }
    wchar_t path[MAX_PATH + 1];
    const DWORD length = GetModuleFileNameW(module, path, MAX_PATH + 1);
    if (length == 0 || length > MAX_PATH) {
        return false;
    }
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path, &ignored);
    if (size == 0) {
        return false;
    }
    std::vector<BYTE> block(size);
    if (!GetFileVersionInfoW(path, 0, size, block.data())) {
        return false;
    }
    void* root = nullptr;
    UINT rootLength = 0;
    if (!VerQueryValueW(block.data(), L"\\", &root, &rootLength) || !root ||
        rootLength < sizeof(VS_FIXEDFILEINFO)) {
        return false;
    }
    std::memcpy(&fixed_, root, sizeof fixed_);
    void* translation = nullptr;
    UINT translationLength = 0;
    if (VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &translation,
                       &translationLength)) {
        const Translation first = FirstTranslation(translation, translationLength);
        language_ = first.Language;
        codePage_ = first.CodePage;
    }
    block_ = std::move(block);
    return fixed_.dwSignature == 0xFEEF04BD;
}

bool FileVersionReader::Value(const char* key, std::wstring& value) const {
    if (block_.empty()) {
        return false;
    }
    const std::string path = VersionValuePath(language_, codePage_, key);
    const std::wstring widePath(path.begin(), path.end()); // the path is plain ASCII
    void* found = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block_.data(), widePath.c_str(), &found, &length) || !found) {
        return false;
    }
    value.assign(static_cast<const wchar_t*>(found));
    return true;
}

} // namespace rw::plugin
