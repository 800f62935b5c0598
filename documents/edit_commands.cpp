// The Edit menu: the clipboard commands on the active document. Each ignores errors (an empty
// clipboard, no image) and changes nothing when no document is open.
#include "core/image_error.h"
#include "documents/frmDocument.h"
#include "shell/frmMain.h"
#include "shell/global.h"

void frmMain::mnuEditCopy_Click() {
    if (frmDocument* document = ActiveDocument()) {
        try {
            document->Lumbra1.ImageCopy();
        } catch (const rw::ImageError&) {
        }
    }
}

void frmMain::mnuEditPaste_Click() {
    if (frmDocument* document = ActiveDocument()) {
        try {
            document->Lumbra1.ImagePaste();
            document->Lumbra1.Refresh();
            document->SetModified(true);
        } catch (const rw::ImageError&) {
        }
    }
}

void frmMain::mnuEditCut_Click() {
    if (frmDocument* document = ActiveDocument()) {
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
