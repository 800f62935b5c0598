#include "components/image_control.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "core/dib.h"
#include "core/image_error.h"
#include "win32/scoped.h"
#include "components/tests/image_test_support.h"
#include "win32/tests/test_files.h"

namespace rw {
namespace {

using test::Pixels;

// A parent window for controls under test.
class Host : public win::Window {
public:
    Host() {
        static const win::WindowClass cls{L"RidgewrightTestHost"};
        Create(cls, 0, L"host", WS_OVERLAPPEDWINDOW, 0, 0, 300, 300, nullptr, nullptr);
    }
    ~Host() override { Destroy(); }
};

void PutDibOnClipboard(const std::vector<uint8_t>& dib) {
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, dib.size());
    std::memcpy(GlobalLock(memory), dib.data(), dib.size());
    GlobalUnlock(memory);
    SetClipboardData(CF_DIB, memory);
    CloseClipboard();
}

class ImageControlTest : public testing::Test {
protected:
    void SetUp() override {
        a.CreateChild(host.hwnd(), 1, 0, 0, 100, 100);
        b.CreateChild(host.hwnd(), 2, 100, 0, 100, 100);
    }
    Host host;
    ImageControl a;
    ImageControl b;
    test::TempDir dir;
};

TEST_F(ImageControlTest, ABlankImageIsBlackAndOfTheSizeAsked) {
    a.CreateBlankImage(37, 21, 24);
    EXPECT_EQ(a.ImageWidth(), 37);
    EXPECT_EQ(a.ImageHeight(), 21);
    for (uint8_t v : Pixels(a)) {
        ASSERT_EQ(v, 0);
    }
    EXPECT_THROW(a.CreateBlankImage(0, 5, 24), ImageError);
    EXPECT_THROW(a.CreateBlankImage(5, -1, 24), ImageError);
    EXPECT_THROW(a.CreateBlankImage(5, 5, 8), ImageError);
    EXPECT_EQ(a.ImageWidth(), 37); // a refused size leaves the image alone
}

TEST_F(ImageControlTest, ASizeBeyondWhatAnImageCanHoldIsAnErrorNotACrash) {
    a.CreateBlankImage(4, 4, 24);
    EXPECT_THROW(a.CreateBlankImage(2147483647, 2147483647, 24), ImageError);
    EXPECT_THROW(a.CreateBlankImage(100000, 100000, 24), ImageError);
    EXPECT_EQ(a.ImageWidth(), 4);
}

TEST_F(ImageControlTest, SetPixelOnItsDeviceContextChangesTheImage) {
    a.CreateBlankImage(10, 10, 24);
    SetPixel(a.hDC(), 3, 7, RGB(10, 20, 30));
    const uint8_t* p = a.Surface().Pixel(3, 7);
    EXPECT_EQ(p[0], 30); // blue
    EXPECT_EQ(p[1], 20);
    EXPECT_EQ(p[2], 10); // red
    // And what the surface holds is what the device context reads.
    a.Surface().Pixel(9, 0)[2] = 200;
    EXPECT_EQ(GetPixel(a.hDC(), 9, 0), RGB(200, 0, 0));
}

TEST_F(ImageControlTest, CopyThenPasteIntoAnotherControlIsPixelExact) {
    a.CreateBlankImage(33, 17, 24); // odd width: rows carry padding
    test::PaintPattern(a, 0);
    b.CreateBlankImage(5, 5, 24);
    a.ImageCopy();
    b.ImagePaste();
    EXPECT_EQ(b.ImageWidth(), 33);
    EXPECT_EQ(b.ImageHeight(), 17);
    EXPECT_EQ(Pixels(b), Pixels(a));
}

TEST_F(ImageControlTest, PasteConvertsCommonDepthsToTwentyFourBits) {
    // 8 bits with a two-colour table, bottom-up, 2 x 2.
    std::vector<uint8_t> dib(40, 0);
    dib[0] = 40;
    dib[4] = 2;
    dib[8] = 2;
    dib[12] = 1;
    dib[14] = 8;
    dib[32] = 2;
    const uint8_t table[] = {0, 0, 255, 0, 255, 0, 0, 0}; // red, blue
    dib.insert(dib.end(), std::begin(table), std::end(table));
    const uint8_t rows[] = {0, 1, 0, 0, /* top row: */ 1, 1, 0, 0};
    dib.insert(dib.end(), std::begin(rows), std::end(rows));
    PutDibOnClipboard(dib);
    a.ImagePaste();
    ASSERT_EQ(a.ImageWidth(), 2);
    EXPECT_EQ(GetPixel(a.hDC(), 0, 0), RGB(0, 0, 255));
    EXPECT_EQ(GetPixel(a.hDC(), 0, 1), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(a.hDC(), 1, 1), RGB(0, 0, 255));

    // 32 bits, top-down, 1 x 1.
    std::vector<uint8_t> dib32(40, 0);
    dib32[0] = 40;
    dib32[4] = 1;
    const int32_t up = -1;
    std::memcpy(&dib32[8], &up, 4);
    dib32[12] = 1;
    dib32[14] = 32;
    const uint8_t pixel[] = {1, 2, 3, 255};
    dib32.insert(dib32.end(), std::begin(pixel), std::end(pixel));
    PutDibOnClipboard(dib32);
    a.ImagePaste();
    EXPECT_EQ(GetPixel(a.hDC(), 0, 0), RGB(3, 2, 1));
}

TEST_F(ImageControlTest, PasteWithoutAnImageIsAnErrorAndKeepsTheImage) {
    a.CreateBlankImage(6, 4, 24);
    test::PaintPattern(a, 0);
    const auto before = Pixels(a);
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    CloseClipboard();
    EXPECT_THROW(a.ImagePaste(), ImageError);

    // Text only.
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL text = GlobalAlloc(GMEM_MOVEABLE, 6);
    std::memcpy(GlobalLock(text), "hello", 6);
    GlobalUnlock(text);
    SetClipboardData(CF_TEXT, text);
    CloseClipboard();
    EXPECT_THROW(a.ImagePaste(), ImageError);

    // A damaged bitmap: a header that promises more rows than it carries.
    std::vector<uint8_t> dib(44, 0);
    dib[0] = 40;
    dib[4] = 100;
    dib[8] = 100;
    dib[12] = 1;
    dib[14] = 24;
    PutDibOnClipboard(dib);
    EXPECT_THROW(a.ImagePaste(), ImageError);
    EXPECT_EQ(Pixels(a), before);
}

TEST_F(ImageControlTest, SavedFilesLoadBackPixelForPixel) {
    a.CreateBlankImage(31, 19, 24);
    test::PaintPattern(a, 0);
    for (const wchar_t* name : {L"terrain.tif", L"terrain.png", L"terrain.bmp"}) {
        const std::wstring path = dir.File(name);
        a.SaveAs(path);
        b.CreateBlankImage(2, 2, 24);
        b.Picture(path);
        EXPECT_EQ(b.ImageWidth(), 31) << test::FileExists(path);
        EXPECT_EQ(Pixels(b), Pixels(a)) << std::string(name, name + wcslen(name));
    }
}

TEST_F(ImageControlTest, GrayImagesSurviveEveryOfferedType) {
    // Heightfields are gray; even the palettised and the lossy types must keep them usable.
    a.CreateBlankImage(16, 16, 24);
    const Surface24 s = a.Surface();
    for (int32_t y = 0; y < 16; ++y) {
        for (int32_t x = 0; x < 16; ++x) {
            std::memset(s.Pixel(x, y), x * 16 + y, 3);
        }
    }
    for (int i = 0; i < a.FormatCount(); ++i) {
        const std::string entry = a.FormatFilter(i);
        const std::string pattern = entry.substr(entry.find('~') + 1);
        const std::string extension = pattern.substr(1, pattern.find(';') - 1); // ".tif"
        const std::wstring path =
            dir.File(L"gray" + std::wstring(extension.begin(), extension.end()));
        a.SaveAs(path);
        b.Picture(path);
        ASSERT_EQ(b.ImageWidth(), 16) << entry;
        const bool lossy = extension == ".jpg";
        for (int32_t y = 0; y < 16; ++y) {
            for (int32_t x = 0; x < 16; ++x) {
                const int expected = x * 16 + y;
                const int got = b.Surface().Pixel(x, y)[1];
                EXPECT_NEAR(got, expected, lossy ? 12 : 0) << entry << " at " << x << "," << y;
            }
        }
    }
}

TEST_F(ImageControlTest, AFailedSaveLeavesTheOldFileAndNoTemporaryFile) {
    a.CreateBlankImage(8, 8, 24);
    test::PaintPattern(a, 0);
    const std::wstring path = dir.File(L"kept.png");
    test::WriteBytes(path, {1, 2, 3});
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_THROW(a.SaveAs(path), ImageError);
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(test::ReadBytes(path), (std::vector<unsigned char>{1, 2, 3}));

    EXPECT_THROW(a.SaveAs(dir.File(L"no such folder\\x.png")), ImageError);
    // The image is written in full, then cannot take the name: a folder holds it.
    CreateDirectoryW(dir.File(L"taken.png").c_str(), nullptr);
    EXPECT_THROW(a.SaveAs(dir.File(L"taken.png")), ImageError);
    RemoveDirectoryW(dir.File(L"taken.png").c_str());
    try {
        a.SaveAs(dir.File(L"unknown.xyz"));
        ADD_FAILURE() << "saved in an unknown type";
    } catch (const ImageError& e) {
        EXPECT_NE(std::string(e.what()).find("unknown.xyz"), std::string::npos) << e.what();
    }
    // Only the original file is left in the folder.
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(dir.File(L"*").c_str(), &found);
    int files = 0;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            ++files;
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
    EXPECT_EQ(files, 1);
}

std::string SaveFailure(ImageControl& control, const std::wstring& path) {
    try {
        control.SaveAs(path);
    } catch (const ImageError& e) {
        return e.what();
    }
    return "(saved)";
}

TEST_F(ImageControlTest, SaveFailuresSayWhatHappenedInWords) {
    a.CreateBlankImage(8, 8, 24);
    EXPECT_NE(SaveFailure(a, dir.File(L"no such folder\\x.tif")).find("its folder does not exist"),
              std::string::npos);
    EXPECT_EQ(SaveFailure(a, dir.File(L"no such folder\\x.tif")).find("0x"), std::string::npos);
}

TEST_F(ImageControlTest, FilesInFoldersBeyondTheClassicPathLimitSaveAndLoad) {
    std::wstring folder = L"\\\\?\\" + dir.Path();
    for (int depth = 0; depth < 6; ++depth) {
        folder += L"\\" + std::wstring(60, static_cast<wchar_t>(L'a' + depth));
        ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr)) << depth;
    }
    const std::wstring deep = folder.substr(4); // as a user types or picks it
    ASSERT_GT(deep.size(), 300u);
    a.CreateBlankImage(13, 7, 24);
    test::PaintPattern(a, 3);
    for (const wchar_t* name : {L"deep.tif", L"deep.png"}) {
        const std::wstring path = deep + L"\\" + name;
        ASSERT_NO_THROW(a.SaveAs(path)) << SaveFailure(a, path);
        b.CreateBlankImage(2, 2, 24);
        ASSERT_NO_THROW(b.Picture(path));
        EXPECT_EQ(Pixels(b), Pixels(a));
    }
}

