// The PlugIn control's two dialogs, opened by a client program and worked from outside with the
// mouse and keyboard: Select Plug-In over a catalogue of real plug-in files read by the real
// lumbra32, and the control's About box; and what the library asks and says through the control:
// whether to stop a plug-in that hangs, and why a plug-in file cannot be opened.
#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <iostream>
#include <string>
#include <utility>
#include <vector>

#include "e2e/plugin_fixtures.h"
#include "e2e/scenario.h"

namespace e2e {
namespace {

constexpr int kAboutButton = 203;
constexpr int kTitleLabel = 204;
constexpr int kFileNameLabel = 205;
constexpr int kCategoryLabel = 206;
constexpr int kFileVersionLabel = 207;
constexpr int kDescriptionLabel = 208;
constexpr int kCopyrightLabel = 209;
// The library's question about a plug-in that seems to hang.
constexpr wchar_t kHungCaption[] = L"Plug-in not responding";

std::wstring Label(HWND dialog, int id) {
    return WindowText(GetDlgItem(dialog, id));
}

// A version resource string of a module file, read the way any program reads it.
std::wstring VersionString(const std::wstring& file, const wchar_t* key) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(file.c_str(), &ignored);
    std::vector<BYTE> block(size);
    if (!size || !GetFileVersionInfoW(file.c_str(), 0, size, block.data())) {
        return L"(no version resource)";
    }
    struct Translation {
        WORD language, codePage;
    }* translation = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation",
                        reinterpret_cast<void**>(&translation), &length) ||
        length < sizeof(Translation)) {
        return L"(no translation)";
    }
    wchar_t query[96];
    std::swprintf(query, 96, L"\\StringFileInfo\\%04x%04x\\%ls", translation->language,
                  translation->codePage, key);
    wchar_t* value = nullptr;
    if (!VerQueryValueW(block.data(), query, reinterpret_cast<void**>(&value), &length)) {
        return L"(no " + std::wstring(key) + L")";
    }
    return value;
}

// The client program: one call of the control per run, its answer written to a file.
class PlugInClient : public Program {
public:
    // `waitForWindow` false: the call may fail, and the client end, before its window is seen.
    PlugInClient(const std::wstring& folder, const std::wstring& arguments,
                 bool waitForWindow = true)
        : Program("the plug-in client"), result_(folder + L"\\client-result.txt") {
        DeleteFileW(result_.c_str());
        Start(BuildFolder() + L"rw_plugin_client.exe", arguments + L" \"" + result_ + L"\"", folder,
              waitForWindow ? L"RidgewrightPlugInClient" : nullptr, L"Plug-In Client");
    }
    // Waits for the call to come back and the client to end; the line it wrote.
    std::string Result() {
        const DWORD code = WaitExit();
        std::ifstream in(Narrow(result_).c_str());
        std::string line;
        std::getline(in, line);
        if (code != 0) {
            Fail("the client ended with code " + std::to_string(code) + " (\"" + line + "\")");
        }
        return line;
    }
    // A dialog of the control, owned by the client's window as the window active when the
    // member was called.
    HWND WaitControlDialog(const wchar_t* caption) { return WaitOwnedDialog(Main(), caption); }

private:
    std::wstring result_;
};

class PlugInDialogs : public Workspace {
protected:
    void SetUp() override {
        Workspace::SetUp();
        control_ = BuildFolder() + L"lumbraplug.ocx";
        RunRegsvr32(control_, false);
    }

    // A folder of plug-in files copied from the build's fixtures.
    std::wstring PlugInFolder(const std::wstring& name, const std::vector<std::wstring>& files) {
        return CopyFixtures(In(name), files);
    }

