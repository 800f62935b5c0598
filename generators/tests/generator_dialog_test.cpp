// The generator dialogs in the running editor: opening, the render with its progress and
// cancellation, Random, Reset, Ok, Cancel and the undo copy.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "components/image_control.h"
#include "documents/frmDocument.h"
#include "generators/frmGenerator.h"
#include "generators/layout.h"
#include "core/random.h"
#include "shell/frmMain.h"
#include "shell/global.h"
#include "win32/dpi.h"
#include "win32/strings.h"
#include "shell/tests/editor_test_support.h"

namespace {

using rw::test::Main;
using rw::test::NewDocument;
using rw::test::Pixels;
using rw::test::RunningEditor;
using rw::test::ScriptedUi;
using rw::test::WhileModal;

void Activate(frmDocument& document) {
    SendMessageW(Main().MdiClient(), WM_MDIACTIVATE, reinterpret_cast<WPARAM>(document.hwnd()), 0);
}

// A colour no generator draws (they draw grays only), to tell old pixels from new ones.
void FillOld(rw::ImageControl& control) {
    const rw::Surface24 s = control.Surface();
    for (int32_t y = 0; y < s.height; ++y) {
        for (int32_t x = 0; x < s.width; ++x) {
            uint8_t* p = s.Pixel(x, y);
            p[0] = 10;
            p[1] = 200;
            p[2] = static_cast<uint8_t>(x + y);
        }
    }
}

bool IsOld(const rw::ImageControl& control, int32_t x, int32_t y) {
    const uint8_t* p = control.Surface().Pixel(x, y);
    return p[0] == 10 && p[1] == 200;
}

int Gray(const rw::ImageControl& control, int32_t x, int32_t y) {
    const uint8_t* p = control.Surface().Pixel(x, y);
    EXPECT_TRUE(p[0] == p[1] && p[1] == p[2]) << x << "," << y;
    return p[0];
}

// Watches what is written into the status bar's text panel, and lets a test act when a given
// text appears (which happens inside the render, between two columns).
class StatusWatch {
public:
    StatusWatch() {
        instance = this;
        Main().PanelRepaintMs = 0; // every text is written, so every one can be seen
        SetWindowSubclass(Main().sbStatusBar(), Proc, 1, 0);
    }
    ~StatusWatch() {
        RemoveWindowSubclass(Main().sbStatusBar(), Proc, 1);
        instance = nullptr;
    }
    StatusWatch(const StatusWatch&) = delete;
    StatusWatch& operator=(const StatusWatch&) = delete;

    std::vector<std::wstring> texts;
    std::wstring trigger;
    std::function<void()> action;

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                 DWORD_PTR) {
        if (message == SB_SETTEXTW && LOBYTE(LOWORD(wParam)) == 0 && instance) {
            const std::wstring text = reinterpret_cast<const wchar_t*>(lParam);
            instance->texts.push_back(text);
            if (instance->action && text == instance->trigger) {
                auto act = std::move(instance->action);
                instance->action = nullptr;
                act();
            }
        }
        return DefSubclassProc(hwnd, message, wParam, lParam);
    }
    static inline StatusWatch* instance = nullptr;
};

// Presses a key in the dialog as the user would: posted to the control with the focus, so it
// arrives through the message pump and the dialog's keyboard handling.
void PressKey(frmGenerator& dialog, WPARAM key) {
    HWND focus = GetFocus();
    if (!focus || !IsChild(dialog.hwnd(), focus)) {
        focus = dialog.Button(frmGenerator::cmdApply);
    }
    PostMessageW(focus, WM_KEYDOWN, key, 0);
}

class GeneratorTest : public testing::Test {
protected:
    RunningEditor editor;
    ScriptedUi ui;
};

