#pragma once
// A document window: one heightfield image in an image control kept as a centred square.
#include <cstdint>
#include <string>

#include "components/image_control.h"
#include "win32/window.h"

class frmDocument : public rw::win::Window {
public:
    // Why a window is closing (only passed along; closing treats every reason alike).
    enum UnloadMode { vbFormControlMenu = 0, vbFormCode = 1, vbFormMDIForm = 4 };

    // Creates the window as a child of the MDI client and runs Form_Load; it is not yet shown.
    explicit frmDocument(HWND mdiClient);
    ~frmDocument() override;

    rw::ImageControl Lumbra1;

    std::wstring Caption() const;
    void SetCaption(const std::wstring& caption);
    void Show();
    // Makes it the active document, restored if it was minimised.
    void BringToFront();

    // Changed since it was last loaded or saved.
    bool Modified() const { return modified_; }
    void SetModified(bool modified) { modified_ = modified; }

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
    bool modified_ = false;
};

// The File Save steps for one document window: the Save dialog for an untitled document, then
// the control's SaveAs. True when the file was written; a failure has been reported to the user.
bool SaveDocument(frmDocument& document);

// Tells the user that a file command failed, naming the file and the reason.
void ReportFileError(const std::string& reason);
