#pragma once
// A document window: one heightfield image in an image control kept as a centred square.
#include <cstdint>
#include <string>

#include "components/image_control.h"
#include "documents/undo_history.h"
#include "win32/window.h"

class MainWindow;

class frmDocument : public rw::win::Window {
public:
    // Why a window is closing (only passed along; closing treats every reason alike).
    enum UnloadMode { vbFormControlMenu = 0, vbFormCode = 1, vbFormMDIForm = 4 };

    // Creates the window as a child of the main window's MDI client and runs Form_Load; it is
    // not yet shown.
    frmDocument(HWND mdiClient, MainWindow& main);
    ~frmDocument() override;

    rw::ImageControl Lumbra1;

    MainWindow& Main() const { return main_; }

    std::wstring Caption() const;
    void SetCaption(const std::wstring& caption);
    void Show();
    // Makes it the active document, restored if it was minimised, with the keyboard focus.
    void Activate();

    // Changed since it was last loaded or saved.
    bool Modified() const { return history_.Modified(); }
    // True: the picture changed in a way Undo cannot take back (which forgets what Undo could).
    // False: the picture is what its file holds (it was just saved).
    void SetModified(bool modified);
    // The picture was loaded anew from its file.
    void PictureLoaded() { history_.Loaded(); }
    // What Undo can put back.
    rw::UndoHistory& History() { return history_; }
    const rw::UndoHistory& History() const { return history_; }

    void Form_Load();
    void Form_Resize();
    void Form_QueryUnload(bool& Cancel, int UnloadMode);
    void Lumbra1_CancelKey(int16_t KeyCode, int16_t Shift);

    // Closes the window unless Form_QueryUnload refuses; true when it closed.
    bool Close(int unloadMode);
    // Closes the window without a question (it never held the user's work).
    void Discard();

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    LRESULT DefaultProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnDestroyed() override;

private:
    MainWindow& main_;
    rw::UndoHistory history_;
};
