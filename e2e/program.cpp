#include "e2e/program.h"

#include <algorithm>
#include <cstdio>

#include "win32/process.h"

namespace e2e {
namespace {

INPUT KeyInput(WORD key, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return input;
}

} // namespace

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
    std::wstring wide = rw::win::Widen(path);
    if (!wide.empty() && wide[0] == L'/') {
        // Wine's drive Z: is the host's root folder.
        std::replace(wide.begin(), wide.end(), L'/', L'\\');
        wide = L"Z:" + wide;
    }
    return wide;
}

void Program::Start(const std::wstring& exe, const std::wstring& arguments,
                    const std::wstring& folder, const wchar_t* mainClass,
                    const wchar_t* mainCaption) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    std::wstring commandLine = L"\"" + exe + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
    PROCESS_INFORMATION process{};
    if (!rw::win::StartProcess(exe.c_str(), commandLine, folder.c_str(), startup, process)) {
        throw StepFailure("cannot start " + Narrow(exe) + " (error " +
                          std::to_string(GetLastError()) + ")");
    }
    process_.Reset(process.hProcess);
    thread_.Reset(process.hThread);
    pid_ = process.dwProcessId;
    started_ = GetTickCount();
    try {
        AllowSetForegroundWindow(pid_);
        WaitForInputIdle(process_.Get(), 15000);
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
    if (process_) {
        if (Alive()) {
            ::TerminateProcess(process_.Get(), 0);
            ::WaitForSingleObject(process_.Get(), 5000);
        }
        process_.Reset();
        thread_.Reset();
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
    return WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT;
}

void Program::CheckAlive() const {
    if (!Alive()) {
        DWORD code = 0;
        GetExitCodeProcess(process_.Get(), &code);
        char hex[16];
        std::snprintf(hex, sizeof hex, "0x%08lX", static_cast<unsigned long>(code));
        throw StepFailure(who_ + " ended (exit code " + std::string(hex) + ") at step \"" + step_ +
                          "\"");
    }
}

DWORD Program::WaitExit(DWORD ms) {
    if (WaitForSingleObject(process_.Get(), ms) != WAIT_OBJECT_0) {
        Fail(who_ + " did not end");
    }
    ended_ = true;
    DWORD code = 0;
    GetExitCodeProcess(process_.Get(), &code);
    return code;
}

void Program::Fail(const std::string& what) const {
    throw StepFailure(what + " (step \"" + step_ + "\"; " + Screen() + ")");
}

std::string Program::Screen() const {
    std::string text = "on screen:";
    for (HWND window : TopLevel(nullptr, nullptr)) {
        text += " " + Narrow(ClassOf(window)) + " \"" + Narrow(WindowText(window)) + "\"" +
                (IsWindowEnabled(window) ? "" : " (disabled)") + ",";
    }
    GUITHREADINFO input{};
    input.cbSize = sizeof input;
    if (main_ && GetGUIThreadInfo(GetWindowThreadProcessId(main_, nullptr), &input)) {
        const auto name = [](HWND window) {
            return window ? Narrow(ClassOf(window)) + " \"" + Narrow(WindowText(window)) + "\"" +
                                (IsWindowVisible(window) ? "" : " (hidden)")
                          : std::string("none");
        };
        text += " foreground " + name(GetForegroundWindow()) + ", active " +
                name(input.hwndActive) + ", focus " + name(input.hwndFocus) + ", capture " +
                name(input.hwndCapture) + ((input.flags & GUI_INMENUMODE) ? ", in a menu" : "");
    }
    return text;
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
    if (s.caption && WindowText(window) != s.caption) {
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
    const std::vector<HWND> list = TopLevel(kDialogClass, caption);
    return list.empty() ? nullptr : list.front();
}

HWND Program::WaitOwnedDialog(HWND owner, const wchar_t* caption, DWORD ms) const {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (HWND window : TopLevel(kDialogClass, caption)) {
                if (GetWindow(window, GW_OWNER) == owner) {
                    found = window;
                }
            }
            return found != nullptr;
        },
        "a dialog \"" + Narrow(caption) + "\" over \"" + Narrow(WindowText(owner)) + "\"", ms);
    return found;
}