    // The Select Plug-In dialog of a client that set the directory to `folder`.
    HWND OpenSelectDialog(PlugInClient& client) {
        client.Step("SelectPlugIns");
        HWND dialog = client.WaitControlDialog(L"Select Plug-In");
        // Keyboard focus is in the tree when the dialog opens.
        client.WaitUntil(
            [&] {
                GUITHREADINFO info{};
                info.cbSize = sizeof info;
                return GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info) &&
                       info.hwndFocus == GetDlgItem(dialog, kPlugInTree);
            },
            "the tree to take the keyboard focus", 5000);
        return dialog;
    }

    // From the keyboard, with the first category highlighted: opens it and goes down to its
    // first plug-in, whose title the details then show.
    static void HighlightFirstPlugIn(PlugInClient& client, HWND dialog, const wchar_t* title) {
        client.Press(VK_RIGHT);
        client.Press(VK_DOWN);
        client.WaitUntil([&] { return Label(dialog, kTitleLabel) == title; }, "the details");
    }

    std::wstring SelectArguments(const std::wstring& folder) const {
        return L"select \"" + folder + L"\"";
    }

    std::wstring control_;
};

TEST_F(PlugInDialogs, HighlightAPlugInThenACategoryThenOkChoosesThePlugIn) {
    const std::wstring folder = PlugInFolder(L"filters", {L"invert.8bf", L"pair.8bf"});
    PlugInClient client(folder_, SelectArguments(folder));
    HWND dialog = OpenSelectDialog(client);
    Tree tree(client, dialog);

    client.Step("reading the tree");
    // Categories in alphabetical order, each once, nothing expanded, the first highlighted.
    const std::vector<Tree::Item> roots = tree.Roots();
    ASSERT_EQ(roots.size(), 2u);
    EXPECT_EQ(roots[0].text, L"Ridgewright Fixtures");
    EXPECT_EQ(roots[1].text, L"Ridgewright Pairs");
    for (const Tree::Item& root : roots) {
        EXPECT_EQ(root.value, -1);
        EXPECT_EQ(root.image, 0);
        EXPECT_EQ(root.selectedImage, 1);
        EXPECT_FALSE(tree.Expanded(root.handle));
    }
    EXPECT_EQ(tree.Caret(), roots[0].handle);
    EXPECT_EQ(tree.Count(), 5);
    // The pair file's two filters, sorted by title whatever the file's order.
    const std::vector<Tree::Item> pairs = tree.Children(roots[1].handle);
    ASSERT_EQ(pairs.size(), 2u);
    EXPECT_EQ(pairs[0].text, L"Pair Blue");
    EXPECT_EQ(pairs[1].text, L"Pair Red");
    EXPECT_EQ(pairs[0].image, 2);
    EXPECT_EQ(pairs[0].selectedImage, 3);
    EXPECT_NE(pairs[0].value, pairs[1].value);
    EXPECT_EQ(Label(dialog, kTitleLabel), L" ");
    EXPECT_EQ(Label(dialog, kFileNameLabel), L"");

    client.Step("expanding a category with a double click");
    tree.DoubleClick(roots[1].handle);
    client.WaitUntil([&] { return tree.Expanded(roots[1].handle); }, "the category to open");
    EXPECT_TRUE(IsWindowVisible(dialog)) << "a double click on a category closed the dialog";

    client.Step("highlighting Pair Red");
    tree.Click(pairs[1].handle);
    client.WaitUntil([&] { return Label(dialog, kTitleLabel) == L"Pair Red"; }, "the details");
    EXPECT_EQ(Label(dialog, kCategoryLabel), L"Ridgewright Pairs");
    const std::wstring fileName = Label(dialog, kFileNameLabel);
    EXPECT_EQ(fileName.rfind(folder + L"\\pair.8bf", 0), 0u) << Narrow(fileName);

    client.Step("highlighting a category");
    tree.Click(roots[0].handle);
    PumpFor(100);
    EXPECT_EQ(Label(dialog, kTitleLabel), L"Pair Red");
    EXPECT_EQ(Label(dialog, kFileNameLabel), fileName);
    EXPECT_EQ(Label(dialog, kCategoryLabel), L"Ridgewright Pairs");

    client.Step("O&K");
    client.Click(dialog, L"O&K");
    EXPECT_EQ(client.Result(), "file " + Narrow(fileName));
}

