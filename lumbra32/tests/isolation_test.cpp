// Hostile plug-ins (plugins\hostile) cannot harm the caller, a later run or the machine: threads
// left running after a run, endless loops, message boxes, allocations and rectangles beyond what
// the host promised. Also files and folders the host cannot open or name.
#include "lumbra32/lumbra32.h"
#include "lumbra32/tests/lumbra32_support.h"
#include "win32/strings.h"
#include "win32/tests/test_files.h"

#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace lumbra32test;

std::string Hostile(const char* file) {
    return Plugin((std::string("hostile\\") + file).c_str());
}

// The helper processes a process started (lumbra32host.exe children of it).
std::vector<DWORD> HelpersOf(DWORD parent) {
    std::vector<DWORD> found;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more;
         more = Process32NextW(snapshot, &entry)) {
        if (entry.th32ParentProcessID == parent &&
            _wcsicmp(entry.szExeFile, L"lumbra32host.exe") == 0) {
            found.push_back(entry.th32ProcessID);
        }
    }
    CloseHandle(snapshot);
    return found;
}

// The most memory the helper of this process has used so far, in MB.
double HelperPeakMb() {
    std::vector<DWORD> helpers = HelpersOf(GetCurrentProcessId());
    if (helpers.empty()) {
        return -1;
    }
    HANDLE helper = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, helpers[0]);
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    bool ok = helper && GetProcessMemoryInfo(helper, &counters, sizeof counters);
    if (helper) {
        CloseHandle(helper);
    }
    return ok ? std::max(counters.PeakWorkingSetSize, counters.PeakPagefileUsage) / 1048576.0 : -1;
}

// An environment variable of this process for the length of a test.
class ScopedVariable {
public:
    ScopedVariable(const wchar_t* name, const wchar_t* value) : name_(name) {
        SetEnvironmentVariableW(name, value);
    }
    ~ScopedVariable() { SetEnvironmentVariableW(name_, nullptr); }

private:
    const wchar_t* name_;
};

uint32_t Number(const std::vector<uint8_t>& px, size_t at) {
    return uint32_t{px[at]} << 16 | uint32_t{px[at + 1]} << 8 | px[at + 2];
}

int16_t Code(const std::vector<uint8_t>& px, int i) {
    return static_cast<int16_t>(px[i * 3] | px[i * 3 + 1] << 8);
}

// ---- Isolation between runs ------------------------------------------------------------------

TEST_F(Lumbra32, RunsAfterAPlugInLeftAThreadWritingGetExactlyTheRightPicture) {
    for (const char* stray : {"|StrayPixelsMain", "|StrayPoolMain", "|StrayTilesMain"}) {
        SCOPED_TRACE(stray);
        ASSERT_EQ(PlugInLoad((Hostile("stray.8bf") + stray).c_str()), 1) << ImageLastError();
        HGLOBAL dib = MakeDib(64, 48, false);
        ASSERT_EQ(Run(dib), 1) << ImageLastError();
        GlobalFree(dib);
        ASSERT_EQ(PlugInLoad(Plugin("invert.8bf").c_str()), 1) << ImageLastError();
        for (int run = 0; run < 3; ++run) {
            HGLOBAL picture = MakeDib(64, 48, false);
            ASSERT_EQ(Run(picture), 1) << ImageLastError();
            EXPECT_EQ(ReadDib(picture), InvertedPattern(64, 48)) << "run " << run;
            GlobalFree(picture);
        }
    }
}

TEST_F(Lumbra32, AHelperReplacedForAStrayThreadHandsOnEveryFiltersParameters) {
    HGLOBAL dib = MakeDib(3, 2, false);
    const std::string tiles = Hostile("stray.8bf") + "|StrayTilesMain";
    ASSERT_EQ(PlugInLoad(Plugin("counter.8bf").c_str()), 1);
    ASSERT_EQ(Run(dib), 1) << ImageLastError();
    ASSERT_EQ(PlugInLoad(tiles.c_str()), 1);
    ASSERT_EQ(Run(dib), 1) << ImageLastError();
    EXPECT_EQ(Pixel(dib, 0, 0, 3)[0], 1);
    ASSERT_EQ(Run(dib), 1) << ImageLastError();
    std::vector<uint8_t> px = Pixel(dib, 0, 0, 3);
    EXPECT_EQ(px[0], 2) << "its parameters, in the helper that replaced the first";
    EXPECT_EQ(px[1], 2) << "its global data, a handle of the handle suite";
    ASSERT_EQ(PlugInLoad(Plugin("counter.8bf").c_str()), 1);
    ASSERT_EQ(Run(dib), 1) << ImageLastError();
    px = Pixel(dib, 0, 0, 3);
    EXPECT_EQ(px[0], 2) << "another filter's parameters, across two replacements";
    EXPECT_EQ(px[1], 1) << "its global data pointed into the first helper: it starts afresh";
    EXPECT_EQ(HelpersOf(GetCurrentProcessId()).size(), 1u) << "the replaced helpers are gone";
    GlobalFree(dib);
}

