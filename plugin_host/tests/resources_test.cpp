// The resources that containers and the control's dialogs read from lumbraplug.ocx.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plugin_host/tests/plugin_test_support.h"

using namespace plugintest;

namespace {

class Resources : public testing::Test {
protected:
    void SetUp() override {
        module_ = LoadLibraryExW(ControlPath().c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(module_, nullptr);
    }
    void TearDown() override { FreeLibrary(module_); }

    const BYTE* Find(LPCWSTR type, int id, DWORD* size = nullptr) {
        const HRSRC found = FindResourceW(module_, MAKEINTRESOURCEW(id), type);
        if (!found) {
            return nullptr;
        }
        if (size) {
            *size = SizeofResource(module_, found);
        }
        return static_cast<const BYTE*>(LockResource(LoadResource(module_, found)));
    }

    HMODULE module_ = nullptr;
};

std::wstring VersionString(const std::vector<BYTE>& info, const wchar_t* name) {
    void* value = nullptr;
    UINT length = 0;
    const std::wstring path = std::wstring(L"\\StringFileInfo\\040904b0\\") + name;
    if (!VerQueryValueW(info.data(), path.c_str(), &value, &length)) {
        return L"<missing>";
    }
    return length ? std::wstring(static_cast<const wchar_t*>(value)) : L"";
}

} // namespace

TEST_F(Resources, StringTableHoldsTheProjectNameAndTheMessages) {
    const wchar_t* messages[] = {L"Plug-In Directory not set.",
                                 L"Unable to load Plug-In files in directory chosen.",
                                 L"Unable to load specified Plug-In.",
                                 L"Image passed into Plug-In is not valid.",
                                 L"Plug-In filters only work with 24 bit images.",
                                 L"Plug-In was unable to process image.",
                                 L"Unable to locate Plug-In host DLL.",
                                 L"Unable to return status information.",
                                 L"Unable to load Plug-In Host DLL."};
    wchar_t text[1100];
    ASSERT_GT(LoadStringW(module_, 100, text, 1100), 0);
    EXPECT_STREQ(text, L"lumbraplug");
    for (int i = 0; i < 9; ++i) {
        ASSERT_GT(LoadStringW(module_, 33001 + i, text, 1100), 0) << 33001 + i;
        EXPECT_STREQ(text, messages[i]);
    }
    EXPECT_EQ(LoadStringW(module_, 33010, text, 1100), 0);
}

TEST_F(Resources, PicturesHaveTheirSizesAndDepths) {
    struct Bitmap {
        int id, width, height, bits;
    };
    for (const Bitmap& b :
         {Bitmap{206, 64, 16, 4}, Bitmap{209, 90, 49, 8}, Bitmap{210, 16, 16, 4}}) {
        const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(Find(RT_BITMAP, b.id));
        ASSERT_NE(header, nullptr) << b.id;
        EXPECT_EQ(header->biWidth, b.width) << b.id;
        EXPECT_EQ(header->biHeight, b.height) << b.id;
        EXPECT_EQ(header->biBitCount, b.bits) << b.id;
    }
    // Icon 201: a 32 x 32 and a 16 x 16 image, 16 colours each.
#pragma pack(push, 2)
    struct GroupEntry {
        BYTE width, height, colours, reserved;
        WORD planes, bits;
        DWORD bytes;
        WORD id;
    };
#pragma pack(pop)
    const BYTE* group = Find(RT_GROUP_ICON, 201);
    ASSERT_NE(group, nullptr);
    const WORD count = *reinterpret_cast<const WORD*>(group + 4);
    ASSERT_EQ(count, 2);
    std::vector<int> sizes;
    for (WORD i = 0; i < count; ++i) {
        const auto* entry = reinterpret_cast<const GroupEntry*>(group + 6 + i * sizeof(GroupEntry));
        sizes.push_back(entry->width);
        EXPECT_EQ(entry->height, entry->width);
        EXPECT_EQ(entry->bits, 4);
        EXPECT_EQ(entry->colours, 16);
    }
    EXPECT_EQ(sizes, (std::vector<int>{32, 16}));
}

TEST_F(Resources, RegistrationScriptAndTypeLibraryAreEmbedded) {
    DWORD size = 0;
    const BYTE* script = Find(L"REGISTRY", 101, &size);
    ASSERT_NE(script, nullptr);
    const std::string text(reinterpret_cast<const char*>(script), size);
    EXPECT_NE(text.find("%MODULE%"), std::string::npos);
    const BYTE* library = Find(L"TYPELIB", 1, &size);
    ASSERT_NE(library, nullptr);
    ASSERT_GE(size, 4u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(library), 4), "MSFT");
}

TEST(PlugInVersion, VersionResourceReadsBack) {
    const std::wstring path = ControlPath();
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> info(size);
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, info.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00060004u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00060004u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0u);
    EXPECT_EQ(fixed->dwFileOS, static_cast<DWORD>(VOS__WINDOWS32));
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DLL));
    WORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation",
                               reinterpret_cast<void**>(&translation), &length));
    ASSERT_EQ(length, 4u) << "one translation";
    EXPECT_EQ(translation[0], 0x0409);
    EXPECT_EQ(translation[1], 1200);
    EXPECT_EQ(VersionString(info, L"FileDescription"), L"Lumbra PhotoShop Plugin Host Control");
    EXPECT_EQ(VersionString(info, L"FileVersion"), L"6.04.00");
    EXPECT_EQ(VersionString(info, L"ProductVersion"), L"6.04.00");
    EXPECT_EQ(VersionString(info, L"InternalName"), L"lumbraplug");
    EXPECT_EQ(VersionString(info, L"OriginalFilename"), L"LUMBRAPLUG.OCX");
    EXPECT_EQ(VersionString(info, L"OLESelfRegister"), L"");
    EXPECT_NE(VersionString(info, L"CompanyName"), L"<missing>");
    EXPECT_NE(VersionString(info, L"ProductName"), L"<missing>");
    EXPECT_NE(VersionString(info, L"LegalCopyright"), L"<missing>");
}
