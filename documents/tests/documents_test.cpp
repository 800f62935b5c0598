// Document windows and the File and Edit commands, driven as the user drives them.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "components/image_control.h"
#include "documents/frmDocument.h"
#include "documents/frmNew.h"
#include "shell/frmMain.h"
#include "shell/global.h"
#include "win32/strings.h"
#include "shell/tests/editor_test_support.h"

namespace {

using rw::test::Main;
using rw::test::NewDocument;
using rw::test::PaintPattern;
using rw::test::Pixels;
using rw::test::RunningEditor;
using rw::test::ScriptedUi;
using rw::test::TempDir;
using rw::test::WhileModal;

RECT ChildRect(HWND child) {
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// Types text into a field key by key, as the user would.
void Type(HWND field, const std::wstring& text) {
    for (wchar_t c : text) {
        SendMessageW(field, WM_CHAR, c, 0);
    }
}

std::wstring Text(HWND field) {
    return rw::win::WindowText(field);
}

class DocumentsTest : public testing::Test {
protected:
    RunningEditor editor;
    ScriptedUi ui;
    TempDir dir;
};

// --- The New image dialog -----------------------------------------------------------------

TEST_F(DocumentsTest, TypingAWidthSetsBothFieldsAndOkMakesThatImage) {
    std::wstring afterTyping[2];
    WhileModal([&] {
        frmNew& dialog = frmNew::Instance();
        EXPECT_EQ(Text(dialog.Text1()), L"128");
        EXPECT_EQ(Text(dialog.Text2()), L"128");
        EXPECT_EQ(GetFocus(), dialog.Text1());
        Type(dialog.Text1(), L"300"); // the selected 128 is replaced
        afterTyping[0] = Text(dialog.Text1());
        afterTyping[1] = Text(dialog.Text2());
        PostMessageW(dialog.hwnd(), WM_COMMAND, IDOK, 0);
    });
    Main().RunCommand(mnuFileNew);
    EXPECT_EQ(afterTyping[0], L"300");
    EXPECT_EQ(afterTyping[1], L"300");
    ASSERT_EQ(Main().Documents().size(), 1u);
    frmDocument& document = *Main().ActiveDocument();
    EXPECT_EQ(document.Lumbra1.ImageWidth(), 300);
    EXPECT_EQ(document.Lumbra1.ImageHeight(), 300);
    EXPECT_EQ(GetPixel(document.Lumbra1.hDC(), 150, 150), RGB(0, 0, 0));
    EXPECT_EQ(document.Caption(), L"");
    // The control is a square centred in the window.
    RECT client;
    GetClientRect(document.hwnd(), &client);
    const RECT control = ChildRect(document.Lumbra1.hwnd());
    EXPECT_EQ(control.right - control.left, control.bottom - control.top);
    EXPECT_EQ(control.right - control.left, std::min(client.right, client.bottom));
    EXPECT_LE(std::abs((control.left - client.left) - (client.right - control.right)), 1);
}

TEST_F(DocumentsTest, FieldsKeepOnlyTheirLeadingNumber) {
    std::wstring afterTyping[3];
    bool focusStayed = false;
    WhileModal([&] {
        frmNew& dialog = frmNew::Instance();
        Type(dialog.Text1(), L"12abc");
        afterTyping[0] = Text(dialog.Text1());
        Type(dialog.Text2(), L"");
        SendMessageW(dialog.Text2(), EM_SETSEL, 0, -1);
        Type(dialog.Text2(), L"7x");
        afterTyping[1] = Text(dialog.Text2());
        // Letters alone read as 0; a field below 1 keeps the focus.
        SetFocus(dialog.Text1());
        SendMessageW(dialog.Text1(), EM_SETSEL, 0, -1);
        Type(dialog.Text1(), L"xyz");
        afterTyping[2] = Text(dialog.Text1());
        SetFocus(dialog.Text2());
        rw::test::Pump();
        focusStayed = GetFocus() == dialog.Text1();
        PostMessageW(dialog.hwnd(), WM_COMMAND, IDCANCEL, 0);
    });
    Main().RunCommand(mnuFileNew);
    EXPECT_EQ(afterTyping[0], L"12");
    EXPECT_EQ(afterTyping[1], L"7");
    EXPECT_EQ(afterTyping[2], L"0");
    EXPECT_TRUE(focusStayed);
    EXPECT_TRUE(Main().Documents().empty());
    EXPECT_EQ(frmNew::Instance().lResolutionX, 0);
}

// Opens File New, puts the texts into the fields as a paste would, presses Ok (and Cancel too
// if the dialog is still open then).
void NewWith(const std::wstring& x, const std::wstring& y) {
    WhileModal([x, y] {
        frmNew& dialog = frmNew::Instance();
        SetWindowTextW(dialog.Text1(), x.c_str());
        SetWindowTextW(dialog.Text2(), y.c_str());
        dialog.Command1_Click();
        if (dialog.IsVisible()) {
            dialog.Command2_Click();
        }
    });
    Main().RunCommand(mnuFileNew);
}

TEST_F(DocumentsTest, OkRoundsHalvesToEvenAndMakesNothingBelowOne) {
    NewWith(L"2.5", L"3.5");
    ASSERT_EQ(Main().Documents().size(), 1u);
    EXPECT_EQ(Main().ActiveDocument()->Lumbra1.ImageWidth(), 2);
    EXPECT_EQ(Main().ActiveDocument()->Lumbra1.ImageHeight(), 4);

    NewWith(L"0.4", L"0.4"); // passes Ok's test, rounds to 0: no window, dialog hidden
    EXPECT_EQ(Main().Documents().size(), 1u);
    EXPECT_FALSE(frmNew::Instance().IsVisible());
    EXPECT_EQ(frmNew::Instance().lResolutionX, 0);
}

TEST_F(DocumentsTest, CancelAfterAnAcceptedSizeCreatesNothing) {
    NewWith(L"256", L"100");
    ASSERT_EQ(Main().Documents().size(), 1u);
    EXPECT_EQ(Main().ActiveDocument()->Lumbra1.ImageHeight(), 100);
    WhileModal([] { PostMessageW(frmNew::Instance().hwnd(), WM_COMMAND, IDCANCEL, 0); });
    Main().RunCommand(mnuFileNew);
    EXPECT_EQ(Main().Documents().size(), 1u);
    // The frame's close box is Cancel too.
    WhileModal([] { PostMessageW(frmNew::Instance().hwnd(), WM_CLOSE, 0, 0); });
    Main().RunCommand(mnuFileNew);
    EXPECT_EQ(Main().Documents().size(), 1u);
    EXPECT_EQ(frmNew::Instance().lResolutionX, 0);
    EXPECT_EQ(frmNew::Instance().lResolutionY, 0);
}

TEST_F(DocumentsTest, SizesTheControlCannotHoldAreRefusedWithAMessage) {
    ui.boxAnswers = {IDOK, IDOK};
    NewWith(L"100000", L"100000");
    EXPECT_TRUE(Main().Documents().empty());
    NewWith(L"3e9", L"5"); // beyond the signed 32-bit range: said in the dialog, which stays
    EXPECT_TRUE(Main().Documents().empty());
    ASSERT_EQ(ui.boxes.size(), 2u);
    EXPECT_NE(ui.boxes[0].text.find(L"100000"), std::wstring::npos);
    EXPECT_NE(ui.boxes[1].text.find(L"2147483647"), std::wstring::npos);
}

// --- The document window --------------------------------------------------------------------

TEST_F(DocumentsTest, TheControlIsAlwaysACentredSquare) {
    frmDocument& document = NewDocument(10, 10);
    const auto clientOf = [&](int width, int height) {
        RECT frame{0, 0, width, height};
        AdjustWindowRectEx(&frame, GetWindowLongW(document.hwnd(), GWL_STYLE), FALSE,
                           GetWindowLongW(document.hwnd(), GWL_EXSTYLE));
        SetWindowPos(document.hwnd(), nullptr, 0, 0, frame.right - frame.left,
                     frame.bottom - frame.top, SWP_NOZORDER | SWP_NOMOVE);
        return ChildRect(document.Lumbra1.hwnd());
    };
    // Sizes that fit the test screen; the proportions of 800 by 600.
    RECT r = clientOf(400, 300);
    EXPECT_EQ(r.left, 50);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right - r.left, 300);
    EXPECT_EQ(r.bottom - r.top, 300);
    r = clientOf(300, 400);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 50);
    EXPECT_EQ(r.right - r.left, 300);
    r = clientOf(250, 250);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right - r.left, 250);
}