// ---- The helper ends with its caller -----------------------------------------------------------

struct CallerRun {
    PROCESS_INFORMATION process{};
    HANDLE output = nullptr; // the read end of the caller's standard output
};

// Starts lumbra32_caller on `plugin` with its standard output into a pipe, and waits until it
// runs the plug-in.
CallerRun StartCaller(const std::string& plugin, const char* mode) {
    CallerRun run;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE write = nullptr;
    EXPECT_TRUE(CreatePipe(&run.output, &write, &inherit, 0));
    SetHandleInformation(run.output, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = write;
    std::string command = "\"" + BuildDir() + "\\lumbra32_caller.exe\" \"" + plugin + "\" " + mode;
    EXPECT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                               &startup, &run.process));
    CloseHandle(write);
    return run;
}

// Reads the pipe until it closes, or (`until`) until the text holds that; false when neither
// happened within `ms`.
bool ReadPipe(HANDLE pipe, std::string& text, DWORD ms, const char* until = nullptr) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (until && text.find(until) != std::string::npos) {
            return true;
        }
        DWORD available = 0;
        if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr)) {
            return !until && GetLastError() == ERROR_BROKEN_PIPE;
        }
        if (available > 0) {
            char buffer[256];
            DWORD read = 0;
            ReadFile(pipe, buffer, sizeof buffer, &read, nullptr);
            text.append(buffer, read);
        } else if (GetTickCount() - start > ms) {
            return false;
        } else {
            Sleep(10);
        }
    }
}

TEST(HelperLifetime, TheHelperEndsWithItsCallerAndHoldsNoneOfItsHandles) {
    const struct {
        const char* plugin;
        const char* mode;
        const char* how;
    } cases[] = {{"loop.8bf", "", "ended while the plug-in loops"},
                 {"box.8bf", "exit-on-box", "exits while the plug-in's message box is open"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.how);
        CallerRun caller = StartCaller(Hostile(c.plugin), c.mode);
        ASSERT_NE(caller.process.hProcess, nullptr);
        std::string output;
        ASSERT_TRUE(ReadPipe(caller.output, output, 30000, "running")) << output;
        HANDLE helper = nullptr;
        for (int i = 0; i < 1000 && !helper; ++i) {
            std::vector<DWORD> helpers = HelpersOf(caller.process.dwProcessId);
            if (!helpers.empty()) {
                helper = OpenProcess(SYNCHRONIZE, FALSE, helpers[0]);
            } else {
                Sleep(20);
            }
        }
        ASSERT_NE(helper, nullptr) << "the caller started no helper";
        if (*c.mode == 0) {
            Sleep(500); // into the loop
            TerminateProcess(caller.process.hProcess, 9);
        }
        ASSERT_EQ(WaitForSingleObject(caller.process.hProcess, 30000), WAIT_OBJECT_0);
        const DWORD ended = GetTickCount();
        EXPECT_EQ(WaitForSingleObject(helper, 10000), WAIT_OBJECT_0) << "the helper outlived it";
        std::printf("      helper ended %lu ms after its caller (%s)\n",
                    static_cast<unsigned long>(GetTickCount() - ended), c.how);
        EXPECT_TRUE(ReadPipe(caller.output, output, 10000))
            << "something still holds the caller's standard output";
        for (HANDLE h : {helper, caller.output, caller.process.hProcess, caller.process.hThread}) {
            CloseHandle(h);
        }
    }
}

// ---- A hung plug-in can be stopped -------------------------------------------------------------

TEST_F(Lumbra32, ALoopingPlugInIsOfferedToBeStoppedInAQuestionOwnedByTheCallersWindow) {
    ASSERT_EQ(PlugInLoad(Hostile("loop.8bf").c_str()), 1);
    HWND owner = OwnerWindow();
    HGLOBAL dib = MakeDib(5, 4, false);
    const std::vector<uint8_t> before = ReadDib(dib);
    AnswerDialog stop("Plug-in not responding", "&Stop", 60000);
    const DWORD start = GetTickCount();
    EXPECT_EQ(Run(dib, owner), 0);
    EXPECT_EQ(ImageLastError(), LUMBRA32_USER_CANCELLED);
    EXPECT_EQ(ReadDib(dib), before);
    ASSERT_TRUE(stop.Finish()) << "no question came";
    EXPECT_EQ(stop.Owner(), owner);
    EXPECT_NE(stop.Text().find("Endless Loop"), std::string::npos) << stop.Text();
    EXPECT_GE(stop.SeenAt() - start, 9500u) << "asked only after ten silent seconds";
    std::printf("      asked after %.1f s, stopped %.1f s later\n",
                (stop.SeenAt() - start) / 1000.0, (GetTickCount() - stop.SeenAt()) / 1000.0);
    ASSERT_EQ(PlugInLoad(Plugin("invert.8bf").c_str()), 1);
    ASSERT_EQ(Run(dib), 1) << ImageLastError();
    EXPECT_EQ(ReadDib(dib), InvertedPattern(5, 4));
    DestroyWindow(owner);
    GlobalFree(dib);
}

