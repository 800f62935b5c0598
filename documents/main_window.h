#pragma once
// The one way the commands and the document windows reach the main window: its documents, the
// window that owns their dialogs, and the file dialog they share.
#include <windows.h>

#include <vector>

class frmDocument;

namespace rw {
class CommonDialog;
}

class MainWindow {
public:
    // Creates an untitled document window, shows it and tiles all vertically; it becomes the
    // active one.
    virtual frmDocument& NewDocumentWindow() = 0;
    // The active document window, or null when none is open.
    virtual frmDocument* ActiveDocument() const = 0;
    // The open document windows in the order they were created.
    virtual std::vector<frmDocument*> Documents() const = 0;
    // A document window tells its main window that it has gone (which deletes it).
    virtual void ForgetDocument(frmDocument* document) = 0;
    // The window that owns the commands' dialogs and message boxes.
    virtual HWND OwnerWindow() const = 0;
    // The file dialog shared by Open, Save and Save As.
    virtual rw::CommonDialog& FileDialog() = 0;

protected:
    ~MainWindow() = default;
};

// The open document window with this handle, or null (it may have closed meanwhile).
frmDocument* FindDocument(const MainWindow& main, HWND window);
