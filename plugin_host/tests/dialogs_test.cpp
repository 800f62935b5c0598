// The Select Plug-In and About dialogs, driven from a second thread as a user would: the dialog
// is found by class and caption, tree items are highlighted, buttons clicked and items
// double-clicked by messages, while the test thread sits inside the member call.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "plugin_host/tests/plugin_test_support.h"
#include "win32/bstr.h"
#include "win32/strings.h"

using namespace plugintest;
using rw::win::Bstr;
using rw::win::WindowText;

namespace {

struct DialogSearch {
    const wchar_t* caption;
    HWND found;
};

BOOL CALLBACK MatchDialog(HWND hwnd, LPARAM lParam) {
    auto* search = reinterpret_cast<DialogSearch*>(lParam);
    wchar_t cls[64] = {};
    GetClassNameW(hwnd, cls, 64);
    if (std::wstring(cls) == L"#32770" && WindowText(hwnd) == search->caption &&
        IsWindowVisible(hwnd)) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

// The dialog of `thread` with this caption, once it is visible; null after 10 s.
HWND WaitForDialog(DWORD thread, const wchar_t* caption) {
    for (int tries = 0; tries < 500; ++tries) {
        DialogSearch search{caption, nullptr};
        EnumThreadWindows(thread, MatchDialog, reinterpret_cast<LPARAM>(&search));
        if (search.found) {
            return search.found;
        }
        Sleep(20);
    }
    return nullptr;
}

// Runs `call` on this thread while `drive` works the dialog from another. Whatever the driver
// leaves open is cancelled, so that a failed step cannot hang the test.
void WithDialog(const wchar_t* caption, const std::function<void()>& call,
                const std::function<void(HWND)>& drive) {
    const DWORD me = GetCurrentThreadId();
    std::thread driver([&] {
        const HWND dialog = WaitForDialog(me, caption);
        if (!dialog) {
            ADD_FAILURE() << "no dialog appeared";
            return;
        }
        drive(dialog);
        if (IsWindow(dialog)) {
            ::PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        }
    });
    call();
    driver.join();
}

// The face and point size of the font the dialog manager made from the template.
std::wstring FontOf(HWND dialog) {
    LOGFONTW font{};
    const auto handle = reinterpret_cast<HFONT>(::SendMessageW(dialog, WM_GETFONT, 0, 0));
    if (!handle || !GetObjectW(handle, sizeof font, &font)) {
        return L"<none>";
    }
    const HDC screen = GetDC(nullptr);
    const int points = MulDiv(-font.lfHeight, 72, GetDeviceCaps(screen, LOGPIXELSY));
    ReleaseDC(nullptr, screen);
    return std::wstring(font.lfFaceName) + L" " + std::to_wstring(points);
}

HTREEITEM Next(HWND tree, HTREEITEM item, UINT relation) {
    return reinterpret_cast<HTREEITEM>(
        ::SendMessageW(tree, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(item)));
}

struct Item {
    std::wstring text;
    LPARAM value = 0;
    int image = -1;
    int selectedImage = -1;
    UINT state = 0;
};

Item Read(HWND tree, HTREEITEM handle) {
    wchar_t text[256] = {};
    TVITEMW item{};
    item.mask = TVIF_HANDLE | TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE;
    item.hItem = handle;
    item.pszText = text;
    item.cchTextMax = 256;
    item.stateMask = TVIS_EXPANDED | TVIS_SELECTED;
    ::SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    return {text, item.lParam, item.iImage, item.iSelectedImage, item.state};
}

// The item with this text among the children of `parent` (TVI_ROOT for the top level).
HTREEITEM Find(HWND tree, HTREEITEM parent, const std::wstring& text) {
    HTREEITEM item =
        parent == TVI_ROOT ? Next(tree, nullptr, TVGN_ROOT) : Next(tree, parent, TVGN_CHILD);
    for (; item; item = Next(tree, item, TVGN_NEXT)) {
        if (Read(tree, item).text == text) {
            return item;
        }
    }
    return nullptr;
}

std::vector<std::wstring> Texts(HWND tree, HTREEITEM parent) {
    std::vector<std::wstring> texts;
    HTREEITEM item =
        parent == TVI_ROOT ? Next(tree, nullptr, TVGN_ROOT) : Next(tree, parent, TVGN_CHILD);
    for (; item; item = Next(tree, item, TVGN_NEXT)) {
        texts.push_back(Read(tree, item).text);
    }
    return texts;
}

void Highlight(HWND tree, HTREEITEM item) {
    ::SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
}

// A double click on the item's label, as the tree view receives it after the first click has
// highlighted the item.
void DoubleClick(HWND tree, HTREEITEM item) {
    Highlight(tree, item);
    RECT rect{};
    std::memcpy(&rect, &item, sizeof item); // the message takes the item in the rectangle
    ::SendMessageW(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&rect));
    const LPARAM point = MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    ::SendMessageW(tree, WM_LBUTTONDBLCLK, MK_LBUTTON, point);
    ::SendMessageW(tree, WM_LBUTTONUP, 0, point);
}

void Click(HWND dialog, int id) {
    ::SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

// A control whose catalogue the stand-in reports: categories B, A, B and a case variant of B.
class SelectPlugIn : public testing::Test {
protected:
    void SetUp() override { Open("entries=Zeta|zeta.8bf|B,Alpha|alpha.8bf|A,Mid|mid.8bf|B"); }

    void Open(const char* script) {
        control_ = CreateControl();
        ASSERT_TRUE(control_);
        folder_.AddFile(L"x.8bf");
        ScriptLumbra32(script);
        Bstr path(folder_.Path());
        ASSERT_EQ(control_->put_Directory(path.Get()), S_OK);
    }

    // SelectPlugIns with `drive` working the dialog; the result as text, "<null>" for none.
    std::wstring Select(const std::function<void(HWND dialog, HWND tree)>& drive) {
        BSTR chosen = reinterpret_cast<BSTR>(1);
        HRESULT hr = E_FAIL;
        WithDialog(
            L"Select Plug-In", [&] { hr = control_->SelectPlugIns(&chosen); },
            [&](HWND dialog) { drive(dialog, GetDlgItem(dialog, 201)); });
        EXPECT_EQ(hr, S_OK);
        if (chosen == reinterpret_cast<BSTR>(1)) {
            return L"<untouched>";
        }
        Bstr owned = Bstr::Attach(chosen);
        return owned ? std::wstring(owned.Get()) : L"<null>";
    }

    TempFolder folder_;
    ComPtr<IPlugIn> control_;
};

} // namespace

TEST_F(SelectPlugIn, TreeSortsSiblingsAndSharesCategoryItems) {
    std::vector<std::wstring> roots, underB;
    Item a, b, mid, first;
    bool imagesLoaded = false;
    int imageCount = 0;
    std::wstring titleLabel;
    const std::wstring chosen = Select([&](HWND dialog, HWND tree) {
        roots = Texts(tree, TVI_ROOT);
        const HTREEITEM itemB = Find(tree, TVI_ROOT, L"B");
        underB = Texts(tree, itemB);
        a = Read(tree, Find(tree, TVI_ROOT, L"A"));
        b = Read(tree, itemB);
        mid = Read(tree, Find(tree, itemB, L"Mid"));
        first = Read(tree, Next(tree, nullptr, TVGN_CARET));
        const auto images =
            reinterpret_cast<HIMAGELIST>(::SendMessageW(tree, TVM_GETIMAGELIST, TVSIL_NORMAL, 0));
        imagesLoaded = images != nullptr;
        imageCount = images ? ImageList_GetImageCount(images) : 0;
        titleLabel = WindowText(GetDlgItem(dialog, 204));
        Click(dialog, IDCANCEL);
    });
    EXPECT_EQ(chosen, L"<null>");
    EXPECT_EQ(roots, (std::vector<std::wstring>{L"A", L"B"}));
    EXPECT_EQ(underB, (std::vector<std::wstring>{L"Mid", L"Zeta"}));
    EXPECT_EQ(a.value, -1);
    EXPECT_EQ(b.value, -1);
    EXPECT_EQ(b.image, 0);
    EXPECT_EQ(b.selectedImage, 1);
    EXPECT_EQ(mid.value, 2);
    EXPECT_EQ(mid.image, 2);
    EXPECT_EQ(mid.selectedImage, 3);
    // The first category is highlighted and nothing is expanded; highlighting a category fills
    // no label.
    EXPECT_EQ(first.text, L"A");
    EXPECT_EQ(a.state & TVIS_EXPANDED, 0u);
    EXPECT_EQ(b.state & TVIS_EXPANDED, 0u);
    EXPECT_EQ(titleLabel, L" ");
    EXPECT_TRUE(imagesLoaded);
    EXPECT_EQ(imageCount, 4);
}

TEST_F(SelectPlugIn, CategoriesDifferingInCaseStaySeparate) {
    ScriptLumbra32("entries=One|one.8bf|Blur,Two|two.8bf|blur,Three|three.8bf|Blur");
    size_t roots = 0;
    std::vector<std::wstring> under;
    Select([&](HWND dialog, HWND tree) {
        roots = Texts(tree, TVI_ROOT).size();
        for (HTREEITEM item = Next(tree, nullptr, TVGN_ROOT); item;
             item = Next(tree, item, TVGN_NEXT)) {
            under.push_back(Read(tree, item).text + L":" +
                            std::to_wstring(Texts(tree, item).size()));
        }
        Click(dialog, IDCANCEL);
    });
    EXPECT_EQ(roots, 2u);
    std::sort(under.begin(), under.end());
    EXPECT_EQ(under, (std::vector<std::wstring>{L"Blur:2", L"blur:1"}));
}

TEST_F(SelectPlugIn, HighlightPlugInThenCategoryThenOkReturnsThePlugIn) {
    std::wstring title, category, file, afterCategory;
    const std::wstring chosen = Select([&](HWND dialog, HWND tree) {
        const HTREEITEM b = Find(tree, TVI_ROOT, L"B");
        Highlight(tree, Find(tree, b, L"Zeta"));
        title = WindowText(GetDlgItem(dialog, 204));
        file = WindowText(GetDlgItem(dialog, 205));
        category = WindowText(GetDlgItem(dialog, 206));
        Highlight(tree, Find(tree, TVI_ROOT, L"A"));
        afterCategory =
            WindowText(GetDlgItem(dialog, 204)) + L"/" + WindowText(GetDlgItem(dialog, 205));
        Click(dialog, IDOK);
    });
    EXPECT_EQ(title, L"Zeta");
    EXPECT_EQ(file, L"zeta.8bf");
    EXPECT_EQ(category, L"B");
    EXPECT_EQ(afterCategory, L"Zeta/zeta.8bf");
    EXPECT_EQ(chosen, L"zeta.8bf");
}

TEST_F(SelectPlugIn, CancelEscAndCloseBoxReturnNull) {
    const std::function<void(HWND, HWND)> ways[] = {
        [](HWND dialog, HWND) { Click(dialog, IDCANCEL); },
        [](HWND, HWND tree) {
            SetFocus(tree);
            ::PostMessageW(tree, WM_KEYDOWN, VK_ESCAPE, 0);
            ::PostMessageW(tree, WM_KEYUP, VK_ESCAPE, 0);
        },
        [](HWND dialog, HWND) { ::PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); },
    };
    for (const auto& cancel : ways) {
        const std::wstring chosen = Select([&](HWND dialog, HWND tree) {
            Highlight(tree, Find(tree, Find(tree, TVI_ROOT, L"A"), L"Alpha"));
            cancel(dialog, tree);
            for (int i = 0; i < 250 && IsWindow(dialog); ++i) {
                Sleep(20);
            }
            EXPECT_FALSE(IsWindow(dialog));
        });
        EXPECT_EQ(chosen, L"<null>");
    }
}