TEST_F(DocumentsTest, EscapeOnTheImageRequestsCancellation) {
    frmDocument& document = NewDocument(10, 10);
    Global::CancelRequested = false;
    SendMessageW(document.Lumbra1.hwnd(), WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(Global::CancelRequested);
}

// --- Open, Save, Save As, Close --------------------------------------------------------------

TEST_F(DocumentsTest, SaveOfAnUntitledDocumentAsksOnceThenRewritesSilently) {
    frmDocument& document = NewDocument(40, 30);
    PaintPattern(document.Lumbra1, 1);
    Global::sSavePath = dir.Path();
    const std::wstring path = dir.File(L"h\u00f6he.tif");
    ui.fileAnswers.push_back(path);
    Main().RunCommand(mnuFileSave);
    ASSERT_EQ(ui.fileRequests.size(), 1u);
    const auto& asked = ui.fileRequests[0];
    EXPECT_TRUE(asked.save);
    EXPECT_EQ(asked.title, L"Save");
    EXPECT_EQ(asked.initialDir, dir.Path());
    EXPECT_EQ(asked.fileName, L"");
    EXPECT_EQ(asked.flags, 2u);
    EXPECT_EQ(asked.filterIndex, 5);
    EXPECT_EQ(asked.defaultExt, L"tif");
    EXPECT_EQ(document.Caption(), path);
    EXPECT_EQ(Global::sSavePath, dir.Path());
    EXPECT_TRUE(rw::test::FileExists(path));

    PaintPattern(document.Lumbra1, 2);
    Main().RunCommand(mnuFileSave); // titled: no dialog
    EXPECT_EQ(ui.fileRequests.size(), 1u);
    frmDocument& other = NewDocument(2, 2);
    other.Lumbra1.Picture(path);
    EXPECT_EQ(Pixels(other.Lumbra1), Pixels(document.Lumbra1));
}

TEST_F(DocumentsTest, SaveAsProposesTheCaptionAndRenamesTheWindow) {
    frmDocument& document = NewDocument(8, 8);
    const std::wstring first = dir.File(L"a.png");
    const std::wstring second = dir.File(L"b.bmp");
    Global::sSavePath = L"C:\\";
    ui.fileAnswers = {first, second, L""};
    Main().RunCommand(mnuFileSaveAs);
    EXPECT_EQ(ui.fileRequests[0].fileName, L"");
    EXPECT_EQ(ui.fileRequests[0].initialDir, L"C:\\");
    EXPECT_EQ(document.Caption(), first);
    Main().RunCommand(mnuFileSaveAs);
    EXPECT_EQ(ui.fileRequests[1].fileName, first);
    EXPECT_EQ(ui.fileRequests[1].title, L"Save");
    EXPECT_EQ(document.Caption(), second);
    EXPECT_EQ(Global::sSavePath, dir.Path());
    Main().RunCommand(mnuFileSaveAs); // left without a name: nothing changes
    EXPECT_EQ(document.Caption(), second);
    EXPECT_TRUE(rw::test::FileExists(first));
    EXPECT_TRUE(rw::test::FileExists(second));
}

TEST_F(DocumentsTest, OpenMakesATitledWindowAndRemembersTheFolder) {
    frmDocument& source = NewDocument(20, 12);
    PaintPattern(source.Lumbra1, 3);
    const std::wstring path = dir.File(L"terrain.png");
    source.Lumbra1.SaveAs(path);
    source.Destroy();
    Global::sLoadPath = L"C:\\";
    ui.fileAnswers.push_back(path);
    Main().RunCommand(mnuFileOpen);
    ASSERT_EQ(ui.fileRequests.size(), 1u);
    EXPECT_EQ(ui.fileRequests[0].title, L"Open");
    EXPECT_EQ(ui.fileRequests[0].initialDir, L"C:\\");
    EXPECT_EQ(ui.fileRequests[0].fileName, L"");
    EXPECT_EQ(ui.fileRequests[0].flags, 4096u);
    EXPECT_FALSE(ui.fileRequests[0].save);
    ASSERT_EQ(Main().Documents().size(), 1u);
    frmDocument& opened = *Main().ActiveDocument();
    EXPECT_EQ(opened.Caption(), path);
    EXPECT_EQ(opened.Lumbra1.ImageWidth(), 20);
    EXPECT_EQ(Global::sLoadPath, dir.Path());
    EXPECT_FALSE(opened.Modified());
}

TEST_F(DocumentsTest, OpeningAnOpenFileOffersToReloadItInPlace) {
    frmDocument& document = NewDocument(16, 16);
    PaintPattern(document.Lumbra1, 4);
    const std::wstring path = dir.File(L"same.tif");
    ui.fileAnswers.push_back(path);
    Main().RunCommand(mnuFileSaveAs);
    const auto saved = Pixels(document.Lumbra1);
    PaintPattern(document.Lumbra1, 9);
    Global::sLoadPath = L"C:\\elsewhere";

    ui.fileAnswers.push_back(path);
    ui.boxAnswers.push_back(IDOK);
    Main().RunCommand(mnuFileOpen);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, L"Reload " + path + L"?");
    EXPECT_EQ(ui.boxes[0].type, static_cast<UINT>(MB_OKCANCEL));
    EXPECT_EQ(Main().Documents().size(), 1u);
    EXPECT_EQ(document.Caption(), path);
    EXPECT_EQ(Pixels(document.Lumbra1), saved);
    EXPECT_EQ(Global::sLoadPath, L"C:\\elsewhere");

    // Cancel brings that window forward instead.
    frmDocument& other = NewDocument(4, 4);
    EXPECT_EQ(Main().ActiveDocument(), &other);
    ui.fileAnswers.push_back(path);
    ui.boxAnswers.push_back(IDCANCEL);
    Main().RunCommand(mnuFileOpen);
    EXPECT_EQ(Main().ActiveDocument(), &document);
    EXPECT_EQ(Main().Documents().size(), 2u);

    // The same file named with other letter case is another document.
    std::wstring upper = path;
    upper.replace(upper.size() - 8, 4, L"SAME");
    ui.fileAnswers.push_back(upper);
    Main().RunCommand(mnuFileOpen);
    EXPECT_EQ(Main().Documents().size(), 3u);
    EXPECT_EQ(Main().ActiveDocument()->Caption(), upper);
}

