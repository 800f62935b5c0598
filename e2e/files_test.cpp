// File New, Open, Save, Save As, Close and Exit with their questions, answered by pressing the
// real buttons of the real message boxes and file dialogs.
#include <windows.h>

#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "e2e/scenario.h"

namespace e2e {
namespace {

class Files : public Scenario {
protected:
    // The message box the editor shows now, its text shown in the log for whoever reads it.
    HWND Message(std::wstring& text) {
        HWND box = ed().WaitMessageBox();
        text = DialogText(box);
        std::cout << "      message: " << Narrow(text) << "\n";
        return box;
    }

    // A question about a document: the main window's, over its middle, the document in front.
    void ExpectAsksAbout(HWND box, HWND document) {
        EXPECT_EQ(ed().Main(), GetWindow(box, GW_OWNER));
        RECT shown, main;
        GetWindowRect(box, &shown);
        GetWindowRect(ed().Main(), &main);
        EXPECT_NEAR(shown.left + shown.right, main.left + main.right, 2);
        EXPECT_NEAR(shown.top + shown.bottom, main.top + main.bottom, 2);
        EXPECT_EQ(document, ed().ActiveDocument());
    }

    void Answer(HWND box, int button) {
        ed().Click(box, button);
        ed().WaitGone(box);
    }

    HWND OpenFile(const std::wstring& path, bool toolbar = false) {
        ed().Step("File Open " + Narrow(path));
        toolbar ? ed().ClickToolbar(1) : ed().Press(Chord{'O', true});
        ed().ChooseFile(L"Open", path);
        return nullptr;
    }

    HWND WaitDocument(const std::wstring& caption) {
        HWND found = nullptr;
        ed().WaitUntil(
            [&] {
                for (HWND document : ed().Documents()) {
                    if (WindowText(document) == caption) {
                        found = document;
                    }
                }
                return found != nullptr;
            },
            "a document titled " + Narrow(caption));
        return found;
    }

    // An untitled document with generated terrain.
    void Generated(const wchar_t* width, const wchar_t* height) { ed().NewTerrain(width, height); }
};

TEST_F(Files, CloseUntitledAnsweringYesSavesWhereTheUserSays) {
    Generated(L"80", L"60");
    ed().Step("Edit Copy");
    const Image shown = ed().CopyPicture();
    ASSERT_EQ(80, shown.width);
    ASSERT_EQ(60, shown.height);
    // The file goes where the check after the run looks for it, when there is such a place.
    const std::wstring folder = Config().out.empty() ? folder_ : Config().out;
    const std::wstring saved = folder + L"\\closed-yes.tif";
    const std::wstring expected = folder + L"\\closed-yes.expected.ppm";
    DeleteFileW(saved.c_str());
    DeleteFileW(expected.c_str());

    ed().Step("File Close");
    ed().Menu(L'F', L'C');
    std::wstring text;
    HWND box = Message(text);
    EXPECT_EQ(L"Save changes before closing?", text);
    EXPECT_TRUE(GetDlgItem(box, IDYES) && GetDlgItem(box, IDNO) && GetDlgItem(box, IDCANCEL));
    ed().Step("Yes");
    Answer(box, IDYES);
    ed().Step("Save dialog: type the name, Save");
    ed().ChooseFile(L"Save", saved);
    ed().WaitUntil([&] { return ed().Documents().empty(); }, "the window to close");
    ASSERT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(saved.c_str())) << "nothing was saved";
    // ImageMagick compares the file with these pixels once the run is over.
    WritePpm(expected, shown);