TEST_F(Lumbra32, ALimitSetByACallerWithoutAWindowStopsALoopingPlugIn) {
    ScopedVariable limit(L"LUMBRA32_HUNG_FILTER_LIMIT", L"1");
    ASSERT_EQ(PlugInLoad(Hostile("loop.8bf").c_str()), 1);
    HGLOBAL dib = MakeDib(5, 4, false);
    const std::vector<uint8_t> before = ReadDib(dib);
    const DWORD start = GetTickCount();
    EXPECT_EQ(Run(dib), 0);
    EXPECT_EQ(ImageLastError(), LUMBRA32_USER_CANCELLED);
    std::printf("      stopped after %.1f s\n", (GetTickCount() - start) / 1000.0);
    EXPECT_EQ(ReadDib(dib), before);
    ASSERT_EQ(PlugInLoad(Plugin("invert.8bf").c_str()), 1);
    ASSERT_EQ(Run(dib), 1) << ImageLastError();
    GlobalFree(dib);
}

TEST_F(Lumbra32, APlugInInItsOwnDialogIsNeitherStoppedByTheLimitNorEndedAfterEsc) {
    ScopedVariable limit(L"LUMBRA32_HUNG_FILTER_LIMIT", L"1");
    ASSERT_EQ(PlugInLoad(Hostile("box.8bf").c_str()), 1);
    HGLOBAL dib = MakeDib(5, 4, false);
    const std::vector<uint8_t> before = ReadDib(dib);
    // Esc in the caller as soon as the box shows; the box answered eight seconds later, past
    // the limit and the time a plug-in asked to stop gets.
    const DWORD caller = GetCurrentThreadId();
    std::thread esc([caller] {
        for (int i = 0; i < 1500 && !FindWindowA(nullptr, "Box In Start"); ++i) {
            Sleep(10);
        }
        PostThreadMessageW(caller, WM_KEYDOWN, VK_ESCAPE, 0);
    });
    AnswerDialog ok("Box In Start", IDOK, 15000, 8000);
    EXPECT_EQ(Run(dib), 0);
    esc.join();
    EXPECT_TRUE(ok.Pressed()) << "the plug-in was ended while its box was open";
    EXPECT_EQ(ImageLastError(), LUMBRA32_USER_CANCELLED) << "Esc still cancels the run";
    EXPECT_EQ(ReadDib(dib), before);
    GlobalFree(dib);
}

// ---- Memory within what the host promised ------------------------------------------------------

TEST_F(Lumbra32, AllocationsBeyondTheRecordsMaxSpaceAreRefusedWithMemFullErr) {
    ASSERT_EQ(PlugInLoad(Hostile("hog.8bf").c_str()), 1);
    HGLOBAL dib = MakeDib(64, 48, false);
    const DWORD start = GetTickCount();
    ASSERT_EQ(Run(dib), 1) << ImageLastError();
    std::vector<uint8_t> px = ReadDib(dib);
    const uint32_t maxSpaceMb = Number(px, 3), grantedMb = Number(px, 6);
    EXPECT_LE(px[0], 1) << "at most one 1 GB buffer fits in at most 1 GB";
    EXPECT_EQ(px[1], 0) << "a 2 GB handle";
    EXPECT_EQ(px[2], 1) << "each refused buffer: memFullErr";
    EXPECT_EQ(px[9], 1) << "a handle of half the space left";
    EXPECT_EQ(px[10], 1) << "grown past the space: memFullErr";
    EXPECT_GT(maxSpaceMb, 0u);
    EXPECT_LE(grantedMb, maxSpaceMb);
    std::printf("      maxSpace %u MB, granted at most %u MB, helper's peak %.0f MB, %.1f s\n",
                maxSpaceMb, grantedMb, HelperPeakMb(), (GetTickCount() - start) / 1000.0);
    GlobalFree(dib);
}

