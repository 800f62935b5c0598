// The shipped control beside the real lumbra32 and its helper process, as a client finds it:
// registered, created by ProgID, driven through its vtable and through IDispatch, on the fixture
// plug-ins built into <build>/plugins.
#include <windows.h>
#include <ocidl.h>

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "plugin_host/tests/plugin_test_support.h"
#include "win32/bstr.h"
#include "win32/tests/test_files.h"

using namespace plugintest;
using rw::win::Bstr;

namespace {

std::wstring FixtureFolder() {
    return TestFolder() + L"plugins";
}

std::wstring Fixture(const wchar_t* file) {
    return FixtureFolder() + L"\\" + file;
}

std::wstring ModulePath(HMODULE module) {
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(module, path, MAX_PATH);
    return std::wstring(path, n);
}

// The file registered as the class's in-process server.
std::wstring RegisteredServer() {
    wchar_t clsid[40];
    StringFromGUID2(CLSID_PlugIn, clsid, 40);
    wchar_t path[MAX_PATH * 2] = L"";
    DWORD size = sizeof path;
    RegGetValueW(HKEY_CLASSES_ROOT,
                 (std::wstring(L"CLSID\\") + clsid + L"\\InprocServer32").c_str(), nullptr,
                 RRF_RT_REG_SZ, nullptr, path, &size);
    return path;
}

HGLOBAL PatternDib(int width, int height);

// Registers the shipped control for the test and the stand-in's copy again afterwards: the
// other tests of the prefix create the class and expect that copy behind it.
class RealControl : public ::testing::Test {
protected:
    void SetUp() override {
        // Imports bind to a loaded module of the same name: with the stand-in already in this
        // process the shipped control would run on it. Controls no longer in use go first.
        CoFreeUnusedLibrariesEx(0, 0);
        if (const HMODULE loaded = GetModuleHandleW(L"lumbra32.dll");
            loaded && ModulePath(loaded) != TestFolder() + L"lumbra32.dll") {
            GTEST_SKIP() << "the lumbra32 stand-in is loaded in this process; run this test in a "
                            "process of its own (as ctest does)";
        }
        registered_ = true;
        ASSERT_NO_FATAL_FAILURE(RegisterServer(TestFolder() + L"lumbraplug.ocx"));
        ASSERT_EQ(RegisteredServer(), TestFolder() + L"lumbraplug.ocx");
        CLSID clsid{};
        ASSERT_EQ(CLSIDFromProgID(L"PlugIn.PlugIn", &clsid), S_OK);
        EXPECT_TRUE(IsEqualCLSID(clsid, CLSID_PlugIn));
        ASSERT_EQ(
            CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IPlugIn, control_.PutVoid()),
            S_OK);
        const HMODULE library = GetModuleHandleW(L"lumbra32.dll");
        ASSERT_NE(library, nullptr);
        ASSERT_EQ(ModulePath(library), TestFolder() + L"lumbra32.dll");
        ASSERT_EQ(control_.As(dispatch_), S_OK);
    }
    void TearDown() override {
        for (const HGLOBAL dib : dibs_) {
            GlobalFree(dib);
        }
        dispatch_.Reset();
        control_.Reset();
        // The same the other way round: the next tests of this process would run the
        // stand-in's control on the real library.
        CoFreeUnusedLibrariesEx(0, 0);
        EXPECT_EQ(GetModuleHandleW(L"lumbra32.dll"), nullptr) << "lumbra32 stayed loaded";
        if (registered_) {
            RegisterControl();
            EXPECT_EQ(RegisteredServer(), ControlPath());
        }
    }

    // A property or method through IDispatch::Invoke; arguments in the order of the signature.
    HRESULT Call(DISPID id, WORD flags, std::vector<VARIANT> args, VARIANT* result,
                 EXCEPINFO* exception = nullptr) {
        std::vector<VARIANT> reversed(args.rbegin(), args.rend());
        DISPID named = DISPID_PROPERTYPUT;
        DISPPARAMS params{reversed.data(), flags == DISPATCH_PROPERTYPUT ? &named : nullptr,
                          static_cast<UINT>(reversed.size()),
                          flags == DISPATCH_PROPERTYPUT ? 1u : 0u};
        Exception ignored;
        return dispatch_->Invoke(id, IID_NULL, 0x0409, flags, &params, result,
                                 exception ? exception : &ignored, nullptr);
    }