    // Read back through the editor: the same pixels come back.
    OpenFile(saved);
    HWND document = WaitDocument(saved);
    EXPECT_EQ(document, ed().ActiveDocument());
    ed().Step("Edit Copy of the reopened file");
    EXPECT_EQ(shown, ed().CopyPicture());
    // A document opened from a file and not changed closes without a question.
    ed().Step("File Close of the titled document");
    ed().Menu(L'F', L'C');
    ed().WaitUntil([&] { return ed().Documents().empty(); }, "the window to close");
    EXPECT_TRUE(ed().TopLevel(kDialogClass, nullptr).empty());
}

TEST_F(Files, CloseUntitledAnsweringNoWritesNothing) {
    Generated(L"64", L"");
    ed().Step("File Close");
    ed().Menu(L'F', L'C');
    std::wstring text;
    HWND box = Message(text);
    EXPECT_EQ(L"Save changes before closing?", text);
    ed().Step("No");
    Answer(box, IDNO);
    ed().WaitUntil([&] { return ed().Documents().empty(); }, "the window to close");
    ed().Step("after No");
    EXPECT_TRUE(ed().TopLevel(kDialogClass, nullptr).empty()) << "a dialog came after No";
    EXPECT_TRUE(FolderFiles().empty()) << "No wrote a file";
}

TEST_F(Files, CloseUntitledAnsweringCancelKeepsTheWindow) {
    Generated(L"64", L"");
    HWND document = ed().ActiveDocument();
    ed().Step("Edit Copy");
    const Image shown = ed().CopyPicture();
    ed().Step("File Close");
    ed().Menu(L'F', L'C');
    std::wstring text;
    HWND box = Message(text);
    ed().Step("Cancel");
    Answer(box, IDCANCEL);
    ed().Step("after Cancel");
    ASSERT_EQ(std::vector<HWND>{document}, ed().Documents());
    EXPECT_EQ(L"", WindowText(document));
    EXPECT_EQ(shown, ed().CopyPicture());

    // Yes, then leaving the Save dialog without a name: nothing is written, and the window
    // holding the unsaved terrain stays.
    ed().Step("File Close, Yes");
    ed().Menu(L'F', L'C');
    box = Message(text);
    Answer(box, IDYES);
    ed().Step("Save dialog: Cancel");
    ed().CancelFileDialog(L"Save");
    ed().Step("after cancelling the Save dialog");
    EXPECT_EQ(std::vector<HWND>{document}, ed().Documents());
    EXPECT_TRUE(FolderFiles().empty());
}

TEST_F(Files, ExitWithTwoUntitledCancelledAtTheSecondKeepsEverything) {
    ed().Step("File New twice");
    HWND first = ed().NewDocument(L"40");
    HWND second = ed().NewDocument(L"50");
    ASSERT_NE(first, second);
    ed().Step("File Exit");
    ed().Menu(L'F', L'X');
    std::wstring text;
    HWND box = Message(text);
    EXPECT_EQ(L"Save changes before closing?", text);
    ExpectAsksAbout(box, first);
    ed().Step("No for the first");
    Answer(box, IDNO);
    box = Message(text);
    EXPECT_EQ(L"Save changes before closing?", text);
    ExpectAsksAbout(box, second);
    ed().Step("Cancel for the second");
    Answer(box, IDCANCEL);
    ed().Step("after Cancel");
    EXPECT_EQ(2u, ed().Documents().size());
    EXPECT_TRUE(IsWindowVisible(ed().Main()));
    EXPECT_TRUE(ed().TopLevel(kDialogClass, nullptr).empty());

    // The window's close boxes ask the same: Ctrl+F4 for a document, Alt+F4 for the program.
    ed().Step("Ctrl+F4");
    ed().Press(Chord{VK_F4, true});
    box = Message(text);
    EXPECT_EQ(L"Save changes before closing?", text);
    ed().Step("Cancel");
    Answer(box, IDCANCEL);
    ed().Step("Alt+F4");
    ed().Press(Chord{VK_F4, false, true});
    box = Message(text);
    ed().Step("Cancel");
    Answer(box, IDCANCEL);
    ed().Step("after Alt+F4, Cancel");
    EXPECT_EQ(2u, ed().Documents().size());

    // The editor still works: a third document, then Exit answered No everywhere ends it and
    // keeps its window's place for the next run.
    ed().Step("File New after the refused Exit");
    ed().NewDocument(L"30");
    ed().Step("File Exit, No three times");
    ed().Menu(L'F', L'X');
    for (int k = 0; k < 3; ++k) {
        box = Message(text);
        Answer(box, IDNO);
    }
    ed().Step("the program ends");
    EXPECT_EQ(0u, ed().WaitExit());
    rw::win::ScopedRegKey key;
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExW(HKEY_CURRENT_USER,
                            L"Software\\VB and VBA Program Settings\\Ridgewright\\Settings", 0,
                            KEY_READ, key.Put()));
    for (const wchar_t* name : {L"MainLeft", L"MainTop", L"MainWidth", L"MainHeight"}) {
        EXPECT_EQ(ERROR_SUCCESS,
                  RegQueryValueExW(key.Get(), name, nullptr, nullptr, nullptr, nullptr))
            << Narrow(name) << " was not written";
    }
    EXPECT_TRUE(FolderFiles().empty());
}

