// The Filter menu of the shipped editor: a folder of fixture filters chosen with the system's
// folder picker, filters run on a generated terrain from the catalogue's submenus and from the
// control's Select Plug-In dialog, Undo, Repeat (also after a restart), Esc during a run, filters
// that fail or crash, and the menu without the control.
#include <windows.h>

#include <iostream>
#include <string>
#include <vector>

#include "e2e/plugin_fixtures.h"
#include "e2e/scenario.h"

namespace e2e {
namespace {

// Places in the Filter menu below Plug-In Folder: the fixtures' two categories.
constexpr int kFixtures = 1;
constexpr int kPairs = 2;
// Titles in the Ridgewright Fixtures submenu, sorted as the Select Plug-In dialog sorts them.
constexpr int kAlwaysFails = 0;
constexpr int kCrasher = 1;
constexpr int kInvert = 2;
constexpr int kSlowProgress = 3;
// Titles in the Ridgewright Pairs submenu.
constexpr int kPairBlue = 0;
constexpr int kPairRed = 1;

Image Mapped(Image image, uint32_t (*pixel)(uint32_t)) {
    for (uint32_t& p : image.pixels) {
        p = pixel(p);
    }
    return image;
}
Image Inverted(const Image& image) {
    return Mapped(image, [](uint32_t p) { return ~p & 0xFFFFFFu; });
}
Image FullBlue(const Image& image) {
    return Mapped(image, [](uint32_t p) { return p | 0xFFu; });
}
Image FullRed(const Image& image) {
    return Mapped(image, [](uint32_t p) { return p | 0xFF0000u; });
}

class Filters : public Scenario {
protected:
    void SetUp() override {
        RegisterPlugInControl(true);
        Scenario::SetUp();
    }

    // Two categories: Ridgewright Fixtures (Always Fails, Crasher, Invert, Slow Progress) and
    // Ridgewright Pairs (Pair Blue, Pair Red).
    std::wstring FilterFolder() {
        return CopyFixtures(In(L"filters"), {L"invert.8bf", L"progress.8bf", L"fails.8bf",
                                             L"crash.8bf", L"pair.8bf"});
    }

    void ChooseFilterFolder(const std::wstring& folder) {
        ed().Step("Filter > Plug-In Folder...");
        ed().Menu(L'T', L'F');
        ed().ChooseFile(L"Plug-In Folder", folder);
        ed().WaitUntil([&] { return !ed().FindDialog(L"Plug-In Folder"); },
                       "the folder picker to close");
    }

    void RunFromMenu(int category, int title, const std::string& name) {
        ed().Step("Filter > " + name);
        ed().MenuPath(L'T', {category, title});
    }

    // The Filter menu opened and left, and what the status bar said while it was open.
    std::wstring FilterMenuHint() {
        ed().Step("the Filter menu, open");
        ed().Press(Chord{'T', false, true});
        ed().WaitWindow(kMenuClass, nullptr, 5000);
        std::wstring hint;
        ed().WaitUntil([&] { return !(hint = ed().StatusText(0)).empty(); }, "a hint", 5000);
        std::cout << "      hint: " << Narrow(hint) << "\n";
        ed().Press(VK_ESCAPE);
        ed().Press(VK_ESCAPE);
        ed().WaitUntil([&] { return ed().TopLevel(kMenuClass, nullptr).empty(); },
                       "the menu to close", 5000);
        return hint;
    }

