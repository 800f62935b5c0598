#pragma once
// Drives the shipped programs from outside, as a person at the keyboard and mouse does, and
// reads back what such a person sees. Nothing here links with the editor's code: each program is
// a separate process found through its windows.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace e2e {

// Where the program under test lives and where files checked after the run go; set by main().
struct Paths {
    std::wstring editor;
    std::wstring out;
};
Paths& Config();

// A unix path (as CMake knows it) in the form Windows programs under Wine take; other paths
// are returned unchanged.
std::wstring HostPath(const std::string& path);

std::string Narrow(const std::wstring& text);

// A window's text, also of a window of another process (a control in the program's dialog).
std::wstring TextOf(HWND window);

// Waits `ms`, answering meanwhile what a program sends to the driver's own windows.
void PumpFor(DWORD ms);

// Any way a step can fail: the message names the step, so that the log says what the user had
// just done when the editor died, hung or showed something else.
class StepFailure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels; // 0xRRGGBB, row 0 at the top

    uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
    bool operator==(const Image&) const = default;
    // Whether column x holds the same pixels in both images.
    bool SameColumn(const Image& other, int x) const;
    bool IsUniform() const;
};

// A 24-bit BMP written by the driver: files for the editor to open whose pixels are known.
void WriteBmp(const std::wstring& path, const Image& image);
// A binary PPM, which ImageMagick compares with what the editor saved after the Wine run.
void WritePpm(const std::wstring& path, const Image& image);
Image Gradient(int width, int height, int seed);

// Memory in another process, for the common controls' messages that pass pointers: the
// system carries only its own window messages' pointers from process to process.
class RemoteBuffer {
public:
    RemoteBuffer(DWORD pid, size_t size) : size_(size) {
        process_ =
            OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
        if (process_) {
            address_ =
                VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
        }
    }
    ~RemoteBuffer() {
        if (address_) {
            VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
        }
        if (process_) {
            CloseHandle(process_);
        }
    }
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;

    bool Ok() const { return address_ != nullptr; }
    LPARAM Address() const { return reinterpret_cast<LPARAM>(address_); }
    bool Write(const void* data, size_t size) const {
        SIZE_T put = 0;
        return WriteProcessMemory(process_, address_, data, std::min(size, size_), &put) != FALSE;
    }
    std::vector<uint8_t> Read() const {
        std::vector<uint8_t> bytes(size_);
        SIZE_T got = 0;
        if (!ReadProcessMemory(process_, address_, bytes.data(), size_, &got)) {
            got = 0;
        }
        bytes.resize(got);
        return bytes;
    }

private:
    HANDLE process_ = nullptr;
    void* address_ = nullptr;
    size_t size_;
};

// The fixed virtual keys used to drive the editor; letters are their upper-case characters.
struct Chord {
    WORD key;
    bool ctrl = false;
    bool alt = false;
};

// A program of ours started by the driver and worked from outside: its process, its windows,
// and the keyboard and mouse of a person in front of it.
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
        return WaitWindow(L"#32770", caption, ms);
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
    // A left click (or double click) of the mouse at a point of a window's client area.
    void ClickAt(HWND window, POINT client, bool twice = false);

    static std::wstring DialogText(HWND dialog); // the static texts of a dialog, joined
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
    void SendKeys(const std::vector<INPUT>& inputs);
    HWND WaitMenuPopup();

    std::string who_;
    std::string step_ = "starting the program";
    PROCESS_INFORMATION process_{};
    DWORD pid_ = 0;
    DWORD started_ = 0;
    bool ended_ = false; // the scenario ended the program on purpose
};

// The shipped editor.
class Editor : public Program {
public:
    // Starts the program with a per-user settings state of its own whose Open and Save folders
    // are `folder`, and waits for its main window.
    explicit Editor(const std::wstring& folder);

    HWND MdiClient() const;
    HWND StatusBar() const;
    HWND Toolbar() const;

    std::vector<HWND> Documents() const; // the MDI children, top of the z-order first
    HWND ActiveDocument() const;
    std::wstring StatusText(int panel) const;

    // A left click on the toolbar's button number `index` (0: New, 1: Open, 2: Save).
    void ClickToolbar(int index);

    // Message boxes: the editor's own carry the application's title.
    HWND WaitMessageBox(const wchar_t* caption = L"Ridgewright", DWORD ms = 15000) const;

    // A common file dialog of that title: types `path` into its file name field and presses
    // its Open or Save button.
    void ChooseFile(const wchar_t* title, const std::wstring& path);
    void CancelFileDialog(const wchar_t* title);

    // File New answered with the given size; the new document window.
    HWND NewDocument(const std::wstring& width, const std::wstring& height = L"");
    // Edit Copy (Ctrl+C, or the menu) on the active document, then the picture as the
    // clipboard holds it.
    Image CopyPicture(bool fromMenu = false);
};

// The clipboard's CF_DIB as pixels; an empty image when it holds none.
Image ReadClipboardPicture();

} // namespace e2e