TEST_F(Files, OpenOfAnOpenFileAnsweringOkReloadsInPlace) {
    const std::wstring path = In(L"reload.bmp");
    WriteBmp(path, Gradient(40, 30, 1));
    OpenFile(path, true);
    HWND document = WaitDocument(path);
    ed().Step("Edit Copy");
    EXPECT_EQ(Gradient(40, 30, 1), ed().CopyPicture());

    WriteBmp(path, Gradient(40, 30, 2)); // changed by someone else meanwhile
    OpenFile(path);
    std::wstring text;
    HWND box = Message(text);
    EXPECT_EQ(L"Reload " + path + L"?", text);
    EXPECT_TRUE(GetDlgItem(box, IDOK) && GetDlgItem(box, IDCANCEL));
    ed().Step("OK");
    Answer(box, IDOK);
    ed().Step("after OK");
    EXPECT_EQ(std::vector<HWND>{document}, ed().Documents());
    EXPECT_EQ(path, WindowText(document));
    EXPECT_EQ(Gradient(40, 30, 2), ed().CopyPicture());
}

TEST_F(Files, OpenOfAnOpenFileAnsweringCancelBringsItToTheFront) {
    const std::wstring a = In(L"a.bmp"), b = In(L"b.bmp");
    WriteBmp(a, Gradient(32, 32, 3));
    WriteBmp(b, Gradient(24, 40, 4));
    OpenFile(a);
    HWND first = WaitDocument(a);
    OpenFile(b, true);
    HWND second = WaitDocument(b);
    EXPECT_EQ(second, ed().ActiveDocument());

    WriteBmp(a, Gradient(32, 32, 5));
    OpenFile(a);
    std::wstring text;
    HWND box = Message(text);
    EXPECT_EQ(L"Reload " + a + L"?", text);
    ed().Step("Cancel");
    Answer(box, IDCANCEL);
    ed().Step("after Cancel");
    ed().WaitUntil([&] { return ed().ActiveDocument() == first; }, "the first file in front");
    EXPECT_EQ(2u, ed().Documents().size());
    EXPECT_EQ(Gradient(32, 32, 3), ed().CopyPicture()) << "Cancel reloaded the file";

    // The Window menu lists both; picking the second by its number brings it back.
    ed().Step("Window > 2");
    ed().Menu(L'W', L'2');
    ed().WaitUntil([&] { return ed().ActiveDocument() == second; }, "the second file in front");
    EXPECT_EQ(Gradient(24, 40, 4), ed().CopyPicture());
}

