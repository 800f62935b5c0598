#pragma once
// What the lumbraplug tests share: the control under test (a copy beside the scriptable
// lumbra32 stand-in), its registration, and the stand-in's script and call log.
#include <windows.h>
#include <ocidl.h>

#include <functional>
#include <string>

#include "plugin_host/lumbraplug_h.h"
#include "win32/com_ptr.h"
#include "win32/tests/test_files.h"

namespace plugintest {

using rw::com::ComPtr;

// The folder of the test program, with a trailing backslash.
std::wstring TestFolder();
// The full path of the control under test.
std::wstring ControlPath();
// Registers the control at `path` through its own DllRegisterServer, every time it is asked.
// It is then the one that COM creates for the class, in every process of the Wine prefix.
void RegisterServer(const std::wstring& path);
// Makes the control under test the registered one (a no-op while this process last registered
// that very file).
void RegisterControl();
// A new control created through COM by its class identifier.
ComPtr<IPlugIn> CreateControl();
// Replaces the lumbra32 stand-in's script and clears its call log (the control must be loaded).
void ScriptLumbra32(const char* script);
// The stand-in's call log since the last script.
std::string Lumbra32Calls();
// An event sink that writes "<name><percent> " for each Status it receives, checking that the
// call has the shape of the _PlugInEvents Status event.
class Sink final : public IDispatch {
public:
    Sink(const char* name, std::string& log) : name_(name), log_(log) {}
    std::function<void(Sink&)> onStatus;
    DWORD cookie = 0;
    ComPtr<IConnectionPoint> point;
    LONG refs = 1;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags,
                                     DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                     UINT* argError) override;

private:
    std::string name_;
    std::string& log_;
};

// The 32-bit value that InvokePlugIn takes for a global memory handle, and whether a handle
// fits it (a 64-bit build's may not).
inline LONG HandleValue(HGLOBAL h) {
    return static_cast<LONG>(reinterpret_cast<LONG_PTR>(h));
}
inline bool FitsTheInterface(HGLOBAL h) {
    return reinterpret_cast<ULONG_PTR>(h) <= 0x7FFFFFFF;
}

// The exception that IDispatch::Invoke fills; frees its strings.
struct Exception : EXCEPINFO {
    Exception() : EXCEPINFO{} {}
    ~Exception() {
        SysFreeString(bstrSource);
        SysFreeString(bstrDescription);
        SysFreeString(bstrHelpFile);
    }
    Exception(const Exception&) = delete;
    Exception& operator=(const Exception&) = delete;
};

// A new empty folder, removed with what it holds, whose name the control can hand lumbra32: the
// active code page holds every character of it.
class TempFolder : public rw::test::TempDir {
public:
    TempFolder() : TempDir(L"rwplug") {}
};

} // namespace plugintest
