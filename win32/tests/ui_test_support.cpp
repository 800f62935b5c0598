#include "win32/tests/ui_test_support.h"

#include <gtest/gtest.h>
#include <shellapi.h>

#include <fstream>

#include "components/image_control.h"
#include "documents/frmDocument.h"
#include "shell/frmMain.h"
#include "shell/global.h"
#include "shell/settings_store.h"
#include "win32/message_loop.h"
#include "win32/registry.h"
#include "win32/strings.h"

namespace rw::test {

ScriptedUi::ScriptedUi() : previous_(win::SetUi(this)) {}

ScriptedUi::~ScriptedUi() {
    win::SetUi(previous_);
}

int ScriptedUi::ShowMessage(HWND, const std::wstring& text, const std::wstring& title, UINT type) {
    boxes.push_back({text, title, type});
    if (boxAnswers.empty()) {
        ADD_FAILURE() << "unexpected message box: " << win::Narrow(text);
        return IDCANCEL;
    }
    const int answer = boxAnswers.front();
    boxAnswers.pop_front();
    return answer;
}

std::wstring ScriptedUi::FileDialog(HWND, win::FileDialogRequest& request) {
    fileRequests.push_back(request);
    if (fileAnswers.empty()) {
        ADD_FAILURE() << "unexpected file dialog: " << win::Narrow(request.title);
        return {};
    }
    std::wstring answer = fileAnswers.front();
    fileAnswers.pop_front();
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

void Pump() {
    win::ProcessPendingMessages();
}

TempDir::TempDir() {
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    path_ = std::wstring(base) + L"rw test \u00e9\u0416 " + std::to_wstring(GetCurrentProcessId()) +
            L"-" + std::to_wstring(GetTickCount());
    CreateDirectoryW(path_.c_str(), nullptr);
}

TempDir::~TempDir() {
    // SHFileOperation wants a list ended by two NULs.
    std::wstring from = path_;
    from.append(2, L'\0');
    SHFILEOPSTRUCTW op{};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_NO_UI;
    SHFileOperationW(&op);
}

bool FileExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<unsigned char> ReadBytes(const std::wstring& path) {
    std::vector<unsigned char> bytes;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return bytes;
    }
    bytes.resize(GetFileSize(file, nullptr));
    DWORD read = 0;
    ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    CloseHandle(file);
    bytes.resize(read);
    return bytes;
}

void WriteBytes(const std::wstring& path, const std::vector<unsigned char>& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
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

void PaintPattern(ImageControl& control, int seed) {
    const Surface24 s = control.Surface();
    for (int32_t y = 0; y < s.height; ++y) {
        for (int32_t x = 0; x < s.width; ++x) {
            uint8_t* p = s.Pixel(x, y);
            p[0] = static_cast<uint8_t>(x * 3 + seed);
            p[1] = static_cast<uint8_t>(y * 5 + seed);
            p[2] = static_cast<uint8_t>(x + y + seed);
        }
    }
}

frmDocument& NewDocument(int32_t width, int32_t height) {
    frmDocument& document = Global::MainForm->NewDocumentWindow();
    Global::MakeBlankImage(document.Lumbra1, width, height);
    return document;
}

std::vector<uint8_t> Pixels(const ImageControl& control) {
    const Surface24 s = control.Surface();
    std::vector<uint8_t> out;
    for (int32_t y = 0; y < s.height; ++y) {
        out.insert(out.end(), s.Pixel(0, y), s.Pixel(0, y) + 3 * s.width);
    }
    return out;
}

} // namespace rw::test