TEST_F(Files, UnreadableFilesAreReportedAndLeaveNoWindow) {
    // Bytes that only start like a picture, an empty file, and a bitmap whose header claims
    // 50000 by 50000 pixels that are not there.
    const std::wstring junk = In(L"broken.png"), empty = In(L"empty.png"), huge = In(L"huge.bmp");
    const char bytes[] = "\x89PNG\r\n\x1a\n but not a picture after all";
    rw::test::WriteBytes(junk, std::vector<unsigned char>(bytes, bytes + sizeof bytes));
    rw::test::WriteBytes(empty, {});
    WriteBmp(huge, Image{1, 1, {0}});
    std::vector<unsigned char> bmp = rw::test::ReadBytes(huge);
    ASSERT_GE(bmp.size(), 26u);
    const int32_t size[2] = {50000, 50000};
    std::memcpy(bmp.data() + 18, size, sizeof size); // biWidth, biHeight
    rw::test::WriteBytes(huge, bmp);

    for (const std::wstring& path : {junk, empty, huge}) {
        OpenFile(path);
        std::wstring text;
        HWND box = Message(text);
        EXPECT_FALSE(text.empty());
        if (path != huge) { // (that one names the size it cannot hold instead)
            EXPECT_NE(std::wstring::npos, text.find(path.substr(path.rfind(L'\\') + 1)))
                << "the message does not say which file";
        }
        ed().Step("OK");
        Answer(box, IDOK);
        ed().Step("after OK");
        EXPECT_TRUE(ed().Documents().empty());
        EXPECT_TRUE(ed().TopLevel(kDialogClass, nullptr).empty());
    }

    // Open, then leaving the dialog: nothing happens.
    ed().Step("File Open, Cancel");
    ed().Press(Chord{'O', true});
    ed().CancelFileDialog(L"Open");
    EXPECT_TRUE(ed().Documents().empty());
}

TEST_F(Files, FailingSavesAreReportedAndKeepTheFiles) {
    const std::wstring path = In(L"locked.bmp");
    WriteBmp(path, Gradient(36, 36, 6));
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY);
    const std::vector<unsigned char> before = rw::test::ReadBytes(path);
    OpenFile(path);
    HWND document = WaitDocument(path);
    ed().Step("Edit Cut");
    ed().Press(Chord{'X', true});
    ed().WaitUntil([&] { return ed().CopyPicture().IsUniform(); }, "the cut to blank the image");

    // File Save through the toolbar: the titled document is written without a question.
    ed().Step("toolbar Save");
    ed().ClickToolbar(2);
    std::wstring text;
    HWND box = Message(text);
    EXPECT_NE(std::wstring::npos, text.find(L"locked.bmp"))
        << "the message does not say which file";
    ed().Step("OK");
    Answer(box, IDOK);
    EXPECT_EQ(before, rw::test::ReadBytes(path)) << "the failed save changed the file";
    EXPECT_EQ(path, WindowText(document));

    // Save As onto the same file: the dialog asks before replacing, then the save fails.
    ed().Step("File Save As onto the read-only file");
    ed().Menu(L'F', L'A');
    HWND saveDialog = ed().WaitDialog(L"Save");
    ed().ChooseFile(L"Save", path);
    HWND replace = ed().WaitOwnedDialog(saveDialog, L"Save");
    std::cout << "      message: " << Narrow(DialogText(replace)) << "\n";
    ed().Step("Yes, replace it");
    Answer(replace, IDYES);
    box = Message(text);
    ed().Step("OK");
    Answer(box, IDOK);
    EXPECT_EQ(before, rw::test::ReadBytes(path));

    // Save As under a new name works and renames the window.
    const std::wstring copy = In(L"copy.png");
    ed().Step("File Save As a new file");
    ed().Menu(L'F', L'A');
    ed().ChooseFile(L"Save", copy);
    ed().WaitUntil([&] { return WindowText(document) == copy; }, "the window to take the new name");
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(copy.c_str()));
    // A name of no known file type: the user is told, nothing is written, the name stays.
    ed().Step("File Save As a name of no known type");
    ed().Menu(L'F', L'A');
    ed().ChooseFile(L"Save", In(L"picture.xyz"));
    box = Message(text);
    EXPECT_NE(std::wstring::npos, text.find(L"picture.xyz"));
    ed().Step("OK");
    Answer(box, IDOK);
    EXPECT_EQ(copy, WindowText(document));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(In(L"picture.xyz").c_str()));

    // File Save of the titled document rewrites it silently.
    DeleteFileW(copy.c_str());
    ed().Step("File Save");
    ed().Menu(L'F', L'S');
    ed().WaitUntil([&] { return GetFileAttributesW(copy.c_str()) != INVALID_FILE_ATTRIBUTES; },
                   "the file to be written again");
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(Files, CtrlSSavesAsFileSaveDoes) {
    Generated(L"40", L"30");
    const std::wstring path = In(L"terrain.png");
    ed().Step("Ctrl+S on the untitled document");
    ed().Press(Chord{'S', true});
    ed().ChooseFile(L"Save", path);
    HWND document = WaitDocument(path);
    const std::vector<unsigned char> terrain = rw::test::ReadBytes(path);
    ASSERT_FALSE(terrain.empty());
    ed().Step("Edit Cut, Ctrl+S on the titled document");
    ed().Press(Chord{'X', true});
    ed().WaitUntil([&] { return ed().CopyPicture().IsUniform(); }, "the cut to blank the image");
    ed().Press(Chord{'S', true});
    ed().WaitUntil([&] { return rw::test::ReadBytes(path) != terrain; },
                   "the file to be written again");
    EXPECT_TRUE(ed().TopLevel(kDialogClass, nullptr).empty()) << "a titled document was asked";
    EXPECT_EQ(path, WindowText(document));
}