TEST_F(DocumentsTest, OpeningAFileInTheRootOfADriveRemembersTheDrive) {
    frmDocument& document = NewDocument(4, 4);
    const std::wstring path = L"C:\\rw-root-" + std::to_wstring(GetCurrentProcessId()) + L".bmp";
    document.Lumbra1.SaveAs(path);
    ui.fileAnswers.push_back(path);
    Main().RunCommand(mnuFileOpen);
    DeleteFileW(path.c_str());
    EXPECT_EQ(Global::sLoadPath, L"C:");
}

TEST_F(DocumentsTest, FilesThatCannotBeReadLeaveNoWindowNamedAfterThem) {
    const std::wstring corrupt = dir.File(L"corrupt.tif");
    rw::test::WriteBytes(corrupt, std::vector<unsigned char>(500, 0x42));
    frmDocument& document = NewDocument(30, 30);
    PaintPattern(document.Lumbra1, 5);
    const std::wstring good = dir.File(L"good.bmp");
    document.Lumbra1.SaveAs(good);
    auto bytes = rw::test::ReadBytes(good);
    bytes.resize(bytes.size() / 2);
    const std::wstring truncated = dir.File(L"truncated.bmp");
    rw::test::WriteBytes(truncated, bytes);

    ui.fileAnswers = {corrupt, truncated};
    ui.boxAnswers = {IDOK, IDOK};
    Main().RunCommand(mnuFileOpen);
    Main().RunCommand(mnuFileOpen);
    EXPECT_EQ(Main().Documents(), std::vector<frmDocument*>{&document});
    ASSERT_EQ(ui.boxes.size(), 2u);
    EXPECT_NE(ui.boxes[0].text.find(L"corrupt.tif"), std::wstring::npos);
    EXPECT_NE(ui.boxes[1].text.find(L"truncated.bmp"), std::wstring::npos);

    // A reload that fails keeps the window's image.
    document.SetCaption(corrupt);
    const auto before = Pixels(document.Lumbra1);
    ui.fileAnswers.push_back(corrupt);
    ui.boxAnswers = {IDOK, IDOK};
    Main().RunCommand(mnuFileOpen);
    EXPECT_EQ(ui.boxes.size(), 4u);
    EXPECT_EQ(Pixels(document.Lumbra1), before);
}

