#pragma once
// The main window: a multiple-document frame with menus, toolbar, status bar and the shared file
// dialog. Its commands are classes of their own, reaching it through the MainWindow interface;
// it maps the menu's and the toolbar's ids to them.
#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "commands/edit/edit_commands.h"
#include "commands/file/file_commands.h"
#include "commands/filter/filter_commands.h"
#include "commands/generate/generate_commands.h"
#include "commands/menu_ids.h"
#include "documents/main_window.h"
#include "win32/common_dialog.h"
#include "win32/message_loop.h"
#include "win32/window.h"

class frmDocument;

class frmMain : public rw::win::Window, public MainWindow, private rw::win::MessageFilter {
public:
    frmMain();
    ~frmMain() override;

    // Creates the window, hidden, and runs MDIForm_Load.
    void Load();
    void Show();

    void MDIForm_Load();
    void MDIForm_Unload();
    // Asks every document window whether it may close, in the order they were opened; false
    // when one refuses.
    bool QueryUnloadDocuments();
    // Closing the main window or File Exit: the documents are asked, then the program ends.
    void CloseMainWindow();

    // View, Window, Help
    void mnuViewToolbar_Click();
    void mnuViewStatusBar_Click();
    void mnuWindowCascade_Click();
    void mnuWindowTileHorizontal_Click();
    void mnuWindowTileVertical_Click();
    void mnuWindowArrangeIcons_Click();
    void mnuHelpAbout_Click();

    void tbToolBar_ButtonClick(const std::wstring& key);

    // MainWindow
    frmDocument& NewDocumentWindow() override;
    frmDocument* ActiveDocument() const override;
    std::vector<frmDocument*> Documents() const override;
    void ForgetDocument(frmDocument* document) override;
    HWND OwnerWindow() const override { return hwnd(); }
    rw::CommonDialog& FileDialog() override { return dlgCommonDialog; }

    // The open document window with this handle, or null (it may have closed meanwhile).
    frmDocument* FindDocument(HWND window) const { return ::FindDocument(*this, window); }

    HWND sbStatusBar() const { return statusBar_; }
    HWND tbToolBar() const { return toolBar_; }
    HWND MdiClient() const { return mdiClient_; }
    HMENU Menu() const { return GetMenu(hwnd()); }
    bool IsMenuChecked(int command) const;
    // Runs the command of a menu item, a toolbar button or a shortcut key.
    void RunCommand(int command);
    // The Filter menu's commands, for what the frame shows while a filter runs.
    const FilterCommands& Filters() const { return filter_; }

    rw::CommonDialog dlgCommonDialog;

    // Text of panel 1 of the status bar, as last set.
    const std::wstring& StatusText() const { return statusText_; }
    void SetPanelText(const std::wstring& text);
    // Shortest time between two writes of panel 1 (a later text waits for a timer).
    DWORD PanelRepaintMs = 50;

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    LRESULT DefaultProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    bool PreTranslate(MSG& msg) override; // the frame's accelerators and MDI keys
    void CreateBars();
    void LayoutChildren();
    void UpdateClock();
    void ToggleBar(int command, HWND bar);
    void RestorePlacement();
    // The items of the menu about to drop down, brought up to date.
    void UpdateMenu(HMENU popup);
    // The Filter menu's hint in the status bar while the user is in that menu.
    void ShowMenuHint(HMENU menu, UINT item, UINT flags);
    void EndMenuHint();

    HWND mdiClient_ = nullptr;
    HWND toolBar_ = nullptr;
    HWND statusBar_ = nullptr;
    HIMAGELIST imlToolbarIcons_ = nullptr;
    HACCEL accelerators_ = nullptr;
    void WritePanel();

    std::wstring statusText_;
    DWORD lastPanelRepaint_ = 0;
    bool panelTimerSet_ = false;
    bool closing_ = false; // the documents are being asked whether they may close
    bool hinting_ = false; // the status bar shows a menu hint instead of statusBeforeHint_
    std::wstring statusBeforeHint_;
    std::vector<std::unique_ptr<frmDocument>> documents_;

    FileCommands file_{*this};
    EditCommands edit_{*this};
    GenerateCommands generate_{*this};
    FilterCommands filter_{*this};
};
