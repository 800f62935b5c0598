// lumbra32.dll through its ten functions, with the fixture plug-ins of <build>/plugins run in
// the real helper process.
#include "lumbra32/lumbra32.h"
#include "lumbra32/tests/lumbra32_support.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace lumbra32test;

TEST_F(Lumbra32, EnumerationListsEveryFilterOfTheHostsArchitectureOnce) {
    std::vector<Found> found;
    ASSERT_EQ(PlugInEnumerate(Collect, 32, &found), 1);
    // Pair Red's resource comes in English and German: one entry, in the user's language.
    bool german = PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_GERMAN;
    std::vector<std::vector<std::string>> want = {
        {"Run Counter", Plugin("counter.8bf"), "Ridgewright Fixtures"},
        {"Crasher", Plugin("crash.8bf"), "Ridgewright Fixtures"},
        {"Always Fails", Plugin("fails.8bf"), "Ridgewright Fixtures"},
        {"Invert", Plugin("invert.8bf"), "Ridgewright Fixtures"},
        {german ? "Paar Rot" : "Pair Red", Plugin("pair.8bf") + "|PairRed", "Ridgewright Pairs"},
        {"Pair Blue", Plugin("pair.8bf") + "|PairBlue", "Ridgewright Pairs"},
        {"Slow Progress", Plugin("progress.8bf"), "Ridgewright Fixtures"},
        {"Tiled Invert", Plugin("tiled.8bf"), "Ridgewright Fixtures"},
    };
    ASSERT_EQ(found.size(), want.size()) << "foreign.8bf, notes.8bf and the second language of "
                                            "Pair Red must not be listed";
    for (size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(found[i].title, want[i][0]);
        EXPECT_EQ(found[i].file, want[i][1]);
        EXPECT_EQ(found[i].category, want[i][2]);
    }
}

TEST_F(Lumbra32, EnumerationNeedsAnOpenFolder) {
    EXPECT_EQ(PlugInHostOpen((PluginDir() + "\\missing").c_str()), 0);
    EXPECT_EQ(ImageLastError(), LUMBRA32_NO_DIRECTORY);
    EXPECT_EQ(PlugInHostOpen(Plugin("invert.8bf").c_str()), 0) << "a file is no folder";
}

TEST_F(Lumbra32, OrdinalsReachTheNamedFunctions) {
    HMODULE lib = GetModuleHandleA("lumbra32.dll");
    ASSERT_NE(lib, nullptr);
    const std::pair<int, const char*> exports[] = {
        {3, "ImageLastError"},    {6, "ShowLastError"},
        {28, "ImageFromDib"},     {400, "PlugInHostAvailable"},
        {402, "PlugInHostOpen"},  {404, "PlugInShowAbout"},
        {405, "PlugInLoad"},      {406, "PlugInRun"},
        {407, "PlugInEnumerate"}, {408, "PlugInSetStatusCallback"}};
    for (auto [ordinal, name] : exports) {
        FARPROC byOrdinal = GetProcAddress(lib, MAKEINTRESOURCEA(ordinal));
        EXPECT_NE(byOrdinal, nullptr) << ordinal;
        EXPECT_EQ(byOrdinal, GetProcAddress(lib, name)) << name;
    }
}

TEST_F(Lumbra32, InvertIsPixelExactBottomUpAndTopDownWithOddWidths) {
    ASSERT_EQ(PlugInLoad(Plugin("invert.8bf").c_str()), 1);
    for (int w : {1, 3, 7, 33}) {
        for (bool topDown : {false, true}) {
            HGLOBAL dib = MakeDib(w, 5, topDown);
            ASSERT_EQ(Run(dib), 1) << ImageLastError();
            EXPECT_EQ(ReadDib(dib), InvertedPattern(w, 5)) << w << (topDown ? " top-down" : "");
            GlobalFree(dib);
        }
    }
}

TEST_F(Lumbra32, TiledFilterGivesTheSamePixelsAsInvert) {
    ASSERT_EQ(PlugInLoad(Plugin("tiled.8bf").c_str()), 1);
    HGLOBAL dib = MakeDib(23, 17, false);
    ASSERT_EQ(Run(dib), 1) << ImageLastError();
    EXPECT_EQ(ReadDib(dib), InvertedPattern(23, 17));
    GlobalFree(dib);
}