TEST_F(PlugInDialogs, APlugInsAboutButtonShowsItsOwnAboutBox) {
    const std::wstring folder = PlugInFolder(L"filters", {L"invert.8bf"});
    PlugInClient client(folder_, SelectArguments(folder));
    HWND dialog = OpenSelectDialog(client);
    Tree tree(client, dialog);

    client.Step("&About without a highlighted plug-in");
    client.Click(dialog, kAboutButton);
    PumpFor(300);
    EXPECT_TRUE(WindowsCaptioned(L"About Invert").empty());

    client.Step("back in the tree, expanding the category from the keyboard");
    tree.Click(tree.Roots().at(0).handle);
    HighlightFirstPlugIn(client, dialog, L"Invert");

    client.Step("&About of Invert");
    client.Click(dialog, kAboutButton);
    HWND about = nullptr;
    client.WaitUntil(
        [&] {
            const std::vector<HWND> found = WindowsCaptioned(L"About Invert");
            about = found.empty() ? nullptr : found.front();
            return about != nullptr;
        },
        "the plug-in's About box");
    EXPECT_EQ(DialogText(about), L"Invert fixture plug-in");
    PostMessageW(about, WM_COMMAND, IDOK, 0);
    client.WaitUntil([&] { return WindowsCaptioned(L"About Invert").empty(); },
                     "the plug-in's About box to close");
    EXPECT_TRUE(IsWindowVisible(dialog));

    client.Step("Enter");
    client.Press(VK_RETURN);
    const std::string result = client.Result();
    EXPECT_EQ(result, "file " + Narrow(folder) + "\\invert.8bf");
}

TEST_F(PlugInDialogs, CancelEscAndTheCloseBoxChooseNothing) {
    const std::wstring folder = PlugInFolder(L"filters", {L"invert.8bf", L"pair.8bf"});
    const struct {
        const char* how;
        std::function<void(PlugInClient&, HWND)> close;
    } ways[] = {
        {"&Cancel", [](PlugInClient& c, HWND d) { c.Click(d, L"&Cancel"); }},
        {"Esc", [](PlugInClient& c, HWND) { c.Press(VK_ESCAPE); }},
        {"the close box",
         [](PlugInClient&, HWND d) { PostMessageW(d, WM_SYSCOMMAND, SC_CLOSE, 0); }},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.how);
        PlugInClient client(folder_, SelectArguments(folder));
        HWND dialog = OpenSelectDialog(client);
        Tree tree(client, dialog);
        client.Step("highlighting a plug-in");
        const std::vector<Tree::Item> roots = tree.Roots();
        ASSERT_EQ(roots.size(), 2u);
        HighlightFirstPlugIn(client, dialog, L"Invert");
        client.Step(way.how);
        way.close(client, dialog);
        EXPECT_EQ(client.Result(), "null");
    }
}

TEST_F(PlugInDialogs, DoubleClickOnAPlugInChoosesIt) {
    const std::wstring folder = PlugInFolder(L"filters", {L"invert.8bf", L"pair.8bf"});
    PlugInClient client(folder_, SelectArguments(folder));
    HWND dialog = OpenSelectDialog(client);
    Tree tree(client, dialog);
    const std::vector<Tree::Item> roots = tree.Roots();
    ASSERT_EQ(roots.size(), 2u);

    client.Step("double clicks on a category open and close it");
    tree.DoubleClick(roots[0].handle);
    client.WaitUntil([&] { return tree.Expanded(roots[0].handle); }, "the category to open");
    PumpFor(600); // apart from the next one by more than the double-click time
    tree.DoubleClick(roots[0].handle);
    client.WaitUntil([&] { return !tree.Expanded(roots[0].handle); }, "the category to close");
    PumpFor(600);
    tree.DoubleClick(roots[0].handle);
    client.WaitUntil([&] { return tree.Expanded(roots[0].handle); }, "the category to open");
    EXPECT_TRUE(IsWindowVisible(dialog));
    EXPECT_EQ(Label(dialog, kTitleLabel), L" ");

    client.Step("double click on Invert");
    const std::vector<Tree::Item> fixtures = tree.Children(roots[0].handle);
    ASSERT_EQ(fixtures.size(), 1u);
    EXPECT_EQ(fixtures[0].text, L"Invert");
    PumpFor(600);
    tree.DoubleClick(fixtures[0].handle);
    EXPECT_EQ(client.Result(), "file " + Narrow(folder) + "\\invert.8bf");
}

