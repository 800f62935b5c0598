#pragma once
// What the editor's tests share: scripted answers to message boxes and file dialogs, actions run
// from inside a modal loop, and the started editor.
#include <windows.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "components/tests/image_test_support.h"
#include "win32/ui_seam.h"
#include "win32/tests/test_files.h"

class frmDocument;
class frmMain;

namespace rw::test {

// Answers message boxes, file dialogs and the folder picker from queues and records what was asked.
// A question with no answer queued fails the test and is answered with Cancel or an empty name.
class ScriptedUi : public UiSeam {
public:
    struct Box {
        std::wstring text;
        std::wstring title;
        UINT type;
        HWND owner;
    };

    ScriptedUi();
    ~ScriptedUi() override;
    ScriptedUi(const ScriptedUi&) = delete;
    ScriptedUi& operator=(const ScriptedUi&) = delete;

    int ShowMessage(HWND owner, const std::wstring& text, const std::wstring& title,
                    UINT type) override;
    std::wstring FileDialog(HWND owner, FileDialogRequest& request) override;
    std::wstring ChooseFolder(HWND owner, const std::wstring& title,
                              const std::wstring& initialFolder) override;

    std::deque<int> boxAnswers;
    std::deque<std::wstring> fileAnswers;
    std::deque<std::wstring> folderAnswers;
    std::vector<Box> boxes;
    // Called as each message box is asked, before it is answered.
    std::function<void(const Box&)> whenAsked;
    std::vector<FileDialogRequest> fileRequests;

private:
    UiSeam* previous_;
};

// Runs `action` from inside whatever message loop runs next (typically a modal dialog's), so a
// test can press its buttons. Actions run in the order given, each after the loop started.
void WhileModal(std::function<void()> action);

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

// A file that the build put beside the test program (the control, the fixture plug-ins).
std::wstring BuiltFile(const std::wstring& name);
// Registers (or unregisters) the lumbraplug.ocx built beside the test program, as regsvr32 does.
bool RegisterPlugInControl(bool registered);

} // namespace rw::test
