// The File menu's commands that move images between document windows and files.
#include <windows.h>

#include "core/image_error.h"
#include "documents/frmDocument.h"
#include "documents/frmNew.h"
#include "shell/frmMain.h"
#include "shell/global.h"
#include "shell/settings.h"
#include "shell/ui_seam.h"

namespace {

constexpr DWORD kOpenFlags = rw::CommonDialog::cdlOFNFileMustExist;
constexpr DWORD kSaveFlags = rw::CommonDialog::cdlOFNOverwritePrompt;

// Shows the Save dialog proposing `name`; the chosen path, or "" when the user left it.
std::wstring AskSaveName(const std::wstring& name) {
    frmMain& main = *Global::MainForm;
    main.dlgCommonDialog.DialogTitle = L"Save";
    main.dlgCommonDialog.InitDir = Global::sSavePath;
    main.dlgCommonDialog.FileName = name;
    main.dlgCommonDialog.Flags = kSaveFlags;
    main.dlgCommonDialog.ShowSave(main.hwnd());
    return main.dlgCommonDialog.FileName;
}

// Writes the document's image; on failure the user is told and nothing about the window changes.
bool WriteImage(frmDocument& document, const std::wstring& path) {
    try {
        document.Lumbra1.SaveAs(path);
    } catch (const rw::ImageError& e) {
        ReportFileError(e.what());
        return false;
    }
    document.SetModified(false);
    return true;
}

} // namespace

bool SaveDocument(frmDocument& document) {
    const std::wstring caption = document.Caption();
    if (!caption.empty()) {
        return WriteImage(document, caption);
    }
    const std::wstring name = AskSaveName(L"");
    if (name.empty() || !WriteImage(document, name)) {
        return false;
    }
    document.SetCaption(name);
    Global::sSavePath = rw::FolderPart(name);
    return true;
}

void frmMain::mnuFileNew_Click() {
    frmNew& dialog = frmNew::Instance();
    dialog.Show(hwnd());
    if (dialog.lResolutionY > 0 && dialog.lResolutionX > 0) {
        frmDocument& document = NewDocumentWindow();
        HWND window = document.hwnd();
        try {
            Global::MakeBlankImage(document.Lumbra1, dialog.lResolutionX, dialog.lResolutionY);
        } catch (const rw::ImageError& e) {
            // A size the control cannot hold: no window is left without an image. (The blank
            // image's making processes messages, so the window is looked up again.)
            if (frmDocument* made = FindDocument(window)) {
                made->Discard();
            }
            ReportFileError(e.what());
        }
    }
}

void frmMain::mnuFileOpen_Click() {
    dlgCommonDialog.DialogTitle = L"Open";
    dlgCommonDialog.InitDir = Global::sLoadPath;
    dlgCommonDialog.FileName = L"";
    dlgCommonDialog.Flags = kOpenFlags;
    dlgCommonDialog.ShowOpen(hwnd());
    const std::wstring name = dlgCommonDialog.FileName;
    if (name.empty()) {
        return;
    }
    for (frmDocument* document : Documents()) {
        if (document->Caption() != name) {
            continue; // the comparison is case-sensitive on purpose
        }
        const int answer =
            rw::Ui().ShowMessage(hwnd(), L"Reload " + name + L"?", Global::AppTitle, MB_OKCANCEL);
        if (answer == IDOK) {
            try {
                document->Lumbra1.Picture(name);
                document->Lumbra1.Refresh();
                document->SetModified(false);
            } catch (const rw::ImageError& e) {
                ReportFileError(e.what()); // the window keeps its image
            }
        } else {
            SendMessageW(MdiClient(), WM_MDIACTIVATE, reinterpret_cast<WPARAM>(document->hwnd()),
                         0);
            SetFocus(document->hwnd());
        }
        return;
    }
    Global::sLoadPath = rw::FolderPart(name);
    frmDocument& document = NewDocumentWindow();
    try {
        document.Lumbra1.Picture(name);
    } catch (const rw::ImageError& e) {
        // No window may carry the name of a file it did not load: a later Save would overwrite
        // that file with a blank image.
        document.Discard();
        ReportFileError(e.what());
        return;
    }
    document.Lumbra1.Refresh();
    document.SetCaption(name);
}

void frmMain::mnuFileSave_Click() {
    if (frmDocument* document = ActiveDocument()) {
        SaveDocument(*document);
    }
}

void frmMain::mnuFileSaveAs_Click() {
    frmDocument* document = ActiveDocument();
    if (!document) {
        return;
    }
    const std::wstring name = AskSaveName(document->Caption());
    if (name.empty() || !WriteImage(*document, name)) {
        return;
    }
    Global::sSavePath = rw::FolderPart(name);
    document->SetCaption(name);
}

void frmMain::mnuFileClose_Click() {
    if (frmDocument* document = ActiveDocument()) {
        document->Close(frmDocument::vbFormCode);
    }
}

void frmMain::mnuFileExit_Click() {
    CloseMainWindow();
}
