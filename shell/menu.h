#pragma once
// The main window's menu bar, built from one table: captions, shortcuts, separators, the items
// that stay disabled, and the check marks.
#include <windows.h>

#include <span>

#include "commands/menu_ids.h"

struct MenuItem {
    enum Kind { Title, Item, Separator };
    Kind kind;
    int id; // 0 for separators and titles
    const wchar_t* caption;
    WORD shortcutKey; // with Ctrl; 0 for none
    bool off;         // created disabled and never enabled
    bool checked;
    bool windowList; // the title whose menu lists the document windows
};

std::span<const MenuItem> MenuTable();

// The menu bar; `windowMenu` receives the submenu that lists the document windows.
HMENU BuildMenuBar(HMENU& windowMenu);
HACCEL BuildAccelerators();
