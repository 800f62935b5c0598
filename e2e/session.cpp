#include "e2e/session.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

namespace e2e {

namespace {

constexpr DWORD kPollMs = 15;
// The program's settings live in the per-user store under its title.
constexpr wchar_t kSettingsKey[] = L"Software\\VB and VBA Program Settings\\Ridgewright";
// Control ids of the common file dialogs' file name field: the edit of the Explorer-style
// template (Wine) and the combo box of the newer one (Windows).
constexpr int kFileNameEdit = 0x480;
constexpr int kFileNameCombo = 0x47c;

std::wstring ClassOf(HWND window) {
    wchar_t name[128] = {};
    GetClassNameW(window, name, 128);
    return name;
}

BOOL CALLBACK CollectChild(HWND child, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
    return TRUE;
}

std::vector<HWND> Children(HWND parent) {
    std::vector<HWND> list;
    EnumChildWindows(parent, CollectChild, reinterpret_cast<LPARAM>(&list));
    return list;
}

HWND ChildOfClass(HWND parent, const wchar_t* cls) {
    for (HWND child : Children(parent)) {
        if (GetParent(child) == parent && ClassOf(child) == cls) {
            return child;
        }
    }
    return nullptr;
}

void PutLe(std::vector<uint8_t>& out, uint32_t value, int bytes) {
    for (int k = 0; k < bytes; ++k) {
        out.push_back(static_cast<uint8_t>(value >> (8 * k)));
    }
}

void WriteWhole(const std::wstring& path, const std::vector<uint8_t>& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        throw StepFailure("cannot write " + Narrow(path));
    }
    DWORD written = 0;
    const BOOL ok =
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    if (!ok || written != bytes.size()) {
        throw StepFailure("cannot write " + Narrow(path));
    }
}

INPUT KeyInput(WORD key, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return input;
}

} // namespace

std::wstring TextOf(HWND window) {
    // WM_GETTEXT is carried across processes by the system; GetWindowText would not ask a
    // window of another process for the text of its controls.
    const LRESULT length = SendMessageW(window, WM_GETTEXTLENGTH, 0, 0);
    std::wstring text(static_cast<size_t>(std::max<LRESULT>(length, 0)) + 1, L'\0');
    const LRESULT got =
        SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(std::max<LRESULT>(got, 0)));
    return text;
}

void PumpFor(DWORD ms) {
    // The driver's own windows (a clipboard owner, say) are sent messages by the program, which
    // waits for the answers: the driver keeps taking them while it waits itself.
    const DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageW(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, kPollMs, QS_ALLINPUT);
    } while (GetTickCount() - start < ms);
}

Paths& Config() {
    static Paths paths;
    return paths;
}

std::wstring HostPath(const std::string& path) {
    std::wstring wide(path.begin(), path.end());
    if (!wide.empty() && wide[0] == L'/') {
        // Wine's drive Z: is the host's root folder.
        std::replace(wide.begin(), wide.end(), L'/', L'\\');
        wide = L"Z:" + wide;
    }
    return wide;
}

std::string Narrow(const std::wstring& text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                        nullptr, nullptr);
    return out;
}

bool Image::SameColumn(const Image& other, int x) const {
    if (width != other.width || height != other.height) {
        return false;
    }
    for (int y = 0; y < height; ++y) {
        if (At(x, y) != other.At(x, y)) {
            return false;
        }
    }
    return true;
}

bool Image::IsUniform() const {
    return std::all_of(pixels.begin(), pixels.end(),
                       [this](uint32_t p) { return p == pixels.front(); });
}

Image Gradient(int width, int height, int seed) {
    Image image{width, height, {}};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const uint32_t r = static_cast<uint32_t>(x * 255 / std::max(1, width - 1));
            const uint32_t g = static_cast<uint32_t>(y * 255 / std::max(1, height - 1));
            const uint32_t b = static_cast<uint32_t>((x * 7 + y * 13 + seed * 61) & 0xFF);
            image.pixels.push_back(r << 16 | g << 8 | b);
        }
    }
    return image;
}