TEST_F(SelectPlugIn, EnterKeepsTheHighlightedPlugIn) {
    const std::wstring chosen = Select([&](HWND dialog, HWND tree) {
        Highlight(tree, Find(tree, Find(tree, TVI_ROOT, L"A"), L"Alpha"));
        ::PostMessageW(tree, WM_KEYDOWN, VK_RETURN, 0);
        ::PostMessageW(tree, WM_KEYUP, VK_RETURN, 0);
        for (int i = 0; i < 250 && IsWindow(dialog); ++i) {
            Sleep(20);
        }
        EXPECT_FALSE(IsWindow(dialog));
    });
    EXPECT_EQ(chosen, L"alpha.8bf");
}

TEST_F(SelectPlugIn, DoubleClickChoosesAPlugInButOnlyOpensACategory) {
    bool openAfterCategory = false;
    bool expanded = false;
    const std::wstring chosen = Select([&](HWND dialog, HWND tree) {
        const HTREEITEM b = Find(tree, TVI_ROOT, L"B");
        DoubleClick(tree, b);
        openAfterCategory = IsWindow(dialog) && IsWindowVisible(dialog);
        expanded = (Read(tree, b).state & TVIS_EXPANDED) != 0;
        DoubleClick(tree, Find(tree, b, L"Mid"));
        for (int i = 0; i < 250 && IsWindow(dialog); ++i) {
            Sleep(20);
        }
    });
    EXPECT_TRUE(openAfterCategory);
    EXPECT_TRUE(expanded);
    EXPECT_EQ(chosen, L"mid.8bf");
}