    // A caller's bitmap (PatternDib), freed after the test. Null when there is none to use: the
    // allocation failed, or the test is skipped because its handle does not fit the interface.
    HGLOBAL CallerDib(int width, int height) {
        const HGLOBAL dib = PatternDib(width, height);
        if (!dib) {
            ADD_FAILURE() << "no memory for a " << width << " x " << height << " bitmap";
            return nullptr;
        }
        dibs_.push_back(dib);
        if (!FitsTheInterface(dib)) {
            SkipForTheHandle();
            return nullptr;
        }
        return dib;
    }

    ComPtr<IPlugIn> control_;
    ComPtr<IDispatch> dispatch_;
    bool registered_ = false;

private:
    static void SkipForTheHandle() {
        GTEST_SKIP() << "global handles do not fit the interface's 32-bit value here";
    }

    std::vector<HGLOBAL> dibs_;
};

VARIANT Int(LONG value) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = value;
    return v;
}

VARIANT Str(const Bstr& value) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = value.Get(); // borrowed: not cleared
    return v;
}

uint8_t Pattern(int x, int y, int c) {
    return static_cast<uint8_t>(x * 37 + y * 11 + c * 89 + 3);
}

// A packed bottom-up 24-bit DIB in movable global memory, padding bytes 0xAB.
HGLOBAL PatternDib(int width, int height) {
    const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
    const HGLOBAL dib =
        GlobalAlloc(GMEM_MOVEABLE, sizeof(BITMAPINFOHEADER) + stride * static_cast<size_t>(height));
    auto* header = static_cast<BITMAPINFOHEADER*>(GlobalLock(dib));
    *header = BITMAPINFOHEADER{};
    header->biSize = sizeof(BITMAPINFOHEADER);
    header->biWidth = width;
    header->biHeight = height;
    header->biPlanes = 1;
    header->biBitCount = 24;
    auto* bits = reinterpret_cast<uint8_t*>(header + 1);
    std::memset(bits, 0xAB, stride * static_cast<size_t>(height));
    for (int y = 0; y < height; ++y) {
        uint8_t* row = bits + stride * static_cast<size_t>(height - 1 - y);
        for (int x = 0; x < width; ++x) {
            for (int c = 0; c < 3; ++c) {
                row[x * 3 + c] = Pattern(x, y, c);
            }
        }
    }
    GlobalUnlock(dib);
    return dib;
}

// Every byte of the bitmap, header included.
std::vector<uint8_t> BytesOf(HGLOBAL dib) {
    const auto* data = static_cast<const uint8_t*>(GlobalLock(dib));
    std::vector<uint8_t> bytes(data, data + GlobalSize(dib));
    GlobalUnlock(dib);
    return bytes;
}

// The bytes a full inversion of PatternDib gives: the header and the padding as they were.
std::vector<uint8_t> Inverted(std::vector<uint8_t> bytes, int width, int height) {
    const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
    for (int y = 0; y < height; ++y) {
        uint8_t* row = bytes.data() + sizeof(BITMAPINFOHEADER) + stride * static_cast<size_t>(y);
        for (int x = 0; x < width * 3; ++x) {
            row[x] = static_cast<uint8_t>(255 - row[x]);
        }
    }
    return bytes;
}

// The bytes after a filter set the blue channel (the first byte of each pixel) to 255.
std::vector<uint8_t> FullBlue(std::vector<uint8_t> bytes, int width, int height) {
    const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
    for (int y = 0; y < height; ++y) {
        uint8_t* row = bytes.data() + sizeof(BITMAPINFOHEADER) + stride * static_cast<size_t>(y);
        for (int x = 0; x < width; ++x) {
            row[x * 3] = 255;
        }
    }
    return bytes;
}

UINT LockCount(HGLOBAL memory) {
    return GlobalFlags(memory) & GMEM_LOCKCOUNT;
}