void WriteBmp(const std::wstring& path, const Image& image) {
    const uint32_t stride = static_cast<uint32_t>((image.width * 3 + 3) & ~3);
    const uint32_t dataSize = stride * static_cast<uint32_t>(image.height);
    std::vector<uint8_t> out;
    out.push_back('B');
    out.push_back('M');
    PutLe(out, 54 + dataSize, 4);
    PutLe(out, 0, 4);
    PutLe(out, 54, 4);
    PutLe(out, 40, 4);
    PutLe(out, static_cast<uint32_t>(image.width), 4);
    PutLe(out, static_cast<uint32_t>(image.height), 4); // bottom-up
    PutLe(out, 1, 2);
    PutLe(out, 24, 2);
    PutLe(out, 0, 4);
    PutLe(out, dataSize, 4);
    PutLe(out, 2835, 4);
    PutLe(out, 2835, 4);
    PutLe(out, 0, 4);
    PutLe(out, 0, 4);
    for (int y = image.height - 1; y >= 0; --y) {
        const size_t rowStart = out.size();
        for (int x = 0; x < image.width; ++x) {
            const uint32_t p = image.At(x, y);
            out.push_back(static_cast<uint8_t>(p));
            out.push_back(static_cast<uint8_t>(p >> 8));
            out.push_back(static_cast<uint8_t>(p >> 16));
        }
        out.resize(rowStart + stride, 0);
    }
    WriteWhole(path, out);
}

void WritePpm(const std::wstring& path, const Image& image) {
    const std::string header =
        "P6\n" + std::to_string(image.width) + " " + std::to_string(image.height) + "\n255\n";
    std::vector<uint8_t> out(header.begin(), header.end());
    for (uint32_t p : image.pixels) {
        out.push_back(static_cast<uint8_t>(p >> 16));
        out.push_back(static_cast<uint8_t>(p >> 8));
        out.push_back(static_cast<uint8_t>(p));
    }
    WriteWhole(path, out);
}

Image ReadClipboardPicture() {
    Image image;
    for (int attempt = 0; attempt < 200 && !OpenClipboard(nullptr); ++attempt) {
        Sleep(kPollMs); // the editor may hold it for a moment
    }
    HANDLE handle = GetClipboardData(CF_DIB);
    const auto* dib = handle ? static_cast<const uint8_t*>(GlobalLock(handle)) : nullptr;
    if (dib) {
        BITMAPINFOHEADER header;
        std::memcpy(&header, dib, sizeof header);
        const int bits = header.biBitCount;
        const bool topDown = header.biHeight < 0;
        image.width = header.biWidth;
        image.height = topDown ? -header.biHeight : header.biHeight;
        const size_t stride = static_cast<size_t>((image.width * bits + 31) / 32 * 4);
        size_t offset = header.biSize;
        if (header.biCompression == BI_BITFIELDS) {
            offset += 12;
        }
        offset += (bits <= 8 ? (header.biClrUsed ? header.biClrUsed : 1u << bits) : 0) * 4;
        if ((bits == 24 || bits == 32) && GlobalSize(handle) >= offset + stride * image.height) {
            for (int y = 0; y < image.height; ++y) {
                const uint8_t* row =
                    dib + offset + stride * static_cast<size_t>(topDown ? y : image.height - 1 - y);
                for (int x = 0; x < image.width; ++x) {
                    const uint8_t* p = row + static_cast<size_t>(x) * (bits / 8);
                    image.pixels.push_back(static_cast<uint32_t>(p[2]) << 16 |
                                           static_cast<uint32_t>(p[1]) << 8 | p[0]);
                }
            }
        } else {
            image = Image{};
        }
        GlobalUnlock(handle);
    }
    CloseClipboard();
    return image;
}

Editor::Editor(const std::wstring& folder) : Program("the editor") {
    // A fresh per-user state: no window geometry or folders left by an earlier scenario.
    RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKey);
    HKEY key = nullptr;
    const std::wstring settings = std::wstring(kSettingsKey) + L"\\Settings";
    if (RegCreateKeyExW(HKEY_CURRENT_USER, settings.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                        &key, nullptr) == ERROR_SUCCESS) {
        for (const wchar_t* name : {L"LoadPath", L"SavePath"}) {
            RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                           static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t)));
        }
        RegCloseKey(key);
    }
    // Nothing of an earlier scenario on the clipboard either.
    if (OpenClipboard(nullptr)) {
        EmptyClipboard();
        CloseClipboard();
    }
    Start(Config().editor, L"", folder, L"RidgewrightMain", L"Ridgewright");
    // The splash goes before the main window shows; the program then takes input.
    WaitUntil([&] { return TopLevel(L"#32770", nullptr).empty(); }, "the splash to go");
    Foreground(main_);
    Step("idle");
}