TEST_F(SelectPlugIn, AboutButtonAsksTheLibraryOnlyWithASelection) {
    ScriptLumbra32("about=0;entries=Zeta|zeta.8bf|B");
    std::string beforeSelection;
    bool stillOpen = false;
    Select([&](HWND dialog, HWND tree) {
        Click(dialog, 203);
        beforeSelection = Lumbra32Calls();
        Highlight(tree, Find(tree, Find(tree, TVI_ROOT, L"B"), L"Zeta"));
        Click(dialog, 203);
        stillOpen = IsWindowVisible(dialog) != FALSE;
        Click(dialog, IDCANCEL);
    });
    EXPECT_EQ(beforeSelection.find("PlugInShowAbout"), std::string::npos);
    const std::string calls = Lumbra32Calls();
    EXPECT_NE(calls.find("PlugInShowAbout(zeta.8bf)\nShowLastError()\n"), std::string::npos)
        << calls;
    EXPECT_TRUE(stillOpen);
}

TEST_F(SelectPlugIn, OwnedByTheActiveWindow) {
    const HWND owner = CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0,
                                       0, 200, 100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(owner, nullptr);
    SetActiveWindow(owner);
    ASSERT_EQ(GetActiveWindow(), owner);
    HWND seenOwner = nullptr;
    Select([&](HWND dialog, HWND) {
        seenOwner = GetWindow(dialog, GW_OWNER);
        Click(dialog, IDCANCEL);
    });
    EXPECT_EQ(seenOwner, owner);
    DestroyWindow(owner);
}