TEST_F(Lumbra32, ProgressReachesTheStatusCallbackOnTheCallersThread) {
    ASSERT_EQ(PlugInLoad(Plugin("progress.8bf").c_str()), 1);
    HGLOBAL dib = MakeDib(9, 40, true);
    ASSERT_EQ(Run(dib), 1) << ImageLastError();
    EXPECT_EQ(ReadDib(dib), InvertedPattern(9, 40));
    ASSERT_GE(progress_.percents.size(), 10u);
    EXPECT_TRUE(progress_.sameThread);
    EXPECT_EQ(progress_.percents.back(), 100);
    for (size_t i = 1; i < progress_.percents.size(); ++i) {
        EXPECT_GT(progress_.percents[i], progress_.percents[i - 1]);
    }
    GlobalFree(dib);
}

TEST_F(Lumbra32, EscDuringARunCancelsItWith49AndLeavesTheBitmap) {
    ASSERT_EQ(PlugInLoad(Plugin("progress.8bf").c_str()), 1);
    progress_.pressEsc = true;
    HGLOBAL dib = MakeDib(9, 300, false);
    std::vector<uint8_t> before = ReadDib(dib);
    EXPECT_EQ(Run(dib), 0);
    EXPECT_EQ(ImageLastError(), LUMBRA32_USER_CANCELLED);
    EXPECT_LT(progress_.percents.size(), 50u);
    EXPECT_EQ(ReadDib(dib), before);
    // The helper is still there for the next run.
    progress_.pressEsc = false;
    ASSERT_EQ(Run(dib), 1) << ImageLastError();
    GlobalFree(dib);
}

TEST_F(Lumbra32, APlugInThatIgnoresEscIsEndedAndTheRunCancelled) {
    ASSERT_EQ(PlugInLoad(Plugin("more\\stubborn.8bf").c_str()), 1);
    progress_.pressEsc = true;
    HGLOBAL dib = MakeDib(5, 5, false);
    std::vector<uint8_t> before = ReadDib(dib);
    DWORD start = GetTickCount();
    EXPECT_EQ(Run(dib), 0);
    EXPECT_EQ(ImageLastError(), LUMBRA32_USER_CANCELLED);
    EXPECT_LT(GetTickCount() - start, 30000u) << "ended after a grace period, not waited for";
    EXPECT_EQ(ReadDib(dib), before);
    ASSERT_EQ(PlugInLoad(Plugin("invert.8bf").c_str()), 1);
    ASSERT_EQ(Run(dib), 1) << ImageLastError();
    GlobalFree(dib);
}

TEST_F(Lumbra32, FailingPlugInReportsItsError) {
    ASSERT_EQ(PlugInLoad(Plugin("fails.8bf").c_str()), 1);
    HGLOBAL dib = MakeDib(4, 4, false);
    std::vector<uint8_t> before = ReadDib(dib);
    EXPECT_EQ(Run(dib), 0);
    EXPECT_EQ(ImageLastError(), LUMBRA32_PLUGIN_ERROR);
    EXPECT_EQ(ReadDib(dib), before);
    GlobalFree(dib);
}

TEST_F(Lumbra32, CrashingPlugInFailsTheRunAndTheCallerGoesOn) {
    ASSERT_EQ(PlugInLoad(Plugin("crash.8bf").c_str()), 1);
    HGLOBAL dib = MakeDib(4, 4, false);
    std::vector<uint8_t> before = ReadDib(dib);
    EXPECT_EQ(Run(dib), 0);
    EXPECT_EQ(ImageLastError(), LUMBRA32_PLUGIN_CRASHED);
    EXPECT_EQ(ReadDib(dib), before);
    // A new helper serves the next plug-in.
    ASSERT_EQ(PlugInLoad(Plugin("invert.8bf").c_str()), 1);
    ASSERT_EQ(Run(dib), 1) << ImageLastError();
    EXPECT_EQ(ReadDib(dib), InvertedPattern(4, 4));
    GlobalFree(dib);
}

