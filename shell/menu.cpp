#include "shell/menu.h"

#include <string>
#include <vector>

namespace {

constexpr MenuItem T(const wchar_t* caption, bool windowList = false) {
    return {MenuItem::Title, 0, caption, 0, false, false, windowList};
}
constexpr MenuItem I(int id, const wchar_t* caption, WORD key = 0, bool off = false,
                     bool checked = false) {
    return {MenuItem::Item, id, caption, key, off, checked, false};
}
constexpr MenuItem S() {
    return {MenuItem::Separator, 0, L"-", 0, false, false, false};
}

constexpr MenuItem kMenu[] = {
    T(L"&File"),
    I(mnuFileNew, L"&New", 'N'),
    I(mnuFileOpen, L"&Open...", 'O'),
    I(mnuFileClose, L"&Close"),
    S(),
    I(mnuFileSave, L"&Save", 'S'),
    I(mnuFileSaveAs, L"Save &As..."),
    S(),
    I(mnuFileProperties, L"Propert&ies", 0, true),
    S(),
    I(mnuFileExit, L"E&xit"),
    T(L"&Edit"),
    I(mnuEditUndo, L"&Undo", 'Z'),
    S(),
    I(mnuEditCut, L"Cu&t", 'X'),
    I(mnuEditCopy, L"&Copy", 'C'),
    I(mnuEditPaste, L"&Paste", 'V'),
    T(L"&Generate"),
    I(mnuGenerateWave1, L"Sine Wave ..."),
    I(mnuGenerateWave2, L"Fourier Wave ..."),
    I(mnuGenerateWave3, L"FM Wave ..."),
    I(mnuGenerateWave4, L"Exponential Wave ..."),
    I(mnuGenerateFault, L"Fault line ..."),
    // The catalogue's categories go between the separator and Select Plug-In.
    T(L"Fil&ter"),
    I(mnuFilterFolder, L"Plug-In &Folder..."),
    S(),
    I(mnuFilterSelect, L"&Select Plug-In..."),
    I(mnuFilterRepeat, L"&Repeat Filter", 'F'),
    T(L"&View"),
    I(mnuViewToolbar, L"&Toolbar", 0, false, true),
    I(mnuViewStatusBar, L"Status &Bar", 0, false, true),
    S(),
    I(mnuViewOptions, L"&Options...", 0, true),
    T(L"&Window", true),
    I(mnuWindowCascade, L"&Cascade"),
    I(mnuWindowTileHorizontal, L"Tile &Horizontal"),
    I(mnuWindowTileVertical, L"Tile &Vertical"),
    I(mnuWindowArrangeIcons, L"&Arrange Icons"),
    T(L"&Help"),
    I(mnuHelpContents, L"&Contents", 0, true),
    I(mnuHelpSearchForHelpOn, L"&Search For Help On...", 0, true),
    S(),
    I(mnuHelpAbout, L"&About "),
};

} // namespace

std::span<const MenuItem> MenuTable() {
    return kMenu;
}

HMENU BuildMenuBar(HMENU& windowMenu) {
    HMENU bar = CreateMenu();
    HMENU current = nullptr;
    windowMenu = nullptr;
    for (const MenuItem& item : kMenu) {
        if (item.kind == MenuItem::Title) {
            current = CreatePopupMenu();
            AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(current), item.caption);
            if (item.windowList) {
                windowMenu = current;
            }
            continue;
        }
        if (item.kind == MenuItem::Separator) {
            AppendMenuW(current, MF_SEPARATOR, 0, nullptr);
            continue;
        }
        std::wstring text = item.caption;
        if (item.shortcutKey) {
            text += L"\tCtrl+";
            text += static_cast<wchar_t>(item.shortcutKey);
        }
        AppendMenuW(current,
                    MF_STRING | (item.off ? MF_GRAYED : 0) | (item.checked ? MF_CHECKED : 0),
                    static_cast<UINT_PTR>(item.id), text.c_str());
    }
    return bar;
}

HACCEL BuildAccelerators() {
    std::vector<ACCEL> table;
    for (const MenuItem& item : kMenu) {
        if (item.shortcutKey) {
            table.push_back({FVIRTKEY | FCONTROL, item.shortcutKey, static_cast<WORD>(item.id)});
        }
    }
    return CreateAcceleratorTableW(table.data(), static_cast<int>(table.size()));
}