TEST_F(GeneratorTest, SineWaveAppliedWithItsInitialValuesDrawsRings) {
    frmDocument& document = NewDocument(100, 100);
    frmWave1& dialog = frmWave1::Instance(Main().hwnd());
    dialog.cmdReset_Click(); // whatever an earlier test left
    bool visible = false;
    WhileModal([&] {
        visible = dialog.IsVisible();
        dialog.cmdApply_Click();
        dialog.cmdOk_Click();
    });
    Main().RunCommand(mnuGenerateWave1);
    EXPECT_TRUE(visible);
    EXPECT_FALSE(dialog.IsVisible());
    EXPECT_EQ(dialog.TargetImage, &document.Lumbra1);
    EXPECT_EQ(Gray(document.Lumbra1, 0, 0), 111);
    EXPECT_EQ(Gray(document.Lumbra1, 50, 50), 128);
    EXPECT_EQ(Gray(document.Lumbra1, 99, 0), 67);
    EXPECT_FALSE(dialog.Rendering);
    EXPECT_EQ(Main().StatusText(), L"");
    EXPECT_TRUE(document.Modified());
}

TEST_F(GeneratorTest, ProgressReachesOneHundredAndTheStatusIsClearedAfterwards) {
    frmDocument& document = NewDocument(64, 8);
    StatusWatch watch;
    WhileModal([] {
        frmWave1::Instance(nullptr).cmdApply_Click();
        frmWave1::Instance(nullptr).cmdOk_Click();
    });
    Main().RunCommand(mnuGenerateWave1);
    // One text per column, then the empty text.
    ASSERT_EQ(watch.texts.size(), 65u);
    EXPECT_EQ(watch.texts.front(), L"0% complete, ESC to cancel");
    EXPECT_EQ(watch.texts[63], L"100% complete, ESC to cancel");
    EXPECT_EQ(watch.texts[31], L"49% complete, ESC to cancel"); // Int(31 * 100 / 63)
    EXPECT_EQ(watch.texts.back(), L"");
    EXPECT_EQ(document.Lumbra1.ImageWidth(), 64);
}

TEST_F(GeneratorTest, OnePixelWideImagesRenderWithoutDividingByZero) {
    frmDocument& document = NewDocument(1, 5);
    FillOld(document.Lumbra1);
    StatusWatch watch;
    WhileModal([] {
        frmWave2::Instance(nullptr).cmdApply_Click();
        frmWave2::Instance(nullptr).cmdOk_Click();
    });
    Main().RunCommand(mnuGenerateWave2);
    EXPECT_FALSE(IsOld(document.Lumbra1, 0, 4));
    ASSERT_EQ(watch.texts.size(), 2u);
    EXPECT_EQ(watch.texts[0], L"100% complete, ESC to cancel");
}

TEST_F(GeneratorTest, EscapeStopsTheRenderAfterTheColumnAndASecondEscapeRestores) {
    frmDocument& document = NewDocument(301, 40);
    FillOld(document.Lumbra1);
    const auto original = Pixels(document.Lumbra1);
    frmWave1& dialog = frmWave1::Instance(Main().hwnd());
    StatusWatch watch;
    watch.trigger = L"10% complete, ESC to cancel"; // after column 30 (Int(30 * 100 / 300))
    watch.action = [&dialog] { PressKey(dialog, VK_ESCAPE); };
    bool stillOpen = false;
    bool leftNewRightOld = false;
    WhileModal([&] {
        dialog.cmdApply_Click();
        stillOpen = dialog.IsVisible();
        // Column 30 showed 10% and was the last one drawn; the key was handled inside the pump
        // that followed it.
        leftNewRightOld = !IsOld(document.Lumbra1, 30, 39) && IsOld(document.Lumbra1, 31, 0) &&
                          IsOld(document.Lumbra1, 300, 39);
        EXPECT_EQ(Main().StatusText(), L"");
        EXPECT_FALSE(dialog.Rendering);
        EXPECT_TRUE(Global::CancelRequested); // stays set until the next render
        PressKey(dialog, VK_ESCAPE);
    });
    Main().RunCommand(mnuGenerateWave1);
    EXPECT_TRUE(stillOpen);
    EXPECT_TRUE(leftNewRightOld);
    EXPECT_FALSE(dialog.IsVisible());
    EXPECT_EQ(Pixels(document.Lumbra1), original); // the whole image as it was at opening
    EXPECT_FALSE(document.Modified());
}