TEST_F(DocumentsTest, AFailedSaveIsReportedAndChangesNothing) {
    frmDocument& document = NewDocument(8, 8);
    const std::wstring locked = dir.File(L"locked.tif");
    rw::test::WriteBytes(locked, {7, 7, 7});
    SetFileAttributesW(locked.c_str(), FILE_ATTRIBUTE_READONLY);
    Global::sSavePath = L"C:\\before";

    ui.fileAnswers = {locked, locked};
    ui.boxAnswers = {IDOK, IDOK};
    Main().RunCommand(mnuFileSave);   // untitled
    Main().RunCommand(mnuFileSaveAs); // Save As
    ASSERT_EQ(ui.boxes.size(), 2u);
    EXPECT_NE(ui.boxes[0].text.find(L"locked.tif"), std::wstring::npos);
    EXPECT_NE(ui.boxes[0].text.find(L"read-only"), std::wstring::npos);
    EXPECT_EQ(document.Caption(), L"");
    EXPECT_EQ(Global::sSavePath, L"C:\\before");

    // Re-saving a titled document whose file has become read-only.
    document.SetCaption(locked);
    document.SetModified(true);
    ui.boxAnswers = {IDOK};
    Main().RunCommand(mnuFileSave);
    EXPECT_EQ(ui.boxes.size(), 3u);
    EXPECT_TRUE(document.Modified());
    SetFileAttributesW(locked.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(rw::test::ReadBytes(locked), (std::vector<unsigned char>{7, 7, 7}));
}

TEST_F(DocumentsTest, CommandsWithoutADocumentDoNothing) {
    Main().RunCommand(mnuFileSave);
    Main().RunCommand(mnuFileSaveAs);
    Main().RunCommand(mnuFileClose);
    Main().RunCommand(mnuEditCut);
    Main().RunCommand(mnuEditCopy);
    Main().RunCommand(mnuEditPaste);
    Main().RunCommand(mnuGenerateWave1);
    Main().RunCommand(mnuGenerateFault);
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_TRUE(ui.fileRequests.empty());
    EXPECT_TRUE(Main().Documents().empty());
}

// --- Closing ----------------------------------------------------------------------------------

TEST_F(DocumentsTest, ClosingAnUntitledDocumentAsksToSave) {
    frmDocument& document = NewDocument(8, 8);
    ui.boxAnswers = {IDCANCEL, IDNO};
    Main().RunCommand(mnuFileClose);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, L"Save changes before closing?");
    EXPECT_EQ(ui.boxes[0].title, L"Ridgewright");
    EXPECT_EQ(ui.boxes[0].type, static_cast<UINT>(MB_YESNOCANCEL));
    EXPECT_EQ(Main().Documents().size(), 1u);
    SendMessageW(document.hwnd(), WM_CLOSE, 0, 0); // the window's own close box
    EXPECT_TRUE(Main().Documents().empty());
}