void Program::WaitGone(HWND window, DWORD ms) const {
    WaitUntil([&] { return !IsWindow(window) || !IsWindowVisible(window); },
              "window \"" + Narrow(WindowText(window)) + "\" to go", ms);
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

// Input goes where the system routes it the moment it arrives: to the focus window of the
// foreground thread, or, for the mouse, to a window holding the capture. Right after a window of
// the program opens or closes, two things are not yet settled. The program activates the next
// window only after hiding the last one, so for a moment the focus and the capture still name
// the window that is going. And under Wine the window system's own events for those changes
// (focus, mapping, the keyboard state, the pointer entering a window) reach the program later,
// and act when it takes them: one resets the modifier keys to the window system's, which never
// saw the driver's, and one moves the activation behind an open menu, which closes it. Input
// sent before the program has taken them is lost, while a person's input, which travels in the
// same stream as those events, never is. So the driver waits as a person looks: for the window
// on top to be active with the focus inside it, then for the program to have taken what the
// window system sent it.
bool Program::InputSettled(HWND& target) const {
    target = GetForegroundWindow();
    DWORD pid = 0;
    const DWORD thread = GetWindowThreadProcessId(target, &pid);
    GUITHREADINFO input{};
    input.cbSize = sizeof input;
    if (pid != pid_ || !IsWindowVisible(target) || !GetGUIThreadInfo(thread, &input)) {
        return false;
    }
    if (input.flags & GUI_INMENUMODE) {
        return true; // a menu takes the keys while it is open, with the capture
    }
    const bool focusInside =
        !input.hwndFocus || (IsWindowVisible(input.hwndFocus) &&
                             (input.hwndFocus == target || IsChild(target, input.hwndFocus)));
    return input.hwndActive == target && focusInside && !input.hwndCapture;
}

void Program::AwaitInput() {
    CheckAlive();
    DWORD pid = 0;
    GetWindowThreadProcessId(GetForegroundWindow(), &pid);
    if (pid != pid_) {
        Foreground(InputTarget());
    }
    HWND target = nullptr;
    WaitUntil([&] { return InputSettled(target); }, who_ + " to take input", 5000);
    // The events of the last change are on their way while the program takes the first round
    // trip; the second one finds them arrived.
    Synchronize(target);
    PumpFor(2 * kPollMs);
    Synchronize(target);
}

void Program::Synchronize(HWND window) const {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &result);
}

void Program::SendKeys(const std::vector<INPUT>& inputs) {
    AwaitInput();
    std::vector<INPUT> copy = inputs;
    SendInput(static_cast<UINT>(copy.size()), copy.data(), sizeof(INPUT));
    PumpFor(kPollMs);
}

