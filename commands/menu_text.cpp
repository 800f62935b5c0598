#include "commands/menu_text.h"

namespace rw {

std::wstring MenuText(std::wstring_view text) {
    std::wstring shown;
    shown.reserve(text.size());
    for (wchar_t c : text) {
        // A tab would start the shortcut column, a line break a second line.
        shown += c < L' ' ? L' ' : c;
        if (c == L'&') {
            shown += c;
        }
    }
    return shown;
}

std::wstring NamedCaption(std::wstring_view command, std::wstring_view name) {
    std::wstring caption(command);
    if (!name.empty()) {
        caption += L' ';
        caption += MenuText(name);
    }
    return caption;
}

} // namespace rw