TEST_F(Lumbra32, ParametersAndGlobalDataSurviveASecondRun) {
    ASSERT_EQ(PlugInLoad(Plugin("counter.8bf").c_str()), 1);
    HGLOBAL dib = MakeDib(3, 2, false);
    ASSERT_EQ(Run(dib), 1) << ImageLastError();
    EXPECT_EQ(ReadDib(dib)[0], 1);
    EXPECT_EQ(ReadDib(dib)[1], 1);
    EXPECT_EQ(ReadDib(dib)[2], 7) << "no owner window given";
    // Another filter in between, then the counter again.
    ASSERT_EQ(PlugInLoad(Plugin("invert.8bf").c_str()), 1);
    ASSERT_EQ(Run(dib), 1);
    ASSERT_EQ(PlugInLoad(Plugin("counter.8bf").c_str()), 1);
    HWND owner = CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                 nullptr, nullptr);
    ASSERT_EQ(Run(dib, owner), 1) << ImageLastError();
    std::vector<uint8_t> px = ReadDib(dib);
    EXPECT_EQ(px[0], 2) << "parameters handle";
    EXPECT_EQ(px[1], 2) << "global data";
    EXPECT_EQ(px[2], 200) << "Parameters saw the owner window";
    DestroyWindow(owner);
    GlobalFree(dib);
}

TEST_F(Lumbra32, EachFilterOfAFileLoadsByItsReportedName) {
    HGLOBAL dib = MakeDib(2, 2, false);
    ASSERT_EQ(PlugInLoad((Plugin("pair.8bf") + "|PairBlue").c_str()), 1);
    ASSERT_EQ(Run(dib), 1);
    std::vector<uint8_t> px = ReadDib(dib);
    EXPECT_EQ(px[2], 255);
    EXPECT_EQ(px[0], Pattern(0, 0, 0));
    ASSERT_EQ(PlugInLoad(Plugin("pair.8bf").c_str()), 1) << "a bare path: the first filter";
    ASSERT_EQ(Run(dib), 1);
    EXPECT_EQ(ReadDib(dib)[0], 255);
    EXPECT_EQ(PlugInLoad((Plugin("pair.8bf") + "|PairGreen").c_str()), 0);
    EXPECT_EQ(ImageLastError(), LUMBRA32_NOT_FOUND);
    GlobalFree(dib);
}

TEST_F(Lumbra32, PlugInFindsTheDllsBesideIt) {
    ASSERT_EQ(PlugInLoad(Plugin("withdep\\needsdep.8bf").c_str()), 1) << ImageLastError();
    HGLOBAL dib = MakeDib(3, 3, true);
    ASSERT_EQ(Run(dib), 1) << ImageLastError();
    EXPECT_EQ(ReadDib(dib)[4], 77);
    GlobalFree(dib);
}

int nestedResult, nestedError;
int CALLBACK LoadFromStatus(int, int, void*) {
    if (nestedResult == -1) {
        nestedResult = PlugInLoad(Plugin("invert.8bf").c_str());
        nestedError = ImageLastError();
    }
    return 1;
}

TEST_F(Lumbra32, DisplayPixelsDrawsThePlugInsPixels) {
    ASSERT_EQ(PlugInLoad(Plugin("more\\preview.8bf").c_str()), 1) << ImageLastError();
    HGLOBAL dib = MakeDib(7, 3, false);
    ASSERT_EQ(Run(dib), 1) << ImageLastError();
    std::vector<uint8_t> px = ReadDib(dib);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 7; ++x) {
            const uint8_t* p = &px[(y * 7 + x) * 3];
            EXPECT_EQ(p[0], Pattern(x, y, 0));
            EXPECT_EQ(p[1], Pattern(x, y, 1));
            EXPECT_EQ(p[2], 255 - Pattern(x, y, 2));
        }
    }
    GlobalFree(dib);
}

TEST_F(Lumbra32, CallsFromInsideARunAreRefused) {
    ASSERT_EQ(PlugInLoad(Plugin("progress.8bf").c_str()), 1);
    nestedResult = nestedError = -1;
    ASSERT_EQ(PlugInSetStatusCallback(LoadFromStatus, 0, nullptr), 1);
    HGLOBAL dib = MakeDib(4, 20, false);
    EXPECT_EQ(Run(dib), 1) << ImageLastError();
    EXPECT_EQ(nestedResult, 0);
    EXPECT_EQ(nestedError, LUMBRA32_BUSY);
    EXPECT_EQ(ReadDib(dib), InvertedPattern(4, 20)) << "the progress fixture stayed loaded";
    GlobalFree(dib);
}