// A client whose timer assigns another directory while the dialog is open empties the catalogue
// under the tree: its items then name entries that are gone and choose nothing.
namespace {
IPlugIn* g_reassignTarget = nullptr;
const TempFolder* g_reassignFolder = nullptr;
std::atomic<bool> g_reassignNow{false};

void CALLBACK ReassignDirectory(HWND, UINT, UINT_PTR id, DWORD) {
    if (!g_reassignNow || !g_reassignTarget) {
        return;
    }
    KillTimer(nullptr, id);
    Bstr path(g_reassignFolder->Path());
    g_reassignTarget->put_Directory(path.Get());
    g_reassignTarget = nullptr;
}
} // namespace

TEST_F(SelectPlugIn, CatalogueEmptiedWhileOpenChoosesNothing) {
    TempFolder empty;
    g_reassignTarget = control_.Get();
    g_reassignFolder = &empty;
    g_reassignNow = false;
    // A thread timer of the test thread: it runs inside the dialog's message loop.
    const UINT_PTR timer = SetTimer(nullptr, 0, 10, ReassignDirectory);
    ASSERT_NE(timer, 0u);
    std::wstring title;
    const std::wstring chosen = Select([&](HWND dialog, HWND tree) {
        const HTREEITEM zeta = Find(tree, Find(tree, TVI_ROOT, L"B"), L"Zeta");
        g_reassignNow = true;
        for (int i = 0; i < 250 && g_reassignTarget; ++i) {
            Sleep(20);
        }
        EXPECT_EQ(g_reassignTarget, nullptr) << "the timer did not run";
        Highlight(tree, zeta);
        title = WindowText(GetDlgItem(dialog, 204));
        Click(dialog, IDOK);
    });
    KillTimer(nullptr, timer);
    g_reassignTarget = nullptr;
    EXPECT_EQ(title, L" ");
    EXPECT_EQ(chosen, L"<null>");
}

