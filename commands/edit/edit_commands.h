#pragma once
// The Edit menu: Undo of the last filter, and the clipboard commands on the active document.
// Each ignores errors (an empty clipboard, no image) and changes nothing when no document is
// open.
#include <windows.h>

class MainWindow;

class EditCommands {
public:
    explicit EditCommands(MainWindow& main) : main_(main) {}

    void mnuEditUndo_Click();
    void mnuEditCut_Click();
    void mnuEditCopy_Click();
    void mnuEditPaste_Click();

    // Names what Undo takes back, and turns it off when there is nothing.
    void UpdateMenu(HMENU editMenu);

private:
    MainWindow& main_;
};