TEST_F(Lumbra32, LoadRefusesForeignFilesRelativeNamesAndMissingFiles) {
    if (GetFileAttributesA(Plugin("foreign.8bf").c_str()) == INVALID_FILE_ATTRIBUTES) {
        ADD_FAILURE() << "foreign.8bf was not built (no compiler for the other architecture)";
    }
    EXPECT_EQ(PlugInLoad(Plugin("foreign.8bf").c_str()), 0);
    EXPECT_EQ(ImageLastError(), LUMBRA32_WRONG_ARCHITECTURE);
    EXPECT_EQ(PlugInLoad(Plugin("notes.8bf").c_str()), 0);
    EXPECT_EQ(ImageLastError(), LUMBRA32_WRONG_ARCHITECTURE);
    EXPECT_EQ(PlugInLoad("invert.8bf"), 0);
    EXPECT_EQ(ImageLastError(), LUMBRA32_BAD_ARGUMENT);
    EXPECT_EQ(PlugInLoad(Plugin("absent.8bf").c_str()), 0);
    EXPECT_EQ(ImageLastError(), LUMBRA32_NOT_FOUND);
    EXPECT_EQ(PlugInLoad(nullptr), 0);
}

TEST_F(Lumbra32, ImageFromDibRefusesWhatIsNotA24BitDib) {
    HGLOBAL dib = MakeDib(3, 3, false);
    auto* bih = static_cast<BITMAPINFOHEADER*>(GlobalLock(dib));
    bih->biBitCount = 32;
    GlobalUnlock(dib);
    EXPECT_EQ(ImageFromDib(dib), nullptr);
    EXPECT_EQ(ImageLastError(), LUMBRA32_BAD_IMAGE);
    bih = static_cast<BITMAPINFOHEADER*>(GlobalLock(dib));
    bih->biBitCount = 24;
    bih->biHeight = 300; // more rows than the memory holds
    GlobalUnlock(dib);
    EXPECT_EQ(ImageFromDib(dib), nullptr);
    EXPECT_EQ(ImageLastError(), LUMBRA32_BAD_IMAGE);
    GlobalFree(dib);
    HGLOBAL notAnImage = GlobalAlloc(GMEM_MOVEABLE, 64);
    ASSERT_EQ(PlugInLoad(Plugin("invert.8bf").c_str()), 1);
    EXPECT_EQ(PlugInRun(notAnImage, nullptr, 0), 0);
    EXPECT_EQ(ImageLastError(), LUMBRA32_BAD_IMAGE);
    GlobalFree(notAnImage);
}

// Shows the invert fixture's About box and presses its OK button; the result of
// PlugInShowAbout and the box's owner window.
std::pair<int, HWND> ShowInvertAbout(HWND owner) {
    AnswerDialog ok("About Invert", IDOK);
    int result = PlugInShowAbout(owner, Plugin("invert.8bf").c_str());
    return {result, ok.Owner()};
}

TEST_F(Lumbra32, AboutBoxIsOwnedByTheCallersWindow) {
    HWND owner = CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                 nullptr, nullptr);
    ASSERT_NE(owner, nullptr);
    auto [result, seenOwner] = ShowInvertAbout(owner);
    EXPECT_EQ(result, 1) << ImageLastError();
    EXPECT_EQ(seenOwner, owner);
    EXPECT_EQ(PlugInShowAbout(owner, Plugin("foreign.8bf").c_str()), 0);
    DestroyWindow(owner);
}

TEST_F(Lumbra32, ARunAfterTheHelperWasReplacedLoadsItsPlugInAgain) {
    ASSERT_EQ(PlugInLoad(Plugin("tiled.8bf").c_str()), 1);
    EXPECT_EQ(PlugInShowAbout(nullptr, Plugin("crash.8bf").c_str()), 0);
    EXPECT_EQ(ImageLastError(), LUMBRA32_PLUGIN_CRASHED);
    EXPECT_EQ(ShowInvertAbout(nullptr).first, 1) << "a new helper, started for the About box";
    HGLOBAL dib = MakeDib(5, 5, false);
    ASSERT_EQ(Run(dib), 1) << ImageLastError();
    EXPECT_EQ(ReadDib(dib), InvertedPattern(5, 5));
    // A failed load leaves nothing loaded.
    EXPECT_EQ(PlugInLoad(Plugin("absent.8bf").c_str()), 0);
    HGLOBAL image = ImageFromDib(dib);
    EXPECT_EQ(PlugInRun(image, nullptr, 0), 0);
    EXPECT_EQ(ImageLastError(), LUMBRA32_NOT_LOADED);
    GlobalFree(image);
    GlobalFree(dib);
}

// Texts of the static controls of a message box.
BOOL CALLBACK CollectText(HWND child, LPARAM context) {
    char text[512];
    GetWindowTextA(child, text, sizeof text);
    *reinterpret_cast<std::string*>(context) += text;
    return TRUE;
}

