#include "plugin_host/tests/plugin_test_support.h"

#include <gtest/gtest.h>

namespace plugintest {

std::wstring ControlPath() {
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring folder(exe);
    folder.erase(folder.find_last_of(L'\\') + 1);
    return folder + L"plugin_double\\lumbraplug.ocx";
}

void RegisterControl() {
    static bool done = false;
    if (done) {
        return;
    }
    const HMODULE module =
        LoadLibraryExW(ControlPath().c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    ASSERT_NE(module, nullptr) << GetLastError();
    const auto reg = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
        reinterpret_cast<void*>(GetProcAddress(module, "DllRegisterServer")));
    ASSERT_NE(reg, nullptr);
    ASSERT_EQ(reg(), S_OK);
    FreeLibrary(module);
    done = true;
}

ComPtr<IPlugIn> CreateControl() {
    RegisterControl();
    ComPtr<IPlugIn> control;
    EXPECT_EQ(CoCreateInstance(CLSID_PlugIn, nullptr, CLSCTX_INPROC_SERVER, IID_IPlugIn,
                               control.PutVoid()),
              S_OK);
    return control;
}

namespace {
template <class F> F DoubleExport(const char* name) {
    const HMODULE module = GetModuleHandleW(L"lumbra32.dll");
    EXPECT_NE(module, nullptr) << "the control has not loaded lumbra32";
    const FARPROC proc = module ? GetProcAddress(module, name) : nullptr;
    EXPECT_NE(proc, nullptr) << "lumbra32.dll is not the stand-in";
    return reinterpret_cast<F>(reinterpret_cast<void*>(proc));
}
} // namespace

void ScriptLumbra32(const char* script) {
    if (auto configure = DoubleExport<void (*)(const char*)>("DoubleConfigure")) {
        configure(script);
    }
}

std::string Lumbra32Calls() {
    auto calls = DoubleExport<const char* (*)()>("DoubleCalls");
    return calls ? calls() : "";
}

TempFolder::TempFolder() {
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    for (int i = 0;; ++i) {
        path_ = std::wstring(base) + L"rwplug" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                std::to_wstring(i);
        if (CreateDirectoryW(path_.c_str(), nullptr)) {
            break;
        }
    }
}

TempFolder::~TempFolder() {
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW((path_ + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name != L"." && name != L"..") {
                const std::wstring full = path_ + L"\\" + name;
                SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(full.c_str());
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_DIRECTORY);
    RemoveDirectoryW(path_.c_str());
}

void TempFolder::AddFile(const wchar_t* name) const {
    const HANDLE file = CreateFileW((path_ + L"\\" + name).c_str(), GENERIC_WRITE, 0, nullptr,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    CloseHandle(file);
}

} // namespace plugintest