void Program::Start(const std::wstring& exe, const std::wstring& arguments,
                    const std::wstring& folder, const wchar_t* mainClass,
                    const wchar_t* mainCaption) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    std::wstring commandLine = L"\"" + exe + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.c_str(), &startup, &process_)) {
        throw StepFailure("cannot start " + Narrow(exe) + " (error " +
                          std::to_string(GetLastError()) + ")");
    }
    pid_ = process_.dwProcessId;
    started_ = GetTickCount();
    try {
        AllowSetForegroundWindow(pid_);
        WaitForInputIdle(process_.hProcess, 15000);
        if (mainClass) {
            main_ = WaitWindow(mainClass, mainCaption);
        }
    } catch (...) {
        End(); // no destructor runs for an object that was never made
        throw;
    }
}

Program::~Program() {
    End();
}

void Program::End() {
    if (process_.hProcess) {
        if (Alive()) {
            TerminateProcess(process_.hProcess, 0);
            WaitForSingleObject(process_.hProcess, 5000);
        }
        CloseHandle(process_.hProcess);
        CloseHandle(process_.hThread);
        process_ = {};
    }
}

void Program::Step(const std::string& name) {
    CheckAlive(); // the step before ended with the program still running
    // RW_E2E_TRACE=1 logs when each step starts, to see where a scenario spends its time.
    static const bool trace = GetEnvironmentVariableW(L"RW_E2E_TRACE", nullptr, 0) > 0;
    if (trace) {
        std::printf("      %6lu ms  %s\n", static_cast<unsigned long>(GetTickCount() - started_),
                    name.c_str());
    }
    step_ = name;
}

bool Program::Alive() const {
    return WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT;
}

void Program::CheckAlive() const {
    if (!Alive()) {
        DWORD code = 0;
        GetExitCodeProcess(process_.hProcess, &code);
        char hex[16];
        std::snprintf(hex, sizeof hex, "0x%08lX", static_cast<unsigned long>(code));
        throw StepFailure(who_ + " ended (exit code " + std::string(hex) + ") at step \"" + step_ +
                          "\"");
    }
}

DWORD Program::WaitExit(DWORD ms) {
    if (WaitForSingleObject(process_.hProcess, ms) != WAIT_OBJECT_0) {
        Fail(who_ + " did not end");
    }
    ended_ = true;
    DWORD code = 0;
    GetExitCodeProcess(process_.hProcess, &code);
    return code;
}

void Program::Fail(const std::string& what) const {
    throw StepFailure(what + " (step \"" + step_ + "\")");
}

void Program::WaitUntil(const std::function<bool()>& done, const std::string& what,
                        DWORD ms) const {
    const DWORD start = GetTickCount();
    for (;;) {
        CheckAlive();
        if (done()) {
            return;
        }
        if (GetTickCount() - start > ms) {
            Fail("timed out waiting for " + what);
        }
        PumpFor(kPollMs);
    }
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

namespace {

struct TopLevelSearch {
    DWORD pid;
    const wchar_t* cls;
    const wchar_t* caption;
    std::vector<HWND> found;
};

BOOL CALLBACK MatchTopLevel(HWND window, LPARAM search) {
    auto& s = *reinterpret_cast<TopLevelSearch*>(search);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != s.pid || !IsWindowVisible(window)) {
        return TRUE;
    }
    // The class comes first: a toolbar's tooltip window carries a button's caption.
    if (s.cls && ClassOf(window) != s.cls) {
        return TRUE;
    }
    if (s.caption && TextOf(window) != s.caption) {
        return TRUE;
    }
    s.found.push_back(window);
    return TRUE;
}

} // namespace

std::vector<HWND> Program::TopLevel(const wchar_t* cls, const wchar_t* caption) const {
    TopLevelSearch search{pid_, cls, caption, {}};
    EnumWindows(MatchTopLevel, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND Program::WaitWindow(const wchar_t* cls, const wchar_t* caption, DWORD ms) const {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            const std::vector<HWND> list = TopLevel(cls, caption);
            found = list.empty() ? nullptr : list.front();
            return found != nullptr;
        },
        "a window \"" + Narrow(caption ? caption : L"") + "\" of class " + Narrow(cls), ms);
    return found;
}

HWND Program::FindDialog(const wchar_t* caption) const {
    const std::vector<HWND> list = TopLevel(L"#32770", caption);
    return list.empty() ? nullptr : list.front();
}

HWND Program::WaitOwnedDialog(HWND owner, const wchar_t* caption, DWORD ms) const {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (HWND window : TopLevel(L"#32770", caption)) {
                if (GetWindow(window, GW_OWNER) == owner) {
                    found = window;
                }
            }
            return found != nullptr;
        },
        "a dialog \"" + Narrow(caption) + "\" over \"" + Narrow(TextOf(owner)) + "\"", ms);
    return found;
}

