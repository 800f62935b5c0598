#include "plugin_host/tests/plugin_test_support.h"

#include <gtest/gtest.h>

namespace plugintest {

std::wstring TestFolder() {
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring folder(exe);
    folder.erase(folder.find_last_of(L'\\') + 1);
    return folder;
}

std::wstring ControlPath() {
    return TestFolder() + L"plugin_double\\lumbraplug.ocx";
}

namespace {
// The file this process registered last; the registry is shared by every process of the prefix,
// so other processes may have registered another since, but they run before or after this one.
std::wstring& LastRegistered() {
    static std::wstring path;
    return path;
}
} // namespace

void RegisterServer(const std::wstring& path) {
    LastRegistered().clear();
    const HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    ASSERT_NE(module, nullptr) << GetLastError();
    const auto reg = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
        reinterpret_cast<void*>(GetProcAddress(module, "DllRegisterServer")));
    const HRESULT hr = reg ? reg() : E_NOINTERFACE;
    FreeLibrary(module);
    ASSERT_EQ(hr, S_OK);
    LastRegistered() = path;
}

void RegisterControl() {
    if (LastRegistered() != ControlPath()) {
        RegisterServer(ControlPath());
    }
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

HRESULT Sink::QueryInterface(REFIID iid, void** out) {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
        IsEqualIID(iid, DIID__PlugInEvents)) {
        *out = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

HRESULT Sink::Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                     VARIANT* result, EXCEPINFO* exception, UINT* argError) {
    EXPECT_EQ(id, 1);
    EXPECT_TRUE(IsEqualIID(iid, IID_NULL));
    EXPECT_EQ(lcid, 0x0400u);
    EXPECT_EQ(flags, DISPATCH_METHOD);
    EXPECT_EQ(result, nullptr);
    EXPECT_EQ(exception, nullptr);
    EXPECT_EQ(argError, nullptr);
    EXPECT_EQ(params->cArgs, 1u);
    EXPECT_EQ(params->cNamedArgs, 0u);
    EXPECT_EQ(params->rgvarg[0].vt, VT_I2);
    log_ += name_ + std::to_string(params->rgvarg[0].iVal) + " ";
    if (onStatus) {
        onStatus(*this);
    }
    return E_FAIL; // ignored by the control: the next sink is still called
}

} // namespace plugintest
