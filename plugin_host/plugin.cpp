// The PlugIn object's creation, identity and lifetime.
#include "plugin_host/plugin.h"

#include <new>

#include "plugin_host/module.h"
#include "plugin_host/type_info_cache.h"

namespace rw::plugin {

HRESULT PlugIn::Create(IUnknown* outer, REFIID iid, void** out) {
    if (!out) {
        return E_POINTER;
    }
    *out = nullptr;
    if (outer && !IsEqualIID(iid, IID_IUnknown)) {
        return CLASS_E_NOAGGREGATION;
    }
    PlugIn* object = new (std::nothrow) PlugIn(outer);
    if (!object) {
        return E_OUTOFMEMORY;
    }
    const HRESULT hr = object->inner_.QueryInterface(iid, out);
    object->inner_.Release();
    return hr;
}

// The object counts in the module's lock count from here to the end of its last Release.
PlugIn::PlugIn(IUnknown* outer)
    : inner_(this), outer_(outer ? outer : &inner_), events_(outer_, this), library_(events_) {
    LockModule();
}

PlugIn::~PlugIn() {
    events_.DisconnectAll();
    window_.Destroy();
}

HRESULT PlugIn::Inner::QueryInterface(REFIID iid, void** out) {
    return self_->InnerQueryInterface(iid, out);
}
ULONG PlugIn::Inner::AddRef() {
    return ::InterlockedIncrement(&self_->refs_);
}
ULONG PlugIn::Inner::Release() {
    const LONG n = ::InterlockedDecrement(&self_->refs_);
    if (n == 0) {
        // Releases made while tearing down must not start a second destruction.
        self_->refs_ = 1;
        delete self_;
        {
            // The type information is kept while any object lives. Under the module lock, so
            // that an object made meanwhile on another thread counts here or loads it again.
            ModuleGuard guard;
            if (!FilterLibrary::AnyLive()) {
                ReleaseTypeInfo();
            }
        }
        // Last: from here the library may be unloaded.
        UnlockModule();
    }
    return n;
}

HRESULT PlugIn::InnerQueryInterface(REFIID iid, void** out) {
    if (!out) {
        return E_POINTER;
    }
    void* p = nullptr;
    if (IsEqualIID(iid, IID_IUnknown)) {
        p = static_cast<IUnknown*>(&inner_);
    } else if (IsEqualIID(iid, IID_IPlugIn) || IsEqualIID(iid, IID_IDispatch)) {
        p = static_cast<IPlugIn*>(this);
    } else if (IsEqualIID(iid, IID_IViewObjectEx) || IsEqualIID(iid, IID_IViewObject2) ||
               IsEqualIID(iid, IID_IViewObject)) {
        p = static_cast<IViewObjectEx*>(this);
    } else if (IsEqualIID(iid, IID_IOleInPlaceObjectWindowless) ||
               IsEqualIID(iid, IID_IOleInPlaceObject) || IsEqualIID(iid, IID_IOleWindow)) {
        p = static_cast<IOleInPlaceObjectWindowless*>(this);
    } else if (IsEqualIID(iid, IID_IOleInPlaceActiveObject)) {
        p = static_cast<IOleInPlaceActiveObject*>(this);
    } else if (IsEqualIID(iid, IID_IOleControl)) {
        p = static_cast<IOleControl*>(this);
    } else if (IsEqualIID(iid, IID_IOleObject)) {
        p = static_cast<IOleObject*>(this);
    } else if (IsEqualIID(iid, IID_IQuickActivate)) {
        p = static_cast<IQuickActivate*>(this);
    } else if (IsEqualIID(iid, IID_IPersistStorage)) {
        p = static_cast<IPersistStorage*>(this);
    } else if (IsEqualIID(iid, IID_IPersistStreamInit)) {
        p = static_cast<IPersistStreamInit*>(this);
    } else if (IsEqualIID(iid, IID_IDataObject)) {
        p = static_cast<IDataObject*>(this);
    } else if (IsEqualIID(iid, IID_IProvideClassInfo) || IsEqualIID(iid, IID_IProvideClassInfo2)) {
        p = static_cast<IProvideClassInfo2*>(this);
    } else if (IsEqualIID(iid, IID_ISupportErrorInfo)) {
        p = static_cast<ISupportErrorInfo*>(this);
    } else if (IsEqualIID(iid, IID_IConnectionPointContainer)) {
        p = static_cast<IConnectionPointContainer*>(this);
    }
    *out = p;
    if (!p) {
        return E_NOINTERFACE;
    }
    static_cast<IUnknown*>(p)->AddRef();
    return S_OK;
}

HRESULT PlugIn::QueryInterface(REFIID iid, void** out) {
    return outer_->QueryInterface(iid, out);
}
ULONG PlugIn::AddRef() {
    return outer_->AddRef();
}
ULONG PlugIn::Release() {
    return outer_->Release();
}

} // namespace rw::plugin
