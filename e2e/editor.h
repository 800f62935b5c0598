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
    enum Settings { kFreshSettings, kKeepSettings };
    // Starts the program and waits for its main window: with a per-user settings state of its
    // own whose Open and Save folders are `folder`, or with those its last run left.
    explicit Editor(const std::wstring& folder, Settings settings = kFreshSettings);

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
    // A new document of that size with a generated terrain (Fault line, Random, Ok).
    HWND NewTerrain(const std::wstring& width, const std::wstring& height);
    // Edit Copy (Ctrl+C, or the menu) on the active document, then the picture as the
    // clipboard holds it.
    Image CopyPicture(bool fromMenu = false);
    // Ctrl+C once the editor takes commands again, after a filter: keys pressed while one runs
    // are not commands, so a person presses Ctrl+C again until the copy comes.
    Image CopyPictureOnceIdle();

private:
    Image ClipboardPicture() const;
};

} // namespace e2e
