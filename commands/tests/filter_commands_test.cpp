// The Filter and Edit menus' texts and states as filters run through the registered control:
// what the driver of the shipped program cannot read from outside.
#include <windows.h>

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "commands/menu_ids.h"
#include "documents/frmDocument.h"
#include "program/settings_store.h"
#include "shell/frmMain.h"
#include "shell/tests/editor_test_support.h"
#include "win32/strings.h"

namespace {

using rw::test::Main;

struct Item {
    std::wstring text;
    bool on;
    bool submenu;
    bool operator==(const Item&) const = default;
};

void PrintTo(const Item& item, std::ostream* out) {
    *out << rw::win::Narrow(item.text) << (item.on ? "" : " (off)") << (item.submenu ? " >" : "");
}

// The menu as it drops down now (its submenus are made anew each time).
std::vector<Item> Shown(HMENU menu) {
    SendMessageW(Main().hwnd(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), 0);
    std::vector<Item> items;
    for (int k = 0; k < GetMenuItemCount(menu); ++k) {
        wchar_t text[128] = {};
        GetMenuStringW(menu, static_cast<UINT>(k), text, 128, MF_BYPOSITION);
        const UINT state = GetMenuState(menu, static_cast<UINT>(k), MF_BYPOSITION);
        const bool on = !(state & (MF_GRAYED | MF_SEPARATOR));
        items.push_back({text, on, GetSubMenu(menu, k) != nullptr});
    }
    return items;
}

std::vector<Item> Filters(bool repeat, const std::wstring& last, bool select) {
    return {{L"Plug-In &Folder...", true, false},
            {L"", false, false},
            {L"Ridgewright Fixtures", true, true},
            {L"Ridgewright Pairs", true, true},
            {L"", false, false},
            {L"&Select Plug-In...", select, false},
            {L"&Repeat " + last + L"\tCtrl+F", repeat, false}};
}

TEST(FilterCommands, MenusFollowTheCatalogueTheDocumentAndUndo) {
    ASSERT_TRUE(rw::test::RegisterPlugInControl(true));
    rw::test::RunningEditor editor;
    rw::test::ScriptedUi ui;
    rw::test::TempDir folder(L"rw-filters"); // the control speaks the 8-bit code page
    for (const wchar_t* file : {L"invert.8bf", L"pair.8bf"}) {
        ASSERT_TRUE(CopyFileW(rw::test::BuiltFile(std::wstring(L"plugins\\") + file).c_str(),
                              folder.File(file).c_str(), FALSE));
    }
    HMENU filter = GetSubMenu(Main().Menu(), 3);
    HMENU edit = GetSubMenu(Main().Menu(), 1);
    EXPECT_EQ(Shown(filter), (std::vector<Item>{{L"Plug-In &Folder...", true, false},
                                                {L"", false, false},
                                                {L"&Select Plug-In...", false, false},
                                                {L"&Repeat Filter\tCtrl+F", false, false}}));

    ui.folderAnswers.push_back(folder.Path());
    Main().RunCommand(mnuFilterFolder);
    EXPECT_EQ(rw::GetSetting(rw::SettingsApplication(), L"Settings", L"PlugInPath", L""),
              folder.Path());
    // Without a document the catalogue shows, its filters off.
    EXPECT_EQ(Shown(filter), Filters(false, L"Filter", false));
    EXPECT_EQ(Shown(GetSubMenu(filter, 2)), (std::vector<Item>{{L"Invert", false, false}}));
    EXPECT_EQ(Shown(GetSubMenu(filter, 3)),
              (std::vector<Item>{{L"Pair Blue", false, false}, {L"Pair Red", false, false}}));

    frmDocument& document = rw::test::NewDocument(7, 5);
    rw::test::PaintPattern(document.Lumbra1, 3);
    const std::vector<uint8_t> before = rw::test::Pixels(document.Lumbra1);
    EXPECT_EQ(Shown(filter), Filters(false, L"Filter", true));
    HMENU fixtures = GetSubMenu(filter, 2);
    EXPECT_EQ(Shown(fixtures), (std::vector<Item>{{L"Invert", true, false}}));
    Main().RunCommand(static_cast<int>(GetMenuItemID(fixtures, 0)));
    std::vector<uint8_t> inverted = before;
    for (uint8_t& byte : inverted) {
        byte = static_cast<uint8_t>(255 - byte);
    }
    EXPECT_EQ(rw::test::Pixels(document.Lumbra1), inverted);
    EXPECT_TRUE(document.Modified());
    EXPECT_EQ(Shown(filter), Filters(true, L"Invert", true));
    EXPECT_EQ(Shown(edit).front(), (Item{L"&Undo Invert\tCtrl+Z", true, false}));

    Main().RunCommand(mnuEditUndo);
    EXPECT_EQ(rw::test::Pixels(document.Lumbra1), before);
    EXPECT_FALSE(document.Modified());
    EXPECT_EQ(Shown(edit).front(), (Item{L"&Undo\tCtrl+Z", false, false}));
}

} // namespace