// A file system with no room left, made by scripts/test (a small memory file system) and named
// by RW_FULL_DISK as a host path; without it the test cannot run here.
std::wstring FullDiskFolder() {
    wchar_t value[1024] = {};
    if (!GetEnvironmentVariableW(L"RW_FULL_DISK", value, 1024) || !value[0]) {
        return {};
    }
    std::wstring path = value;
    if (path[0] == L'/') {
        for (wchar_t& c : path) {
            c = c == L'/' ? L'\\' : c;
        }
        path = L"Z:" + path; // the whole host file system is drive Z under Wine
    }
    return path;
}

TEST_F(ImageControlTest, ASaveOnAFullDiskFailsAndKeepsTheOldFile) {
    const std::wstring folder = FullDiskFolder();
    if (folder.empty()) {
        GTEST_SKIP() << "RW_FULL_DISK names no small file system";
    }
    const std::wstring path = folder + L"\\kept.tif";
    a.CreateBlankImage(9, 9, 24);
    test::PaintPattern(a, 1);
    ASSERT_NO_THROW(a.SaveAs(path));
    const std::vector<unsigned char> before = test::ReadBytes(path);

    // Fill what is left but a little, less than the new image needs.
    const std::wstring filler = folder + L"\\filler.bin";
    ULARGE_INTEGER available{};
    ASSERT_TRUE(GetDiskFreeSpaceExW(folder.c_str(), &available, nullptr, nullptr));
    const size_t fill = available.QuadPart > 16384 ? size_t(available.QuadPart - 16384) : 0;
    test::WriteBytes(filler, std::vector<unsigned char>(fill, 0x55));

    a.CreateBlankImage(300, 300, 24);
    test::PaintPattern(a, 2);
    const std::string failure = SaveFailure(a, path);
    DeleteFileW(filler.c_str());
    EXPECT_NE(failure.find("the disk is full"), std::string::npos) << failure;
    EXPECT_EQ(test::ReadBytes(path), before);
    b.CreateBlankImage(2, 2, 24);
    ASSERT_NO_THROW(b.Picture(path));
    EXPECT_EQ(b.ImageWidth(), 9);

    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\~rw*").c_str(), &found);
    EXPECT_EQ(search, INVALID_HANDLE_VALUE) << "a temporary file was left behind";
    if (search != INVALID_HANDLE_VALUE) {
        FindClose(search);
    }
    DeleteFileW(path.c_str());
}

