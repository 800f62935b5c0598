// The main window as a person first meets it: its bars, the View, Window and Help menus, the
// About box and its System Info button, the toolbar, and the Generate menu without a document.
#include <windows.h>

#include <iostream>
#include <string>
#include <vector>

#include "e2e/scenario.h"

namespace e2e {
namespace {

class Shell : public Scenario {};

RECT Frame(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return r;
}

TEST_F(Shell, MainWindowBarsAndTheViewMenu) {
    ed().Step("start");
    EXPECT_EQ(L"", ed().StatusText(0));
    EXPECT_FALSE(ed().StatusText(1).empty()) << "no date";
    EXPECT_FALSE(ed().StatusText(2).empty()) << "no time";
    HWND toolbar = ed().Toolbar(), status = ed().StatusBar();
    ASSERT_TRUE(toolbar && status);
    EXPECT_TRUE(IsWindowVisible(toolbar) && IsWindowVisible(status));
    const RECT client = Frame(ed().MdiClient());

    // The bar goes first, then the documents' area takes its room: both are waited for.
    const auto area = [&] { return Frame(ed().MdiClient()); };
    ed().Step("View > Toolbar");
    ed().Menu(L'V', L'T');
    ed().WaitUntil([&] { return !IsWindowVisible(toolbar) && area().top < client.top; },
                   "the toolbar to go and the documents to take its room");
    ed().Step("View > Toolbar again");
    ed().Menu(L'V', L'T');
    ed().WaitUntil([&] { return IsWindowVisible(toolbar) && area().top == client.top; },
                   "the toolbar to come back");
    ed().Step("View > Status Bar");
    ed().Menu(L'V', L'B');
    ed().WaitUntil([&] { return !IsWindowVisible(status) && area().bottom > client.bottom; },
                   "the status bar to go and the documents to take its room");
    ed().Step("View > Status Bar again");
    ed().Menu(L'V', L'B');
    ed().WaitUntil([&] { return IsWindowVisible(status) && area().bottom == client.bottom; },
                   "the status bar to come back");
}

TEST_F(Shell, TheWindowMenuArrangesTheDocuments) {
    ed().Step("File New twice");
    HWND a = ed().NewDocument(L"20");
    HWND b = ed().NewDocument(L"20");
    // Every new window tiles them side by side.
    RECT ra = Frame(a), rb = Frame(b);
    EXPECT_EQ(ra.top, rb.top);
    EXPECT_NE(ra.left, rb.left);

    ed().Step("Window > Tile Horizontal");
    ed().Menu(L'W', L'H');
    ed().WaitUntil([&] { return Frame(a).left == Frame(b).left && Frame(a).top != Frame(b).top; },
                   "the windows one above the other");
    ed().Step("Window > Cascade");
    ed().Menu(L'W', L'C');
    ed().WaitUntil(
        [&] {
            ra = Frame(a);
            rb = Frame(b);
            return ra.left != rb.left && ra.top != rb.top &&
                   ra.right - ra.left == rb.right - rb.left;
        },
        "the windows in a cascade");
    ed().Step("Window > Tile Vertical");
    ed().Menu(L'W', L'V');
    ed().WaitUntil([&] { return Frame(a).top == Frame(b).top && Frame(a).left != Frame(b).left; },
                   "the windows side by side");
    // Minimised windows are lined up along the bottom.
    ed().Step("minimise both, Window > Arrange Icons");
    for (HWND document : {a, b}) {
        PostMessageW(document, WM_SYSCOMMAND, SC_MINIMIZE, 0); // the window's minimise button
    }
    ed().WaitUntil([&] { return IsIconic(a) && IsIconic(b); }, "both windows minimised");
    ed().Menu(L'W', L'A');
    ed().WaitUntil([&] { return Frame(a).top == Frame(b).top; }, "the icons in a row");
    EXPECT_EQ(2u, ed().Documents().size());
}

TEST_F(Shell, TheAboutBoxShowsTheVersion) {
    ed().Step("Help > About");
    ed().Menu(L'H', L'A');
    HWND about = ed().WaitDialog(L"About Ridgewright");
    const std::wstring text = DialogText(about);
    std::cout << "      about: " << Narrow(text) << "\n";
    EXPECT_NE(std::wstring::npos, text.find(L"Version 1.1 rev 0"));
    EXPECT_NE(std::wstring::npos, text.find(L"Windows 95/98/NT"));
    EXPECT_FALSE(IsWindowEnabled(ed().Main())) << "the About box is modal";
    ed().Step("Enter");
    ed().Press(VK_RETURN);
    ed().WaitGone(about);
    ed().Step("Help > About, Esc");
    ed().Menu(L'H', L'A');
    about = ed().WaitDialog(L"About Ridgewright");
    ed().Press(VK_ESCAPE);
    ed().WaitGone(about);
    ed().WaitUntil([&] { return IsWindowEnabled(ed().Main()); }, "the main window's input");
}

TEST_F(Shell, SystemInfoWithoutTheToolSaysSo) {
    // Neither of the places where the tool is looked for exists on this machine.
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Shared Tools Location");
    ed().Step("Help > About");
    ed().Menu(L'H', L'A');
    HWND about = ed().WaitDialog(L"About Ridgewright");
    ed().Step("System Info");
    ed().Click(about, L"&System Info...");
    HWND box = ed().WaitMessageBox();
    EXPECT_EQ(L"System Information Is Unavailable At This Time", DialogText(box));
    EXPECT_TRUE(GetDlgItem(box, IDOK));
    ed().Step("OK");
    ed().Click(box, IDOK);
    ed().WaitGone(box);
    ed().Step("after OK");
    EXPECT_TRUE(IsWindowVisible(about)) << "the About box should stay open";
    ed().Step("About OK");
    ed().Click(about, IDOK);
    ed().WaitGone(about);
}

TEST_F(Shell, ToolbarButtonsAndCommandsWithoutADocument) {
    // With no document, Save, Save As, Close, Cut, Copy, Paste and the generators do nothing.
    ed().Step("toolbar Save without a document");
    ed().ClickToolbar(2);
    ed().Step("File Save As, Close, Save without a document");
    ed().Menu(L'F', L'A');
    ed().Menu(L'F', L'C');
    ed().Menu(L'F', L'S');
    ed().Step("Edit Cut, Copy, Paste without a document");
    ed().Press(Chord{'X', true});
    ed().Press(Chord{'C', true});
    ed().Press(Chord{'V', true});
    for (int k = 0; k < 5; ++k) {
        ed().Step("Generate item " + std::to_string(k) + " without a document");
        ed().MenuByPosition(L'G', k);
    }
    PumpFor(200);
    ed().Step("after the commands");
    EXPECT_TRUE(ed().TopLevel(kDialogClass, nullptr).empty()) << "a dialog or message came";
    EXPECT_TRUE(ed().Documents().empty());

    // Items that stay disabled do nothing when their access keys are pressed; Esc leaves the
    // menu that stays open.
    const struct {
        wchar_t title, item;
    } kOff[] = {{L'F', L'I'}, {L'V', L'O'}, {L'H', L'C'}, {L'H', L'S'}};
    for (const auto& off : kOff) {
        ed().Step(std::string("disabled item Alt+") + char(off.title) + ", " + char(off.item));
        ed().Press(Chord{static_cast<WORD>(off.title), false, true});
        ed().WaitWindow(kMenuClass, nullptr, 5000);
        ed().Press(static_cast<WORD>(off.item));
        PumpFor(100);
        ed().Press(VK_ESCAPE);
        ed().Press(VK_ESCAPE);
        ed().WaitUntil([&] { return ed().TopLevel(kMenuClass, nullptr).empty(); },
                       "the menu to close", 5000);
    }
    ed().Step("the Filter title, disabled");
    ed().Press(Chord{L'I', false, true});
    ed().Press(VK_ESCAPE);
    PumpFor(100);
    ed().Step("after the disabled items");
    EXPECT_TRUE(ed().TopLevel(kDialogClass, nullptr).empty()) << "a disabled item did something";

    // File New and File Open from the menu, and the toolbar's buttons, open their dialogs;
    // leaving them changes nothing.
    ed().Step("File > New, Cancel");
    ed().Menu(L'F', L'N');
    HWND newDialog = ed().WaitDialog(L"New");
    ed().Click(newDialog, L"&Cancel");
    ed().WaitGone(newDialog);
    ed().Step("File > Open, Cancel");
    ed().Menu(L'F', L'O');
    ed().CancelFileDialog(L"Open");
    ed().Step("toolbar New, Cancel");
    ed().ClickToolbar(0);
    HWND dialog = ed().WaitDialog(L"New");
    ed().Click(dialog, IDCANCEL);
    ed().WaitGone(dialog);
    ed().Step("toolbar Open, Cancel");
    ed().ClickToolbar(1);
    ed().CancelFileDialog(L"Open");
    EXPECT_TRUE(ed().Documents().empty());
    // The toolbar's Save on an untitled document asks for a name, as File Save does.
    ed().Step("toolbar New, then toolbar Save");
    ed().ClickToolbar(0);
    dialog = ed().WaitDialog(L"New");
    ed().Press(VK_RETURN);
    ed().WaitUntil([&] { return ed().Documents().size() == 1; }, "the new document");
    ed().ClickToolbar(2);
    const std::wstring path = In(L"toolbar.bmp");
    ed().ChooseFile(L"Save", path);
    ed().WaitUntil([&] { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; },
                   "the file to be written");
    EXPECT_EQ(path, WindowText(ed().ActiveDocument()));
    EXPECT_EQ(128, ed().CopyPicture().width);
}

// A person may click, type a shortcut or open a menu the moment a dialog disappears; none of
// it may be lost.
TEST_F(Shell, InputTheMomentADialogClosesIsTaken) {
    for (int round = 1; round <= 8; ++round) {
        const std::string n = " (" + std::to_string(round) + ")";
        ed().Step("toolbar New, Cancel" + n);
        ed().ClickToolbar(0);
        HWND dialog = ed().WaitDialog(L"New");
        ed().Click(dialog, IDCANCEL);
        ed().WaitGone(dialog);
        ed().Step("Ctrl+N at once, Cancel" + n);
        ed().Press(Chord{'N', true});
        dialog = ed().WaitDialog(L"New");
        ed().Click(dialog, IDCANCEL);
        ed().WaitGone(dialog);
        ed().Step("File > Open at once, Cancel" + n);
        ed().Menu(L'F', L'O');
        ed().CancelFileDialog(L"Open");
    }
    EXPECT_TRUE(ed().Documents().empty());
}

} // namespace
} // namespace e2e
