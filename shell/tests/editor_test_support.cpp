#include "shell/tests/editor_test_support.h"

#include <gtest/gtest.h>
#include <shellapi.h>

#include <fstream>

#include "components/image_control.h"
#include "documents/frmDocument.h"
#include "shell/frmMain.h"
#include "shell/global.h"
#include "program/settings_store.h"
#include "win32/message_loop.h"
#include "win32/registry.h"
#include "win32/strings.h"

namespace rw::test {

ScriptedUi::ScriptedUi() : previous_(SetUi(this)) {}

ScriptedUi::~ScriptedUi() {
    SetUi(previous_);
}

int ScriptedUi::ShowMessage(HWND owner, const std::wstring& text, const std::wstring& title,
                            UINT type) {
    boxes.push_back({text, title, type, owner});
    if (whenAsked) {
        whenAsked(boxes.back());
    }
    if (boxAnswers.empty()) {
        ADD_FAILURE() << "unexpected message box: " << win::Narrow(text);
        return IDCANCEL;
    }
    const int answer = boxAnswers.front();
    boxAnswers.pop_front();
    return answer;
}

std::wstring ScriptedUi::FileDialog(HWND, FileDialogRequest& request) {
    fileRequests.push_back(request);
    if (fileAnswers.empty()) {
        ADD_FAILURE() << "unexpected file dialog: " << win::Narrow(request.title);
        return {};
    }
    std::wstring answer = fileAnswers.front();
    fileAnswers.pop_front();
    return answer;
}

std::wstring ScriptedUi::ChooseFolder(HWND, const std::wstring& title, const std::wstring&) {
    if (folderAnswers.empty()) {
        ADD_FAILURE() << "unexpected folder picker: " << win::Narrow(title);
        return {};
    }
    std::wstring answer = folderAnswers.front();
    folderAnswers.pop_front();
    return answer;
}

namespace {

std::deque<std::function<void()>> pendingActions;
UINT_PTR actionTimer = 0;

void CALLBACK RunPendingAction(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    actionTimer = 0;
    if (pendingActions.empty()) {
        return;
    }
    std::function<void()> action = std::move(pendingActions.front());
    pendingActions.pop_front();
    if (!pendingActions.empty()) {
        actionTimer = SetTimer(nullptr, 0, 1, RunPendingAction);
    }
    action();
}

// Actions a failed test left behind must not run in (or block) the next one.
void DropPendingActions() {
    pendingActions.clear();
    if (actionTimer) {
        KillTimer(nullptr, actionTimer);
        actionTimer = 0;
    }
}

} // namespace

void WhileModal(std::function<void()> action) {
    const bool first = pendingActions.empty();
    pendingActions.push_back(std::move(action));
    if (first) {
        actionTimer = SetTimer(nullptr, 0, 1, RunPendingAction);
    }
}

std::wstring RunningEditor::SettingsName() {
    return L"RidgewrightTest" + std::to_wstring(GetCurrentProcessId());
}

RunningEditor::RunningEditor() {
    SetSettingsApplication(SettingsName());
    Global::StartUp();
}

RunningEditor::~RunningEditor() {
    DropPendingActions();
    if (Global::MainForm && Global::MainForm->hwnd()) {
        Global::End();
    }
    delete Global::MainForm;
    Global::MainForm = nullptr;
    // Drop the quit message End posted, and anything else left for the next test.
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
}

void RunningEditor::ForgetSettings() {
    win::DeleteRegistryTree(HKEY_CURRENT_USER,
                            L"Software\\VB and VBA Program Settings\\" + SettingsName());
}

frmMain& Main() {
    return *Global::MainForm;
}

frmDocument& NewDocument(int32_t width, int32_t height) {
    frmDocument& document = Global::MainForm->NewDocumentWindow();
    Global::MakeBlankImage(document.Lumbra1, width, height);
    return document;
}

std::wstring BuiltFile(const std::wstring& name) {
    wchar_t exe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring path(exe);
    path.erase(path.find_last_of(L'\\') + 1);
    return path + name;
}

bool RegisterPlugInControl(bool registered) {
    const HMODULE module = LoadLibraryExW(BuiltFile(L"lumbraplug.ocx").c_str(), nullptr,
                                          LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!module) {
        return false;
    }
    const auto entry = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(reinterpret_cast<void*>(
        GetProcAddress(module, registered ? "DllRegisterServer" : "DllUnregisterServer")));
    const bool ok = entry && SUCCEEDED(entry());
    FreeLibrary(module);
    return ok;
}

} // namespace rw::test