// Eight threads run columns far ahead of the drawing; Esc still ends the render at the column
// whose progress was showing, and the image holds that column and nothing after it.
TEST_F(GeneratorTest, EscapeStopsAThreadedRenderAtTheColumnShown) {
    frmDocument& document = NewDocument(101, 300);
    FillOld(document.Lumbra1);
    frmWave3& dialog = frmWave3::Instance(Main().hwnd());
    dialog.RenderThreads = 8;
    StatusWatch watch;
    watch.trigger = L"20% complete, ESC to cancel"; // after column 20 (Int(20 * 100 / 100))
    watch.action = [&dialog] { PressKey(dialog, VK_ESCAPE); };
    bool leftNewRightOld = false;
    WhileModal([&] {
        dialog.cmdApply_Click();
        leftNewRightOld = !IsOld(document.Lumbra1, 20, 299) && IsOld(document.Lumbra1, 21, 0) &&
                          IsOld(document.Lumbra1, 21, 299) && IsOld(document.Lumbra1, 100, 150);
        PressKey(dialog, VK_ESCAPE);
    });
    Main().RunCommand(mnuGenerateWave3);
    dialog.RenderThreads = 0;
    EXPECT_TRUE(leftNewRightOld);
    EXPECT_EQ(watch.texts.size(), 22u); // columns 0 to 20, then the empty text
}

TEST_F(GeneratorTest, ButtonsDuringARenderOnlyCancelOrHide) {
    frmDocument& document = NewDocument(201, 30);
    FillOld(document.Lumbra1);
    frmWave3& dialog = frmWave3::Instance(Main().hwnd());
    dialog.cmdReset_Click();
    const rw::SliderValues before = dialog.CurrentValues();
    StatusWatch watch;
    watch.trigger = L"50% complete, ESC to cancel";
    bool hiddenAtOnce = false;
    watch.action = [&] {
        dialog.cmdRandom_Click();
        dialog.cmdReset_Click();
        dialog.cmdApply_Click(); // no render inside the render
        dialog.SetLocked(0, 0, true);
        dialog.cmdOk_Click();
        hiddenAtOnce = !dialog.IsVisible();
        // The main window takes no input until the render is over.
        EXPECT_FALSE(IsWindowEnabled(Main().hwnd()));
    };
    WhileModal([&] { dialog.cmdApply_Click(); });
    Main().RunCommand(mnuGenerateWave3);
    EXPECT_TRUE(hiddenAtOnce);
    EXPECT_EQ(dialog.CurrentValues().frame[0], before.frame[0]);
    EXPECT_EQ(dialog.CurrentValues().frame[1], before.frame[1]);
    EXPECT_FALSE(IsOld(document.Lumbra1, 200, 29)); // the render ran to its end
    EXPECT_TRUE(IsWindowEnabled(Main().hwnd()));
    // One pass of progress only: the Apply pressed during it did not start another.
    EXPECT_EQ(std::count(watch.texts.begin(), watch.texts.end(), L"100% complete, ESC to cancel"),
              1);
    dialog.SetLocked(0, 0, false);
}

TEST_F(GeneratorTest, ClosingTheDialogFrameActsAsCancel) {
    frmDocument& document = NewDocument(120, 20);
    FillOld(document.Lumbra1);
    const auto original = Pixels(document.Lumbra1);
    frmWave4& dialog = frmWave4::Instance(Main().hwnd());
    StatusWatch watch;
    watch.trigger = L"20% complete, ESC to cancel";
    watch.action = [&dialog] { PostMessageW(dialog.hwnd(), WM_CLOSE, 0, 0); };
    bool cancelledMidway = false;
    WhileModal([&] {
        dialog.cmdApply_Click();
        cancelledMidway = IsOld(document.Lumbra1, 119, 0) && dialog.IsVisible();
        PostMessageW(dialog.hwnd(), WM_CLOSE, 0, 0);
    });
    Main().RunCommand(mnuGenerateWave4);
    EXPECT_TRUE(cancelledMidway);
    EXPECT_FALSE(dialog.IsVisible());
    EXPECT_EQ(Pixels(document.Lumbra1), original);
}