TEST_F(DocumentsTest, YesThenNoFileNameKeepsTheWindowOpen) {
    NewDocument(8, 8);
    ui.boxAnswers = {IDYES};
    ui.fileAnswers = {L""};
    Main().RunCommand(mnuFileClose);
    EXPECT_EQ(Main().Documents().size(), 1u);

    const std::wstring path = dir.File(L"kept.png");
    ui.boxAnswers = {IDYES};
    ui.fileAnswers = {path};
    Main().RunCommand(mnuFileClose);
    EXPECT_TRUE(Main().Documents().empty());
    EXPECT_TRUE(rw::test::FileExists(path));
}

TEST_F(DocumentsTest, TitledDocumentsAskOnlyWhenChanged) {
    frmDocument& document = NewDocument(8, 8);
    const std::wstring path = dir.File(L"titled.bmp");
    ui.fileAnswers = {path};
    Main().RunCommand(mnuFileSave);
    EXPECT_FALSE(document.Modified());
    PaintPattern(document.Lumbra1, 6);
    Main().RunCommand(mnuEditCut); // a change
    EXPECT_TRUE(document.Modified());

    ui.boxAnswers = {IDYES};
    Main().RunCommand(mnuFileClose); // Yes saves to its own path, then closes
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_TRUE(Main().Documents().empty());
    EXPECT_EQ(ui.fileRequests.size(), 1u);

    ui.fileAnswers = {path};
    Main().RunCommand(mnuFileOpen);
    EXPECT_FALSE(Main().ActiveDocument()->Modified());
    Main().RunCommand(mnuFileClose); // unchanged since loaded: no question
    EXPECT_EQ(ui.boxes.size(), 1u);
    EXPECT_TRUE(Main().Documents().empty());
}

