#pragma once
// What the Windows tests share: scripted answers to message boxes and file dialogs, actions run
// from inside a modal loop, temporary folders, and the started editor.
#include <windows.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "win32/ui_seam.h"

class frmDocument;
class frmMain;
namespace rw {
class ImageControl;
}

namespace rw::test {

// Answers message boxes and file dialogs from queues and records what was asked. A question
// with no answer queued fails the test and is answered with Cancel or an empty name.
class ScriptedUi : public win::UiSeam {
public:
    struct Box {
        std::wstring text;
        std::wstring title;
        UINT type;
    };

    ScriptedUi();
    ~ScriptedUi() override;
    ScriptedUi(const ScriptedUi&) = delete;
    ScriptedUi& operator=(const ScriptedUi&) = delete;

    int ShowMessage(HWND owner, const std::wstring& text, const std::wstring& title,
                   UINT type) override;
    std::wstring FileDialog(HWND owner, win::FileDialogRequest& request) override;

    std::deque<int> boxAnswers;
    std::deque<std::wstring> fileAnswers;
    std::vector<Box> boxes;
    std::vector<win::FileDialogRequest> fileRequests;

private:
    win::UiSeam* previous_;
};

// Runs `action` from inside whatever message loop runs next (typically a modal dialog's), so a
// test can press its buttons. Actions run in the order given, each after the loop started.
void WhileModal(std::function<void()> action);

// Processes pending messages until none are left.
void Pump();

// A fresh folder under the temporary directory, with a non-ASCII name; removed afterwards.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::wstring& Path() const { return path_; }
    std::wstring File(const std::wstring& name) const { return path_ + L"\\" + name; }

private:
    std::wstring path_;
};

bool FileExists(const std::wstring& path);
std::vector<unsigned char> ReadBytes(const std::wstring& path);
void WriteBytes(const std::wstring& path, const std::vector<unsigned char>& bytes);

// Starts the editor as Main does (without the message loop), its settings kept under a name of
// the test process's own (removed when the process's tests are done); ends it on destruction.
class RunningEditor {
public:
    RunningEditor();
    ~RunningEditor();
    RunningEditor(const RunningEditor&) = delete;
    RunningEditor& operator=(const RunningEditor&) = delete;

    static std::wstring SettingsName();
    static void ForgetSettings();
};

// The running editor's main window.
frmMain& Main();

// A new document window of the running editor holding a blank image of the size.
frmDocument& NewDocument(int32_t width, int32_t height);

// Fills the image with a pattern that differs in every channel from pixel to pixel, so that
// swapped channels, rows or columns show; `seed` makes patterns of different images differ.
void PaintPattern(ImageControl& control, int seed);

// Every byte of the control's image, row after row (without the rows' padding).
std::vector<uint8_t> Pixels(const ImageControl& control);

} // namespace rw::test
