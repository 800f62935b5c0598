// The editor's PlugIn1: created by class identifier with its saved form when lumbraplug is
// registered; the scratch form works without it.
#include <windows.h>
#include <ocidl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/frmImage.h"

namespace {

// Registers or unregisters the lumbraplug.ocx built beside the test program.
bool RegisterPlugIn(bool registering) {
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring path(exe);
    path.erase(path.find_last_of(L'\\') + 1);
    path += L"lumbraplug.ocx";
    const HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!module) {
        return false;
    }
    const auto entry = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(reinterpret_cast<void*>(
        GetProcAddress(module, registering ? "DllRegisterServer" : "DllUnregisterServer")));
    const bool ok = entry && SUCCEEDED(entry());
    FreeLibrary(module);
    return ok;
}

} // namespace

TEST(frmImagePlugIn, HoldsThePlugInControlWithItsSavedForm) {
    ASSERT_TRUE(RegisterPlugIn(true));
    frmImage& form = frmImage::Instance();
    ASSERT_TRUE(form.PlugIn1);
    rw::com::ComPtr<IPersistStreamInit> persist;
    ASSERT_EQ(form.PlugIn1.As(persist), S_OK);
    rw::com::ComPtr<IStream> saved;
    ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, saved.Put()), S_OK);
    ASSERT_EQ(persist->Save(saved.Get(), TRUE), S_OK);
    HGLOBAL memory = nullptr;
    ASSERT_EQ(GetHGlobalFromStream(saved.Get(), &memory), S_OK);
    const auto* bytes = static_cast<const BYTE*>(GlobalLock(memory));
    EXPECT_EQ(std::vector<BYTE>(bytes, bytes + 12),
              (std::vector<BYTE>{2, 2, 0, 0, 0xD8, 0x13, 0, 0, 0xD8, 0x13, 0, 0}));
    GlobalUnlock(memory);
}

TEST(frmImagePlugIn, StartsWithoutTheControl) {
    ASSERT_TRUE(RegisterPlugIn(false));
    frmImage& form = frmImage::Instance();
    EXPECT_FALSE(form.PlugIn1);
    EXPECT_GT(form.Lumbra1.FormatCount(), 0);
}