TEST_F(DocumentsTest, ACloseQueuedDuringCutKnowsTheDocumentChanged) {
    frmDocument& document = NewDocument(8, 8);
    const std::wstring path = dir.File(L"queued.bmp");
    ui.fileAnswers = {path};
    Main().RunCommand(mnuFileSave);
    ASSERT_FALSE(document.Modified());
    // The close box clicked just before: handled while the blank image is being made.
    PostMessageW(document.hwnd(), WM_CLOSE, 0, 0);
    ui.boxAnswers = {IDCANCEL};
    Main().RunCommand(mnuEditCut);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, L"Save changes before closing?");
    EXPECT_EQ(Main().Documents().size(), 1u);
}

TEST_F(DocumentsTest, ClosingTheMainWindowAsksEachDocumentAndStopsAtCancel) {
    frmDocument& first = NewDocument(8, 8);
    frmDocument& second = NewDocument(8, 8);
    ShowWindow(first.hwnd(), SW_MINIMIZE);
    // Each question is the main window's, asked with its document in front and restored.
    std::vector<HWND> asked;
    ui.whenAsked = [&asked](const ScriptedUi::Box& box) {
        EXPECT_EQ(box.owner, Main().hwnd());
        HWND active = Main().ActiveDocument()->hwnd();
        EXPECT_FALSE(IsIconic(active));
        asked.push_back(active);
    };
    ui.boxAnswers = {IDNO, IDCANCEL};
    SendMessageW(Main().hwnd(), WM_CLOSE, 0, 0);
    EXPECT_EQ(asked, (std::vector<HWND>{first.hwnd(), second.hwnd()}));
    EXPECT_EQ(ui.boxes.size(), 2u);
    EXPECT_EQ(Main().Documents().size(), 2u);
    EXPECT_TRUE(IsWindowVisible(Main().hwnd()));

    ui.boxAnswers = {IDCANCEL};
    Main().RunCommand(mnuFileExit);
    EXPECT_EQ(ui.boxes.size(), 3u); // the first refused: the second was not asked
    EXPECT_TRUE(IsWindowVisible(Main().hwnd()));

    ui.boxAnswers = {IDYES};
    ui.fileAnswers = {L""}; // Yes, then no name: the program stays
    Main().RunCommand(mnuFileExit);
    EXPECT_TRUE(IsWindowVisible(Main().hwnd()));

    ui.boxAnswers = {IDNO, IDNO};
    Main().RunCommand(mnuFileExit);
    EXPECT_EQ(Main().hwnd(), nullptr);
}