// "A5 B5 A10 B10 ..." as the pairs of values each sink saw, or a note of what was wrong.
std::vector<int> PairedValues(const std::string& log) {
    std::istringstream in(log);
    std::string a, b;
    std::vector<int> values;
    while (in >> a) {
        if (!(in >> b) || a[0] != 'A' || b[0] != 'B' || a.substr(1) != b.substr(1)) {
            ADD_FAILURE() << "the sinks did not see each value in slot order: " << log;
            return {};
        }
        values.push_back(std::stoi(a.substr(1)));
    }
    return values;
}

} // namespace

TEST_F(RealControl, ListsTheFixturePlugInsThroughVtableAndDispatch) {
    Bstr folder(FixtureFolder());
    ASSERT_EQ(control_->put_Directory(folder.Get()), S_OK);
    BSTR stored = nullptr;
    ASSERT_EQ(control_->get_Directory(&stored), S_OK);
    EXPECT_STREQ(stored, folder.Get());
    SysFreeString(stored);
    LONG last = 0;
    EXPECT_EQ(control_->get_PlugInCount(&last), S_OK);
    EXPECT_EQ(last, -1) << "the catalogue is built on first need";

    // What the fixtures' property lists declare, in the library's order (by file name); the
    // other-architecture build, the text file and the second language of Pair Red are not listed.
    const bool german = PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_GERMAN;
    const std::wstring fixtures = L"Ridgewright Fixtures", pairs = L"Ridgewright Pairs";
    const std::vector<std::vector<std::wstring>> want = {
        {L"Run Counter", Fixture(L"counter.8bf"), fixtures},
        {L"Crasher", Fixture(L"crash.8bf"), fixtures},
        {L"Always Fails", Fixture(L"fails.8bf"), fixtures},
        {L"Invert", Fixture(L"invert.8bf"), fixtures},
        {german ? L"Paar Rot" : L"Pair Red", Fixture(L"pair.8bf") + L"|PairRed", pairs},
        {L"Pair Blue", Fixture(L"pair.8bf") + L"|PairBlue", pairs},
        {L"Slow Progress", Fixture(L"progress.8bf"), fixtures},
        {L"Tiled Invert", Fixture(L"tiled.8bf"), fixtures},
    };
    const LONG count = static_cast<LONG>(want.size());
    for (LONG i = 0; i < count; ++i) {
        SCOPED_TRACE(i);
        BSTR title = nullptr, file = nullptr, category = nullptr;
        ASSERT_EQ(control_->get_Title(i, &title), S_OK);
        ASSERT_EQ(control_->get_FileName(i, &file), S_OK);
        ASSERT_EQ(control_->get_Category(i, &category), S_OK);
        EXPECT_EQ(std::wstring(title), want[i][0]);
        EXPECT_EQ(std::wstring(file), want[i][1]);
        EXPECT_EQ(std::wstring(category), want[i][2]);
        SysFreeString(title);
        SysFreeString(file);
        SysFreeString(category);

        // The same entry through IDispatch, as a script reads it.
        const DISPID ids[3] = {1, 2, 3};
        for (int field = 0; field < 3; ++field) {
            VARIANT result;
            VariantInit(&result);
            ASSERT_EQ(Call(ids[field], DISPATCH_PROPERTYGET, {Int(i)}, &result), S_OK);
            ASSERT_EQ(result.vt, VT_BSTR);
            EXPECT_EQ(std::wstring(result.bstrVal), want[i][field]);
            VariantClear(&result);
        }
    }
    EXPECT_EQ(control_->get_PlugInCount(&last), S_OK);
    EXPECT_EQ(last, count - 1);
    VARIANT result;
    VariantInit(&result);
    ASSERT_EQ(Call(7, DISPATCH_PROPERTYGET, {}, &result), S_OK);
    EXPECT_EQ(result.vt, VT_I4);
    EXPECT_EQ(result.lVal, count - 1);

    Exception exception;
    EXPECT_EQ(Call(1, DISPATCH_PROPERTYGET, {Int(count)}, &result, &exception), DISP_E_EXCEPTION);
    EXPECT_EQ(static_cast<unsigned>(exception.scode), 0x800A017Du);
    EXPECT_STREQ(exception.bstrDescription, L"Index out of bounds.");

    // Assigned through IDispatch, a folder of plug-ins in other places of the fixture tree.
    Bstr more(FixtureFolder() + L"\\more");
    ASSERT_EQ(Call(6, DISPATCH_PROPERTYPUT, {Str(more)}, nullptr), S_OK);
    BSTR title = nullptr;
    ASSERT_EQ(control_->get_Title(0, &title), S_OK);
    EXPECT_STREQ(title, L"Preview Probe");
    SysFreeString(title);
    EXPECT_EQ(control_->get_PlugInCount(&last), S_OK);
    EXPECT_EQ(last, 1);
}