TEST_F(ImageControlTest, FilesThatCannotBeReadAreErrorsAndKeepTheImage) {
    a.CreateBlankImage(3, 3, 24);
    test::PaintPattern(a, 0);
    const auto before = Pixels(a);
    EXPECT_THROW(a.Picture(dir.File(L"missing.tif")), ImageError);

    const std::wstring corrupt = dir.File(L"corrupt.png");
    test::WriteBytes(corrupt, std::vector<unsigned char>(300, 0x5A));
    EXPECT_THROW(a.Picture(corrupt), ImageError);

    b.CreateBlankImage(64, 64, 24);
    test::PaintPattern(b, 1);
    const std::wstring whole = dir.File(L"whole.bmp");
    b.SaveAs(whole);
    auto bytes = test::ReadBytes(whole);
    bytes.resize(bytes.size() / 3);
    const std::wstring truncated = dir.File(L"truncated.bmp");
    test::WriteBytes(truncated, bytes);
    EXPECT_THROW(a.Picture(truncated), ImageError);
    EXPECT_EQ(Pixels(a), before);
}

TEST_F(ImageControlTest, OffersTypesItCanReadAndWriteWithTiffFifth) {
    ASSERT_EQ(a.FormatCount(), 5);
    EXPECT_EQ(a.FormatFilter(4).substr(a.FormatFilter(4).find('~')), "~*.tif;*.tiff");
    EXPECT_THROW(a.FormatFilter(5), ImageError);
}

TEST_F(ImageControlTest, EscapeRaisesCancelKeyWhileTheControlHasTheFocus) {
    int raised = 0;
    a.CancelKey = [&raised](int16_t, int16_t) { ++raised; };
    ShowWindow(host.hwnd(), SW_SHOW);
    SetFocus(a.hwnd());
    ASSERT_EQ(GetFocus(), a.hwnd());
    PostMessageW(a.hwnd(), WM_KEYDOWN, VK_ESCAPE, 0);
    PostMessageW(a.hwnd(), WM_KEYDOWN, 'A', 0);
    test::Pump();
    EXPECT_EQ(raised, 1);
}

TEST_F(ImageControlTest, TheBusyPointerShowsOverTheControl) {
    a.MousePointer(ImageControl::kBusyPointer);
    SendMessageW(a.hwnd(), WM_SETCURSOR, reinterpret_cast<WPARAM>(a.hwnd()),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_WAIT));
    a.MousePointer(0);
    SendMessageW(a.hwnd(), WM_SETCURSOR, reinterpret_cast<WPARAM>(a.hwnd()),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_ARROW));
}

} // namespace
} // namespace rw
