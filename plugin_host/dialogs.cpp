#include "plugin_host/dialogs.h"

#include "plugin_host/category_tree.h"
#include "plugin_host/file_version.h"
#include "plugin_host/resource.h"
#include "win32/strings.h"
#include "win32/window.h"

namespace rw::plugin {
namespace {

using rw::win::NarrowCodePage;

// The item value of a category; a plug-in's is its catalogue index.
constexpr LPARAM kCategoryValue = -1;

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

SelectPlugInDialog::SelectPlugInDialog(const PlugInCatalogue& catalogue)
    : ModalDialog(IDD_SELECT_PLUGIN), catalogue_(catalogue) {
    // The tree view class must exist before the template that names it is instantiated.
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TREEVIEW_CLASSES};
    ::InitCommonControlsEx(&controls);
}

SelectPlugInDialog::~SelectPlugInDialog() {
    if (images_) {
        ::ImageList_Destroy(images_);
    }
}

std::optional<std::string> SelectPlugInDialog::Chosen() const {
    return Result() == IDOK ? selection_ : std::nullopt;
}

bool SelectPlugInDialog::OnInit() {
    FillTree();
    return true; // focus to the first control that takes it: the tree
}

bool SelectPlugInDialog::OnCommand(int id, int code) {
    switch (id) {
    case IDOK:
    case IDCANCEL: // the Cancel button, Esc and the close box
        End(id);
        return true;
    case IDC_PLUGIN_ABOUT:
        if (code == BN_CLICKED && selection_) {
            FilterLibrary::ShowAboutOf(*selection_, hwnd());
        }
        return true;
    default:
        return false;
    }
}

bool SelectPlugInDialog::OnNotify(const NMHDR& header, LRESULT&) {
    if (header.idFrom != IDC_PLUGIN_TREE) {
        return false;
    }
    if (header.code == TVN_SELCHANGEDA || header.code == TVN_SELCHANGEDW) {
        // The item part that matters lies at the same place in both forms.
        const TVITEMW& item = reinterpret_cast<const NMTREEVIEWW&>(header).itemNew;
        if (item.hItem) {
            OnHighlight(item.lParam);
        }
    } else if (header.code == NM_DBLCLK) {
        OnDoubleClick();
    }
    return false; // a category still expands or collapses as the tree does by itself
}

void SelectPlugInDialog::FillTree() {
    const HWND tree = Item(IDC_PLUGIN_TREE);
    std::vector<TreeEntry> entries;
    entries.reserve(catalogue_.size());
    for (const PlugInInfo& info : catalogue_) {
        entries.push_back(
            {NarrowCodePage(info.Category.View()), NarrowCodePage(info.Title.View())});
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
    images_ = ::ImageList_LoadImageW(rw::win::ModuleInstance(), MAKEINTRESOURCEW(IDB_TREE_IMAGES),
                                     16, 0, RGB(255, 255, 255), IMAGE_BITMAP, LR_CREATEDIBSECTION);
    if (images_) {
        ::SendMessageW(tree, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(images_));
    }
    if (const HICON icon = ::LoadIconW(rw::win::ModuleInstance(), MAKEINTRESOURCEW(IDI_PLUGIN))) {
        ::SendMessageW(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    }
}

void SelectPlugInDialog::OnHighlight(LPARAM itemValue) {
    // A category changes nothing: the labels and the selection keep the last plug-in.
    if (itemValue == kCategoryValue || itemValue < 0 ||
        static_cast<std::size_t>(itemValue) >= catalogue_.size()) {
        return;
    }
    const PlugInInfo& info = catalogue_[static_cast<std::size_t>(itemValue)];
    const std::wstring title(info.Title.View());
    const std::wstring category(info.Category.View());
    const std::wstring fileName(info.FileName.View());
    ::SetDlgItemTextW(hwnd(), IDC_PLUGIN_TITLE, title.c_str());
    ::SetDlgItemTextW(hwnd(), IDC_PLUGIN_CATEGORY, category.c_str());
    ::SetDlgItemTextW(hwnd(), IDC_PLUGIN_FILENAME, fileName.c_str());
    selection_ = NarrowCodePage(fileName);
}

void SelectPlugInDialog::OnDoubleClick() {
    const HWND tree = Item(IDC_PLUGIN_TREE);
    TVITEMW item{};
    item.mask = TVIF_PARAM | TVIF_HANDLE;
    item.hItem = reinterpret_cast<HTREEITEM>(::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    if (item.hItem && ::SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)) &&
        item.lParam != kCategoryValue) {
        End(IDOK);
    }
}

// ---- ControlAboutDialog

ControlAboutDialog::ControlAboutDialog(std::wstring moduleName)
    : ModalDialog(IDD_ABOUT), moduleName_(std::move(moduleName)) {}

bool ControlAboutDialog::OnInit() {
    // Without a readable version resource the labels stay empty, and so does a label whose key
    // the resource lacks.
    FileVersionReader reader;
    if (reader.Open(moduleName_.c_str())) {
        const struct {
            int id;
            const char* key;
        } labels[] = {{IDC_ABOUT_DESCRIPTION, "FileDescription"},
                      {IDC_ABOUT_VERSION, "FileVersion"},
                      {IDC_ABOUT_COPYRIGHT, "LegalCopyright"}};
        for (const auto& label : labels) {
            std::wstring value;
            if (reader.Value(label.key, value)) {
                ::SetDlgItemTextW(hwnd(), label.id, value.c_str());
            }
        }
    }
    return true;
}

bool ControlAboutDialog::OnCommand(int id, int) {
    // Only OK closes it: with no Cancel command, Esc does nothing.
    if (id != IDOK) {
        return false;
    }
    End(IDOK);
    return true;
}

bool ControlAboutDialog::OnClose() {
    End(0);
    return true;
}

} // namespace rw::plugin
