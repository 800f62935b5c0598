#include "commands/file/file_commands.h"

#include <windows.h>

#include "core/file_paths.h"
#include "core/image_error.h"
#include "documents/document_files.h"
#include "documents/frmDocument.h"
#include "documents/frmNew.h"
#include "documents/main_window.h"
#include "program/global.h"
#include "win32/common_dialog.h"
#include "win32/ui_seam.h"

void FileCommands::mnuFileNew_Click() {
    frmNew& dialog = frmNew::Instance();
    dialog.Show(main_.OwnerWindow());
    if (dialog.lResolutionY > 0 && dialog.lResolutionX > 0) {
        frmDocument& document = main_.NewDocumentWindow();
        HWND window = document.hwnd();
        try {
            Global::MakeBlankImage(document.Lumbra1, dialog.lResolutionX, dialog.lResolutionY);
        } catch (const rw::ImageError& e) {
            // A size the control cannot hold: no window is left without an image. (The blank
            // image's making processes messages, so the window is looked up again.)
            if (frmDocument* made = FindDocument(main_, window)) {
                made->Discard();
            }
            ReportFileError(main_.OwnerWindow(), e.what());
        }
    }
}

void FileCommands::mnuFileOpen_Click() {
    rw::CommonDialog& dialog = main_.FileDialog();
    dialog.DialogTitle = L"Open";
    dialog.InitDir = Global::sLoadPath;
    dialog.FileName = L"";
    dialog.Flags = rw::CommonDialog::cdlOFNFileMustExist;
    dialog.ShowOpen(main_.OwnerWindow());
    const std::wstring name = dialog.FileName;
    if (name.empty()) {
        return;
    }
    for (frmDocument* document : main_.Documents()) {
        if (document->Caption() != name) {
            continue; // the comparison is case-sensitive on purpose
        }
        const int answer = rw::Ui().ShowMessage(main_.OwnerWindow(), L"Reload " + name + L"?",
                                                Global::AppTitle, MB_OKCANCEL);
        if (answer == IDOK) {
            try {
                document->Lumbra1.Picture(name);
                document->Lumbra1.Refresh();
                document->PictureLoaded();
            } catch (const rw::ImageError& e) {
                ReportFileError(main_.OwnerWindow(), e.what()); // the window keeps its image
            }
        } else {
            document->Activate();
        }
        return;
    }
    Global::sLoadPath = rw::FolderPart(name);
    frmDocument& document = main_.NewDocumentWindow();
    try {
        document.Lumbra1.Picture(name);
    } catch (const rw::ImageError& e) {
        // No window may carry the name of a file it did not load: a later Save would overwrite
        // that file with a blank image.
        document.Discard();
        ReportFileError(main_.OwnerWindow(), e.what());
        return;
    }
    document.Lumbra1.Refresh();
    document.SetCaption(name);
}

void FileCommands::mnuFileSave_Click() {
    if (frmDocument* document = main_.ActiveDocument()) {
        SaveDocument(*document);
    }
}

void FileCommands::mnuFileSaveAs_Click() {
    frmDocument* document = main_.ActiveDocument();
    if (!document) {
        return;
    }
    const std::wstring name = AskSaveName(main_, document->Caption());
    if (name.empty() || !WriteImage(*document, name)) {
        return;
    }
    Global::sSavePath = rw::FolderPart(name);
    document->SetCaption(name);
}

void FileCommands::mnuFileClose_Click() {
    if (frmDocument* document = main_.ActiveDocument()) {
        document->Close(frmDocument::vbFormCode);
    }
}

void FileCommands::mnuFileExit_Click() {
    // Closing the main window asks every document first, as its close box does.
    ::SendMessageW(main_.OwnerWindow(), WM_CLOSE, 0, 0);
}
