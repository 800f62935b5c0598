#include "documents/document_files.h"

#include "core/file_paths.h"
#include "core/image_error.h"
#include "documents/frmDocument.h"
#include "documents/main_window.h"
#include "program/global.h"
#include "win32/common_dialog.h"
#include "win32/strings.h"
#include "win32/ui_seam.h"

std::wstring AskSaveName(MainWindow& main, const std::wstring& name) {
    rw::CommonDialog& dialog = main.FileDialog();
    dialog.DialogTitle = L"Save";
    dialog.InitDir = Global::sSavePath;
    dialog.FileName = name;
    dialog.Flags = rw::CommonDialog::cdlOFNOverwritePrompt;
    dialog.ShowSave(main.OwnerWindow());
    return dialog.FileName;
}

bool WriteImage(frmDocument& document, const std::wstring& path) {
    try {
        document.Lumbra1.SaveAs(path);
    } catch (const rw::ImageError& e) {
        ReportFileError(document.Main().OwnerWindow(), e.what());
        return false;
    }
    document.SetModified(false);
    return true;
}

bool SaveDocument(frmDocument& document) {
    const std::wstring caption = document.Caption();
    if (!caption.empty()) {
        return WriteImage(document, caption);
    }
    const std::wstring name = AskSaveName(document.Main(), L"");
    if (name.empty() || !WriteImage(document, name)) {
        return false;
    }
    document.SetCaption(name);
    Global::sSavePath = rw::FolderPart(name);
    return true;
}

void ReportFileError(HWND owner, const std::string& reason) {
    rw::Ui().ShowMessage(owner, rw::win::Widen(reason), Global::AppTitle,
                         MB_OK | MB_ICONEXCLAMATION);
}
