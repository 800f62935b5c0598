#include "e2e/plugin_fixtures.h"

#include <cstring>

#include "win32/process.h"

namespace e2e {

std::wstring BuildFolder() {
    const std::wstring& editor = Config().editor;
    return editor.substr(0, editor.find_last_of(L'\\') + 1);
}

void RunRegsvr32(const std::wstring& module, bool unregister) {
    std::wstring command =
        std::wstring(L"regsvr32.exe /s ") + (unregister ? L"/u " : L"") + L"\"" + module + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!rw::win::StartProcess(nullptr, command, nullptr, startup, process)) {
        throw StepFailure("cannot start regsvr32 (error " + std::to_string(GetLastError()) + ")");
    }
    const rw::win::ScopedHandle running(process.hProcess), thread(process.hThread);
    WaitForSingleObject(running.Get(), 60000);
    DWORD code = 1;
    GetExitCodeProcess(running.Get(), &code);
    if (code != 0) {
        throw StepFailure("regsvr32 " + Narrow(command) + " exited with " + std::to_string(code));
    }
}

void RegisterPlugInControl(bool registered) {
    RunRegsvr32(BuildFolder() + L"lumbraplug.ocx", !registered);
}

std::wstring CopyFixtures(const std::wstring& folder, const std::vector<std::wstring>& files) {
    CreateDirectoryW(folder.c_str(), nullptr);
    for (const std::wstring& file : files) {
        if (!CopyFileW((BuildFolder() + L"plugins\\" + file).c_str(),
                       (folder + L"\\" + file).c_str(), FALSE)) {
            throw StepFailure("cannot copy the fixture " + Narrow(file));
        }
    }
    return folder;
}

Tree::Tree(Program& program, HWND dialog)
    : program_(program), window_(GetDlgItem(dialog, kPlugInTree)),
      buffer_(program.ProcessId(), sizeof(TVITEMW) + 260 * sizeof(wchar_t)) {
    if (!window_ || !buffer_.Ok()) {
        program_.Fail("the dialog has no tree view to read");
    }
}

HTREEITEM Tree::Next(HTREEITEM item, UINT relation) const {
    return reinterpret_cast<HTREEITEM>(
        SendMessageW(window_, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(item)));
}

int Tree::Count() const {
    return static_cast<int>(SendMessageW(window_, TVM_GETCOUNT, 0, 0));
}

bool Tree::Expanded(HTREEITEM item) const {
    return (SendMessageW(window_, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item), TVIS_EXPANDED) &
            TVIS_EXPANDED) != 0;
}

Tree::Item Tree::Read(HTREEITEM handle) const {
    TVITEMW item{};
    item.mask =
        TVIF_HANDLE | TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN;
    item.hItem = handle;
    item.pszText = reinterpret_cast<wchar_t*>(buffer_.Address() + sizeof(TVITEMW));
    item.cchTextMax = 260;
    std::vector<uint8_t> bytes(sizeof(TVITEMW) + 260 * sizeof(wchar_t), 0);
    std::memcpy(bytes.data(), &item, sizeof item);
    if (!buffer_.Write(bytes.data(), bytes.size()) ||
        !SendMessageW(window_, TVM_GETITEMW, 0, buffer_.Address())) {
        program_.Fail("cannot read a tree item");
    }
    bytes = buffer_.Read();
    std::memcpy(&item, bytes.data(), sizeof item);
    Item read;
    read.handle = handle;
    read.value = item.lParam;
    read.image = item.iImage;
    read.selectedImage = item.iSelectedImage;
    read.children = item.cChildren;
    const auto* text = reinterpret_cast<const wchar_t*>(bytes.data() + sizeof(TVITEMW));
    read.text.assign(text, wcsnlen(text, 259));
    return read;
}

std::vector<Tree::Item> Tree::Level(HTREEITEM first) const {
    std::vector<Item> items;
    for (HTREEITEM item = first; item; item = Next(item, TVGN_NEXT)) {
        items.push_back(Read(item));
    }
    return items;
}

POINT Tree::Centre(HTREEITEM item) const {
    RECT r{};
    std::memcpy(&r, &item, sizeof item); // the item goes in, its rectangle comes out
    if (!buffer_.Write(&r, sizeof r) ||
        !SendMessageW(window_, TVM_GETITEMRECT, TRUE, buffer_.Address())) {
        program_.Fail("the tree item is not visible");
    }
    const std::vector<uint8_t> bytes = buffer_.Read();
    std::memcpy(&r, bytes.data(), sizeof r);
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

void Tree::Click(HTREEITEM item) {
    program_.ClickAt(window_, Centre(item));
    program_.WaitUntil([&] { return Caret() == item; }, "the clicked item to be highlighted", 5000);
}

} // namespace e2e