void Program::WaitGone(HWND window, DWORD ms) const {
    WaitUntil([&] { return !IsWindow(window) || !IsWindowVisible(window); },
              "window \"" + Narrow(TextOf(window)) + "\" to go", ms);
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

// Keyboard focus under Wine 8 on Xvfb without a window manager (Managed=N): a program's main
// window is the foreground window as soon as it shows (Wine activates a new process's first
// window and nothing takes it away), and its modal dialogs and message boxes take the activation
// from it as they open. SendInput then delivers each key to the focus window of that thread with
// the keyboard state kept by the system, as a real keyboard's is: Ctrl for the accelerators, Alt
// for the menu bar. Posted WM_KEYDOWN messages would leave GetKeyState unchanged in the program,
// so its accelerators would never fire. Should another process's window take the foreground,
// SetForegroundWindow from the driver gives it back (Wine puts no lock on it), once the thread
// that owned the foreground has taken its deactivation messages.
void Program::Foreground(HWND window) {
    if (GetForegroundWindow() == window) {
        return;
    }
    SetForegroundWindow(window);
    // The window losing the foreground is told so by messages; when it is one of the driver's
    // own, they wait for this thread to take them.
    WaitUntil(
        [&] {
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                DispatchMessageW(&msg);
            }
            return GetForegroundWindow() == window;
        },
        who_ + " to take the foreground", 5000);
}

HWND Program::InputTarget() const {
    // The window a person would be typing into: the program's enabled window on top (a modal
    // dialog or message box above the disabled main window).
    HWND top = GetLastActivePopup(main_);
    return top && IsWindowEnabled(top) ? top : main_;
}

void Program::SendKeys(const std::vector<INPUT>& inputs) {
    CheckAlive();
    HWND foreground = GetForegroundWindow();
    DWORD pid = 0;
    GetWindowThreadProcessId(foreground, &pid);
    if (pid != pid_) {
        Foreground(InputTarget());
    }
    std::vector<INPUT> copy = inputs;
    SendInput(static_cast<UINT>(copy.size()), copy.data(), sizeof(INPUT));
    PumpFor(kPollMs);
}

void Program::Press(Chord chord) {
    std::vector<INPUT> inputs;
    if (chord.ctrl) {
        inputs.push_back(KeyInput(VK_CONTROL, false));
    }
    if (chord.alt) {
        inputs.push_back(KeyInput(VK_MENU, false));
    }
    inputs.push_back(KeyInput(chord.key, false));
    inputs.push_back(KeyInput(chord.key, true));
    if (chord.alt) {
        inputs.push_back(KeyInput(VK_MENU, true));
    }
    if (chord.ctrl) {
        inputs.push_back(KeyInput(VK_CONTROL, true));
    }
    SendKeys(inputs);
}

void Program::Type(const std::wstring& text) {
    std::vector<INPUT> inputs;
    for (wchar_t c : text) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wScan = c;
        input.ki.dwFlags = KEYEVENTF_UNICODE;
        inputs.push_back(input);
        input.ki.dwFlags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP;
        inputs.push_back(input);
    }
    SendKeys(inputs);
}

HWND Program::WaitMenuPopup() {
    // A dropped-down menu is a top-level window of the menu class.
    return WaitWindow(L"#32768", nullptr, 5000);
}

void Program::Menu(wchar_t title, wchar_t item) {
    Press(Chord{static_cast<WORD>(title), false, true});
    HWND popup = WaitMenuPopup();
    Press(static_cast<WORD>(item));
    WaitGone(popup, 5000);
}

