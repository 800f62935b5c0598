#pragma once
// The main window: a multiple-document frame with menus, toolbar, status bar and the shared file
// dialog. Its File and Edit commands live with the documents, its Generate commands with the
// generators; this class only gathers them.
#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "shell/common_dialog.h"
#include "win32/message_loop.h"
#include "win32/window.h"

class frmDocument;

class frmMain : public rw::win::Window, private rw::win::MessageFilter {
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

    // File (documents/file_commands.cpp)
    void mnuFileNew_Click();
    void mnuFileOpen_Click();
    void mnuFileClose_Click();
    void mnuFileSave_Click();
    void mnuFileSaveAs_Click();
    void mnuFileExit_Click();
    // Edit (documents/edit_commands.cpp)
    void mnuEditCut_Click();
    void mnuEditCopy_Click();
    void mnuEditPaste_Click();
    // Generate (generators/generate_commands.cpp)
    void mnuGenerateWave1_Click();
    void mnuGenerateWave2_Click();
    void mnuGenerateWave3_Click();
    void mnuGenerateWave4_Click();
    void mnuGenerateFault_Click();
    // View, Window, Help
    void mnuViewToolbar_Click();
    void mnuViewStatusBar_Click();
    void mnuWindowCascade_Click();
    void mnuWindowTileHorizontal_Click();
    void mnuWindowTileVertical_Click();
    void mnuWindowArrangeIcons_Click();
    void mnuHelpAbout_Click();

    void tbToolBar_ButtonClick(const std::wstring& key);

    // Creates an untitled document window, shows it and tiles all vertically; it becomes active.
    frmDocument& NewDocumentWindow();
    // The active document window, or null when none is open.
    frmDocument* ActiveDocument() const;
    // The open document windows in the order they were created.
    std::vector<frmDocument*> Documents() const;
    // The open document window with this handle, or null (it may have closed meanwhile).
    frmDocument* FindDocument(HWND window) const;

    HWND sbStatusBar() const { return statusBar_; }
    HWND tbToolBar() const { return toolBar_; }
    HWND MdiClient() const { return mdiClient_; }
    HMENU Menu() const { return GetMenu(hwnd()); }
    bool IsMenuChecked(int command) const;
    void RunCommand(int command);

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
    friend class frmDocument;
    bool PreTranslate(MSG& msg) override; // the frame's accelerators and MDI keys
    void CreateBars();
    void LayoutChildren();
    void UpdateClock();
    void ToggleBar(int command, HWND bar);
    void ForgetDocument(frmDocument* document);
    void RestorePlacement();

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
    std::vector<std::unique_ptr<frmDocument>> documents_;
};