// --- Edit -------------------------------------------------------------------------------------

TEST_F(DocumentsTest, CopyAndPasteCarryTheImageBetweenDocuments) {
    frmDocument& first = NewDocument(37, 23);
    PaintPattern(first.Lumbra1, 7);
    first.SetCaption(dir.File(L"first.tif"));
    frmDocument& second = NewDocument(5, 5);
    second.SetCaption(dir.File(L"second.tif"));
    SendMessageW(Main().MdiClient(), WM_MDIACTIVATE, reinterpret_cast<WPARAM>(first.hwnd()), 0);
    Main().RunCommand(mnuEditCopy);
    EXPECT_FALSE(first.Modified());
    SendMessageW(Main().MdiClient(), WM_MDIACTIVATE, reinterpret_cast<WPARAM>(second.hwnd()), 0);
    Main().RunCommand(mnuEditPaste);
    EXPECT_EQ(second.Lumbra1.ImageWidth(), 37);
    EXPECT_EQ(second.Lumbra1.ImageHeight(), 23);
    EXPECT_EQ(Pixels(second.Lumbra1), Pixels(first.Lumbra1));
    EXPECT_EQ(second.Caption(), dir.File(L"second.tif")); // keeps its name
    EXPECT_TRUE(second.Modified());
}

TEST_F(DocumentsTest, CutBlanksTheImageAndLeavesTheClipboardAlone) {
    frmDocument& source = NewDocument(11, 7);
    PaintPattern(source.Lumbra1, 8);
    Main().RunCommand(mnuEditCopy);
    frmDocument& cut = NewDocument(300, 200);
    PaintPattern(cut.Lumbra1, 1);
    Main().RunCommand(mnuEditCut);
    EXPECT_EQ(cut.Lumbra1.ImageWidth(), 300);
    EXPECT_EQ(cut.Lumbra1.ImageHeight(), 200);
    for (uint8_t v : Pixels(cut.Lumbra1)) {
        ASSERT_EQ(v, 0);
    }
    Main().RunCommand(mnuEditPaste); // still what was copied before the cut
    EXPECT_EQ(Pixels(cut.Lumbra1), Pixels(source.Lumbra1));
}

TEST_F(DocumentsTest, PasteWithNoImageOnTheClipboardChangesNothing) {
    frmDocument& document = NewDocument(6, 6);
    PaintPattern(document.Lumbra1, 2);
    const auto before = Pixels(document.Lumbra1);
    OpenClipboard(nullptr);
    EmptyClipboard();
    CloseClipboard();
    Main().RunCommand(mnuEditPaste);
    EXPECT_EQ(Pixels(document.Lumbra1), before);
    EXPECT_FALSE(document.Modified());
    EXPECT_TRUE(ui.boxes.empty());
}

} // namespace
