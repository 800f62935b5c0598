#pragma once
// The shipped editor as the driver works it: its windows, and the verbs a person uses on it
// (a new document, a file dialog answered, a picture copied).
#include <windows.h>

#include <string>
#include <vector>

#include "e2e/picture.h"
#include "e2e/program.h"

namespace e2e {

// Controls of the editor's New dialog: the width (Text1) and the height (Text2).
constexpr int kNewWidthField = 3003;
constexpr int kNewHeightField = 3005;

class Editor : public Program {
public:
    // Starts the program with a per-user settings state of its own whose Open and Save folders
    // are `folder`, and waits for its main window.
    explicit Editor(const std::wstring& folder);

    HWND MdiClient() const;
    HWND StatusBar() const;
    HWND Toolbar() const;

    std::vector<HWND> Documents() const; // the MDI children, top of the z-order first
    HWND ActiveDocument() const;
    std::wstring StatusText(int panel) const;

    // A left click on the toolbar's button number `index` (0: New, 1: Open, 2: Save).
    void ClickToolbar(int index);

    // Message boxes: the editor's own carry the application's title.
    HWND WaitMessageBox(const wchar_t* caption = L"Ridgewright", DWORD ms = 15000) const;

    // A common file dialog of that title: types `path` into its file name field and presses
    // its Open or Save button.
    void ChooseFile(const wchar_t* title, const std::wstring& path);
    void CancelFileDialog(const wchar_t* title);

    // File New answered with the given size; the new document window.
    HWND NewDocument(const std::wstring& width, const std::wstring& height = L"");
    // Edit Copy (Ctrl+C, or the menu) on the active document, then the picture as the
    // clipboard holds it.
    Image CopyPicture(bool fromMenu = false);
};

} // namespace e2e
