#pragma once
// What the scenarios of the PlugIn control share: the control registered as an installer does,
// folders of the build's fixture plug-ins, and the Select Plug-In dialog's tree, read and
// clicked from outside.
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "e2e/program.h"
#include "e2e/remote_memory.h"

namespace e2e {

// Controls of the Select Plug-In dialog.
constexpr int kPlugInTree = 201;

// Where the build puts every program, the control and the fixtures: beside the editor.
std::wstring BuildFolder();

// Registers (or unregisters) a control with the system's regsvr32, as an installer does.
void RunRegsvr32(const std::wstring& module, bool unregister);

// The shipped control, registered (or not) for the scenario.
void RegisterPlugInControl(bool registered);

// Makes `folder` and copies the named fixture plug-ins of the build into it; the folder.
std::wstring CopyFixtures(const std::wstring& folder, const std::vector<std::wstring>& files);

// The tree view of the Select Plug-In dialog, read from outside through the common control's
// own messages and memory in the dialog's process.
class Tree {
public:
    struct Item {
        HTREEITEM handle = nullptr;
        std::wstring text;
        LPARAM value = 0;
        int image = -1;
        int selectedImage = -1;
        int children = 0;
    };

    Tree(Program& program, HWND dialog);
    HWND Window() const { return window_; }

    HTREEITEM Next(HTREEITEM item, UINT relation) const;
    HTREEITEM Caret() const { return Next(nullptr, TVGN_CARET); }
    int Count() const;
    bool Expanded(HTREEITEM item) const;
    Item Read(HTREEITEM handle) const;
    // The items of one level, from its first item on, in the order the tree shows them.
    std::vector<Item> Level(HTREEITEM first) const;
    std::vector<Item> Roots() const { return Level(Next(nullptr, TVGN_ROOT)); }
    std::vector<Item> Children(HTREEITEM parent) const { return Level(Next(parent, TVGN_CHILD)); }
    // The middle of an item's text, where a person clicks it.
    POINT Centre(HTREEITEM item) const;
    void Click(HTREEITEM item);
    void DoubleClick(HTREEITEM item) { program_.ClickAt(window_, Centre(item), true); }

private:
    Program& program_;
    HWND window_;
    RemoteBuffer buffer_;
};

} // namespace e2e