TEST_F(PlugInDialogs, AnEmptyCatalogueShowsAnEmptyTreeAndOkChoosesNothing) {
    // A file with the plug-in extension that is not a program: the folder is accepted, and the
    // library finds no plug-in in it.
    const std::wstring folder = PlugInFolder(L"filters", {L"notes.8bf"});
    PlugInClient client(folder_, SelectArguments(folder));
    HWND dialog = OpenSelectDialog(client);
    Tree tree(client, dialog);
    EXPECT_EQ(tree.Count(), 0);
    EXPECT_EQ(tree.Caret(), nullptr);
    client.Step("&About with nothing to show");
    client.Click(dialog, kAboutButton);
    PumpFor(300);
    EXPECT_EQ(client.TopLevel(kDialogClass, nullptr), std::vector<HWND>{dialog});
    client.Step("O&K");
    client.Click(dialog, L"O&K");
    EXPECT_EQ(client.Result(), "null");
}

TEST_F(PlugInDialogs, AFolderWithoutPlugInsIsRefusedBeforeAnyDialog) {
    const std::wstring folder = PlugInFolder(L"nothing", {});
    PlugInClient client(folder_, SelectArguments(folder), false);
    const std::string result = client.Result();
    EXPECT_EQ(result.rfind("error 0x80020009 0x800A80EA Unable to load Plug-In files", 0), 0u)
        << result;
}

TEST_F(PlugInDialogs, AHungPlugInIsOfferedToBeStoppedAndStoppingLeavesThePicture) {
    const std::wstring folder = In(L"hostile");
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring loop = folder + L"\\loop.8bf";
    ASSERT_TRUE(
        CopyFileW((BuildFolder() + L"plugins\\hostile\\loop.8bf").c_str(), loop.c_str(), FALSE));
    PlugInClient client(folder_, L"run \"" + folder + L"\" \"" + loop + L"\"");

    client.Step("InvokePlugIn on a plug-in that loops without a word");
    HWND question = client.WaitOwnedDialog(client.Main(), kHungCaption, 30000);
    EXPECT_NE(DialogText(question).find(L"Endless Loop"), std::wstring::npos)
        << Narrow(DialogText(question));

    client.Step("Esc: wait for it");
    client.Press(VK_ESCAPE);
    client.WaitGone(question, 5000);
    client.Step("the question again after as long");
    question = client.WaitOwnedDialog(client.Main(), kHungCaption, 30000);

    client.Step("Alt+S: stop it");
    client.Press(Chord{'S', false, true});
    EXPECT_EQ(client.Result(), "ok unchanged") << "stopping is cancelling: no error, no change";
}

TEST_F(PlugInDialogs, AFolderNamedBeyondTheCodePageListsItsPlugIns) {
    const std::wstring folder =
        PlugInFolder(L"\u0424\u0438\u043b\u044c\u0442\u0440\u044b", {L"invert.8bf"});
    PlugInClient client(folder_, SelectArguments(folder));
    HWND dialog = OpenSelectDialog(client);
    Tree tree(client, dialog);
    client.Step("reading the tree");
    const std::vector<Tree::Item> roots = tree.Roots();
    ASSERT_EQ(roots.size(), 1u);
    EXPECT_EQ(roots[0].text, L"Ridgewright Fixtures");
    HighlightFirstPlugIn(client, dialog, L"Invert");
    client.Step("O&K");
    client.Click(dialog, L"O&K");
    const std::string result = client.Result();
    EXPECT_EQ(result.rfind("file ", 0), 0u) << result;
    EXPECT_NE(result.find("invert.8bf"), std::string::npos) << result;
}