TEST_F(GeneratorTest, FaultLineCancelledInItsFirstPassChangesNoPixel) {
    frmDocument& document = NewDocument(101, 30);
    FillOld(document.Lumbra1);
    const auto original = Pixels(document.Lumbra1);
    frmFault1& dialog = frmFault1::Instance(Main().hwnd());
    dialog.cmdReset_Click();
    StatusWatch watch;
    watch.trigger = L"25% complete, ESC to cancel";
    watch.action = [&dialog] { PressKey(dialog, VK_ESCAPE); };
    std::vector<uint8_t> afterCancel;
    WhileModal([&] {
        dialog.cmdApply_Click();
        afterCancel = Pixels(document.Lumbra1);
        dialog.cmdOk_Click();
    });
    Main().RunCommand(mnuGenerateFault);
    EXPECT_EQ(afterCancel, original);
    EXPECT_EQ(watch.texts.back(), L"");
    EXPECT_EQ(std::count(watch.texts.begin(), watch.texts.end(), L"50% complete, ESC to cancel"),
              0);
}

TEST_F(GeneratorTest, FaultLineCancelledInItsSecondPassKeepsTheColumnsDrawn) {
    frmDocument& document = NewDocument(101, 30);
    FillOld(document.Lumbra1);
    frmFault1& dialog = frmFault1::Instance(Main().hwnd());
    dialog.cmdReset_Click();
    StatusWatch watch;
    // The second pass shows 75% first after column 50 (Int(50 * 50 / 100 + 50)).
    watch.trigger = L"75% complete, ESC to cancel";
    watch.action = [&dialog] { PressKey(dialog, VK_ESCAPE); };
    WhileModal([&] {
        dialog.cmdApply_Click();
        dialog.cmdOk_Click();
    });
    Main().RunCommand(mnuGenerateFault);
    EXPECT_FALSE(IsOld(document.Lumbra1, 50, 29));
    EXPECT_TRUE(IsOld(document.Lumbra1, 51, 0));
    // Both passes reported: 0 to 50 in the first, then on from 50 (the panel is only written
    // when its text changes, so the second pass's first 50 does not show as a new text).
    ASSERT_GE(watch.texts.size(), 53u);
    EXPECT_EQ(watch.texts[0], L"0% complete, ESC to cancel");
    EXPECT_EQ(watch.texts[50], L"50% complete, ESC to cancel");
    EXPECT_EQ(watch.texts[51], L"51% complete, ESC to cancel");
}

// The documented random rules of the Sine Wave, written out independently of the tables.
int32_t Uniform21(float r) {
    return static_cast<int32_t>(std::floor(r * 21.0 - 10));
}
int32_t SkewedFrequency(float r) {
    return static_cast<int32_t>(std::floor(std::fabs(r - 0.2) * 21.0 - 10));
}
int32_t SkewedOrder(float r) {
    return static_cast<int32_t>(std::floor(std::fabs(r - 0.2) * 4.0 + 1));
}

TEST_F(GeneratorTest, RandomDrawsForUnlockedRowsInOrderAndRenders) {
    frmDocument& document = NewDocument(40, 40);
    frmWave1& dialog = frmWave1::Instance(Main().hwnd());
    dialog.cmdReset_Click();
    // Lock X Offset of operator 1 and Blend; set a locked value that must survive.
    dialog.SetSliderValue(0, 0, 7);
    dialog.SetLocked(0, 0, true);
    dialog.SetLocked(0, 6, true);
    const uint64_t seed = 20261208;
    rw::TheRandom().Reseed(seed);
    WhileModal([&] {
        dialog.cmdRandom_Click();
        dialog.cmdOk_Click();
    });
    Main().RunCommand(mnuGenerateWave1);

    rw::ProgramRandom replay(seed);
    const rw::SliderValues got = dialog.CurrentValues();
    EXPECT_EQ(got.frame[0][0], 7);
    int32_t (*const rules[6])(float) = {Uniform21,       Uniform21,   SkewedFrequency,
                                        SkewedFrequency, SkewedOrder, SkewedOrder};
    for (int k = 1; k < 6; ++k) {
        EXPECT_EQ(got.frame[0][k], rules[k](replay.Rnd())) << "operator 1 row " << k;
    }
    EXPECT_EQ(got.frame[0][6], 0); // Blend locked: no draw
    for (int k = 0; k < 6; ++k) {
        EXPECT_EQ(got.frame[1][k], rules[k](replay.Rnd())) << "operator 2 row " << k;
    }
    EXPECT_TRUE(document.Modified()); // it rendered
    for (int k : {0, 6}) {
        dialog.SetLocked(0, k, false);
    }
}