TEST_F(Lumbra32, WildRectanglesAreRefusedClippedOrChargedToTheSpacePromised) {
    ASSERT_EQ(PlugInLoad(Hostile("wild.8bf").c_str()), 1);
    HGLOBAL dib = MakeDib(64, 48, false);
    const DWORD start = GetTickCount();
    ASSERT_EQ(Run(dib), 1) << ImageLastError();
    std::vector<uint8_t> px = ReadDib(dib);
    // A 32000 x 32000 tile of one plane takes about 976 MB beyond the picture: it fits in the
    // space a 64-bit helper promises when the machine has it free, and two of them never do.
    EXPECT_TRUE(Code(px, 0) == 0 || Code(px, 0) == -108) << Code(px, 0);
    EXPECT_EQ(Code(px, 1), -108);
    EXPECT_EQ(Code(px, 2), -50) << "an input wholly outside the image";
    EXPECT_EQ(Code(px, 3), -50) << "an output wholly outside the image";
    EXPECT_EQ(Code(px, 4), -50) << "a fourth plane";
    EXPECT_EQ(Code(px, 5), 0) << "partly outside: clipped";
    EXPECT_EQ(px[18], 0) << "outside the image";
    EXPECT_EQ(px[19], Pattern(0, 0, 0)) << "the image's first pixel, red";
    std::printf("      helper's peak %.0f MB, %.1f s\n", HelperPeakMb(),
                (GetTickCount() - start) / 1000.0);
    GlobalFree(dib);
}

// ---- Files and folders the host cannot open or name --------------------------------------------

TEST_F(Lumbra32, AFileInUseElsewhereIsListedAndFailsToLoadSayingSo) {
    rw::test::TempDir folder(L"rw-locked");
    const std::wstring locked = folder.File(L"locked.8bf");
    ASSERT_TRUE(
        CopyFileW(rw::win::WidenCodePage(Plugin("invert.8bf")).c_str(), locked.c_str(), FALSE));
    const std::string path = rw::win::NarrowCodePage(locked);
    ASSERT_EQ(PlugInHostOpen(rw::win::NarrowCodePage(folder.Path()).c_str()), 1);
    HANDLE hold = CreateFileW(locked.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(hold, INVALID_HANDLE_VALUE);
    std::vector<Found> found;
    ASSERT_EQ(PlugInEnumerate(Collect, 32, &found), 1);
    ASSERT_EQ(found.size(), 1u) << "left out of the listing";
    EXPECT_EQ(found[0].title, "locked");
    EXPECT_EQ(found[0].file, path);
    EXPECT_EQ(PlugInLoad(path.c_str()), 0);
    EXPECT_EQ(ImageLastError(), LUMBRA32_CANNOT_OPEN);
    AnswerDialog box("Plug-in host", IDOK);
    ShowLastError(nullptr);
    EXPECT_NE(box.Text().find("cannot be opened"), std::string::npos) << box.Text();
    CloseHandle(hold);
    EXPECT_EQ(PlugInLoad(path.c_str()), 1) << "once the other program let go";
}

TEST_F(Lumbra32, AFolderNamedBeyondTheCodePageOpensByItsShortName) {
    rw::test::TempDir folder(L"rw \u0424\u0438\u043b\u044c\u0442\u0440\u044b");
    ASSERT_TRUE(CopyFileW(rw::win::WidenCodePage(Plugin("invert.8bf")).c_str(),
                          folder.File(L"invert.8bf").c_str(), FALSE));
    bool lossy = false;
    const std::string asGiven = rw::win::NarrowCodePage(folder.Path(), CP_ACP, &lossy);
    if (!lossy) {
        GTEST_SKIP() << "the active code page holds the folder's name";
    }
    EXPECT_EQ(PlugInHostOpen(asGiven.c_str()), 0);
    EXPECT_EQ(ImageLastError(), LUMBRA32_NAME_NOT_IN_CODE_PAGE);
    wchar_t shortPath[MAX_PATH];
    ASSERT_GT(GetShortPathNameW(folder.Path().c_str(), shortPath, MAX_PATH), 0u);
    ASSERT_EQ(PlugInHostOpen(rw::win::NarrowCodePage(shortPath).c_str()), 1);
    std::vector<Found> found;
    ASSERT_EQ(PlugInEnumerate(Collect, 32, &found), 1);
    ASSERT_EQ(found.size(), 1u);
    ASSERT_EQ(PlugInLoad(found[0].file.c_str()), 1) << ImageLastError();
    HGLOBAL dib = MakeDib(3, 3, false);
    ASSERT_EQ(Run(dib), 1) << ImageLastError();
    EXPECT_EQ(ReadDib(dib), InvertedPattern(3, 3));
    GlobalFree(dib);
}

} // namespace