TEST_F(Lumbra32, ShowLastErrorNamesTheFailureInWords) {
    EXPECT_EQ(PlugInShowAbout(nullptr, Plugin("foreign.8bf").c_str()), 0);
    std::string shown;
    std::atomic<bool> done{false};
    std::thread closer([&] {
        for (int i = 0; i < 1000 && !done; ++i) {
            if (HWND box = FindWindowA(nullptr, "Plug-in host")) {
                Sleep(50);
                EnumChildWindows(box, CollectText, reinterpret_cast<LPARAM>(&shown));
                PostMessageW(box, WM_COMMAND, IDOK, 0);
                return;
            }
            Sleep(10);
        }
    });
    ShowLastError(nullptr);
    done = true;
    closer.join();
    EXPECT_NE(shown.find("not a filter plug-in that this host can run"), std::string::npos)
        << shown;
    EXPECT_NE(shown.find("foreign.8bf"), std::string::npos) << shown;
}

// ---- Plug-ins built the way real ones are (plugins\patterns) -------------------------------

// The title under which Windows' own look-up (FindResource) finds the file's PiPL 16000.
std::string WindowsChoiceOfTitle(const std::string& file) {
    HMODULE data = LoadLibraryExA(file.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    HRSRC found = data ? FindResourceW(data, MAKEINTRESOURCEW(16000), L"PIPL") : nullptr;
    std::string title;
    if (found) {
        const auto* p = static_cast<const uint8_t*>(LockResource(LoadResource(data, found)));
        const DWORD size = SizeofResource(data, found);
        // Properties from byte 10: vendor, key, id, length, data padded to 4.
        for (DWORD at = 10; at + 16 <= size;) {
            uint32_t length = 0;
            std::memcpy(&length, p + at + 12, 4);
            if (std::memcmp(p + at + 4, "eman", 4) == 0 && length > 0) {
                title.assign(reinterpret_cast<const char*>(p + at + 17), p[at + 16]);
            }
            at += 16 + ((length + 3) & ~3u);
        }
    }
    if (data) {
        FreeLibrary(data);
    }
    return title;
}

TEST_F(Lumbra32, ListsWhatAnRgbHostCanRunInTheLanguageWindowsWouldPick) {
    ASSERT_EQ(PlugInHostOpen((PluginDir() + "\\patterns").c_str()), 1);
    std::vector<Found> found;
    ASSERT_EQ(PlugInEnumerate(Collect, 32, &found), 1);
    std::vector<std::string> titles;
    for (const Found& f : found) {
        titles.push_back(f.title);
    }
    std::string lingo = WindowsChoiceOfTitle(PluginDir() + "\\patterns\\languages.8bf");
    EXPECT_EQ(lingo, "Lingo Current") << "the language-neutral list, as Windows looks it up";
    EXPECT_EQ(titles, (std::vector<std::string>{"Colours", "Foundry Like", lingo, "Properties",
                                                "Template"}))
        << "the CMYK-only filter is not listed";
}

TEST_F(Lumbra32, TemplatePatternRunsTileByTileAfterItsDialog) {
    ASSERT_EQ(PlugInLoad(Plugin("patterns\\template.8bf").c_str()), 1) << ImageLastError();
    HWND owner = OwnerWindow();
    HGLOBAL dib = MakeDib(1100, 3, false); // wider than a tile
    {
        AnswerDialog ok("Template Parameters", IDOK);
        ASSERT_EQ(Run(dib, owner), 1) << ImageLastError();
        EXPECT_EQ(ok.Owner(), owner);
    }
    EXPECT_EQ(ReadDib(dib), InvertedPattern(1100, 3));
    {
        AnswerDialog cancel("Template Parameters", IDCANCEL);
        EXPECT_EQ(Run(dib, owner), 0);
        EXPECT_EQ(ImageLastError(), LUMBRA32_USER_CANCELLED);
    }
    EXPECT_EQ(ReadDib(dib), InvertedPattern(1100, 3)) << "a cancelled run leaves the bitmap";
    {
        AnswerDialog ok("Template Parameters", IDOK);
        ASSERT_EQ(Run(dib, owner), 1) << ImageLastError();
    }
    EXPECT_EQ(Pixel(dib, 7, 1, 1100)[2], std::max(Pattern(7, 1, 2) - 10, 0))
        << "the second run, counted in the parameters handle";
    AnswerDialog about("About Template", IDOK);
    EXPECT_EQ(PlugInShowAbout(owner, Plugin("patterns\\template.8bf").c_str()), 1);
    EXPECT_EQ(about.Owner(), owner) << "owned by the window the UI hooks suite names";
    DestroyWindow(owner);
    GlobalFree(dib);
}

TEST_F(Lumbra32, FoundryLikeFilterRunsInBandsThroughThePicaHandleSuite) {
    ASSERT_EQ(PlugInLoad(Plugin("patterns\\foundry_like.8bf").c_str()), 1) << ImageLastError();
    for (int run = 0; run < 2; ++run) {
        HGLOBAL dib = MakeDib(9, 40, run == 1);
        ASSERT_EQ(Run(dib), 1) << ImageLastError();
        std::vector<uint8_t> px = ReadDib(dib);
        for (int y = 0; y < 40; ++y) {
            for (int x = 0; x < 9; ++x) {
                const uint8_t* p = &px[(y * 9 + x) * 3];
                ASSERT_EQ(p[0], 255 - Pattern(x, y, 0)) << x << "," << y;
                ASSERT_EQ(p[1], Pattern(x, y, 1));
                ASSERT_EQ(p[2], Pattern(x, y, 2));
            }
        }
        EXPECT_EQ(progress_.percents.back(), 100);
        GlobalFree(dib);
    }
}

TEST_F(Lumbra32, ColourPickerAndColourSuitesAnswerAPlugInThatChecksNothing) {
    ASSERT_EQ(PlugInLoad(Plugin("patterns\\colours.8bf").c_str()), 1) << ImageLastError();
    HWND owner = OwnerWindow();
    HGLOBAL dib = MakeDib(4, 2, false);
    AnswerDialog ok("Fixture colour", IDOK);
    ASSERT_EQ(Run(dib, owner), 1) << ImageLastError();
    EXPECT_EQ(ok.Owner(), owner) << "the system's picker, titled by the plug-in, owned by ours";
    EXPECT_EQ(Pixel(dib, 3, 1, 4), (std::vector<uint8_t>{10, 20, 30})) << "the colour picked";
    EXPECT_EQ(Pixel(dib, 0, 0, 4), (std::vector<uint8_t>{255, 255, 255})) << "background";
    std::vector<uint8_t> lab = Pixel(dib, 1, 0, 4);
    EXPECT_NEAR(lab[0], 200, 3);
    EXPECT_NEAR(lab[1], 100, 3);
    EXPECT_NEAR(lab[2], 50, 3);
    EXPECT_EQ(Pixel(dib, 2, 0, 4), (std::vector<uint8_t>{255, 255, 255}))
        << "owner from the UI hooks, unknown suite not found, unknown selector refused";
    std::vector<uint8_t> before = ReadDib(dib);
    AnswerDialog cancel("Fixture colour", IDCANCEL);
    EXPECT_EQ(Run(dib, owner), 0);
    EXPECT_EQ(ImageLastError(), LUMBRA32_USER_CANCELLED);
    EXPECT_EQ(ReadDib(dib), before);
    DestroyWindow(owner);
    GlobalFree(dib);
}

TEST_F(Lumbra32, PropertiesOfTheDocumentAndResourcesKeptForThePlugIn) {
    ASSERT_EQ(PlugInLoad(Plugin("patterns\\properties.8bf").c_str()), 1) << ImageLastError();
    HGLOBAL dib = MakeDib(5, 4, false);
    ASSERT_EQ(Run(dib), 1) << ImageLastError();
    EXPECT_EQ(Pixel(dib, 0, 0, 5), (std::vector<uint8_t>{3, 5, 4})) << "channels, width, height";
    EXPECT_EQ(Pixel(dib, 1, 0, 5), (std::vector<uint8_t>{8, 'U', 255})) << "\"Untitled\", serial";
    EXPECT_EQ(Pixel(dib, 2, 0, 5), (std::vector<uint8_t>{255, 1, 255}));
    EXPECT_EQ(Pixel(dib, 4, 3, 5),
              (std::vector<uint8_t>{Pattern(4, 3, 0), Pattern(4, 3, 1), Pattern(4, 3, 2)}));
    ASSERT_EQ(Run(dib), 1) << ImageLastError();
    EXPECT_EQ(Pixel(dib, 2, 0, 5)[1], 2) << "the resource of the first run is still there";
    GlobalFree(dib);
}

} // namespace