TEST(SelectPlugInEmpty, EmptyCatalogueShowsAnEmptyTreeAndOkReturnsNull) {
    ComPtr<IPlugIn> control = CreateControl();
    ASSERT_TRUE(control);
    TempFolder folder;
    folder.AddFile(L"x.8bf");
    ScriptLumbra32("plugins=0");
    Bstr path(folder.Path());
    ASSERT_EQ(control->put_Directory(path.Get()), S_OK);
    LRESULT count = -1;
    BSTR chosen = reinterpret_cast<BSTR>(1);
    HRESULT hr = E_FAIL;
    WithDialog(
        L"Select Plug-In", [&] { hr = control->SelectPlugIns(&chosen); },
        [&](HWND dialog) {
            count = ::SendMessageW(GetDlgItem(dialog, 201), TVM_GETCOUNT, 0, 0);
            Click(dialog, IDOK);
        });
    EXPECT_EQ(hr, S_OK);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(chosen, nullptr);
}

// The template as it appears on screen: every child in order, with its class, text, style and
// place in dialog units.
TEST_F(SelectPlugIn, TemplateLaysOutItsControls) {
    struct Row {
        int id;
        const wchar_t* cls;
        const wchar_t* text;
        RECT units; // x, y, width, height
        DWORD style;
    };
    const DWORD label = SS_LEFT | WS_GROUP;
    const Row rows[] = {
        {201,
         L"SysTreeView32",
         L"Tree1",
         {5, 5, 113, 127},
         WS_BORDER | WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT |
             TVS_SHOWSELALWAYS | TVS_DISABLEDRAGDROP},
        {1, L"Button", L"O&K", {171, 118, 50, 14}, BS_DEFPUSHBUTTON | WS_TABSTOP},
        {2, L"Button", L"&Cancel", {171, 102, 50, 14}, BS_PUSHBUTTON | WS_TABSTOP},
        {203, L"Button", L"&About", {171, 86, 50, 14}, BS_PUSHBUTTON | WS_TABSTOP},
        {-1, L"Static", L"Title:", {121, 5, 100, 10}, label},
        {204, L"Static", L" ", {146, 15, 75, 10}, label},
        {-1, L"Static", L"File Name:", {121, 31, 100, 10}, label},
        {205, L"Static", L"", {146, 41, 75, 10}, label},
        {-1, L"Static", L"Category:", {121, 57, 100, 10}, label},
        {206, L"Static", L"", {146, 67, 75, 10}, label},
    };
    std::vector<std::wstring> problems;
    std::wstring caption;
    DWORD dialogStyle = 0;
    RECT client{}, expectedClient{0, 0, 226, 138};
    std::wstring font;
    Select([&](HWND dialog, HWND) {
        caption = WindowText(dialog);
        font = FontOf(dialog);
        dialogStyle = static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_STYLE));
        GetClientRect(dialog, &client);
        MapDialogRect(dialog, &expectedClient);
        HWND child = GetWindow(dialog, GW_CHILD);
        for (const Row& row : rows) {
            if (!child) {
                problems.push_back(L"missing " + std::wstring(row.text));
                break;
            }
            wchar_t cls[64] = {};
            GetClassNameW(child, cls, 64);
            // Place and size are converted one by one, as the dialog manager does.
            RECT expected = row.units;
            MapDialogRect(dialog, &expected);
            expected.right += expected.left;
            expected.bottom += expected.top;
            RECT actual{};
            GetWindowRect(child, &actual);
            MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&actual), 2);
            DWORD style = static_cast<DWORD>(GetWindowLongPtrW(child, GWL_STYLE));
            // A tree view turns its border into a client edge when it is created.
            if (GetWindowLongPtrW(child, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) {
                style |= WS_BORDER;
            }
            const int id = static_cast<int>(static_cast<short>(GetDlgCtrlID(child)));
            const bool textMatters = row.id != 201; // a tree view keeps no window text
            if (_wcsicmp(cls, row.cls) != 0 || id != row.id ||
                (textMatters && WindowText(child) != row.text) || !EqualRect(&expected, &actual) ||
                (style & row.style) != row.style || !(style & WS_VISIBLE) || !(style & WS_CHILD)) {
                problems.push_back(
                    L"control " + std::to_wstring(row.id) + L" " + row.text + L": " + cls +
                    L" id " + std::to_wstring(id) + L" text '" + WindowText(child) + L"' style " +
                    std::to_wstring(style) + L" at " + std::to_wstring(actual.left) + L"," +
                    std::to_wstring(actual.top) + L"," + std::to_wstring(actual.right) + L"," +
                    std::to_wstring(actual.bottom) + L" not " + std::to_wstring(expected.left) +
                    L"," + std::to_wstring(expected.top) + L"," + std::to_wstring(expected.right) +
                    L"," + std::to_wstring(expected.bottom));
            }
            child = GetWindow(child, GW_HWNDNEXT);
        }
        if (child) {
            problems.push_back(L"extra controls");
        }
        Click(dialog, IDCANCEL);
    });
    EXPECT_EQ(caption, L"Select Plug-In");
    EXPECT_EQ(font, L"MS Sans Serif 8");
    const DWORD frame = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    EXPECT_EQ(dialogStyle & frame, frame);
    EXPECT_TRUE(EqualRect(&client, &expectedClient));
    for (const std::wstring& problem : problems) {
        ADD_FAILURE() << std::string(problem.begin(), problem.end());
    }
}