TEST_F(GeneratorTest, RandomWithEveryRowLockedStillRenders) {
    frmDocument& document = NewDocument(30, 30);
    FillOld(document.Lumbra1);
    frmWave2& dialog = frmWave2::Instance(Main().hwnd());
    dialog.cmdReset_Click();
    dialog.SetSliderValue(0, 0, 4);
    for (int n = 0; n < 2; ++n) {
        for (int k = 0; k < 6; ++k) {
            dialog.SetLocked(n, k, true);
        }
    }
    const rw::SliderValues before = dialog.CurrentValues();
    rw::TheRandom().Reseed(1);
    WhileModal([&] {
        dialog.cmdRandom_Click();
        dialog.cmdOk_Click();
    });
    Main().RunCommand(mnuGenerateWave2);
    EXPECT_EQ(dialog.CurrentValues().frame[0], before.frame[0]);
    EXPECT_EQ(dialog.CurrentValues().frame[1], before.frame[1]);
    EXPECT_FALSE(IsOld(document.Lumbra1, 15, 15));
    rw::ProgramRandom untouched(1);
    EXPECT_EQ(rw::TheRandom().Rnd(), untouched.Rnd()); // nothing was drawn

    // Reset unlocks every row and puts the Reset values back, without drawing.
    const auto drawn = Pixels(document.Lumbra1);
    WhileModal([&] {
        dialog.cmdReset_Click();
        dialog.cmdOk_Click();
    });
    Main().RunCommand(mnuGenerateWave2);
    EXPECT_EQ(Pixels(document.Lumbra1), drawn);
    for (int n = 0; n < 2; ++n) {
        for (int k = 0; k < 6; ++k) {
            EXPECT_FALSE(dialog.Locked(n, k));
            EXPECT_EQ(dialog.SliderValue(n, k), 0); // the Fourier Wave resets every slider to 0
        }
    }
}

TEST_F(GeneratorTest, ReopeningShowsTheLastSettingsAndTheVariantSurvivesReset) {
    NewDocument(10, 10);
    frmWave3& dialog = frmWave3::Instance(Main().hwnd());
    dialog.cmdReset_Click();
    WhileModal([&] {
        dialog.SetSliderValue(1, 2, 3);
        dialog.SetLocked(1, 1, true);
        SendMessageW(dialog.Option(1), BM_CLICK, 0, 0);
        dialog.cmdOk_Click();
    });
    Main().RunCommand(mnuGenerateWave3);
    rw::SliderValues seen;
    bool locked = false;
    WhileModal([&] {
        seen = dialog.CurrentValues();
        locked = dialog.Locked(1, 1);
        dialog.cmdReset_Click();
        dialog.cmdOk_Click();
    });
    Main().RunCommand(mnuGenerateWave3);
    EXPECT_EQ(seen.frame[1][2], 3);
    EXPECT_EQ(seen.variant, 1);
    EXPECT_TRUE(locked);
    EXPECT_EQ(dialog.Variant(), 1);         // Reset leaves the variant
    EXPECT_EQ(dialog.SliderValue(1, 2), 2); // Operator Y's Frequency resets to 2
    EXPECT_FALSE(dialog.Locked(1, 1));
    SendMessageW(dialog.Option(0), BM_CLICK, 0, 0);
}

