#include "e2e/editor.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "e2e/remote_memory.h"

namespace e2e {
namespace {

// The program's settings live in the per-user store under its title.
constexpr wchar_t kSettingsKey[] = L"Software\\VB and VBA Program Settings\\Ridgewright";
// Control ids of the common file dialogs' file name field: the edit of the Explorer-style
// template (Wine) and the combo box of the newer one (Windows).
constexpr int kFileNameEdit = 0x480;
constexpr int kFileNameCombo = 0x47c;

} // namespace

Editor::Editor(const std::wstring& folder, Settings settings) : Program("the editor") {
    // A fresh per-user state: no window geometry or folders left by an earlier scenario.
    if (settings == kFreshSettings) {
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKey);
    }
    rw::win::ScopedRegKey key;
    const std::wstring section = std::wstring(kSettingsKey) + L"\\Settings";
    if (settings == kFreshSettings &&
        ::RegCreateKeyExW(HKEY_CURRENT_USER, section.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                          key.Put(), nullptr) == ERROR_SUCCESS) {
        for (const wchar_t* name : {L"LoadPath", L"SavePath"}) {
            ::RegSetValueExW(key.Get(), name, 0, REG_SZ,
                             reinterpret_cast<const BYTE*>(folder.c_str()),
                             static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t)));
        }
    }
    // Nothing of an earlier scenario on the clipboard either.
    if (OpenClipboard(nullptr)) {
        EmptyClipboard();
        CloseClipboard();
    }
    Start(Config().editor, L"", folder, L"RidgewrightMain", L"Ridgewright");
    // The splash goes before the main window shows; the program then takes input.
    WaitUntil([&] { return TopLevel(kDialogClass, nullptr).empty(); }, "the splash to go");
    Foreground(main_);
    Step("idle");
}

HWND Editor::MdiClient() const {
    return ChildOfClass(main_, L"MDIClient");
}

HWND Editor::StatusBar() const {
    return ChildOfClass(main_, STATUSCLASSNAMEW);
}

HWND Editor::Toolbar() const {
    return ChildOfClass(main_, TOOLBARCLASSNAMEW);
}

