// The editor as started: placement and settings, the file-type list, the bars and menus, the
// shared procedures, the About box.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "components/image_control.h"
#include "documents/frmDocument.h"
#include "program/frmImage.h"
#include "shell/frmMain.h"
#include "shell/global.h"
#include "shell/menu.h"
#include "program/settings_store.h"
#include "shell/sysinfo.h"
#include "win32/dpi.h"
#include "win32/message_loop.h"
#include "win32/registry.h"
#include "win32/strings.h"
#include "shell/tests/editor_test_support.h"

namespace {

using rw::test::RunningEditor;
using rw::test::ScriptedUi;
using rw::test::WhileModal;

const wchar_t* const kKeys[] = {L"MainLeft",   L"MainTop",  L"MainWidth",
                                L"MainHeight", L"LoadPath", L"SavePath"};

std::wstring Stored(const wchar_t* key) {
    return rw::GetSetting(RunningEditor::SettingsName(), L"Settings", key, L"<absent>");
}
void Store(const wchar_t* key, const std::wstring& value) {
    rw::SaveSetting(RunningEditor::SettingsName(), L"Settings", key, value);
}
void ForgetSettings() {
    RunningEditor::ForgetSettings();
}

RECT MainRect() {
    RECT r;
    GetWindowRect(Global::MainForm->hwnd(), &r);
    return r;
}

std::wstring PanelText(int panel) {
    wchar_t text[256] = {};
    SendMessageW(Global::MainForm->sbStatusBar(), SB_GETTEXTW, panel,
                 reinterpret_cast<LPARAM>(text));
    return text;
}

TEST(StartUp, FirstRunUsesTheDefaultPlacementAndTheProgramsFolder) {
    ForgetSettings();
    RunningEditor editor;
    const RECT r = MainRect();
    EXPECT_EQ(r.left, rw::win::TwipsToPixels(1000));
    EXPECT_EQ(r.top, rw::win::TwipsToPixels(1000));
    EXPECT_EQ(r.right - r.left, rw::win::TwipsToPixels(6500));
    EXPECT_EQ(r.bottom - r.top, rw::win::TwipsToPixels(6500));
    if (rw::win::ScreenDpi() == 96) {
        EXPECT_EQ(r.left, 67); // 1000 twips at 15 twips per pixel
        EXPECT_EQ(r.right - r.left, 433);
    }
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring folder = exe;
    folder.resize(folder.find_last_of(L'\\'));
    EXPECT_EQ(Global::sLoadPath, folder);
    EXPECT_EQ(Global::sSavePath, folder);
    EXPECT_TRUE(IsWindowVisible(Global::MainForm->hwnd()));
    EXPECT_EQ(rw::win::WindowText(Global::MainForm->hwnd()), L"Ridgewright");
}

TEST(StartUp, ExitWritesThePlacementAndFoldersThatTheNextStartRestores) {
    ForgetSettings();
    {
        RunningEditor editor;
        MoveWindow(Global::MainForm->hwnd(), 150, 120, 600, 450, TRUE);
        Global::sLoadPath = L"C:\\maps";
        Global::sSavePath = L"C:\\out \u00e9";
        Global::MainForm->RunCommand(mnuFileExit);
        EXPECT_EQ(Global::MainForm->hwnd(), nullptr); // the program has ended
        if (rw::win::ScreenDpi() == 96) {
            EXPECT_EQ(Stored(L"MainLeft"), L"2250");
            EXPECT_EQ(Stored(L"MainTop"), L"1800");
            EXPECT_EQ(Stored(L"MainWidth"), L"9000");
            EXPECT_EQ(Stored(L"MainHeight"), L"6750");
        }
        EXPECT_EQ(Stored(L"LoadPath"), L"C:\\maps");
        EXPECT_EQ(Stored(L"SavePath"), L"C:\\out \u00e9");
    }
    RunningEditor again;
    const RECT r = MainRect();
    EXPECT_EQ(r.left, 150);
    EXPECT_EQ(r.top, 120);
    EXPECT_EQ(r.right - r.left, 600);
    EXPECT_EQ(r.bottom - r.top, 450);
    EXPECT_EQ(Global::sLoadPath, L"C:\\maps");
    EXPECT_EQ(Global::sSavePath, L"C:\\out \u00e9");
}

TEST(StartUp, ExitWhileMinimisedLeavesEverySettingAsItWas) {
    ForgetSettings();
    const std::wstring before[] = {L"1500", L"1600", L"7000", L"7100", L"C:\\old", L"D:\\old"};
    for (int k = 0; k < 6; ++k) {
        Store(kKeys[k], before[k]);
    }
    RunningEditor editor;
    EXPECT_EQ(Global::sLoadPath, L"C:\\old");
    ShowWindow(Global::MainForm->hwnd(), SW_MINIMIZE);
    Global::sLoadPath = L"C:\\new";
    Global::MainForm->RunCommand(mnuFileExit);
    for (int k = 0; k < 6; ++k) {
        EXPECT_EQ(Stored(kKeys[k]), before[k]) << rw::win::Narrow(kKeys[k]);
    }
}

TEST(StartUp, UnreadableOrOffScreenPlacementsStillGiveAVisibleWindow) {
    ForgetSettings();
    Store(L"MainLeft", L"abc");
    Store(L"MainTop", L"12x");
    Store(L"MainWidth", L"");
    Store(L"MainHeight", L"6500");
    {
        RunningEditor editor;
        const RECT r = MainRect();
        EXPECT_EQ(r.left, rw::win::TwipsToPixels(1000));
        EXPECT_EQ(r.top, rw::win::TwipsToPixels(1000));
        EXPECT_EQ(r.right - r.left, rw::win::TwipsToPixels(6500));
    }
    // Saved on a monitor that has since gone: far to the left and above.
    Store(L"MainLeft", L"-300000");
    Store(L"MainTop", L"-200000");
    Store(L"MainWidth", L"6000");
    Store(L"MainHeight", L"5000");
    RunningEditor editor;
    RECT r = MainRect();
    HMONITOR monitor = MonitorFromRect(&r, MONITOR_DEFAULTTONULL);
    ASSERT_NE(monitor, nullptr);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    GetMonitorInfoW(monitor, &info);
    EXPECT_GE(r.left, info.rcWork.left);
    EXPECT_GE(r.top, info.rcWork.top);
    EXPECT_LE(r.right, info.rcWork.right);
    EXPECT_EQ(r.right - r.left, rw::win::TwipsToPixels(6000)); // the size is kept
}

TEST(StartUp, TheFileDialogListsTheScratchControlsTypes) {
    RunningEditor editor;
    const rw::CommonDialog& dialog = Global::MainForm->dlgCommonDialog;
    EXPECT_EQ(dialog.FilterIndex, 5);
    EXPECT_EQ(dialog.DefaultExt, L"tif");
    // Five types, so ten fields, the fifth pair being TIFF.
    std::wstring filter = dialog.Filter;
    int bars = 0;
    for (wchar_t c : filter) {
        bars += c == L'|';
    }
    EXPECT_EQ(bars, 9);
    EXPECT_NE(filter.find(L"|*.tif;*.tiff"), std::wstring::npos) << rw::win::Narrow(filter);
    EXPECT_TRUE(frmImage::Loaded());
    EXPECT_FALSE(IsWindowVisible(frmImage::Instance().hwnd()));
}

TEST(StartUp, TheFilterListFollowsWhatTheControlReports) {
    rw::ImageControl::OverrideFormatsForTesting(std::vector<std::string>{"A~P", "B~Q~R"});
    {
        RunningEditor editor;
        EXPECT_EQ(Global::MainForm->dlgCommonDialog.Filter, L"A|P|B|Q~R");
    }
    rw::ImageControl::OverrideFormatsForTesting(std::vector<std::string>{});
    {
        RunningEditor editor; // no types at all: start-up still completes
        EXPECT_EQ(Global::MainForm->dlgCommonDialog.Filter, L"");
        EXPECT_TRUE(IsWindowVisible(Global::MainForm->hwnd()));
    }
    rw::ImageControl::OverrideFormatsForTesting(std::nullopt);
}

TEST(MainWindow, ViewCommandsToggleTheBarsAndTheirCheckMarks) {
    RunningEditor editor;
    frmMain& main = *Global::MainForm;
    EXPECT_TRUE(main.IsMenuChecked(mnuViewToolbar));
    EXPECT_TRUE(main.IsMenuChecked(mnuViewStatusBar));
    main.mnuViewToolbar_Click();
    EXPECT_FALSE(IsWindowVisible(main.tbToolBar()));
    EXPECT_FALSE(main.IsMenuChecked(mnuViewToolbar));
    main.mnuViewToolbar_Click();
    EXPECT_TRUE(IsWindowVisible(main.tbToolBar()));
    EXPECT_TRUE(main.IsMenuChecked(mnuViewToolbar));

    main.mnuViewStatusBar_Click();
    EXPECT_FALSE(IsWindowVisible(main.sbStatusBar()));
    EXPECT_FALSE(main.IsMenuChecked(mnuViewStatusBar));
    // The documents' area takes the room the bar left.
    RECT client, area;
    GetClientRect(main.hwnd(), &client);
    GetWindowRect(main.MdiClient(), &area);
    MapWindowPoints(nullptr, main.hwnd(), reinterpret_cast<POINT*>(&area), 2);
    EXPECT_EQ(area.bottom, client.bottom);
}

TEST(MainWindow, MenuBarHasItsTitlesInOrder) {
    RunningEditor editor;
    HMENU bar = Global::MainForm->Menu();
    const wchar_t* titles[] = {L"&File", L"&Edit",   L"&Generate", L"Fil&ter",
                               L"&View", L"&Window", L"&Help"};
    ASSERT_EQ(GetMenuItemCount(bar), 7);
    for (int k = 0; k < 7; ++k) {
        wchar_t text[64];
        GetMenuStringW(bar, static_cast<UINT>(k), text, 64, MF_BYPOSITION);
        EXPECT_STREQ(text, titles[k]);
        EXPECT_NE(GetSubMenu(bar, k), nullptr) << k;
    }
    for (int off : {mnuFileProperties, mnuViewOptions, mnuHelpContents, mnuHelpSearchForHelpOn}) {
        EXPECT_TRUE(GetMenuState(bar, static_cast<UINT>(off), MF_BYCOMMAND) & MF_GRAYED) << off;
    }
    wchar_t about[64];
    GetMenuStringW(bar, mnuHelpAbout, about, 64, MF_BYCOMMAND);
    EXPECT_STREQ(about, L"&About "); // with its trailing blank
    wchar_t item[64];
    GetMenuStringW(bar, mnuFileNew, item, 64, MF_BYCOMMAND);
    EXPECT_STREQ(item, L"&New\tCtrl+N");
    GetMenuStringW(bar, mnuFileSave, item, 64, MF_BYCOMMAND);
    EXPECT_STREQ(item, L"&Save\tCtrl+S");
}

TEST(MainWindow, TheWindowMenuListsTheDocuments) {
    RunningEditor editor;
    HMENU windowMenu = GetSubMenu(Global::MainForm->Menu(), 5);
    const int before = GetMenuItemCount(windowMenu);
    frmDocument& first = Global::MainForm->NewDocumentWindow();
    first.SetCaption(L"C:\\a.tif");
    Global::MainForm->NewDocumentWindow();
    rw::test::Pump();
    EXPECT_EQ(GetMenuItemCount(windowMenu), before + 3); // a separator and two windows
}

TEST(MainWindow, ShortcutKeysReachTheirCommands) {
    RunningEditor editor;
    ScriptedUi ui;
    ui.fileAnswers.push_back(L"");
    SetForegroundWindow(Global::MainForm->hwnd());
    MSG msg{Global::MainForm->hwnd(), WM_KEYDOWN, 'O', 0, 0, {}};
    // Ctrl held: the accelerator table looks at the key state.
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    rw::win::DispatchUiMessage(msg);
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
    rw::test::Pump();
    ASSERT_EQ(ui.fileRequests.size(), 1u);
    EXPECT_EQ(ui.fileRequests[0].title, L"Open");
}

TEST(MainWindow, ToolbarKeysRunTheFileCommands) {
    RunningEditor editor;
    ScriptedUi ui;
    frmMain& main = *Global::MainForm;
    main.tbToolBar_ButtonClick(L"Save"); // no document: nothing to ask
    main.tbToolBar_ButtonClick(L"Other");
    EXPECT_TRUE(ui.fileRequests.empty());

    ui.fileAnswers.push_back(L"");
    main.tbToolBar_ButtonClick(L"Open");
    ASSERT_EQ(ui.fileRequests.size(), 1u);
    EXPECT_EQ(ui.fileRequests[0].title, L"Open");

    // "Save" on an untitled document asks for a name exactly as File Save does.
    main.NewDocumentWindow();
    ui.fileAnswers.push_back(L"");
    main.tbToolBar_ButtonClick(L"Save");
    ASSERT_EQ(ui.fileRequests.size(), 2u);
    EXPECT_EQ(ui.fileRequests[1].title, L"Save");
    EXPECT_EQ(ui.fileRequests[1].fileName, L"");
    EXPECT_TRUE(ui.fileRequests[1].save);

    // "New" shows the New dialog; a click on the real button goes the same way.
    bool shown = false;
    WhileModal([&shown] {
        HWND dialog = FindWindowW(MAKEINTATOM(32770), L"New");
        shown = dialog && IsWindowVisible(dialog);
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    SendMessageW(main.hwnd(), WM_COMMAND, mnuFileNew, reinterpret_cast<LPARAM>(main.tbToolBar()));
    EXPECT_TRUE(shown);
    EXPECT_EQ(main.Documents().size(), 1u);
}

bool timerHandled = false;
void CALLBACK MarkHandled(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    timerHandled = true;
}

TEST(Global, SetStatusTextShowsTheTextAndHandlesPendingMessages) {
    RunningEditor editor;
    timerHandled = false;
    SetTimer(nullptr, 0, 0, MarkHandled);
    Sleep(20);
    Global::SetStatusText(L"42% complete, ESC to cancel");
    EXPECT_TRUE(timerHandled);
    EXPECT_EQ(PanelText(0), L"42% complete, ESC to cancel");
    Global::SetStatusText(L"");
    EXPECT_EQ(PanelText(0), L"");
    EXPECT_FALSE(PanelText(1).empty()); // the date
    EXPECT_FALSE(PanelText(2).empty()); // the time
}

TEST(Global, MakeBlankImageClearsTheCancelFlagAndMakesABlackImage) {
    RunningEditor editor;
    frmDocument& document = Global::MainForm->NewDocumentWindow();
    Global::CancelRequested = true;
    Global::SetStatusText(L"busy");
    Global::MakeBlankImage(document.Lumbra1, 300, 200);
    EXPECT_FALSE(Global::CancelRequested);
    EXPECT_EQ(document.Lumbra1.ImageWidth(), 300);
    EXPECT_EQ(document.Lumbra1.ImageHeight(), 200);
    EXPECT_EQ(GetPixel(document.Lumbra1.hDC(), 299, 199), RGB(0, 0, 0));
    EXPECT_EQ(PanelText(0), L"");
}

TEST(Global, NewDocumentWindowsAreTiledSideBySide) {
    RunningEditor editor;
    frmDocument& a = Global::MainForm->NewDocumentWindow();
    frmDocument& b = Global::MainForm->NewDocumentWindow();
    EXPECT_EQ(Global::MainForm->ActiveDocument(), &b);
    RECT ra, rb;
    GetWindowRect(a.hwnd(), &ra);
    GetWindowRect(b.hwnd(), &rb);
    EXPECT_EQ(ra.top, rb.top);
    EXPECT_NE(ra.left, rb.left);
    EXPECT_EQ(Global::MainForm->Documents(), (std::vector<frmDocument*>{&a, &b}));
}

HWND FindAbout() {
    return FindWindowW(MAKEINTATOM(32770), L"About Ridgewright");
}

// The machine-wide registry of this process redirected to a scratch key, so that the tests of
// the system information look-ups never touch a real installation's entries.
class ScratchMachineRegistry {
public:
    ScratchMachineRegistry() {
        RegCreateKeyExW(HKEY_CURRENT_USER, kKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &key_, nullptr);
        RegOverridePredefKey(HKEY_LOCAL_MACHINE, key_);
    }
    ~ScratchMachineRegistry() {
        RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
        RegCloseKey(key_);
        rw::win::DeleteRegistryTree(HKEY_CURRENT_USER, kKey);
    }
    // Whether writes to the machine-wide root really land in the scratch key.
    bool Redirected() const {
        rw::win::WriteRegistryText(HKEY_LOCAL_MACHINE, L"Probe", L"Value", L"here");
        return rw::win::ReadRegistryText(HKEY_CURRENT_USER, kKey + L"\\Probe", L"Value") ==
               std::wstring(L"here");
    }
    ScratchMachineRegistry(const ScratchMachineRegistry&) = delete;
    ScratchMachineRegistry& operator=(const ScratchMachineRegistry&) = delete;

private:
    const std::wstring kKey =
        L"Software\\RidgewrightTest\\Machine" + std::to_wstring(GetCurrentProcessId());
    HKEY key_ = nullptr;
};

TEST(About, ShowsTheVersionAndClosesWithOkOrEscape) {
    RunningEditor editor;
    std::wstring version;
    WhileModal([&version] {
        HWND about = FindAbout();
        version = rw::win::WindowText(GetDlgItem(about, 1004));
        PostMessageW(about, WM_COMMAND, IDOK, 0);
    });
    Global::MainForm->mnuHelpAbout_Click();
    EXPECT_EQ(version, L"Version 1.1 rev 0");
    EXPECT_EQ(FindAbout(), nullptr); // unloaded, not just hidden

    WhileModal([] {
        HWND about = FindAbout();
        SetFocus(GetDlgItem(about, IDOK));
        HWND focus = GetFocus();
        PostMessageW(focus, WM_KEYDOWN, VK_ESCAPE, 0);
    });
    Global::MainForm->mnuHelpAbout_Click();
    EXPECT_EQ(FindAbout(), nullptr);
}

TEST(About, SystemInfoSaysWhenTheToolCannotBeFound) {
    const wchar_t* locationKey = L"SOFTWARE\\Microsoft\\Shared Tools Location";
    ScratchMachineRegistry machine; // holds neither value
    ASSERT_TRUE(machine.Redirected());
    RunningEditor editor;
    ScriptedUi ui;
    ui.boxAnswers = {IDOK, IDOK};
    bool stillOpen = false;
    rw::test::TempDir dir;
    WhileModal([&] {
        HWND about = FindAbout();
        SendMessageW(GetDlgItem(about, 1008), BM_CLICK, 0, 0);
        // The folder is named but holds no MSINFO32.EXE.
        rw::win::WriteRegistryText(HKEY_LOCAL_MACHINE, locationKey, L"MSINFO", dir.Path());
        SendMessageW(GetDlgItem(about, 1008), BM_CLICK, 0, 0);
        stillOpen = IsWindowVisible(about);
        PostMessageW(about, WM_COMMAND, IDOK, 0);
    });
    Global::MainForm->mnuHelpAbout_Click();
    ASSERT_EQ(ui.boxes.size(), 2u);
    EXPECT_EQ(ui.boxes[0].text, L"System Information Is Unavailable At This Time");
    EXPECT_EQ(ui.boxes[0].title, L"Ridgewright");
    EXPECT_EQ(ui.boxes[0].type, static_cast<UINT>(MB_OK));
    EXPECT_EQ(ui.boxes[1].text, L"System Information Is Unavailable At This Time");
    EXPECT_TRUE(stillOpen);
}

TEST(About, SystemInfoStartsTheToolItsPathNames) {
    const wchar_t* toolKey = L"SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
    ScratchMachineRegistry machine;
    ASSERT_TRUE(machine.Redirected());
    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    // Any program that exits at once stands in for the tool.
    const std::wstring tool = std::wstring(system) + L"\\hostname.exe";
    ASSERT_TRUE(rw::test::FileExists(tool));
    rw::win::WriteRegistryText(HKEY_LOCAL_MACHINE, toolKey, L"PATH", tool);
    ScriptedUi ui; // any message box would fail the test
    rw::StartSysInfo(nullptr);
    rw::win::WriteRegistryText(HKEY_LOCAL_MACHINE, toolKey, L"PATH", tool + L".missing");
    ui.boxAnswers.push_back(IDOK);
    rw::StartSysInfo(nullptr); // named but not there: the same message
    EXPECT_EQ(ui.boxes.size(), 1u);
}

TEST(About, GetKeyValueReadsTextAndReportsFailure) {
    const std::wstring key =
        L"Software\\RidgewrightTest\\Keys" + std::to_wstring(GetCurrentProcessId());
    std::wstring value = L"sentinel";
    EXPECT_FALSE(rw::GetKeyValue(HKEY_CURRENT_USER, key, L"Missing", value));
    EXPECT_EQ(value, L"");
    rw::win::WriteRegistryText(HKEY_CURRENT_USER, key, L"Text", L"C:\\Tools");
    value = L"sentinel";
    EXPECT_FALSE(rw::GetKeyValue(HKEY_CURRENT_USER, key, L"Missing", value));
    EXPECT_EQ(value, L"");
    EXPECT_TRUE(rw::GetKeyValue(HKEY_CURRENT_USER, key, L"Text", value));
    EXPECT_EQ(value, L"C:\\Tools");
    // Longer than the 1024-character buffer: a failure, not a truncated path.
    rw::win::WriteRegistryText(HKEY_CURRENT_USER, key, L"Long", std::wstring(2000, L'x'));
    EXPECT_FALSE(rw::GetKeyValue(HKEY_CURRENT_USER, key, L"Long", value));
    EXPECT_EQ(value, L"");
    rw::win::DeleteRegistryTree(HKEY_CURRENT_USER, L"Software\\RidgewrightTest");
}

} // namespace

TEST(Program, MayUseTheWholeAddressSpace) {
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring program = exe;
    program.resize(program.find_last_of(L'\\') + 1);
    program += L"ridgewright.exe";
    HANDLE file = CreateFileW(program.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << "ridgewright.exe is not beside the tests";
    std::vector<char> header(4096);
    DWORD read = 0;
    ReadFile(file, header.data(), static_cast<DWORD>(header.size()), &read, nullptr);
    CloseHandle(file);
    ASSERT_GE(read, sizeof(IMAGE_DOS_HEADER));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(header.data());
    ASSERT_LT(static_cast<size_t>(dos->e_lfanew) + sizeof(IMAGE_NT_HEADERS), size_t{read});
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(header.data() + dos->e_lfanew);
    EXPECT_TRUE(nt->FileHeader.Characteristics & IMAGE_FILE_LARGE_ADDRESS_AWARE);
}