// Where the chunk of that name ends, just past its checksum, in a PNG file's bytes.
size_t ChunkEnd(const std::vector<unsigned char>& png, const char* name) {
    for (size_t at = 8; at + 12 <= png.size();) {
        const size_t length = (size_t{png[at]} << 24) | (size_t{png[at + 1]} << 16) |
                              (size_t{png[at + 2]} << 8) | png[at + 3];
        if (std::memcmp(&png[at + 4], name, 4) == 0) {
            return at + 12 + length;
        }
        at += 12 + length;
    }
    ADD_FAILURE() << "no " << name << " chunk";
    return 1;
}

TEST_F(Files, DamagedFilesAreCalledDamaged) {
    // Files the editor wrote itself, then damaged as disks and transfers damage them.
    ed().Step("File New");
    HWND document = ed().NewDocument(L"24", L"16");
    const std::wstring png = In(L"good.png"), tif = In(L"good.tif");
    for (const std::wstring& path : {png, tif}) {
        ed().Step("File Save As " + Narrow(path));
        ed().Menu(L'F', L'A');
        ed().ChooseFile(L"Save", path);
        ed().WaitUntil([&] { return WindowText(document) == path; }, "the file saved");
    }
    const std::vector<unsigned char> good = rw::test::ReadBytes(png);
    std::vector<unsigned char> dataSum = good, headerSum = good;
    dataSum[ChunkEnd(good, "IDAT") - 1] ^= 0xFF;
    headerSum[ChunkEnd(good, "IHDR") - 1] ^= 0xFF;
    const std::wstring badData = In(L"bad-idat-crc.png"), badHeader = In(L"bad-ihdr-crc.png");
    rw::test::WriteBytes(badData, dataSum);
    rw::test::WriteBytes(badHeader, headerSum);
    std::vector<unsigned char> tiff = rw::test::ReadBytes(tif);
    tiff.resize(tiff.size() / 2);
    const std::wstring cutTiff = In(L"cut.tif"), cutBmp = In(L"cut.bmp");
    rw::test::WriteBytes(cutTiff, tiff);
    WriteBmp(cutBmp, Gradient(24, 16, 7));
    std::vector<unsigned char> bmp = rw::test::ReadBytes(cutBmp);
    bmp.resize(bmp.size() * 2 / 3);
    rw::test::WriteBytes(cutBmp, bmp);
    const std::wstring notes = In(L"notes.png");
    const std::string words = "a text file under a picture's name";
    rw::test::WriteBytes(notes, std::vector<unsigned char>(words.begin(), words.end()));

    const auto refused = [&](const std::wstring& path, const std::wstring& reason) {
        OpenFile(path);
        std::wstring text;
        HWND box = Message(text);
        EXPECT_EQ(L"\"" + path + L"\" cannot be read: " + reason, text);
        ed().Step("OK");
        Answer(box, IDOK);
        EXPECT_EQ(1u, ed().Documents().size()) << "a window was left for " << Narrow(path);
    };
    for (const std::wstring& path : {badData, badHeader, cutTiff, cutBmp}) {
        refused(path, L"the file is damaged");
    }
    refused(notes, L"it is not an image file of a known type");
    // The intact file opens.
    OpenFile(png);
    WaitDocument(png);
    ed().Step("Edit Copy of the intact file");
    EXPECT_EQ(24, ed().CopyPicture().width);
}

