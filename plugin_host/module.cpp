// The library's entry points: DllMain and the four COM exports.
#include "plugin_host/module.h"

#include <olectl.h>

#include <new>

#include "plugin_host/class_factory.h"
#include "plugin_host/lumbraplug_h.h"
#include "plugin_host/registrar.h"
#include "plugin_host/resource.h"
#include "win32/com_ptr.h"

namespace rw::plugin {
namespace {

LONG g_locks = 0;
CRITICAL_SECTION g_section;
// The class object, created on first request and kept until the library unloads.
ClassFactory* g_factory = nullptr;

} // namespace

void LockModule() {
    InterlockedIncrement(&g_locks);
}
void UnlockModule() {
    InterlockedDecrement(&g_locks);
}
long ModuleLockCount() {
    return InterlockedCompareExchange(&g_locks, 0, 0);
}

ModuleGuard::ModuleGuard() {
    EnterCriticalSection(&g_section);
}
ModuleGuard::~ModuleGuard() {
    LeaveCriticalSection(&g_section);
}

std::wstring ModulePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = ::GetModuleFileNameW(rw::win::ModuleInstance(), path.data(),
                                             static_cast<DWORD>(path.size()));
        if (n == 0) {
            return {};
        }
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

} // namespace rw::plugin

using namespace rw::plugin;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        InitializeCriticalSection(&g_section);
        DisableThreadLibraryCalls(instance);
        break;
    case DLL_PROCESS_DETACH:
        if (g_factory) {
            g_factory->Release();
            g_factory = nullptr;
        }
        // The control's window class goes with the helpers' class registry, which unregisters
        // what this module registered as the module's statics are destroyed, after this.
        DeleteCriticalSection(&g_section);
        break;
    default:
        break;
    }
    return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    if (!out) {
        return E_POINTER;
    }
    *out = nullptr;
    if (!IsEqualCLSID(clsid, CLSID_PlugIn)) {
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    rw::com::ComPtr<ClassFactory> factory;
    {
        ModuleGuard guard;
        if (!g_factory) {
            g_factory = new (std::nothrow) ClassFactory();
            if (!g_factory) {
                return E_OUTOFMEMORY;
            }
        }
        factory = rw::com::ComPtr<ClassFactory>(g_factory);
    }
    return factory->QueryInterface(iid, out);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
    return ModuleLockCount() == 0 ? S_OK : S_FALSE;
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
    const std::wstring path = ModulePath();
    if (path.empty()) {
        return HRESULT_FROM_WIN32(GetLastError());
    }
    HRESULT hr = RunRegistrationScript(IDR_REGISTRY, path, /*registering=*/true);
    if (FAILED(hr)) {
        return hr;
    }
    rw::com::ComPtr<ITypeLib> library;
    std::wstring libraryPath = path;
    hr = LoadTypeLibEx(libraryPath.c_str(), REGKIND_NONE, library.Put());
    if (FAILED(hr)) {
        // A build that keeps the type library beside the module rather than inside it.
        const std::size_t slash = libraryPath.find_last_of(L"\\/");
        const std::size_t dot = libraryPath.find_last_of(L'.');
        if (dot != std::wstring::npos && (slash == std::wstring::npos || dot > slash)) {
            libraryPath.erase(dot);
        }
        libraryPath += L".tlb";
        hr = LoadTypeLibEx(libraryPath.c_str(), REGKIND_NONE, library.Put());
        if (FAILED(hr)) {
            return hr;
        }
    }
    std::wstring helpFolder = path.substr(0, path.find_last_of(L"\\/") + 1);
    return RegisterTypeLib(library.Get(), libraryPath.data(), helpFolder.data());
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
    const std::wstring path = ModulePath();
    RunRegistrationScript(IDR_REGISTRY, path, /*registering=*/false);
    return S_OK;
}