TEST_F(RealControl, RunsAPlugInOnTheCallersBitmapWithStatusForEverySink) {
    Bstr folder(FixtureFolder());
    ASSERT_EQ(control_->put_Directory(folder.Get()), S_OK);

    ComPtr<IConnectionPointContainer> container;
    ASSERT_EQ(control_.As(container), S_OK);
    ComPtr<IConnectionPoint> point;
    ASSERT_EQ(container->FindConnectionPoint(DIID__PlugInEvents, point.Put()), S_OK);
    std::string log;
    Sink a("A", log), b("B", log);
    ASSERT_EQ(point->Advise(static_cast<IDispatch*>(&a), &a.cookie), S_OK);
    ASSERT_EQ(point->Advise(static_cast<IDispatch*>(&b), &b.cookie), S_OK);

    const int width = 7, height = 20;
    const HGLOBAL dib = CallerDib(width, height);
    if (!dib) {
        return;
    }
    const std::vector<uint8_t> before = BytesOf(dib);

    // Through the vtable: the progress fixture inverts one row per step and reports each.
    Bstr progress(Fixture(L"progress.8bf"));
    ASSERT_EQ(control_->InvokePlugIn(progress.Get(), HandleValue(dib)), S_OK);
    EXPECT_EQ(BytesOf(dib), Inverted(before, width, height));
    EXPECT_EQ(LockCount(dib), 0u);
    const std::vector<int> values = PairedValues(log);
    ASSERT_GE(values.size(), 2u) << log;
    EXPECT_EQ(values.back(), 100) << log;
    for (size_t i = 0; i < values.size(); ++i) {
        // One row of twenty is five percent.
        EXPECT_EQ(values[i] % 5, 0) << log;
        EXPECT_GT(values[i], 0) << log;
        if (i > 0) {
            EXPECT_GT(values[i], values[i - 1]) << log;
        }
    }

    // Through IDispatch, the one-pass inverter: the picture is back as it was.
    log.clear();
    Bstr invert(Fixture(L"invert.8bf"));
    VARIANT result;
    VariantInit(&result);
    ASSERT_EQ(Call(4, DISPATCH_METHOD, {Str(invert), Int(HandleValue(dib))}, &result), S_OK);
    EXPECT_EQ(BytesOf(dib), before);
    EXPECT_EQ(LockCount(dib), 0u);

    // A file of two filters: the name the catalogue gave reaches the second one.
    Bstr pairBlue(Fixture(L"pair.8bf") + L"|PairBlue");
    ASSERT_EQ(control_->InvokePlugIn(pairBlue.Get(), HandleValue(dib)), S_OK);
    EXPECT_EQ(BytesOf(dib), FullBlue(before, width, height));
    EXPECT_EQ(LockCount(dib), 0u);

    EXPECT_EQ(point->Unadvise(a.cookie), S_OK);
    EXPECT_EQ(point->Unadvise(b.cookie), S_OK);
    EXPECT_EQ(a.refs, 1);
    EXPECT_EQ(b.refs, 1);
}

TEST_F(RealControl, ListsAndRunsPlugInsBuiltTheWayRealOnesAre) {
    Bstr folder(FixtureFolder() + L"\\patterns");
    ASSERT_EQ(control_->put_Directory(folder.Get()), S_OK);
    std::vector<std::wstring> titles;
    BSTR title = nullptr;
    for (LONG i = 0; control_->get_Title(i, &title) == S_OK; ++i) {
        titles.emplace_back(title);
        SysFreeString(title);
    }
    EXPECT_EQ(titles, (std::vector<std::wstring>{L"Colours", L"Foundry Like", L"Lingo Current",
                                                 L"Properties", L"Template"}))
        << "the CMYK-only filter left out, the language-neutral title of two";

    const int width = 9, height = 8;
    const HGLOBAL dib = CallerDib(width, height);
    if (!dib) {
        return;
    }
    std::vector<uint8_t> want = BytesOf(dib);
    const size_t stride = (width * 3 + 3) & ~3;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uint8_t& red = want[sizeof(BITMAPINFOHEADER) + stride * y + x * 3 + 2];
            red = static_cast<uint8_t>(255 - red);
        }
    }
    Bstr foundry(FixtureFolder() + L"\\patterns\\foundry_like.8bf");
    ASSERT_EQ(control_->InvokePlugIn(foundry.Get(), HandleValue(dib)), S_OK);
    EXPECT_EQ(BytesOf(dib), want) << "red inverted in bands, through the PICA handle suite";
    EXPECT_EQ(LockCount(dib), 0u);
}