void Program::MenuByPosition(wchar_t title, int downs) {
    Press(Chord{static_cast<WORD>(title), false, true});
    HWND popup = WaitMenuPopup();
    for (int k = 0; k < downs; ++k) {
        Press(VK_DOWN);
    }
    Press(VK_RETURN);
    WaitGone(popup, 5000);
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

void Program::ClickAt(HWND window, POINT client, bool twice) {
    POINT at = client;
    ClientToScreen(window, &at);
    // Absolute coordinates run from 0 to 65535 across the primary screen.
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    INPUT inputs[5] = {};
    for (INPUT& input : inputs) {
        input.type = INPUT_MOUSE;
        input.mi.dx = MulDiv(at.x, 65536, w) + 1;
        input.mi.dy = MulDiv(at.y, 65536, h) + 1;
        input.mi.dwFlags = MOUSEEVENTF_ABSOLUTE;
    }
    inputs[0].mi.dwFlags |= MOUSEEVENTF_MOVE;
    inputs[1].mi.dwFlags |= MOUSEEVENTF_LEFTDOWN;
    inputs[2].mi.dwFlags |= MOUSEEVENTF_LEFTUP;
    inputs[3].mi.dwFlags |= MOUSEEVENTF_LEFTDOWN;
    inputs[4].mi.dwFlags |= MOUSEEVENTF_LEFTUP;
    CheckAlive();
    SendInput(twice ? 5 : 3, inputs, sizeof(INPUT));
    PumpFor(kPollMs);
}

HWND Editor::WaitMessageBox(const wchar_t* caption, DWORD ms) const {
    return WaitDialog(caption, ms);
}

std::wstring Program::DialogText(HWND dialog) {
    std::wstring text;
    for (HWND child : Children(dialog)) {
        const LONG_PTR style = GetWindowLongPtrW(child, GWL_STYLE);
        const LONG_PTR kind = style & SS_TYPEMASK;
        if (GetParent(child) == dialog && ClassOf(child) == L"Static" && kind != SS_ICON &&
            kind != SS_BITMAP) {
            const std::wstring part = TextOf(child);
            if (!part.empty()) {
                text += text.empty() ? part : L"\n" + part;
            }
        }
    }
    return text;
}

HWND Program::Button(HWND dialog, const wchar_t* caption) const {
    for (HWND child : Children(dialog)) {
        if (ClassOf(child) == L"Button" && TextOf(child) == caption) {
            return child;
        }
    }
    Fail("no button \"" + Narrow(caption) + "\" in \"" + Narrow(TextOf(dialog)) + "\"");
}

void Program::Click(HWND dialog, int id) {
    HWND button = GetDlgItem(dialog, id);
    if (!button) {
        Fail("no button " + std::to_string(id) + " in \"" + Narrow(TextOf(dialog)) + "\"");
    }
    // Posted: the click may open a modal window of its own, whose loop must not wait for us.
    PostMessageW(button, BM_CLICK, 0, 0);
    PumpFor(kPollMs);
}

void Program::Click(HWND dialog, const wchar_t* caption) {
    PostMessageW(Button(dialog, caption), BM_CLICK, 0, 0);
    PumpFor(kPollMs);
}

void Program::ClickAndWait(HWND dialog, const wchar_t* caption, DWORD ms) {
    HWND button = Button(dialog, caption);
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(button, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, ms, &result)) {
        CheckAlive();
        Fail("the click on \"" + Narrow(TextOf(button)) + "\" did not finish");
    }
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
                        "(" + Narrow(TextOf(child)) + ")";
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
        while (TextOf(field) != path && GetTickCount() - start < 3000) {
            PumpFor(kPollMs);
        }
        if (TextOf(field) == path) {
            break;
        }
        if (attempt == 1) {
            Fail("the file name field reads \"" + Narrow(TextOf(field)) + "\" after typing \"" +
                 Narrow(path) + "\"");
        }
        std::printf("      the file name field read \"%s\": typing it again\n",
                    Narrow(TextOf(field)).c_str());
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
    HWND text1 = GetDlgItem(dialog, 3003), text2 = GetDlgItem(dialog, 3005);
    WaitUntil([&] { return TextOf(text1) == L"128"; }, "the New dialog's fields", 5000);
    Type(width); // the width's text is selected: typing replaces it
    WaitUntil([&] { return TextOf(text2) == TextOf(text1) && !TextOf(text1).empty(); },
              "the height to follow the width", 5000);
    if (!height.empty()) {
        Press(VK_TAB);
        Type(height);
        WaitUntil([&] { return TextOf(text2) == height; }, "the typed height", 5000);
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

Image Editor::CopyPicture(bool fromMenu) {
    // The copy is known to have happened when the clipboard's sequence number moves; keys
    // pressed before it (a paste, say) are handled first, as the program reads its input in
    // order.
    const DWORD before = GetClipboardSequenceNumber();
    fromMenu ? Menu(L'E', L'C') : Press(Chord{'C', true});
    WaitUntil(
        [&] {
            return GetClipboardSequenceNumber() != before &&
                   IsClipboardFormatAvailable(CF_DIB) != FALSE;
        },
        "the picture on the clipboard", 10000);
    Image image = ReadClipboardPicture();
    if (image.pixels.empty()) {
        Fail("the clipboard's picture cannot be read");
    }
    return image;
}

} // namespace e2e