TEST_F(Files, NewWithASizeTheImageCannotHoldIsRefused) {
    ed().Step("File New 50000");
    ed().Press(Chord{'N', true});
    HWND dialog = ed().WaitDialog(L"New");
    ed().Type(L"50000");
    ed().Press(VK_RETURN);
    std::wstring text;
    HWND box = Message(text);
    EXPECT_FALSE(text.empty());
    ed().Step("OK");
    Answer(box, IDOK);
    ed().Step("after OK");
    EXPECT_TRUE(ed().Documents().empty()) << "a window without an image was left";

    ed().Step("File New 3000000000");
    ed().Press(Chord{'N', true});
    dialog = ed().WaitDialog(L"New");
    ed().Type(L"3000000000");
    ed().Press(VK_RETURN);
    box = Message(text);
    ed().Step("OK");
    Answer(box, IDOK);
    EXPECT_TRUE(IsWindowVisible(dialog)) << "the New dialog should stay for a smaller size";
    ed().Step("Esc");
    ed().Press(VK_ESCAPE);
    ed().WaitGone(dialog);
    EXPECT_TRUE(ed().Documents().empty());

    // The editor is still usable afterwards.
    ed().Step("File New 16");
    ed().NewDocument(L"16");
    EXPECT_EQ(16, ed().CopyPicture().width);
}

TEST_F(Files, CutCopyAndPasteBetweenDocuments) {
    Generated(L"50", L"40");
    HWND first = ed().ActiveDocument();
    ed().Step("Edit Copy");
    const Image terrain = ed().CopyPicture();
    ed().Step("File New");
    HWND second = ed().NewDocument(L"30");
    ed().Step("Edit Paste");
    ed().Press(Chord{'V', true});
    EXPECT_EQ(terrain, ed().CopyPicture()) << "Paste did not bring the first image";
    ed().Step("Edit Cut");
    ed().Press(Chord{'X', true});
    EXPECT_EQ(terrain, ReadClipboardPicture()) << "Cut changed the clipboard";
    const Image cut = ed().CopyPicture();
    EXPECT_TRUE(cut.IsUniform());
    EXPECT_EQ(50, cut.width);
    EXPECT_EQ(40, cut.height);
    // The menu's items do the same as their keys.
    ed().Step("Ctrl+F6 to the first document, Edit > Copy from the menu");
    ed().Press(Chord{VK_F6, true});
    ed().WaitUntil([&] { return ed().ActiveDocument() == first; }, "the first document");
    EXPECT_EQ(terrain, ed().CopyPicture(true));
    ed().Press(Chord{VK_F6, true});
    ed().WaitUntil([&] { return ed().ActiveDocument() == second; }, "the second document");
    ed().Step("Edit > Paste, Edit > Cut from the menu");
    ed().Menu(L'E', L'P');
    EXPECT_EQ(terrain, ed().CopyPicture());
    ed().Menu(L'E', L'T');
    EXPECT_TRUE(ed().CopyPicture().IsUniform());
}