TEST_F(RealControl, FailingPlugInsLeaveTheBitmapAsItWasAndUnlocked) {
    Bstr folder(FixtureFolder());
    ASSERT_EQ(control_->put_Directory(folder.Get()), S_OK);
    const int width = 5, height = 3;
    const HGLOBAL dib = CallerDib(width, height);
    if (!dib) {
        return;
    }
    const std::vector<uint8_t> before = BytesOf(dib);

    struct Case {
        const wchar_t* file;
        unsigned hr;
        const wchar_t* description;
    };
    const Case cases[] = {
        // The plug-in refuses to start.
        {L"fails.8bf", 0x800A80EEu, L"Plug-In was unable to process image."},
        // The plug-in crashes in its helper process.
        {L"crash.8bf", 0x800A80EEu, L"Plug-In was unable to process image."},
        // Not a program, though named like a plug-in; and no file at all.
        {L"notes.8bf", 0x800A80EBu, L"Unable to load specified Plug-In."},
        {L"absent.8bf", 0x800A80EBu, L"Unable to load specified Plug-In."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::string(c.file, c.file + wcslen(c.file)));
        Bstr name(Fixture(c.file));
        EXPECT_EQ(static_cast<unsigned>(control_->InvokePlugIn(name.Get(), HandleValue(dib))),
                  c.hr);
        ComPtr<IErrorInfo> info;
        ASSERT_EQ(GetErrorInfo(0, info.Put()), S_OK);
        Bstr description, source;
        info->GetDescription(description.Put());
        info->GetSource(source.Put());
        EXPECT_EQ(description.View(), c.description);
        EXPECT_EQ(source.View(), L"PlugIn.PlugIn.1");
        EXPECT_EQ(BytesOf(dib), before);
        EXPECT_EQ(LockCount(dib), 0u);

        // The same through IDispatch, as an exception.
        VARIANT result;
        VariantInit(&result);
        Exception exception;
        EXPECT_EQ(Call(4, DISPATCH_METHOD, {Str(name), Int(HandleValue(dib))}, &result, &exception),
                  DISP_E_EXCEPTION);
        EXPECT_EQ(static_cast<unsigned>(exception.scode), c.hr);
        EXPECT_STREQ(exception.bstrDescription, c.description);
        EXPECT_EQ(BytesOf(dib), before);
        EXPECT_EQ(LockCount(dib), 0u);
    }

    // An 8-bit bitmap is refused after the plug-in was loaded, and left alone.
    const HGLOBAL gray = PatternDib(4, 4);
    auto* header = static_cast<BITMAPINFOHEADER*>(GlobalLock(gray));
    header->biBitCount = 8;
    GlobalUnlock(gray);
    const std::vector<uint8_t> grayBefore = BytesOf(gray);
    Bstr invert(Fixture(L"invert.8bf"));
    if (FitsTheInterface(gray)) {
        EXPECT_EQ(static_cast<unsigned>(control_->InvokePlugIn(invert.Get(), HandleValue(gray))),
                  0x800A80EDu);
        EXPECT_EQ(BytesOf(gray), grayBefore);
        EXPECT_EQ(LockCount(gray), 0u);
    }
    GlobalFree(gray);

    // After the crash the next run gets a fresh helper and works.
    ASSERT_EQ(control_->InvokePlugIn(invert.Get(), HandleValue(dib)), S_OK);
    EXPECT_EQ(BytesOf(dib), Inverted(before, width, height));
    EXPECT_EQ(LockCount(dib), 0u);
}

