#include "e2e/window_text.h"

namespace e2e {
namespace {

BOOL CALLBACK CollectChild(HWND child, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
    return TRUE;
}

struct CaptionSearch {
    const wchar_t* caption;
    std::vector<HWND> found;
};

BOOL CALLBACK MatchCaption(HWND window, LPARAM data) {
    auto& search = *reinterpret_cast<CaptionSearch*>(data);
    if (::IsWindowVisible(window) && WindowText(window) == search.caption) {
        search.found.push_back(window);
    }
    return TRUE;
}

} // namespace

std::wstring ClassOf(HWND window) {
    wchar_t name[128] = {};
    ::GetClassNameW(window, name, 128);
    return name;
}

std::vector<HWND> Children(HWND parent) {
    std::vector<HWND> list;
    ::EnumChildWindows(parent, CollectChild, reinterpret_cast<LPARAM>(&list));
    return list;
}

HWND ChildOfClass(HWND parent, const wchar_t* cls) {
    for (HWND child : Children(parent)) {
        if (::GetParent(child) == parent && ClassOf(child) == cls) {
            return child;
        }
    }
    return nullptr;
}

std::wstring DialogText(HWND dialog) {
    std::wstring text;
    for (HWND child : Children(dialog)) {
        const LONG_PTR kind = ::GetWindowLongPtrW(child, GWL_STYLE) & SS_TYPEMASK;
        if (::GetParent(child) == dialog && ClassOf(child) == L"Static" && kind != SS_ICON &&
            kind != SS_BITMAP) {
            const std::wstring part = WindowText(child);
            if (!part.empty()) {
                text += text.empty() ? part : L"\n" + part;
            }
        }
    }
    return text;
}

std::vector<HWND> WindowsCaptioned(const wchar_t* caption) {
    CaptionSearch search{caption, {}};
    ::EnumWindows(MatchCaption, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

} // namespace e2e