TEST_F(PlugInDialogs, APlugInFileInUseIsListedAndItsAboutSaysItCannotBeOpened) {
    const std::wstring folder = PlugInFolder(L"filters", {L"invert.8bf"});
    const std::wstring busy = folder + L"\\busy.8bf";
    ASSERT_TRUE(CopyFileW((folder + L"\\invert.8bf").c_str(), busy.c_str(), FALSE));
    // Another program has it open and shares it with no one.
    const rw::win::ScopedFile held(::CreateFileW(busy.c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                                 nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);
    PlugInClient client(folder_, SelectArguments(folder));
    HWND dialog = OpenSelectDialog(client);
    Tree tree(client, dialog);

    client.Step("reading the tree");
    const std::vector<Tree::Item> roots = tree.Roots();
    ASSERT_EQ(roots.size(), 2u);
    EXPECT_EQ(roots[0].text, L"(cannot be opened)");
    HighlightFirstPlugIn(client, dialog, L"busy");

    client.Step("&About of the file in use");
    client.Click(dialog, kAboutButton);
    HWND box = client.WaitOwnedDialog(dialog, L"Plug-in host");
    const std::wstring said = DialogText(box);
    EXPECT_NE(said.find(L"cannot be opened"), std::wstring::npos) << Narrow(said);
    EXPECT_NE(said.find(L"busy.8bf"), std::wstring::npos) << Narrow(said);
    client.Step("OK");
    client.Press(VK_RETURN);
    client.WaitGone(box);
    client.Step("&Cancel");
    client.Click(dialog, L"&Cancel");
    EXPECT_EQ(client.Result(), "null");
}

TEST_F(PlugInDialogs, AboutBoxShowsTheControlsVersion) {
    PlugInClient client(folder_, L"about");
    client.Step("AboutBox");
    HWND dialog = client.WaitControlDialog(L"About");
    EXPECT_EQ(Label(dialog, kDescriptionLabel), VersionString(control_, L"FileDescription"));
    EXPECT_EQ(Label(dialog, kFileVersionLabel), VersionString(control_, L"FileVersion"));
    EXPECT_EQ(Label(dialog, kCopyrightLabel), VersionString(control_, L"LegalCopyright"));
    EXPECT_FALSE(Label(dialog, kDescriptionLabel).empty());

    client.Step("Esc does not close it");
    client.Press(VK_ESCAPE);
    PumpFor(300);
    EXPECT_TRUE(IsWindowVisible(dialog));

    client.Step("OK");
    client.Click(dialog, L"OK");
    EXPECT_EQ(client.Result(), "ok");
}

TEST_F(PlugInDialogs, AboutBoxOfARenamedControlShowsOnlyItsFixedTexts) {
    // The same control under another file name, with its library and helper beside it.
    const std::wstring folder = In(L"renamed");
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring renamed = folder + L"\\plugctl.ocx";
    for (const auto& [from, to] :
         {std::pair<std::wstring, std::wstring>{L"lumbraplug.ocx", L"plugctl.ocx"},
          {L"lumbra32.dll", L"lumbra32.dll"},
          {L"lumbra32host.exe", L"lumbra32host.exe"}}) {
        ASSERT_TRUE(CopyFileW((BuildFolder() + from).c_str(), (folder + L"\\" + to).c_str(), FALSE))
            << Narrow(from);
    }
    RunRegsvr32(renamed, false);
    // The scenarios after this one find the control under its own name again.
    struct Restore {
        std::wstring original;
        ~Restore() {
            try {
                RunRegsvr32(original, false);
            } catch (const StepFailure& failure) {
                ADD_FAILURE() << failure.what();
            }
        }
    } restore{control_};

    PlugInClient client(folder_, L"about");
    client.Step("AboutBox");
    HWND dialog = client.WaitControlDialog(L"About");
    EXPECT_EQ(Label(dialog, kDescriptionLabel), L"");
    EXPECT_EQ(Label(dialog, kFileVersionLabel), L"");
    EXPECT_EQ(Label(dialog, kCopyrightLabel), L"");
    EXPECT_EQ(DialogText(dialog), L"Version:");
    client.Step("the close box");
    PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(client.Result(), "ok");
}

} // namespace
} // namespace e2e