TEST_F(RealControl, EscDuringARunEndsItQuietlyWithTheBitmapUnchanged) {
    Bstr folder(FixtureFolder());
    ASSERT_EQ(control_->put_Directory(folder.Get()), S_OK);
    ComPtr<IConnectionPointContainer> container;
    ASSERT_EQ(control_.As(container), S_OK);
    ComPtr<IConnectionPoint> point;
    ASSERT_EQ(container->FindConnectionPoint(DIID__PlugInEvents, point.Put()), S_OK);
    std::string log;
    Sink a("A", log);
    // The user presses Esc as the first progress shows.
    a.onStatus = [](Sink& self) {
        if (self.cookie) {
            PostThreadMessageW(GetCurrentThreadId(), WM_KEYDOWN, VK_ESCAPE, 0);
            self.cookie = 0;
        }
    };
    DWORD cookie = 0;
    ASSERT_EQ(point->Advise(static_cast<IDispatch*>(&a), &cookie), S_OK);
    a.cookie = cookie;

    const int width = 9, height = 300;
    const HGLOBAL dib = CallerDib(width, height);
    if (!dib) {
        return;
    }
    const std::vector<uint8_t> before = BytesOf(dib);
    Bstr progress(Fixture(L"progress.8bf"));
    // A cancelled run is no failure.
    EXPECT_EQ(control_->InvokePlugIn(progress.Get(), HandleValue(dib)), S_OK);
    EXPECT_EQ(BytesOf(dib), before);
    EXPECT_EQ(LockCount(dib), 0u);
    EXPECT_FALSE(log.empty());
    EXPECT_EQ(log.find("A100 "), std::string::npos) << log;
    EXPECT_EQ(point->Unadvise(cookie), S_OK);

    // The next run goes to the end.
    log.clear();
    ASSERT_EQ(control_->InvokePlugIn(progress.Get(), HandleValue(dib)), S_OK);
    EXPECT_EQ(BytesOf(dib), Inverted(before, width, height));
}

// A script creates the control without a window: the limit it sets in its environment stops a
// plug-in that loops without a word, and the run ends as a cancelled one, the bitmap unchanged.
TEST_F(RealControl, ALoopingPlugInIsStoppedByTheLimitOfACallerWithoutAWindow) {
    Bstr folder(FixtureFolder() + L"\\hostile");
    ASSERT_EQ(control_->put_Directory(folder.Get()), S_OK);
    const HGLOBAL dib = CallerDib(6, 5);
    if (!dib) {
        return;
    }
    const std::vector<uint8_t> before = BytesOf(dib);
    SetEnvironmentVariableW(L"LUMBRA32_HUNG_FILTER_LIMIT", L"1");
    Bstr loop(FixtureFolder() + L"\\hostile\\loop.8bf");
    EXPECT_EQ(control_->InvokePlugIn(loop.Get(), HandleValue(dib)), S_OK);
    SetEnvironmentVariableW(L"LUMBRA32_HUNG_FILTER_LIMIT", nullptr);
    EXPECT_EQ(BytesOf(dib), before);
    EXPECT_EQ(LockCount(dib), 0u);
}

// A folder named in letters the code page lacks reaches the library by its short name; its
// plug-ins are listed and run.
TEST_F(RealControl, AFolderNamedBeyondTheCodePageListsAndRunsItsPlugIns) {
    rw::test::TempDir folder(L"rw \u0424\u0438\u043b\u044c\u0442\u0440\u044b");
    ASSERT_TRUE(
        CopyFileW(Fixture(L"invert.8bf").c_str(), folder.File(L"invert.8bf").c_str(), FALSE));
    Bstr directory(folder.Path());
    ASSERT_EQ(control_->put_Directory(directory.Get()), S_OK);
    BSTR title = nullptr, file = nullptr;
    ASSERT_EQ(control_->get_Title(0, &title), S_OK);
    EXPECT_STREQ(title, L"Invert");
    ASSERT_EQ(control_->get_FileName(0, &file), S_OK);
    const HGLOBAL dib = CallerDib(4, 3);
    if (dib) {
        const std::vector<uint8_t> before = BytesOf(dib);
        EXPECT_EQ(control_->InvokePlugIn(file, HandleValue(dib)), S_OK);
        EXPECT_EQ(BytesOf(dib), Inverted(before, 4, 3));
    }
    SysFreeString(title);
    SysFreeString(file);
}