std::vector<HWND> Editor::Documents() const {
    std::vector<HWND> list;
    HWND client = MdiClient();
    for (HWND child = GetWindow(client, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (ClassOf(child) == L"RidgewrightDocument" && IsWindowVisible(child)) {
            list.push_back(child);
        }
    }
    return list;
}

HWND Editor::ActiveDocument() const {
    return reinterpret_cast<HWND>(SendMessageW(MdiClient(), WM_MDIGETACTIVE, 0, 0));
}

std::wstring Editor::StatusText(int panel) const {
    HWND bar = StatusBar();
    const LRESULT length = SendMessageW(bar, SB_GETTEXTLENGTHW, static_cast<WPARAM>(panel), 0);
    const size_t chars = LOWORD(length) + 1;
    RemoteBuffer buffer(ProcessId(), chars * sizeof(wchar_t));
    if (!buffer.Ok()) {
        Fail("cannot read the status bar");
    }
    SendMessageW(bar, SB_GETTEXTW, static_cast<WPARAM>(panel), buffer.Address());
    const std::vector<uint8_t> bytes = buffer.Read();
    std::wstring text(chars, L'\0');
    std::memcpy(text.data(), bytes.data(), std::min(bytes.size(), chars * sizeof(wchar_t)));
    text.resize(std::wcslen(text.c_str()));
    return text;
}

void Editor::ClickToolbar(int index) {
    HWND bar = Toolbar();
    RemoteBuffer buffer(ProcessId(), sizeof(RECT));
    if (!buffer.Ok() ||
        !SendMessageW(bar, TB_GETITEMRECT, static_cast<WPARAM>(index), buffer.Address())) {
        Fail("cannot find toolbar button " + std::to_string(index));
    }
    RECT r;
    const std::vector<uint8_t> bytes = buffer.Read();
    std::memcpy(&r, bytes.data(), sizeof r);
    Foreground(main_);
    ClickAt(bar, POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
}

HWND Editor::WaitMessageBox(const wchar_t* caption, DWORD ms) const {
    return WaitDialog(caption, ms);
}

void Editor::ChooseFile(const wchar_t* title, const std::wstring& path) {
    HWND dialog = WaitDialog(title);
    HWND field = GetDlgItem(dialog, kFileNameEdit);
    if (!field) {
        HWND combo = GetDlgItem(dialog, kFileNameCombo);
        // The edit sits inside the combo box (inside an extended combo box under Wine).
        for (HWND child : combo ? Children(combo) : std::vector<HWND>{}) {
            if (!field && ClassOf(child) == L"Edit") {
                field = child;
            }
        }
    }
    if (!field) {
        std::string children;
        for (HWND child : Children(dialog)) {
            children += " " + Narrow(ClassOf(child)) + "#" + std::to_string(GetDlgCtrlID(child)) +
                        "(" + Narrow(WindowText(child)) + ")";
        }
        Fail("the file dialog has no file name field:" + children);
    }
    // The field has the focus when the dialog opens, as it has for a person.
    WaitUntil(
        [&] {
            GUITHREADINFO info{};
            info.cbSize = sizeof info;
            return GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info) &&
                   info.hwndFocus == field;
        },
        "the file name field to take the focus", 5000);
    // Whatever the field proposes is replaced. Should the text not come out as typed (seen
    // once on a loaded machine, cause unknown), the user selects it all and types it again.
    for (int attempt = 0;; ++attempt) {
        Press(Chord{'A', true});
        Type(path);
        const DWORD start = GetTickCount();
        while (WindowText(field) != path && GetTickCount() - start < 3000) {
            PumpFor(kPollMs);
        }
        if (WindowText(field) == path) {
            break;
        }
        if (attempt == 1) {
            Fail("the file name field reads \"" + Narrow(WindowText(field)) + "\" after typing \"" +
                 Narrow(path) + "\"");
        }
        std::printf("      the file name field read \"%s\": typing it again\n",
                    Narrow(WindowText(field)).c_str());
    }
    Click(dialog, IDOK);
}

void Editor::CancelFileDialog(const wchar_t* title) {
    HWND dialog = WaitDialog(title);
    Click(dialog, IDCANCEL);
    WaitGone(dialog);
}

HWND Editor::NewDocument(const std::wstring& width, const std::wstring& height) {
    const size_t before = Documents().size();
    Press(Chord{'N', true});
    HWND dialog = WaitDialog(L"New");
    HWND text1 = GetDlgItem(dialog, kNewWidthField), text2 = GetDlgItem(dialog, kNewHeightField);
    WaitUntil([&] { return WindowText(text1) == L"128"; }, "the New dialog's fields", 5000);
    Type(width); // the width's text is selected: typing replaces it
    WaitUntil([&] { return WindowText(text2) == WindowText(text1) && !WindowText(text1).empty(); },
              "the height to follow the width", 5000);
    if (!height.empty()) {
        Press(VK_TAB);
        Type(height);
        WaitUntil([&] { return WindowText(text2) == height; }, "the typed height", 5000);
    }
    Press(VK_RETURN);
    WaitGone(dialog);
    WaitUntil([&] { return Documents().size() == before + 1; }, "the new document window");
    HWND document = ActiveDocument();
    // The blank image is made after the window shows; it is done when the status text clears
    // and the frame takes input again.
    WaitUntil([&] { return IsWindowEnabled(main_) && StatusText(0).empty(); }, "the blank image",
              15000);
    return document;
}

HWND Editor::NewTerrain(const std::wstring& width, const std::wstring& height) {
    Step("File New " + Narrow(width) + " by " + Narrow(height));
    HWND document = NewDocument(width, height);
    Step("Generate > Fault line, Random, Ok");
    MenuByPosition(L'G', 4);
    HWND dialog = WaitDialog(L"Fault line");
    ClickAndWait(dialog, L"Ra&ndom");
    Click(dialog, L"&Ok");
    WaitGone(dialog);
    WaitUntil([&] { return IsWindowEnabled(main_); }, "the main window's input");
    return document;
}

namespace {

bool ClipboardMoved(DWORD before) {
    return GetClipboardSequenceNumber() != before && IsClipboardFormatAvailable(CF_DIB) != FALSE;
}

} // namespace

Image Editor::CopyPicture(bool fromMenu) {
    // The copy is known to have happened when the clipboard's sequence number moves; keys
    // pressed before it (a paste, say) are handled first, as the program reads its input in
    // order.
    const DWORD before = GetClipboardSequenceNumber();
    fromMenu ? Menu(L'E', L'C') : Press(Chord{'C', true});
    WaitUntil([&] { return ClipboardMoved(before); }, "the picture on the clipboard", 10000);
    return ClipboardPicture();
}

Image Editor::CopyPictureOnceIdle() {
    const DWORD before = GetClipboardSequenceNumber();
    const DWORD start = GetTickCount();
    while (!ClipboardMoved(before)) {
        if (GetTickCount() - start > 60000) {
            Fail("timed out waiting for the picture on the clipboard");
        }
        Press(Chord{'C', true});
        const DWORD pressed = GetTickCount();
        while (!ClipboardMoved(before) && GetTickCount() - pressed < 500) {
            CheckAlive();
            PumpFor(kPollMs);
        }
    }
    return ClipboardPicture();
}

Image Editor::ClipboardPicture() const {
    Image image = ReadClipboardPicture();
    if (image.pixels.empty()) {
        Fail("the clipboard's picture cannot be read");
    }
    return image;
}

} // namespace e2e