// ---- the control's About box

namespace {

struct AboutTexts {
    std::wstring description, version, copyright;
    bool openAfterEsc = false;
    std::wstring font;
    RECT client{};
    RECT expectedClient{0, 0, 203, 81};
    bool hasLogo = false;
};

AboutTexts ShowAbout(IPlugIn* control) {
    AboutTexts seen;
    HRESULT hr = E_FAIL;
    WithDialog(
        L"About", [&] { hr = control->AboutBox(); },
        [&](HWND dialog) {
            seen.font = FontOf(dialog);
            seen.description = WindowText(GetDlgItem(dialog, 208));
            seen.version = WindowText(GetDlgItem(dialog, 207));
            seen.copyright = WindowText(GetDlgItem(dialog, 209));
            GetClientRect(dialog, &seen.client);
            MapDialogRect(dialog, &seen.expectedClient);
            for (HWND child = GetWindow(dialog, GW_CHILD); child;
                 child = GetWindow(child, GW_HWNDNEXT)) {
                if ((GetWindowLongPtrW(child, GWL_STYLE) & SS_TYPEMASK) == SS_BITMAP) {
                    seen.hasLogo = ::SendMessageW(child, STM_GETIMAGE, IMAGE_BITMAP, 0) != 0;
                }
            }
            // Esc has no command to run here; the close box ends the dialog.
            ::PostMessageW(GetDlgItem(dialog, IDOK), WM_KEYDOWN, VK_ESCAPE, 0);
            Sleep(300);
            seen.openAfterEsc = IsWindow(dialog) && IsWindowVisible(dialog);
            ::PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
            for (int i = 0; i < 250 && IsWindow(dialog); ++i) {
                Sleep(20);
            }
            EXPECT_FALSE(IsWindow(dialog));
        });
    EXPECT_EQ(hr, S_OK);
    return seen;
}

} // namespace

