#include "shell/frmMain.h"

#include <commctrl.h>

#include <chrono>
#include <exception>

#include "commands/menu_items.h"
#include "core/random.h"
#include "documents/frmDocument.h"
#include "program/frmImage.h"
#include "program/settings_store.h"
#include "shell/frmAbout.h"
#include "shell/global.h"
#include "shell/menu.h"
#include "core/placement.h"
#include "shell/resource.h"
#include "shell/settings.h"
#include "win32/dpi.h"
#include "win32/message_loop.h"
#include "win32/strings.h"

namespace {

constexpr UINT_PTR kClockTimer = 1;
constexpr UINT_PTR kPanelTimer = 2;
constexpr int kMdiClientId = 0xCAC;

struct ToolbarButton {
    int command;
    const wchar_t* key;
    int image;
};
// The buttons send their menu items' commands. Images in the strip are in key order: "New",
// "Open", "Save".
constexpr ToolbarButton kToolbarButtons[] = {
    {mnuFileNew, L"New", 0},
    {mnuFileOpen, L"Open", 1},
    {mnuFileSave, L"Save", 2},
};

// Whether the bar is switched on, even while the frame itself is still hidden.
bool IsOn(HWND bar) {
    return bar && (GetWindowLongPtrW(bar, GWL_STYLE) & WS_VISIBLE);
}

const wchar_t* ToolbarKey(int command) {
    for (const ToolbarButton& b : kToolbarButtons) {
        if (b.command == command) {
            return b.key;
        }
    }
    return nullptr;
}

struct GeometrySetting {
    const wchar_t* key;
    float fallback;
};
constexpr GeometrySetting kGeometry[] = {{L"MainLeft", 1000.0f},
                                         {L"MainTop", 1000.0f},
                                         {L"MainWidth", 6500.0f},
                                         {L"MainHeight", 6500.0f}};

std::wstring Setting(const wchar_t* key, const std::wstring& fallback) {
    return rw::GetSetting(rw::SettingsApplication(), L"Settings", key, fallback);
}

void StoreSetting(const wchar_t* key, const std::wstring& value) {
    rw::SaveSetting(rw::SettingsApplication(), L"Settings", key, value);
}

} // namespace

frmMain::frmMain() {
    Global::StatusPanel = [this](const std::wstring& text) { SetPanelText(text); };
}

frmMain::~frmMain() {
    Global::StatusPanel = nullptr;
    rw::win::RemoveMessageFilter(this);
    Destroy();
    if (imlToolbarIcons_) {
        ImageList_Destroy(imlToolbarIcons_);
    }
    if (accelerators_) {
        DestroyAcceleratorTable(accelerators_);
    }
}

void frmMain::Load() {
    HMENU windowMenu = nullptr;
    HMENU menu = BuildMenuBar(windowMenu);
    const rw::win::WindowClass cls{
        L"RidgewrightMain", CS_DBLCLKS, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1),
        LoadIconW(rw::win::ModuleInstance(), MAKEINTRESOURCEW(IDI_RIDGEWRIGHT))};
    Create(cls, 0, Global::AppTitle, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT,
           CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, menu);

    CLIENTCREATESTRUCT ccs{};
    ccs.hWindowMenu = windowMenu;
    ccs.idFirstChild = kFirstDocumentCommand;
    mdiClient_ =
        CreateWindowExW(WS_EX_CLIENTEDGE, L"MDICLIENT", nullptr,
                        WS_CHILD | WS_CLIPCHILDREN | WS_VSCROLL | WS_HSCROLL | WS_VISIBLE, 0, 0, 0,
                        0, hwnd(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(kMdiClientId)),
                        rw::win::ModuleInstance(), &ccs);
    CreateBars();
    accelerators_ = BuildAccelerators();
    rw::win::AddMessageFilter(this);
    MDIForm_Load();
}

bool frmMain::PreTranslate(MSG& msg) {
    // The frame's keys count only while it takes input (not while a modal dialog runs).
    HWND root = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
    if (!root || root != hwnd() || !IsWindowEnabled(root)) {
        return false;
    }
    return (mdiClient_ && TranslateMDISysAccel(mdiClient_, &msg)) ||
           (accelerators_ && TranslateAcceleratorW(hwnd(), accelerators_, &msg));
}

void frmMain::Show() {
    ShowWindow(hwnd(), SW_SHOW);
    UpdateWindow(hwnd());
}