void Program::Press(Chord chord) {
    std::vector<WORD> modifiers;
    if (chord.ctrl) {
        modifiers.push_back(VK_CONTROL);
    }
    if (chord.alt) {
        modifiers.push_back(VK_MENU);
    }
    AwaitInput();
    HoldModifiers(modifiers);
    std::vector<INPUT> inputs{KeyInput(chord.key, false), KeyInput(chord.key, true)};
    for (auto k = modifiers.rbegin(); k != modifiers.rend(); ++k) {
        inputs.push_back(KeyInput(*k, true));
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    PumpFor(kPollMs);
}

// Should an event of the window system that was still on its way release a modifier behind the
// driver's back (see AwaitInput), it is pressed again before the key goes.
void Program::HoldModifiers(const std::vector<WORD>& modifiers) {
    const auto held = [](WORD key) { return (GetAsyncKeyState(key) & 0x8000) != 0; };
    for (int attempt = 0; attempt < 5; ++attempt) {
        std::vector<INPUT> downs;
        for (WORD key : modifiers) {
            if (!held(key)) {
                downs.push_back(KeyInput(key, false));
            }
        }
        if (downs.empty()) {
            return;
        }
        SendInput(static_cast<UINT>(downs.size()), downs.data(), sizeof(INPUT));
        HWND target = nullptr;
        InputSettled(target);
        Synchronize(target ? target : main_);
        PumpFor(kPollMs);
    }
    Fail("the modifier keys would not stay down");
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
    return WaitWindow(kMenuClass, nullptr, 5000);
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

namespace {

// Absolute coordinates run from 0 to 65535 across the primary screen.
INPUT MouseInput(POINT at, DWORD flags) {
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = MulDiv(at.x, 65536, w) + 1;
    input.mi.dy = MulDiv(at.y, 65536, h) + 1;
    input.mi.dwFlags = MOUSEEVENTF_ABSOLUTE | flags;
    return input;
}

} // namespace

void Program::MenuPath(wchar_t title, const std::vector<int>& downs) {
    Press(Chord{static_cast<WORD>(title), false, true});
    WaitMenuPopup();
    for (size_t level = 0; level < downs.size(); ++level) {
        for (int k = 0; k < downs[level]; ++k) {
            Press(VK_DOWN);
        }
        if (level + 1 == downs.size()) {
            break;
        }
        // A submenu opens as one more menu window, its first item highlighted.
        const size_t open = TopLevel(kMenuClass, nullptr).size();
        Press(VK_RIGHT);
        WaitUntil([&] { return TopLevel(kMenuClass, nullptr).size() > open; }, "the submenu", 5000);
    }
    Press(VK_RETURN);
    WaitUntil([&] { return TopLevel(kMenuClass, nullptr).empty(); }, "the menus to close", 5000);
}

void Program::ClickAt(HWND window, POINT client, bool twice) {
    POINT at = client;
    ClientToScreen(window, &at);
    INPUT inputs[5] = {MouseInput(at, MOUSEEVENTF_MOVE), MouseInput(at, MOUSEEVENTF_LEFTDOWN),
                       MouseInput(at, MOUSEEVENTF_LEFTUP), MouseInput(at, MOUSEEVENTF_LEFTDOWN),
                       MouseInput(at, MOUSEEVENTF_LEFTUP)};
    AwaitInput();
    SendInput(twice ? 5 : 3, inputs, sizeof(INPUT));
    PumpFor(kPollMs);
}

void Program::Drag(POINT from, POINT to) {
    AwaitInput();
    HWND target = GetForegroundWindow();
    // Each step is taken before the next goes: the window follows the pointer in a loop of its
    // own, which starts only once the button is down.
    const auto send = [&](POINT at, DWORD flags) {
        INPUT input = MouseInput(at, flags);
        SendInput(1, &input, sizeof(INPUT));
        PumpFor(kPollMs);
        Synchronize(target);
    };
    send(from, MOUSEEVENTF_MOVE);
    send(from, MOUSEEVENTF_LEFTDOWN);
    constexpr int kSteps = 8;
    for (int k = 1; k <= kSteps; ++k) {
        send(POINT{from.x + (to.x - from.x) * k / kSteps, from.y + (to.y - from.y) * k / kSteps},
             MOUSEEVENTF_MOVE);
    }
    send(to, MOUSEEVENTF_LEFTUP);
}

HWND Program::Button(HWND dialog, const wchar_t* caption) const {
    for (HWND child : Children(dialog)) {
        if (ClassOf(child) == L"Button" && WindowText(child) == caption) {
            return child;
        }
    }
    Fail("no button \"" + Narrow(caption) + "\" in \"" + Narrow(WindowText(dialog)) + "\"");
}

void Program::Click(HWND dialog, int id) {
    HWND button = GetDlgItem(dialog, id);
    if (!button) {
        Fail("no button " + std::to_string(id) + " in \"" + Narrow(WindowText(dialog)) + "\"");
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
        Fail("the click on \"" + Narrow(WindowText(button)) + "\" did not finish");
    }
}

} // namespace e2e
