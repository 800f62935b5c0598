#include "commands/edit/edit_commands.h"

#include "commands/menu_ids.h"
#include "commands/menu_items.h"
#include "commands/menu_text.h"
#include "core/image_error.h"
#include "documents/frmDocument.h"
#include "documents/main_window.h"
#include "program/global.h"
#include "win32/strings.h"
#include "win32/ui_seam.h"

void EditCommands::mnuEditUndo_Click() {
    frmDocument* document = main_.ActiveDocument();
    if (!document || !document->History().CanUndo()) {
        return;
    }
    try {
        document->Lumbra1.PasteDib(document->History().UndoPicture());
    } catch (const rw::ImageError& e) {
        // The step stays: Undo may work once memory is freed.
        rw::Ui().ShowMessage(main_.OwnerWindow(),
                             L"The picture as it was cannot be put back: " +
                                 rw::win::Widen(e.what()) + L".",
                             Global::AppTitle, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    document->History().Undone();
    document->Lumbra1.Refresh();
}

void EditCommands::mnuEditCopy_Click() {
    if (frmDocument* document = main_.ActiveDocument()) {
        try {
            document->Lumbra1.ImageCopy();
        } catch (const rw::ImageError&) {
        }
    }
}

void EditCommands::mnuEditPaste_Click() {
    if (frmDocument* document = main_.ActiveDocument()) {
        try {
            document->Lumbra1.ImagePaste();
            document->Lumbra1.Refresh();
            document->SetModified(true);
        } catch (const rw::ImageError&) {
        }
    }
}

void EditCommands::mnuEditCut_Click() {
    if (frmDocument* document = main_.ActiveDocument()) {
        rw::ImageControl& control = document->Lumbra1;
        // Marked first: making the blank image processes messages, and a close handled there
        // must know the document has changed.
        document->SetModified(true);
        try {
            Global::MakeBlankImage(control, control.ImageWidth(), control.ImageHeight());
        } catch (const rw::ImageError&) {
        }
    }
}

void EditCommands::UpdateMenu(HMENU editMenu) {
    const frmDocument* document = main_.ActiveDocument();
    const bool can = document && document->History().CanUndo();
    rw::UpdateMenuItem(editMenu, mnuEditUndo,
                       rw::NamedCaption(L"&Undo", can ? document->History().UndoName() : L""), can);
}