TEST(PlugInAboutBox, ShowsTheVersionTexts) {
    ComPtr<IPlugIn> control = CreateControl();
    ASSERT_TRUE(control);
    const AboutTexts seen = ShowAbout(control.Get());
    EXPECT_EQ(seen.description, L"Lumbra PhotoShop Plugin Host Control");
    EXPECT_EQ(seen.version, L"6.04.00");
    EXPECT_EQ(seen.copyright, L"Copyright (C) Ridgewright developers");
    EXPECT_TRUE(EqualRect(&seen.client, &seen.expectedClient));
    EXPECT_TRUE(seen.hasLogo);
    EXPECT_TRUE(seen.openAfterEsc);
    EXPECT_EQ(seen.font, L"MS Sans Serif 8");
}

TEST(PlugInAboutBox, OkClosesIt) {
    ComPtr<IPlugIn> control = CreateControl();
    ASSERT_TRUE(control);
    bool closed = false;
    WithDialog(
        L"About", [&] { EXPECT_EQ(control->AboutBox(), S_OK); },
        [&](HWND dialog) {
            Click(dialog, IDOK);
            for (int i = 0; i < 250 && IsWindow(dialog); ++i) {
                Sleep(20);
            }
            closed = !IsWindow(dialog);
        });
    EXPECT_TRUE(closed);
}

// Loaded under another file name, the library does not find "lumbraplug.ocx" and shows only the
// fixed texts. (Each test runs in its own process under ctest; a run of the whole program has
// the control loaded under its own name by then.)
TEST(PlugInAboutBox, UnderAnotherFileNameShowsOnlyTheFixedTexts) {
    if (GetModuleHandleW(L"lumbraplug.ocx")) {
        GTEST_SKIP() << "lumbraplug.ocx is already loaded in this process";
    }
    const std::wstring original = ControlPath();
    const std::wstring renamed = original.substr(0, original.find_last_of(L'\\') + 1) + L"renamed" +
                                 std::to_wstring(GetCurrentProcessId()) + L".ocx";
    ASSERT_TRUE(CopyFileW(original.c_str(), renamed.c_str(), FALSE));
    const HMODULE module = LoadLibraryExW(renamed.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    ASSERT_NE(module, nullptr);
    AboutTexts seen;
    {
        const auto getClassObject =
            reinterpret_cast<HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**)>(
                reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject")));
        ASSERT_NE(getClassObject, nullptr);
        ComPtr<IClassFactory> factory;
        ASSERT_EQ(getClassObject(CLSID_PlugIn, IID_IClassFactory, factory.PutVoid()), S_OK);
        ComPtr<IPlugIn> control;
        ASSERT_EQ(factory->CreateInstance(nullptr, IID_IPlugIn, control.PutVoid()), S_OK);
        seen = ShowAbout(control.Get());
    }
    FreeLibrary(module);
    DeleteFileW(renamed.c_str());
    EXPECT_EQ(seen.description, L"");
    EXPECT_EQ(seen.version, L"");
    EXPECT_EQ(seen.copyright, L"");
    EXPECT_TRUE(seen.hasLogo);
}