TEST_F(GeneratorTest, CancelRestoresTheImageOfTheDocumentItWasOpenedOn) {
    frmDocument& first = NewDocument(50, 50);
    frmDocument& second = NewDocument(30, 20);
    FillOld(second.Lumbra1);
    const auto secondBefore = Pixels(second.Lumbra1);
    frmWave1& dialog = frmWave1::Instance(Main().hwnd());
    Activate(first);
    WhileModal([&] {
        dialog.cmdApply_Click();
        dialog.cmdOk_Click();
    });
    Main().RunCommand(mnuGenerateWave1);
    Activate(second);
    WhileModal([&] {
        dialog.cmdApply_Click();
        dialog.cmdCancel_Click();
    });
    Main().RunCommand(mnuGenerateWave1);
    EXPECT_EQ(second.Lumbra1.ImageWidth(), 30);
    EXPECT_EQ(Pixels(second.Lumbra1), secondBefore);
    EXPECT_FALSE(IsOld(first.Lumbra1, 0, 0)); // the first keeps what Ok kept
}

TEST_F(GeneratorTest, PastingElsewhereAfterOpeningInsertsTheImageAsItWasThen) {
    frmDocument& source = NewDocument(24, 16);
    FillOld(source.Lumbra1);
    const auto atOpening = Pixels(source.Lumbra1);
    frmDocument& other = NewDocument(5, 5);
    Activate(source);
    WhileModal([] {
        frmWave4::Instance(nullptr).cmdApply_Click();
        frmWave4::Instance(nullptr).cmdOk_Click();
    });
    Main().RunCommand(mnuGenerateWave4);
    Activate(other);
    Main().RunCommand(mnuEditPaste);
    EXPECT_EQ(Pixels(other.Lumbra1), atOpening);
}

TEST_F(GeneratorTest, DialogsAreLaidOutFromTheirTablesAtTheScreensResolution) {
    NewDocument(4, 4);
    struct Expected {
        frmGenerator* dialog;
        const wchar_t* caption;
        const wchar_t* frames[2];
    };
    const Expected all[] = {
        {&frmWave1::Instance(Main().hwnd()), L"Sine Wave", {L" Operator 1 ", L" Operator 2 "}},
        {&frmWave2::Instance(Main().hwnd()), L"Fourier Wave", {L" Operator X ", L" Operator Y "}},
        {&frmWave3::Instance(Main().hwnd()), L"FM Wave 1", {L" Operator X", L" Operator Y "}},
        {&frmWave4::Instance(Main().hwnd()),
         L"Exponential Wave",
         {L" Operator X", L" Operator Y "}},
        {&frmFault1::Instance(Main().hwnd()), L"Fault line", {L" Operator 1 ", L" Operator 2 "}},
    };
    for (const Expected& e : all) {
        frmGenerator& dialog = *e.dialog;
        EXPECT_EQ(rw::win::WindowText(dialog.hwnd()), e.caption);
        const rw::GeneratorLayout layout = rw::LayoutFor(dialog.Table());
        for (int n = 0; n < 2; ++n) {
            EXPECT_EQ(rw::win::WindowText(dialog.Frame1(n)), e.frames[n]);
            RECT r;
            GetWindowRect(dialog.Frame1(n), &r);
            MapWindowPoints(nullptr, dialog.hwnd(), reinterpret_cast<POINT*>(&r), 2);
            EXPECT_EQ(r.left, rw::win::TwipsToPixels(n == 0 ? 120 : 3480));
            EXPECT_EQ(r.bottom - r.top, rw::win::TwipsToPixels(layout.frames[n].height));
        }
        RECT ok;
        GetWindowRect(dialog.Button(frmGenerator::cmdOk), &ok);
        MapWindowPoints(nullptr, dialog.hwnd(), reinterpret_cast<POINT*>(&ok), 2);
        EXPECT_EQ(ok.left, rw::win::TwipsToPixels(3600));
        EXPECT_EQ(ok.top, rw::win::TwipsToPixels(layout.buttons[rw::kOk].top));
        EXPECT_EQ(LOWORD(SendMessageW(dialog.hwnd(), DM_GETDEFID, 0, 0)), frmGenerator::cmdOk);
        const wchar_t* captions[] = {L"&Reset", L"Ra&ndom", L"&Ok", L"&Cancel", L"&Apply"};
        const int ids[] = {frmGenerator::cmdReset, frmGenerator::cmdRandom, frmGenerator::cmdOk,
                           frmGenerator::cmdCancel, frmGenerator::cmdApply};
        for (int k = 0; k < 5; ++k) {
            EXPECT_EQ(rw::win::WindowText(dialog.Button(ids[k])), captions[k]);
        }
        EXPECT_EQ(rw::win::WindowText(dialog.Check(1, 0)), L"Lock");
    }
    frmGenerator& fm = frmWave3::Instance(Main().hwnd());
    EXPECT_EQ(rw::win::WindowText(fm.Option(0)), L"Variant 1");
    EXPECT_EQ(rw::win::WindowText(fm.Option(1)), L"Variant 2");
    // Each slider has its table's range, steps and starting value.
    frmGenerator& sine = frmWave1::Instance(Main().hwnd());
    HWND order = sine.Slider(0, 4);
    EXPECT_EQ(SendMessageW(order, TBM_GETRANGEMIN, 0, 0), 1);
    EXPECT_EQ(SendMessageW(order, TBM_GETRANGEMAX, 0, 0), 4);
    EXPECT_EQ(SendMessageW(order, TBM_GETPAGESIZE, 0, 0), 1);
    EXPECT_EQ(SendMessageW(sine.Slider(0, 0), TBM_GETPAGESIZE, 0, 0), 5);
    EXPECT_EQ(SendMessageW(sine.Slider(0, 0), TBM_GETLINESIZE, 0, 0), 1);
}

