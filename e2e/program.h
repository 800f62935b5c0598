#pragma once
// A program of ours started by the driver and worked from outside, as a person at the keyboard
// and mouse works it: its process, its windows, keys and clicks, and waiting for what it shows.
// Nothing here links with the programs' code: each is a separate process found through its
// windows.
#include <windows.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "e2e/window_text.h"
#include "win32/scoped.h"

namespace e2e {

// How often a wait looks again.
constexpr DWORD kPollMs = 15;

// Where the program under test lives and where files checked after the run go; set by main().
struct Paths {
    std::wstring editor;
    std::wstring out;
};
Paths& Config();

// A unix path (as CMake knows it) in the form Windows programs under Wine take; other paths
// are returned unchanged.
std::wstring HostPath(const std::string& path);

// Waits `ms`, answering meanwhile what a program sends to the driver's own windows.
void PumpFor(DWORD ms);

// Any way a step can fail: the message names the step, so that the log says what the user had
// just done when the program died, hung or showed something else.
class StepFailure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The fixed virtual keys used to drive a program; letters are their upper-case characters.
struct Chord {
    WORD key;
    bool ctrl = false;
    bool alt = false;
};

class Program {
public:
    ~Program(); // ends the program if a test left it running
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Names what the user is doing now; failures, and the program's death, cite it.
    void Step(const std::string& name);
    const std::string& CurrentStep() const { return step_; }
    // Fails the test when the program has ended.
    void CheckAlive() const;
    bool Alive() const;
    // Waits for the program to end by itself; its exit code.
    DWORD WaitExit(DWORD ms = 15000);
    bool Ended() const { return ended_; }

    [[noreturn]] void Fail(const std::string& what) const;
    // The program's windows and where its input goes, for failure messages.
    std::string Screen() const;
    // Polls `done` until it holds, checking that the program lives meanwhile.
    void WaitUntil(const std::function<bool()>& done, const std::string& what,
                   DWORD ms = 15000) const;

    HWND Main() const { return main_; }
    DWORD ProcessId() const { return pid_; }

    // Visible top-level windows of the program of that class and caption (nullptr: any).
    std::vector<HWND> TopLevel(const wchar_t* cls, const wchar_t* caption) const;
    HWND WaitWindow(const wchar_t* cls, const wchar_t* caption, DWORD ms = 15000) const;
    void WaitGone(HWND window, DWORD ms = 15000) const;
    // Dialog-manager windows (message boxes, the program's dialogs, file dialogs) by caption.
    HWND WaitDialog(const wchar_t* caption, DWORD ms = 15000) const {
        return WaitWindow(kDialogClass, caption, ms);
    }
    HWND FindDialog(const wchar_t* caption) const;
    // A dialog of that caption owned by `owner` (a question a common dialog asks, for one).
    HWND WaitOwnedDialog(HWND owner, const wchar_t* caption, DWORD ms = 15000) const;

    // Keyboard: a chord goes to whichever window of the program has the keyboard focus.
    void Press(Chord chord);
    void Press(WORD key) { Press(Chord{key}); }
    void Type(const std::wstring& text);
    // Opens the menu title with Alt+`title` and picks the item by its access key.
    void Menu(wchar_t title, wchar_t item);
    // Items without an access key: the item `downs` places below the first one, then Enter.
    void MenuByPosition(wchar_t title, int downs);
    // Down a path of submenus: at each level the item that many places below the first, opened
    // with the right arrow, and at the last level chosen with Enter.
    void MenuPath(wchar_t title, const std::vector<int>& downs);
    // A left click (or double click) of the mouse at a point of a window's client area.
    void ClickAt(HWND window, POINT client, bool twice = false);
    // Holds the left button down at `from` and lets go at `to` (screen points), moving in steps
    // between: a window dragged by its caption.
    void Drag(POINT from, POINT to);

    // Presses a dialog's button (by control id or caption) as a click does.
    void Click(HWND dialog, int id);
    void Click(HWND dialog, const wchar_t* caption);
    // A click whose handler runs to its end before this returns (a render, for instance).
    void ClickAndWait(HWND dialog, const wchar_t* caption, DWORD ms = 60000);
    HWND Button(HWND dialog, const wchar_t* caption) const;

protected:
    // `who` names the program in failures ("the editor").
    explicit Program(std::string who) : who_(std::move(who)) {}
    // Starts `exe` with `arguments` in `folder` and waits for its main window (unless
    // `mainClass` is null: a program that may be gone before anyone sees it).
    void Start(const std::wstring& exe, const std::wstring& arguments, const std::wstring& folder,
               const wchar_t* mainClass, const wchar_t* mainCaption);
    void Foreground(HWND window);

    HWND main_ = nullptr;

private:
    void End(); // ends the program if it still runs
    HWND InputTarget() const;
    // Whether input sent now reaches the window on top; `target` is the foreground window.
    bool InputSettled(HWND& target) const;
    // Waits until the program is ready for what a person does next (see its definition).
    void AwaitInput();
    // Returns once the thread of `window` has taken what was sent to it before.
    void Synchronize(HWND window) const;
    void HoldModifiers(const std::vector<WORD>& modifiers);
    void SendKeys(const std::vector<INPUT>& inputs);
    HWND WaitMenuPopup();

    std::string who_;
    std::string step_ = "starting the program";
    rw::win::ScopedHandle process_;
    rw::win::ScopedHandle thread_;
    DWORD pid_ = 0;
    DWORD started_ = 0;
    bool ended_ = false; // the scenario ended the program on purpose
};

} // namespace e2e
