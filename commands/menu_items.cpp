#include "commands/menu_items.h"

#include <vector>

namespace rw {

void UpdateMenuItem(HMENU menu, int id, const std::wstring& caption, bool enabled) {
    MENUITEMINFOW item{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_STRING;
    std::wstring text = caption;
    if (::GetMenuItemInfoW(menu, static_cast<UINT>(id), FALSE, &item)) {
        std::vector<wchar_t> current(item.cch + 1, L'\0');
        item.dwTypeData = current.data();
        item.cch = static_cast<UINT>(current.size());
        if (::GetMenuItemInfoW(menu, static_cast<UINT>(id), FALSE, &item)) {
            const std::wstring old(current.data());
            const size_t tab = old.find(L'\t');
            if (tab != std::wstring::npos) {
                text += old.substr(tab);
            }
        }
    }
    item = MENUITEMINFOW{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_STRING | MIIM_STATE;
    item.dwTypeData = text.data();
    item.fState = enabled ? MFS_ENABLED : MFS_GRAYED;
    ::SetMenuItemInfoW(menu, static_cast<UINT>(id), FALSE, &item);
}

int MenuPosition(HMENU menu, int id) {
    const int count = ::GetMenuItemCount(menu);
    for (int k = 0; k < count; ++k) {
        if (::GetMenuItemID(menu, k) == static_cast<UINT>(id)) {
            return k;
        }
    }
    return -1;
}

} // namespace rw