// Another program's clipboard contents: pictures in the other layouts a DIB may have arrive
// with their colours, and whatever cannot be read leaves the document as it was.
class ForeignClipboard {
public:
    ForeignClipboard() {
        owner_ = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr,
                                 nullptr);
    }
    ~ForeignClipboard() { DestroyWindow(owner_); }
    ForeignClipboard(const ForeignClipboard&) = delete;
    ForeignClipboard& operator=(const ForeignClipboard&) = delete;

    void Put(UINT format, const std::vector<uint8_t>& bytes) {
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
        std::memcpy(GlobalLock(memory), bytes.data(), bytes.size());
        GlobalUnlock(memory);
        ASSERT_TRUE(OpenClipboard(owner_));
        EmptyClipboard();
        ASSERT_TRUE(SetClipboardData(format, memory));
        CloseClipboard();
    }

private:
    HWND owner_ = nullptr;
};

std::vector<uint8_t> DibHeader(int32_t width, int32_t height, uint16_t bits, uint32_t colors) {
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = bits;
    header.biCompression = BI_RGB;
    header.biClrUsed = colors;
    const auto* p = reinterpret_cast<const uint8_t*>(&header);
    return std::vector<uint8_t>(p, p + sizeof header);
}

TEST_F(Files, PasteOfAnotherProgramsClipboardContents) {
    ed().Step("File New");
    ed().NewDocument(L"8", L"6");
    const Image blank = ed().CopyPicture();
    ForeignClipboard clipboard;

    ed().Step("Paste of text");
    const std::string words = "not a picture";
    clipboard.Put(CF_TEXT, std::vector<uint8_t>(words.begin(), words.end() + 1));
    ed().Press(Chord{'V', true});
    EXPECT_EQ(blank, ed().CopyPicture());

    // 8 bits per pixel through a palette of three colours, rows bottom-up, padded to 4 bytes.
    ed().Step("Paste of a 3 x 2 picture of 8 bits per pixel");
    std::vector<uint8_t> dib = DibHeader(3, 2, 8, 3);
    for (uint32_t bgr : {0x0000FFu, 0x00FF00u, 0xFF0000u}) { // red, green, blue as B,G,R,0
        dib.push_back(static_cast<uint8_t>(bgr >> 16));
        dib.push_back(static_cast<uint8_t>(bgr >> 8));
        dib.push_back(static_cast<uint8_t>(bgr));
        dib.push_back(0);
    }
    for (uint8_t index : {2, 1, 0, 0, /* bottom row */ 0, 1, 2, 0 /* top row */}) {
        dib.push_back(index);
    }
    clipboard.Put(CF_DIB, dib);
    ed().Press(Chord{'V', true});
    const Image paletted = ed().CopyPicture();
    EXPECT_EQ((Image{3, 2, {0xFF0000, 0x00FF00, 0x0000FF, 0x0000FF, 0x00FF00, 0xFF0000}}),
              paletted);

    // 32 bits per pixel, top-down.
    ed().Step("Paste of a 2 x 2 top-down picture of 32 bits per pixel");
    dib = DibHeader(2, -2, 32, 0);
    for (uint32_t bgrx : {0x00102030u, 0x00405060u, 0x00708090u, 0x00A0B0C0u}) {
        for (int k = 0; k < 4; ++k) {
            dib.push_back(static_cast<uint8_t>(bgrx >> (8 * k)));
        }
    }
    clipboard.Put(CF_DIB, dib);
    ed().Press(Chord{'V', true});
    EXPECT_EQ((Image{2, 2, {0x102030, 0x405060, 0x708090, 0xA0B0C0}}), ed().CopyPicture());

    // A header that promises far more pixels than follow it.
    ed().Step("Paste of a truncated picture");
    dib = DibHeader(4000, 4000, 24, 0);
    dib.resize(dib.size() + 64, 0x55);
    clipboard.Put(CF_DIB, dib);
    ed().Press(Chord{'V', true});
    ed().Step("after the truncated paste");
    EXPECT_EQ((Image{2, 2, {0x102030, 0x405060, 0x708090, 0xA0B0C0}}), ed().CopyPicture());
    EXPECT_TRUE(ed().TopLevel(kDialogClass, nullptr).empty()) << "Paste reported an error";
}

