#include "plugin_host/class_factory.h"

#include "plugin_host/module.h"
#include "plugin_host/plugin.h"

namespace rw::plugin {

HRESULT ClassFactory::QueryInterface(REFIID iid, void** out) {
    if (!out) {
        return E_POINTER;
    }
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
        *out = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG ClassFactory::AddRef() {
    return InterlockedIncrement(&refs_);
}

ULONG ClassFactory::Release() {
    const LONG n = InterlockedDecrement(&refs_);
    if (n == 0) {
        delete this;
    }
    return n;
}

HRESULT ClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** out) {
    return PlugIn::Create(outer, iid, out);
}

HRESULT ClassFactory::LockServer(BOOL lock) {
    if (lock) {
        LockModule();
    } else {
        UnlockModule();
    }
    return S_OK;
}

} // namespace rw::plugin
