#pragma once
// Menu items whose caption or state a command changes as the program's state changes.
#include <windows.h>

#include <string>

namespace rw {

// Gives the item a new caption, keeping the shortcut text the menu table put after its tab, and
// enables or greys it.
void UpdateMenuItem(HMENU menu, int id, const std::wstring& caption, bool enabled);

// The place of the item of that command right in `menu` (not in one of its submenus); -1 when
// it holds none.
int MenuPosition(HMENU menu, int id);
inline bool MenuHolds(HMENU menu, int id) {
    return MenuPosition(menu, id) >= 0;
}

} // namespace rw
