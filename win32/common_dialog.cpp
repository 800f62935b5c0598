#include "win32/common_dialog.h"

#include "win32/ui_seam.h"

namespace rw {

void CommonDialog::ShowOpen(HWND owner) {
    Show(owner, false);
}
void CommonDialog::ShowSave(HWND owner) {
    Show(owner, true);
}

void CommonDialog::Show(HWND owner, bool save) {
    FileDialogRequest request;
    request.save = save;
    request.title = DialogTitle;
    request.initialDir = InitDir;
    request.fileName = FileName;
    request.filter = Filter;
    request.filterIndex = FilterIndex;
    request.defaultExt = DefaultExt;
    request.flags = Flags;
    FileName = Ui().FileDialog(owner, request);
    FilterIndex = request.filterIndex;
}

} // namespace rw