TEST_F(GeneratorTest, TheVariantIsTakenWhenTheRenderStarts) {
    frmDocument& document = NewDocument(64, 32);
    frmWave3& dialog = frmWave3::Instance(Main().hwnd());
    dialog.cmdReset_Click();
    SendMessageW(dialog.Option(0), BM_CLICK, 0, 0);
    StatusWatch watch;
    std::vector<uint8_t> switchedMidway, variant1, variant2, afterSwitch;
    WhileModal([&] {
        // Switched to Variant 2 halfway through a Variant 1 render: that render stays Variant 1.
        watch.trigger = L"50% complete, ESC to cancel";
        watch.action = [&dialog] { SendMessageW(dialog.Option(1), BM_CLICK, 0, 0); };
        SendMessageW(dialog.Option(0), BM_CLICK, 0, 0);
        dialog.cmdApply_Click();
        switchedMidway = Pixels(document.Lumbra1);
        SendMessageW(dialog.Option(0), BM_CLICK, 0, 0);
        dialog.cmdApply_Click();
        variant1 = Pixels(document.Lumbra1);
        SendMessageW(dialog.Option(1), BM_CLICK, 0, 0);
        afterSwitch = Pixels(document.Lumbra1);
        dialog.cmdApply_Click();
        variant2 = Pixels(document.Lumbra1);
        dialog.cmdOk_Click();
    });
    Main().RunCommand(mnuGenerateWave3);
    EXPECT_EQ(switchedMidway, variant1);
    EXPECT_EQ(afterSwitch, variant1); // choosing a variant draws nothing by itself
    EXPECT_NE(variant2, variant1);
    SendMessageW(dialog.Option(0), BM_CLICK, 0, 0);
}

TEST_F(GeneratorTest, ClosingTheMainWindowDuringARenderWaitsForIt) {
    frmDocument& document = NewDocument(101, 20);
    StatusWatch watch;
    watch.trigger = L"30% complete, ESC to cancel";
    watch.action = [] { PostMessageW(Main().hwnd(), WM_CLOSE, 0, 0); };
    WhileModal([] {
        frmWave1::Instance(nullptr).cmdApply_Click();
        frmWave1::Instance(nullptr).cmdOk_Click();
    });
    Main().RunCommand(mnuGenerateWave1);
    EXPECT_TRUE(IsWindowVisible(Main().hwnd()));
    EXPECT_EQ(Main().Documents(), std::vector<frmDocument*>{&document});
    EXPECT_NE(GetPixel(document.Lumbra1.hDC(), 100, 19), RGB(0, 0, 0)); // drawn to the end
}

} // namespace
