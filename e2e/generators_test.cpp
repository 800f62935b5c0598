// The five generator dialogs, each through the same user's path: Random, Apply, Esc during a
// render, Cancel putting the image back, Ok keeping it.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <iostream>
#include <ostream>
#include <string>
#include <vector>

#include "e2e/scenario.h"

namespace e2e {
namespace {

struct Generator {
    const char* name;
    int menuPosition; // in the Generate menu, whose items have no access keys
    const wchar_t* caption;
};

void PrintTo(const Generator& generator, std::ostream* out) {
    *out << generator.name;
}

std::vector<HWND> Sliders(HWND dialog) {
    std::vector<HWND> list;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t cls[64] = {};
        GetClassNameW(child, cls, 64);
        if (std::wstring(cls) == TRACKBAR_CLASSW) {
            list.push_back(child);
        }
    }
    return list;
}

std::vector<LRESULT> Positions(HWND dialog) {
    std::vector<LRESULT> values;
    for (HWND slider : Sliders(dialog)) {
        values.push_back(SendMessageW(slider, TBM_GETPOS, 0, 0));
    }
    return values;
}

class DialogScenario : public Scenario {
protected:
    void Close(HWND dialog, const wchar_t* button) {
        ed().Step(Narrow(button));
        ed().Click(dialog, button);
        ed().WaitGone(dialog);
        ed().WaitUntil([&] { return IsWindowEnabled(ed().Main()); }, "the main window's input");
    }
};

class GeneratorScenario : public DialogScenario, public testing::WithParamInterface<Generator> {
protected:
    HWND Open() {
        ed().Step(std::string("Generate > ") + GetParam().name);
        ed().MenuByPosition(L'G', GetParam().menuPosition);
        HWND dialog = ed().WaitDialog(GetParam().caption);
        EXPECT_FALSE(IsWindowEnabled(ed().Main())) << "the dialog is modal";
        return dialog;
    }
};

// Scenarios of the dialogs' common framework, where one generator stands for all five.
class GeneratorDialogs : public DialogScenario {};

TEST_P(GeneratorScenario, RandomApplyResetCancelOk) {
    constexpr int kSide = 96;
    ed().Step("File New");
    ed().NewDocument(std::to_wstring(kSide));
    const Image blank = ed().CopyPicture();
    ASSERT_TRUE(blank.IsUniform());

    // Random draws new slider values and renders them.
    HWND dialog = Open();
    const std::vector<LRESULT> initial = Positions(dialog);
    ASSERT_FALSE(initial.empty());
    ed().Step("Random");
    ed().ClickAndWait(dialog, L"Ra&ndom");
    EXPECT_NE(initial, Positions(dialog)) << "Random moved no slider";
    EXPECT_EQ(L"", ed().StatusText(0)) << "the progress text stays after the render";
    // Opening the dialog put the document's image on the clipboard: the undo copy.
    EXPECT_EQ(blank, ReadClipboardPicture());
    Close(dialog, L"&Ok");
    ed().Step("Edit Copy after Ok");
    const Image first = ed().CopyPicture();
    EXPECT_FALSE(first.IsUniform()) << "Ok kept no terrain";
    EXPECT_EQ(kSide, first.width);

    // Cancel puts back, pixel for pixel, what the document showed when the dialog opened.
    dialog = Open();
    const std::vector<LRESULT> kept = Positions(dialog);
    ed().Step("Random before Cancel");
    ed().ClickAndWait(dialog, L"Ra&ndom");
    Close(dialog, L"&Cancel");
    ed().Step("Edit Copy after Cancel");
    EXPECT_EQ(first, ed().CopyPicture());

    // Apply renders the sliders as they stand: the same values give the same terrain.
    dialog = Open();
    EXPECT_NE(kept, Positions(dialog)) << "the dialog forgot the values of its last Random";
    ed().Step("Apply");
    ed().ClickAndWait(dialog, L"&Apply");
    Close(dialog, L"&Ok");
    ed().Step("Edit Copy after Apply");
    const Image applied = ed().CopyPicture();
    EXPECT_NE(first, applied);
    dialog = Open();
    ed().Step("Apply again");
    ed().ClickAndWait(dialog, L"&Apply");
    Close(dialog, L"&Ok");
    EXPECT_EQ(applied, ed().CopyPicture());

    // A locked slider keeps its value through Random; Reset moves sliders and clears the
    // locks but draws nothing.
    dialog = Open();
    ed().Step("Lock the first slider");
    const std::vector<LRESULT> beforeLock = Positions(dialog);
    HWND lock = ed().Button(dialog, L"Lock");
    ed().Click(dialog, L"Lock");
    ed().WaitUntil([&] { return SendMessageW(lock, BM_GETCHECK, 0, 0) == BST_CHECKED; },
                   "the Lock box to be checked", 5000);
    ed().Step("Random with a lock");
    ed().ClickAndWait(dialog, L"Ra&ndom");
    EXPECT_EQ(beforeLock.front(), Positions(dialog).front()) << "Random moved a locked slider";
    ed().Step("Reset");
    ed().ClickAndWait(dialog, L"&Reset");
    EXPECT_EQ(BST_UNCHECKED, SendMessageW(lock, BM_GETCHECK, 0, 0)) << "Reset kept a lock";
    ed().Step("Cancel after Reset");
    Close(dialog, L"&Cancel");
    EXPECT_EQ(applied, ed().CopyPicture());
    dialog = Open();
    ed().Step("Reset, Ok");
    ed().ClickAndWait(dialog, L"&Reset");
    Close(dialog, L"&Ok");
    EXPECT_EQ(applied, ed().CopyPicture()) << "Reset drew";

    // A second Esc, with no render running, is Cancel.
    dialog = Open();
    ed().Step("Random, then Esc after it");
    ed().ClickAndWait(dialog, L"Ra&ndom");
    ed().Press(VK_ESCAPE);
    ed().WaitGone(dialog);
    EXPECT_EQ(applied, ed().CopyPicture());
}

// Percent of a render at which drawing has begun: the Fault line surveys its whole field
// before it draws the first column.
int DrawingStartsAt(const Generator& generator) {
    return std::string(generator.name) == "FaultLine" ? 51 : 1;
}

TEST_P(GeneratorScenario, EscStopsTheRenderAfterTheCurrentColumn) {
    // Large enough that the render lasts long after its first progress text has shown: the
    // fastest generators draw 1200 x 1200 in about 50 ms on two cores, sooner than Esc arrives
    // once the driver has seen the progress and waited for the editor to take input.
    constexpr int kSide = 3600;
    ed().Step("File New");
    ed().NewDocument(std::to_wstring(kSide));
    const Image blank = ed().CopyPicture();

    HWND dialog = Open();
    ed().Step("Random, then Esc while it renders");
    ed().Click(dialog, L"Ra&ndom");
    int seen = -1;
    ed().WaitUntil(
        [&] {
            const std::wstring text = ed().StatusText(0);
            seen = text.find(L"% complete, ESC to cancel") == std::wstring::npos ? -1
                                                                                 : std::stoi(text);
            return seen >= DrawingStartsAt(GetParam());
        },
        "the progress text", 20000);
    ed().Press(VK_ESCAPE);
    ed().WaitUntil([&] { return ed().StatusText(0).empty(); }, "the render to stop", 20000);
    ed().Step("after Esc");
    EXPECT_TRUE(IsWindowVisible(dialog)) << "Esc during a render closed the dialog";
    Close(dialog, L"&Ok");
    ed().Step("Edit Copy after Ok");
    const Image partial = ed().CopyPicture();
    EXPECT_FALSE(partial.IsUniform()) << "the render drew nothing";
    EXPECT_TRUE(partial.SameColumn(blank, kSide - 1))
        << "the render ran to its end (Esc seen at " << seen << "%)";
    // (Its first column may well be black: the Fault line's lowest ground can lie there.)

    // Cancel after the stopped render puts back the image of the dialog's opening.
    dialog = Open();
    ed().Step("Random, Esc, Cancel");
    ed().Click(dialog, L"Ra&ndom");
    ed().WaitUntil([&] { return !ed().StatusText(0).empty(); }, "the progress text", 20000);
    ed().Press(VK_ESCAPE);
    ed().WaitUntil([&] { return ed().StatusText(0).empty(); }, "the render to stop", 20000);
    Close(dialog, L"&Cancel");
    EXPECT_EQ(partial, ed().CopyPicture());
}

// Ok while a render runs: the dialog goes at once, the render draws to its end, and only then
// does the main window take input again.
TEST_F(GeneratorDialogs, OkDuringARenderLetsItFinish) {
    constexpr int kSide = 1200;
    ed().Step("File New");
    ed().NewDocument(std::to_wstring(kSide));
    const Image blank = ed().CopyPicture();
    ed().Step("Generate > Exponential Wave");
    ed().MenuByPosition(L'G', 3);
    HWND dialog = ed().WaitDialog(L"Exponential Wave");
    ed().Step("Random, then Ok while it renders");
    ed().Click(dialog, L"Ra&ndom");
    ed().WaitUntil([&] { return !ed().StatusText(0).empty(); }, "the progress text", 20000);
    ed().Click(dialog, L"&Ok");
    ed().WaitGone(dialog);
    ed().WaitUntil([&] { return ed().StatusText(0).empty(); }, "the render to end", 30000);
    ed().WaitUntil([&] { return IsWindowEnabled(ed().Main()); }, "the main window's input");
    ed().Step("Edit Copy");
    const Image drawn = ed().CopyPicture();
    EXPECT_FALSE(drawn.IsUniform());
    // The whole terrain is there: Apply of the same values draws the same pixels.
    ed().Step("Generate > Exponential Wave, Apply, Ok");
    ed().MenuByPosition(L'G', 3);
    dialog = ed().WaitDialog(L"Exponential Wave");
    ed().ClickAndWait(dialog, L"&Apply");
    ed().Click(dialog, L"&Ok");
    ed().WaitGone(dialog);
    EXPECT_EQ(drawn, ed().CopyPicture()) << "the render stopped when the dialog went";
}

RECT WindowRectOf(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return r;
}

std::string Text(const RECT& r) {
    return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" +
           std::to_string(r.right) + "," + std::to_string(r.bottom) + ")";
}

int64_t Covered(const RECT& a, const RECT& b) {
    RECT shared;
    return IntersectRect(&shared, &a, &b)
               ? int64_t{shared.right - shared.left} * (shared.bottom - shared.top)
               : 0;
}

// The least of the picture that a window of that size can cover anywhere on the work area,
// every place tried.
int64_t LeastCover(const RECT& work, const RECT& picture, LONG w, LONG h) {
    int64_t least = INT64_MAX;
    for (LONG x = work.left; x <= std::max(work.left, work.right - w); ++x) {
        for (LONG y = work.top; y <= std::max(work.top, work.bottom - h); ++y) {
            least = std::min(least, Covered(RECT{x, y, x + w, y + h}, picture));
        }
    }
    return least;
}

TEST_F(GeneratorDialogs, TheyOpenBesideTheDocumentAndReopenWhereTheUserLeftThem) {
    ed().Step("File New");
    HWND document = ed().NewDocument(L"64");
    ed().Step("Generate > Sine Wave");
    ed().MenuByPosition(L'G', 0);
    HWND sine = ed().WaitDialog(L"Sine Wave");
    const RECT main = WindowRectOf(ed().Main()), placed = WindowRectOf(sine);
    EXPECT_EQ(main.right, placed.left)
        << "the dialog at " << Text(placed) << ", the main window at " << Text(main);
    EXPECT_EQ(0, Covered(main, placed)) << "the dialog covers the main window";

    ed().Step("drag the dialog by its caption");
    POINT client{0, 0};
    ClientToScreen(sine, &client);
    const POINT grip{(placed.left + placed.right) / 2, (placed.top + client.y) / 2};
    ed().Drag(grip, POINT{grip.x - 300, grip.y + 150});
    ed().WaitUntil(
        [&] {
            GUITHREADINFO input{};
            input.cbSize = sizeof input;
            GetGUIThreadInfo(GetWindowThreadProcessId(sine, nullptr), &input);
            return !(input.flags & GUI_INMOVESIZE) && WindowRectOf(sine).left != placed.left;
        },
        "the drag to end");
    const RECT dragged = WindowRectOf(sine);
    EXPECT_EQ(placed.left - 300, dragged.left) << Text(dragged);
    EXPECT_EQ(placed.top + 150, dragged.top) << Text(dragged);
    Close(sine, L"&Ok");
    ed().Step("Generate > Sine Wave again");
    ed().MenuByPosition(L'G', 0);
    sine = ed().WaitDialog(L"Sine Wave");
    RECT reopened = WindowRectOf(sine);
    EXPECT_TRUE(EqualRect(&dragged, &reopened))
        << "left at " << Text(dragged) << ", reopened at " << Text(reopened);
    Close(sine, L"&Ok");

    // No room beside the main window: the document fills the screen.
    ed().Step("maximise the main window, Window > Tile Vertical");
    ed().Menu(L' ', L'X');
    ed().WaitUntil([&] { return IsZoomed(ed().Main()) != FALSE; }, "the main window maximised");
    ed().Menu(L'W', L'V');
    const auto shownPicture = [&] {
        const RECT image = WindowRectOf(ChildOfClass(document, L"RidgewrightImage"));
        const RECT area = WindowRectOf(ed().MdiClient());
        RECT shown{};
        IntersectRect(&shown, &image, &area);
        return shown;
    };
    ed().WaitUntil(
        [&] {
            const RECT shown = shownPicture(), area = WindowRectOf(ed().MdiClient());
            return shown.right - shown.left > (area.right - area.left) / 2;
        },
        "the document to fill the window");
    ed().Step("Generate > Fourier Wave");
    ed().MenuByPosition(L'G', 1);
    HWND fourier = ed().WaitDialog(L"Fourier Wave");
    // The windows stay as they are while the dialog is up: it is modal.
    const RECT over = WindowRectOf(fourier), picture = shownPicture();
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_EQ(LeastCover(work, picture, over.right - over.left, over.bottom - over.top),
              Covered(over, picture))
        << "the dialog at " << Text(over) << ", the picture at " << Text(picture);
    Close(fourier, L"&Ok");
    ed().Step("Generate > Sine Wave once more");
    ed().MenuByPosition(L'G', 0);
    sine = ed().WaitDialog(L"Sine Wave");
    reopened = WindowRectOf(sine);
    EXPECT_TRUE(EqualRect(&dragged, &reopened))
        << "left at " << Text(dragged) << ", reopened at " << Text(reopened);
    Close(sine, L"&Ok");
}

INSTANTIATE_TEST_SUITE_P(Generate, GeneratorScenario,
                         testing::Values(Generator{"SineWave", 0, L"Sine Wave"},
                                         Generator{"FourierWave", 1, L"Fourier Wave"},
                                         Generator{"FmWave", 2, L"FM Wave 1"},
                                         Generator{"ExponentialWave", 3, L"Exponential Wave"},
                                         Generator{"FaultLine", 4, L"Fault line"}),
                         [](const testing::TestParamInfo<Generator>& info) {
                             return std::string(info.param.name);
                         });

// While another program holds the clipboard, the undo copy can be neither taken nor given
// back: the editor says so instead of drawing over an image it could not restore. (The undo
// copy belongs to the dialogs' common framework.)

TEST_F(GeneratorDialogs, AnotherProgramHoldingItStopsTheGeneratorSafely) {
    ed().Step("File New");
    ed().NewDocument(L"48");
    const Image blank = ed().CopyPicture();
    struct HeldClipboard {
        HeldClipboard() { held = OpenClipboard(nullptr) != FALSE; }
        ~HeldClipboard() { Release(); }
        void Release() {
            if (held) {
                CloseClipboard();
                held = false;
            }
        }
        bool held = false;
    };
    {
        HeldClipboard clipboard;
        ASSERT_TRUE(clipboard.held);
        ed().Step("Generate > Sine Wave while the clipboard is held");
        ed().MenuByPosition(L'G', 0);
        HWND box = ed().WaitMessageBox();
        const std::wstring text = DialogText(box);
        std::cout << "      message: " << Narrow(text) << "\n";
        EXPECT_NE(std::wstring::npos, text.find(L"clipboard"));
        ed().Step("OK");
        ed().Click(box, IDOK);
        ed().WaitGone(box);
        EXPECT_EQ(nullptr, ed().FindDialog(L"Sine Wave")) << "the dialog opened all the same";
    }
    ed().WaitUntil([&] { return IsWindowEnabled(ed().Main()); }, "the main window's input");

    ed().Step("Generate > Sine Wave");
    ed().MenuByPosition(L'G', 0);
    HWND dialog = ed().WaitDialog(L"Sine Wave");
    ed().Step("Random");
    ed().ClickAndWait(dialog, L"Ra&ndom");
    {
        HeldClipboard clipboard;
        ASSERT_TRUE(clipboard.held);
        ed().Step("Cancel while the clipboard is held");
        ed().Click(dialog, L"&Cancel");
        HWND box = ed().WaitMessageBox();
        std::cout << "      message: " << Narrow(DialogText(box)) << "\n";
        ed().Step("OK");
        ed().Click(box, IDOK);
        ed().WaitGone(box);
        EXPECT_TRUE(IsWindowVisible(dialog)) << "the dialog closed without its image put back";
    }
    ed().Step("Cancel once the clipboard is free");
    ed().Click(dialog, L"&Cancel");
    ed().WaitGone(dialog);
    EXPECT_EQ(blank, ed().CopyPicture());
}

} // namespace
} // namespace e2e