    // The message box a failed filter shows, answered with OK; its text.
    std::wstring FilterFailure() {
        HWND box = ed().WaitMessageBox(L"Ridgewright", 30000);
        const std::wstring text = DialogText(box);
        std::cout << "      message: " << Narrow(text) << "\n";
        ed().Click(box, IDOK);
        ed().WaitGone(box);
        return text;
    }
};

class FiltersWithoutTheControl : public Scenario {
protected:
    void SetUp() override {
        RegisterPlugInControl(false);
        Scenario::SetUp();
    }
};

TEST_F(Filters, AChosenFolderListsItsFiltersWhichRunAndUndo) {
    EXPECT_NE(std::wstring::npos, FilterMenuHint().find(L"Plug-In Folder"));
    EXPECT_EQ(L"", ed().StatusText(0)) << "the hint stays after the menu";
    ChooseFilterFolder(FilterFolder());
    // Filters listed, but no picture to run them on: Select Plug-In, Repeat and Ctrl+F are off.
    EXPECT_NE(std::wstring::npos, FilterMenuHint().find(L"picture"));
    ed().Step("Alt+T S, Alt+T R and Ctrl+F without a document");
    for (WORD item : {'S', 'R'}) {
        ed().Press(Chord{'T', false, true});
        ed().WaitWindow(kMenuClass, nullptr, 5000);
        ed().Press(item);
        ed().Press(VK_ESCAPE);
        ed().Press(VK_ESCAPE);
        ed().WaitUntil([&] { return ed().TopLevel(kMenuClass, nullptr).empty(); },
                       "the menu to close", 5000);
    }
    ed().Press(Chord{'F', true});
    PumpFor(100);
    EXPECT_TRUE(ed().TopLevel(kDialogClass, nullptr).empty())
        << "an item that is off did something";
    EXPECT_TRUE(ed().Documents().empty());
    ed().NewTerrain(L"48", L"40");
    const Image terrain = ed().CopyPicture();

    RunFromMenu(kFixtures, kInvert, "Ridgewright Fixtures > Invert");
    EXPECT_EQ(Inverted(terrain), ed().CopyPictureOnceIdle());
    EXPECT_EQ(L"", ed().StatusText(0));
    ed().Step("Ctrl+F repeats Invert");
    ed().Press(Chord{'F', true});
    EXPECT_EQ(terrain, ed().CopyPictureOnceIdle());
    ed().Step("Ctrl+Z");
    ed().Press(Chord{'Z', true});
    EXPECT_EQ(Inverted(terrain), ed().CopyPicture());
    ed().Step("Edit > Undo");
    ed().Menu(L'E', L'U');
    EXPECT_EQ(terrain, ed().CopyPicture());
    ed().Step("Ctrl+Z with nothing left to undo");
    ed().Press(Chord{'Z', true});
    EXPECT_EQ(terrain, ed().CopyPicture());

    RunFromMenu(kPairs, kPairBlue, "Ridgewright Pairs > Pair Blue");
    const Image blue = ed().CopyPictureOnceIdle();
    EXPECT_EQ(FullBlue(terrain), blue);

    // Saved, the document is as its file; a filter changes it, and Undo makes it so again.
    const std::wstring path = In(L"blue.bmp");
    ed().Step("File > Save As");
    ed().Menu(L'F', L'A');
    ed().ChooseFile(L"Save", path);
    ed().WaitUntil([&] { return WindowText(ed().ActiveDocument()) == path; }, "the saved title");
    RunFromMenu(kFixtures, kInvert, "Invert after saving");
    EXPECT_EQ(Inverted(blue), ed().CopyPictureOnceIdle());
    ed().Step("Ctrl+Z, File > Close");
    ed().Press(Chord{'Z', true});
    EXPECT_EQ(blue, ed().CopyPicture());
    ed().Menu(L'F', L'C');
    ed().WaitUntil([&] { return ed().Documents().empty(); }, "the document to close unasked");
    EXPECT_TRUE(ed().TopLevel(kDialogClass, nullptr).empty());
    ed().Step("File Open of the saved file");
    ed().Press(Chord{'O', true});
    ed().ChooseFile(L"Open", path);
    ed().WaitUntil([&] { return ed().Documents().size() == 1; }, "the document");
    EXPECT_EQ(blue, ed().CopyPicture());
}

TEST_F(Filters, EscDuringARunKeepsThePicture) {
    ChooseFilterFolder(FilterFolder());
    ed().NewTerrain(L"24", L"1500");
    const Image terrain = ed().CopyPicture();
    RunFromMenu(kFixtures, kSlowProgress, "Slow Progress");
    std::wstring progress;
    ed().WaitUntil(
        [&] {
            progress = ed().StatusText(0);
            return progress.find(L"% complete, ESC to cancel") != std::wstring::npos &&
                   progress.rfind(L"0%", 0) != 0;
        },
        "the filter's progress", 30000);
    std::cout << "      progress: " << Narrow(progress) << "\n";
    // The editor is busy but alive: it takes no commands, and still answers its window system.
    EXPECT_FALSE(IsWindowEnabled(ed().Main()));
    DWORD_PTR answer = 0;
    EXPECT_TRUE(SendMessageTimeoutW(ed().Main(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &answer));
    ed().Step("Esc");
    ed().Press(VK_ESCAPE);
    EXPECT_EQ(terrain, ed().CopyPictureOnceIdle());
    EXPECT_EQ(L"", ed().StatusText(0));
    ed().Step("Ctrl+Z: the cancelled run left nothing to undo");
    ed().Press(Chord{'Z', true});
    EXPECT_EQ(terrain, ed().CopyPicture());
}

TEST_F(Filters, FiltersThatFailOrCrashAreReportedAndChangeNothing) {
    ChooseFilterFolder(FilterFolder());
    ed().NewTerrain(L"32", L"32");
    const Image terrain = ed().CopyPicture();
    for (const auto& [place, name] :
         {std::pair{kAlwaysFails, L"Always Fails"}, std::pair{kCrasher, L"Crasher"}}) {
        RunFromMenu(kFixtures, place, Narrow(name));
        const std::wstring text = FilterFailure();
        EXPECT_NE(std::wstring::npos, text.find(std::wstring(L"\"") + name + L"\""));
        EXPECT_NE(std::wstring::npos, text.find(L"Plug-In was unable to process image."));
        EXPECT_EQ(terrain, ed().CopyPicture());
    }
    // The editor, and the filters, go on.
    RunFromMenu(kFixtures, kInvert, "Invert after the crash");
    EXPECT_EQ(Inverted(terrain), ed().CopyPictureOnceIdle());
}

TEST_F(Filters, SelectPlugInWithTheMouseAndRepeatAfterARestart) {
    ChooseFilterFolder(FilterFolder());
    ed().NewTerrain(L"40", L"30");
    const Image terrain = ed().CopyPicture();
    ed().Step("Filter > Select Plug-In...");
    ed().Menu(L'T', L'S');
    HWND dialog = ed().WaitOwnedDialog(ed().Main(), L"Select Plug-In");
    Tree tree(ed(), dialog);
    const std::vector<Tree::Item> roots = tree.Roots();
    ASSERT_EQ(roots.size(), 2u);
    ed().Step("double click on Ridgewright Fixtures, click on Invert, click on O&K");
    tree.DoubleClick(roots[0].handle);
    ed().WaitUntil([&] { return tree.Expanded(roots[0].handle); }, "the category to open");
    const std::vector<Tree::Item> fixtures = tree.Children(roots[0].handle);
    ASSERT_EQ(fixtures.size(), 4u);
    ASSERT_EQ(fixtures[kInvert].text, L"Invert");
    tree.Click(fixtures[kInvert].handle);
    HWND ok = ed().Button(dialog, L"O&K");
    RECT r;
    GetClientRect(ok, &r);
    ed().ClickAt(ok, POINT{r.right / 2, r.bottom / 2});
    ed().WaitGone(dialog);
    EXPECT_EQ(Inverted(terrain), ed().CopyPictureOnceIdle());

    ed().Step("File > Exit, No");
    ed().Menu(L'F', L'X');
    HWND box = ed().WaitMessageBox();
    ed().Click(box, IDNO);
    EXPECT_EQ(0u, ed().WaitExit());

    editor_ = std::make_unique<Editor>(folder_, Editor::kKeepSettings);
    ed().NewTerrain(L"40", L"30");
    const Image again = ed().CopyPicture();
    ed().Step("Ctrl+F after the restart");
    ed().Press(Chord{'F', true});
    EXPECT_EQ(Inverted(again), ed().CopyPictureOnceIdle());
    RunFromMenu(kPairs, kPairRed, "Ridgewright Pairs > Pair Red after the restart");
    EXPECT_EQ(FullRed(Inverted(again)), ed().CopyPictureOnceIdle());
}

TEST_F(FiltersWithoutTheControl, TheItemsAreOffAndTheStatusBarSaysWhy) {
    ed().NewTerrain(L"20", L"20");
    const Image blank = ed().CopyPicture();
    ed().Step("Filter menu");
    ed().Press(Chord{'T', false, true});
    ed().WaitWindow(kMenuClass, nullptr, 5000);
    ed().WaitUntil([&] { return ed().StatusText(0).find(L"lumbraplug.ocx") != std::wstring::npos; },
                   "the hint", 5000);
    ed().Step("F, S and R on items that are off");
    for (WORD key : {'F', 'S', 'R'}) {
        ed().Press(key);
    }
    ed().Press(VK_ESCAPE);
    ed().Press(VK_ESCAPE);
    ed().Step("Ctrl+F");
    ed().Press(Chord{'F', true});
    PumpFor(200);
    EXPECT_TRUE(ed().TopLevel(kDialogClass, nullptr).empty())
        << "an item that is off did something";
    EXPECT_EQ(blank, ed().CopyPicture());
}

} // namespace
} // namespace e2e