TEST_F(Files, TheNewDialogTakesOnlyNumbers) {
    ed().Step("File New");
    ed().Press(Chord{'N', true});
    HWND dialog = ed().WaitDialog(L"New");
    HWND text1 = GetDlgItem(dialog, kNewWidthField), text2 = GetDlgItem(dialog, kNewHeightField);
    ed().Step("type 12 and letters");
    ed().Type(L"12ab");
    ed().WaitUntil([&] { return WindowText(text1) == L"12" && WindowText(text2) == L"12"; },
                   "12 in both");
    ed().Step("type letters only");
    ed().Press(Chord{'A', true});
    ed().Type(L"xy");
    ed().WaitUntil([&] { return WindowText(text1) == L"0"; }, "the width to read 0");
    ed().Step("Tab out of a field below 1");
    ed().Press(VK_TAB);
    PumpFor(200);
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info);
    EXPECT_EQ(text1, info.hwndFocus) << "the focus left a field whose number is below 1";
    ed().Step("Enter with 0");
    ed().Press(VK_RETURN);
    PumpFor(200);
    EXPECT_TRUE(IsWindowVisible(dialog)) << "Ok took a width of 0";

    // Typed key by key, a decimal point is taken back at once ("0." reads as 0, whose text is
    // "0"): fractions arrive by pasting them whole.
    ForeignClipboard clipboard;
    const auto paste = [&](const std::wstring& number) {
        const auto* p = reinterpret_cast<const uint8_t*>(number.c_str());
        clipboard.Put(CF_UNICODETEXT,
                      std::vector<uint8_t>(p, p + (number.size() + 1) * sizeof(wchar_t)));
        ed().Press(Chord{'A', true});
        ed().Press(Chord{'V', true});
    };
    // 0.4 passes Ok's test but rounds to 0: the dialog closes and no window is made.
    ed().Step("paste 0.4, Enter");
    paste(L"0.4");
    ed().WaitUntil([&] { return WindowText(text1) == L"0.4"; }, "0.4");
    ed().Press(VK_RETURN);
    ed().WaitGone(dialog);
    PumpFor(200);
    EXPECT_TRUE(ed().Documents().empty());

    // Halves round to the even neighbour: 2.5 by 3.5 gives 2 by 4.
    ed().Step("File New, paste 2.5 and 3.5");
    ed().Press(Chord{'N', true});
    dialog = ed().WaitDialog(L"New");
    ed().WaitUntil([&] { return WindowText(text1) == L"128"; }, "the New dialog's fields");
    paste(L"2.5");
    ed().WaitUntil([&] { return WindowText(text2) == L"2.5"; }, "2.5 in both");
    ed().Step("Tab, paste 3.5");
    ed().Press(VK_TAB);
    paste(L"3.5");
    ed().WaitUntil([&] { return WindowText(text2) == L"3.5"; }, "3.5 as the height");
    ed().Press(VK_RETURN);
    ed().WaitGone(dialog);
    ed().WaitUntil([&] { return ed().Documents().size() == 1; }, "the new document");
    ed().Step("Edit Copy");
    const Image made = ed().CopyPicture();
    ed().Step("end");
    EXPECT_EQ(2, made.width);
    EXPECT_EQ(4, made.height);
}

} // namespace
} // namespace e2e