void frmMain::CreateBars() {
    toolBar_ = CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr,
                               WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_TOP, 0,
                               0, 0, 0, hwnd(), nullptr, rw::win::ModuleInstance(), nullptr);
    SendMessageW(toolBar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    imlToolbarIcons_ = ImageList_Create(16, 16, ILC_COLOR24 | ILC_MASK, 3, 0);
    HBITMAP strip =
        static_cast<HBITMAP>(LoadImageW(rw::win::ModuleInstance(), MAKEINTRESOURCEW(IDB_TOOLBAR),
                                        IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    ImageList_AddMasked(imlToolbarIcons_, strip, RGB(255, 0, 255));
    DeleteObject(strip);
    SendMessageW(toolBar_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(imlToolbarIcons_));
    SendMessageW(toolBar_, TB_SETMAXTEXTROWS, 0, 0); // button texts show as tooltips only
    TBBUTTON buttons[std::size(kToolbarButtons)] = {};
    for (size_t k = 0; k < std::size(kToolbarButtons); ++k) {
        buttons[k].iBitmap = kToolbarButtons[k].image;
        buttons[k].idCommand = kToolbarButtons[k].command;
        buttons[k].fsState = TBSTATE_ENABLED;
        buttons[k].fsStyle = BTNS_BUTTON;
        buttons[k].iString = reinterpret_cast<INT_PTR>(kToolbarButtons[k].key);
    }
    SendMessageW(toolBar_, TB_ADDBUTTONSW, std::size(buttons), reinterpret_cast<LPARAM>(buttons));
    SendMessageW(toolBar_, TB_AUTOSIZE, 0, 0);

    statusBar_ =
        CreateWindowExW(0, STATUSCLASSNAMEW, nullptr, WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0,
                        0, 0, hwnd(), nullptr, rw::win::ModuleInstance(), nullptr);
    LayoutChildren(); // the three panels exist before the clock writes into two of them
    UpdateClock();
    SetTimer(hwnd(), kClockTimer, 1000, nullptr);
}

void frmMain::LayoutChildren() {
    RECT client;
    GetClientRect(hwnd(), &client);
    int top = 0;
    int bottom = client.bottom;
    if (IsOn(toolBar_)) {
        SendMessageW(toolBar_, TB_AUTOSIZE, 0, 0);
        RECT r;
        GetWindowRect(toolBar_, &r);
        top = r.bottom - r.top;
    }
    if (IsOn(statusBar_)) {
        SendMessageW(statusBar_, WM_SIZE, 0, 0);
        RECT r;
        GetWindowRect(statusBar_, &r);
        bottom -= r.bottom - r.top;
        // Date and time panels of fixed width at the right, the text panel takes the rest.
        const int timeWidth = MulDiv(80, rw::win::ScreenDpi(), 96);
        const int dateWidth = MulDiv(90, rw::win::ScreenDpi(), 96);
        int edges[3] = {std::max(0, static_cast<int>(client.right) - timeWidth - dateWidth),
                        std::max(0, static_cast<int>(client.right) - timeWidth), -1};
        SendMessageW(statusBar_, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(edges));
    }
    if (mdiClient_) {
        MoveWindow(mdiClient_, 0, top, client.right, std::max(0, bottom - top), TRUE);
    }
}

void frmMain::UpdateClock() {
    wchar_t date[64] = {}, time[64] = {};
    GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, date, 64);
    GetTimeFormatW(LOCALE_USER_DEFAULT, TIME_NOSECONDS, nullptr, nullptr, time, 64);
    SendMessageW(statusBar_, SB_SETTEXTW, 1, reinterpret_cast<LPARAM>(date));
    SendMessageW(statusBar_, SB_SETTEXTW, 2, reinterpret_cast<LPARAM>(time));
}

void frmMain::SetPanelText(const std::wstring& text) {
    if (text == statusText_ || !statusBar_) {
        return; // the panel already shows it
    }
    statusText_ = text;
    // A render changes the text up to a hundred times per pass, and the status bar repaints
    // itself at once on every change (about a millisecond under Wine): the panel is written at
    // most every PanelRepaintMs, a timer catching up with the latest text. Clearing is at once.
    const DWORD now = GetTickCount();
    if (text.empty() || now - lastPanelRepaint_ >= PanelRepaintMs) {
        WritePanel();
    } else if (!panelTimerSet_) {
        SetTimer(hwnd(), kPanelTimer, PanelRepaintMs - (now - lastPanelRepaint_), nullptr);
        panelTimerSet_ = true;
    }
}

void frmMain::WritePanel() {
    if (panelTimerSet_) {
        KillTimer(hwnd(), kPanelTimer);
        panelTimerSet_ = false;
    }
    lastPanelRepaint_ = GetTickCount();
    SendMessageW(statusBar_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(statusText_.c_str()));
}

void frmMain::RestorePlacement() {
    float twips[4];
    for (int k = 0; k < 4; ++k) {
        twips[k] = rw::ParseGeometry(Setting(kGeometry[k].key, L""), kGeometry[k].fallback);
    }
    RECT r{rw::win::TwipsToPixels(twips[0]), rw::win::TwipsToPixels(twips[1]), 0, 0};
    r.right = r.left + std::max(1, rw::win::TwipsToPixels(twips[2]));
    r.bottom = r.top + std::max(1, rw::win::TwipsToPixels(twips[3]));
    if (!MonitorFromRect(&r, MONITOR_DEFAULTTONULL)) {
        // Saved on a monitor that is no longer connected: bring it onto the nearest one.
        MONITORINFO info{};
        info.cbSize = sizeof info;
        GetMonitorInfoW(MonitorFromRect(&r, MONITOR_DEFAULTTONEAREST), &info);
        const rw::ScreenRect moved = rw::MoveOntoWorkArea(
            {r.left, r.top, r.right, r.bottom},
            {info.rcWork.left, info.rcWork.top, info.rcWork.right, info.rcWork.bottom});
        r = {moved.left, moved.top, moved.right, moved.bottom};
    }
    MoveWindow(hwnd(), r.left, r.top, r.right - r.left, r.bottom - r.top, FALSE);
}

void frmMain::MDIForm_Load() {
    RestorePlacement();
    Global::sLoadPath = Setting(L"LoadPath", Global::ProgramFolder());
    Global::sSavePath = Setting(L"SavePath", Global::ProgramFolder());

    rw::ImageControl& scratch = frmImage::Instance().Lumbra1;
    std::vector<std::wstring> formats;
    const int n = scratch.FormatCount();
    for (int i = 0; i < n; ++i) {
        formats.push_back(rw::win::Widen(scratch.FormatFilter(i)));
    }
    dlgCommonDialog.Filter = rw::BuildFilterList(formats);
    dlgCommonDialog.FilterIndex = 5;
    dlgCommonDialog.DefaultExt = L"tif";

    rw::TheRandom().Reseed(
        static_cast<uint64_t>(std::chrono::system_clock::now().time_since_epoch().count()));
}

void frmMain::MDIForm_Unload() {
    if (!IsIconic(hwnd())) {
        RECT r;
        GetWindowRect(hwnd(), &r);
        const float values[4] = {static_cast<float>(rw::win::PixelsToTwips(r.left)),
                                 static_cast<float>(rw::win::PixelsToTwips(r.top)),
                                 static_cast<float>(rw::win::PixelsToTwips(r.right - r.left)),
                                 static_cast<float>(rw::win::PixelsToTwips(r.bottom - r.top))};
        for (int k = 0; k < 4; ++k) {
            StoreSetting(kGeometry[k].key, rw::SingleText(values[k]));
        }
        StoreSetting(L"LoadPath", Global::sLoadPath);
        StoreSetting(L"SavePath", Global::sSavePath);
    }
    Global::End();
}

bool frmMain::QueryUnloadDocuments() {
    for (frmDocument* document : Documents()) {
        bool cancel = false;
        document->Form_QueryUnload(cancel, frmDocument::vbFormMDIForm);
        if (cancel) {
            return false;
        }
    }
    return true;
}

void frmMain::CloseMainWindow() {
    closing_ = true;
    const bool agreed = QueryUnloadDocuments();
    closing_ = false;
    if (agreed) {
        MDIForm_Unload();
    }
}

frmDocument& frmMain::NewDocumentWindow() {
    documents_.push_back(std::make_unique<frmDocument>(mdiClient_, *this));
    frmDocument& document = *documents_.back();
    document.SetCaption(L"");
    document.Show();
    SendMessageW(mdiClient_, WM_MDITILE, MDITILE_VERTICAL, 0);
    return document;
}

frmDocument* frmMain::ActiveDocument() const {
    if (!mdiClient_) {
        return nullptr;
    }
    return FindDocument(reinterpret_cast<HWND>(SendMessageW(mdiClient_, WM_MDIGETACTIVE, 0, 0)));
}

std::vector<frmDocument*> frmMain::Documents() const {
    std::vector<frmDocument*> list;
    for (const auto& document : documents_) {
        if (document->hwnd()) {
            list.push_back(document.get());
        }
    }
    return list;
}

void frmMain::ForgetDocument(frmDocument* document) {
    std::erase_if(documents_, [document](const auto& d) { return d.get() == document; });
}

bool frmMain::IsMenuChecked(int command) const {
    return (GetMenuState(Menu(), static_cast<UINT>(command), MF_BYCOMMAND) & MF_CHECKED) != 0;
}

void frmMain::ToggleBar(int command, HWND bar) {
    const bool checked = !IsMenuChecked(command);
    CheckMenuItem(Menu(), static_cast<UINT>(command),
                  MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
    ShowWindow(bar, checked ? SW_SHOW : SW_HIDE);
    LayoutChildren();
}

void frmMain::mnuViewToolbar_Click() {
    ToggleBar(mnuViewToolbar, toolBar_);
}
void frmMain::mnuViewStatusBar_Click() {
    ToggleBar(mnuViewStatusBar, statusBar_);
}

void frmMain::mnuWindowCascade_Click() {
    SendMessageW(mdiClient_, WM_MDICASCADE, 0, 0);
}
void frmMain::mnuWindowTileHorizontal_Click() {
    SendMessageW(mdiClient_, WM_MDITILE, MDITILE_HORIZONTAL, 0);
}
void frmMain::mnuWindowTileVertical_Click() {
    SendMessageW(mdiClient_, WM_MDITILE, MDITILE_VERTICAL, 0);
}
void frmMain::mnuWindowArrangeIcons_Click() {
    SendMessageW(mdiClient_, WM_MDIICONARRANGE, 0, 0);
}

void frmMain::mnuHelpAbout_Click() {
    frmAbout about;
    about.Show(hwnd());
}

void frmMain::tbToolBar_ButtonClick(const std::wstring& key) {
    for (const ToolbarButton& b : kToolbarButtons) {
        if (key == b.key) {
            try {
                RunCommand(b.command);
            } catch (...) {
                // The toolbar ignores errors of the command it runs.
            }
        }
    }
}

void frmMain::RunCommand(int command) {
    // Every command of the menus, the toolbar and the shortcut keys, and where it goes.
    static constexpr struct {
        int command;
        void (*run)(frmMain&);
    } kCommands[] = {
        {mnuFileNew, [](frmMain& m) { m.file_.mnuFileNew_Click(); }},
        {mnuFileOpen, [](frmMain& m) { m.file_.mnuFileOpen_Click(); }},
        {mnuFileClose, [](frmMain& m) { m.file_.mnuFileClose_Click(); }},
        {mnuFileSave, [](frmMain& m) { m.file_.mnuFileSave_Click(); }},
        {mnuFileSaveAs, [](frmMain& m) { m.file_.mnuFileSaveAs_Click(); }},
        {mnuFileExit, [](frmMain& m) { m.file_.mnuFileExit_Click(); }},
        {mnuEditUndo, [](frmMain& m) { m.edit_.mnuEditUndo_Click(); }},
        {mnuEditCut, [](frmMain& m) { m.edit_.mnuEditCut_Click(); }},
        {mnuEditCopy, [](frmMain& m) { m.edit_.mnuEditCopy_Click(); }},
        {mnuEditPaste, [](frmMain& m) { m.edit_.mnuEditPaste_Click(); }},
        {mnuGenerateWave1, [](frmMain& m) { m.generate_.mnuGenerateWave1_Click(); }},
        {mnuGenerateWave2, [](frmMain& m) { m.generate_.mnuGenerateWave2_Click(); }},
        {mnuGenerateWave3, [](frmMain& m) { m.generate_.mnuGenerateWave3_Click(); }},
        {mnuGenerateWave4, [](frmMain& m) { m.generate_.mnuGenerateWave4_Click(); }},
        {mnuGenerateFault, [](frmMain& m) { m.generate_.mnuGenerateFault_Click(); }},
        {mnuFilterRepeat, [](frmMain& m) { m.filter_.mnuFilterRepeat_Click(); }},
        {mnuFilterSelect, [](frmMain& m) { m.filter_.mnuFilterSelect_Click(); }},
        {mnuFilterFolder, [](frmMain& m) { m.filter_.mnuFilterFolder_Click(); }},
        {mnuViewToolbar, [](frmMain& m) { m.mnuViewToolbar_Click(); }},
        {mnuViewStatusBar, [](frmMain& m) { m.mnuViewStatusBar_Click(); }},
        {mnuWindowCascade, [](frmMain& m) { m.mnuWindowCascade_Click(); }},
        {mnuWindowTileHorizontal, [](frmMain& m) { m.mnuWindowTileHorizontal_Click(); }},
        {mnuWindowTileVertical, [](frmMain& m) { m.mnuWindowTileVertical_Click(); }},
        {mnuWindowArrangeIcons, [](frmMain& m) { m.mnuWindowArrangeIcons_Click(); }},
        {mnuHelpAbout, [](frmMain& m) { m.mnuHelpAbout_Click(); }},
    };
    if (filter_.Running()) {
        return; // the frame takes no command until the filter ends
    }
    if (FilterCommands::IsPlugInCommand(command)) {
        filter_.mnuFilterPlugIn_Click(command);
        return;
    }
    for (const auto& entry : kCommands) {
        if (entry.command == command) {
            entry.run(*this);
            return;
        }
    }
}

void frmMain::UpdateMenu(HMENU popup) {
    if (rw::MenuHolds(popup, mnuEditUndo)) {
        edit_.UpdateMenu(popup);
    } else if (rw::MenuHolds(popup, mnuFilterFolder)) {
        filter_.UpdateMenu(popup);
    }
}

void frmMain::ShowMenuHint(HMENU menu, UINT item, UINT flags) {
    if (flags == 0xFFFF && !menu) {
        EndMenuHint(); // the menu closed
        return;
    }
    // A submenu's title names it by position; an item names its menu.
    const HMENU shown = (flags & MF_POPUP) ? GetSubMenu(menu, static_cast<int>(item)) : menu;
    const std::wstring hint = filter_.Owns(shown) ? filter_.Hint() : std::wstring();
    if (hint.empty()) {
        EndMenuHint();
        return;
    }
    if (!hinting_) {
        statusBeforeHint_ = statusText_;
        hinting_ = true;
    }
    SetPanelText(hint);
}

void frmMain::EndMenuHint() {
    if (hinting_) {
        hinting_ = false;
        SetPanelText(statusBeforeHint_);
    }
}

LRESULT frmMain::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SIZE:
        LayoutChildren();
        return 0; // the frame's default would size the MDI client over the bars
    case WM_TIMER:
        if (wParam == kClockTimer) {
            UpdateClock();
            return 0;
        }
        if (wParam == kPanelTimer) {
            WritePanel();
            return 0;
        }
        break;
    case WM_INITMENUPOPUP:
        if (!HIWORD(lParam)) { // not the system menu
            UpdateMenu(reinterpret_cast<HMENU>(wParam));
        }
        break;
    case WM_MENUSELECT:
        ShowMenuHint(reinterpret_cast<HMENU>(lParam), LOWORD(wParam), HIWORD(wParam));
        break;
    case WM_EXITMENULOOP:
        EndMenuHint();
        break;
    case WM_SETCURSOR:
        if (filter_.Running()) {
            SetCursor(LoadCursorW(nullptr, IDC_WAIT));
            return TRUE;
        }
        break;
    case WM_COMMAND: {
        const int command = LOWORD(wParam);
        if (lParam && reinterpret_cast<HWND>(lParam) == toolBar_) {
            if (const wchar_t* key = ToolbarKey(command)) {
                tbToolBar_ButtonClick(key);
            }
            return 0;
        }
        if (command >= kFirstDocumentCommand) {
            break; // the Window menu's document list
        }
        RunCommand(command);
        return 0;
    }
    case WM_CLOSE:
        // While a modal dialog or a render holds the program (the frame is disabled), or a close
        // is already asking its questions, a close request from outside must wait: documents
        // still in use would be destroyed under them.
        if (IsWindowEnabled(hwnd()) && !closing_) {
            CloseMainWindow();
        }
        return 0;
    case WM_QUERYENDSESSION:
        // Logging off: the documents are asked as on Exit; a refusal keeps the session.
        if (!IsWindowEnabled(hwnd()) || closing_) {
            return FALSE;
        }
        return QueryUnloadDocuments() ? TRUE : FALSE;
    case WM_ENDSESSION:
        if (wParam) {
            MDIForm_Unload();
        }
        return 0;
    case WM_DESTROY:
        KillTimer(hwnd(), kClockTimer);
        break;
    default:
        break;
    }
    return DefaultProc(message, wParam, lParam);
}

LRESULT frmMain::DefaultProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefFrameProcW(hwnd(), mdiClient_, message, wParam, lParam);
}
