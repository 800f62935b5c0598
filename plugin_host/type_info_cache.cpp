#include "plugin_host/type_info_cache.h"

#include <utility>

#include "plugin_host/lumbraplug_h.h"
#include "plugin_host/module.h"
#include "win32/com_ptr.h"

namespace rw::plugin {
namespace {

using rw::com::ComPtr;

struct Cache {
    ComPtr<ITypeInfo> interfaceInfo;
    ComPtr<ITypeInfo> classInfo;
};

// Guarded by the module lock. Its references go when the last object goes (ReleaseTypeInfo),
// never from a static destructor while the library is being unloaded.
Cache& TheCache() {
    static Cache* cache = new Cache;
    return *cache;
}

// A dual interface is described twice; Invoke must see the vtable description.
ComPtr<ITypeInfo> VtableSide(const ComPtr<ITypeInfo>& dispatchInfo) {
    HREFTYPE ref = 0;
    ComPtr<ITypeInfo> other;
    if (SUCCEEDED(dispatchInfo->GetRefTypeOfImplType(-1, &ref)) &&
        SUCCEEDED(dispatchInfo->GetRefTypeInfo(ref, other.Put()))) {
        return other;
    }
    return dispatchInfo;
}

HRESULT Load(Cache& cache) {
    if (cache.interfaceInfo) {
        return S_OK;
    }
    ComPtr<ITypeLib> library;
    // Registered under its own locale: a neutral request does not find it.
    HRESULT hr = ::LoadRegTypeLib(LIBID_LUMBRAPLUGLib, 1, 0, 0x0409, library.Put());
    if (FAILED(hr)) {
        return hr;
    }
    ComPtr<ITypeInfo> dispatchInfo;
    ComPtr<ITypeInfo> classInfo;
    hr = library->GetTypeInfoOfGuid(IID_IPlugIn, dispatchInfo.Put());
    if (SUCCEEDED(hr)) {
        hr = library->GetTypeInfoOfGuid(CLSID_PlugIn, classInfo.Put());
    }
    if (FAILED(hr)) {
        return hr;
    }
    cache.interfaceInfo = VtableSide(dispatchInfo);
    cache.classInfo = std::move(classInfo);
    return S_OK;
}

HRESULT Hand(ComPtr<ITypeInfo> Cache::*which, ITypeInfo** out) {
    ModuleGuard guard;
    Cache& cache = TheCache();
    const HRESULT hr = Load(cache);
    if (SUCCEEDED(hr)) {
        *out = ComPtr<ITypeInfo>(cache.*which).Detach();
    }
    return hr;
}

} // namespace

HRESULT InterfaceTypeInfo(ITypeInfo** out) {
    return Hand(&Cache::interfaceInfo, out);
}

HRESULT ClassTypeInfo(ITypeInfo** out) {
    return Hand(&Cache::classInfo, out);
}

void ReleaseTypeInfo() {
    ModuleGuard guard;
    TheCache() = Cache{};
}

} // namespace rw::plugin
