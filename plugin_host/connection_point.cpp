#include "plugin_host/connection_point.h"

#include <olectl.h>

#include <new>

#include "plugin_host/lumbraplug_h.h"
#include "plugin_host/module.h"
#include "win32/com_ptr.h"

namespace rw::plugin {
namespace {

void Hold(IConnectionPoint* p) {
    p->AddRef();
}
void Drop(IConnectionPoint* p) {
    p->Release();
}
void Hold(CONNECTDATA& c) {
    c.pUnk->AddRef();
}
void Drop(CONNECTDATA& c) {
    c.pUnk->Release();
}

// A snapshot enumerator: it holds references to its items and hands out new ones.
template <class Interface, class Item> class SnapshotEnum final : public Interface {
public:
    explicit SnapshotEnum(std::vector<Item> items, std::size_t position = 0)
        : items_(std::move(items)), position_(position) {
        for (Item& item : items_) {
            Hold(item);
        }
        LockModule();
    }
    SnapshotEnum(const SnapshotEnum&) = delete;
    SnapshotEnum& operator=(const SnapshotEnum&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) {
            return E_POINTER;
        }
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, __uuidof(Interface))) {
            *out = static_cast<Interface*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&refs_); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG n = InterlockedDecrement(&refs_);
        if (n == 0) {
            delete this;
        }
        return n;
    }
    HRESULT STDMETHODCALLTYPE Next(ULONG count, Item* out, ULONG* fetched) override {
        if (!out || (count > 1 && !fetched)) {
            return E_POINTER;
        }
        ULONG n = 0;
        while (n < count && position_ < items_.size()) {
            out[n] = items_[position_++];
            Hold(out[n]);
            ++n;
        }
        if (fetched) {
            *fetched = n;
        }
        return n == count ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
        const std::size_t left = items_.size() - position_;
        position_ += count < left ? count : left;
        return count <= left ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Reset() override {
        position_ = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(Interface** out) override {
        if (!out) {
            return E_POINTER;
        }
        *out = new (std::nothrow) SnapshotEnum(items_, position_);
        return *out ? S_OK : E_OUTOFMEMORY;
    }

private:
    ~SnapshotEnum() {
        for (Item& item : items_) {
            Drop(item);
        }
        UnlockModule();
    }

    std::vector<Item> items_;
    std::size_t position_;
    LONG refs_ = 1;
};

} // namespace

EventConnectionPoint::~EventConnectionPoint() {
    DisconnectAll();
}

HRESULT EventConnectionPoint::QueryInterface(REFIID iid, void** out) {
    if (!out) {
        return E_POINTER;
    }
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IConnectionPoint)) {
        *out = static_cast<IConnectionPoint*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

HRESULT EventConnectionPoint::GetConnectionInterface(IID* iid) {
    if (!iid) {
        return E_POINTER;
    }
    *iid = DIID__PlugInEvents;
    return S_OK;
}

HRESULT EventConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** out) {
    if (!out) {
        return E_POINTER;
    }
    *out = container_;
    container_->AddRef();
    return S_OK;
}

HRESULT EventConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
    if (!cookie) {
        return E_POINTER;
    }
    *cookie = 0;
    if (!sink) {
        return E_POINTER;
    }
    IDispatch* events = nullptr;
    if (FAILED(sink->QueryInterface(DIID__PlugInEvents, reinterpret_cast<void**>(&events))) ||
        !events) {
        return CONNECT_E_CANNOTCONNECT;
    }
    std::size_t slot = 0;
    while (slot < slots_.size() && slots_[slot]) {
        ++slot;
    }
    if (slot == slots_.size()) {
        try {
            slots_.push_back(nullptr);
        } catch (...) {
            events->Release();
            return E_OUTOFMEMORY;
        }
    }
    slots_[slot] = events;
    *cookie = static_cast<DWORD>(slot + 1);
    return S_OK;
}

HRESULT EventConnectionPoint::Unadvise(DWORD cookie) {
    if (cookie == 0 || cookie > slots_.size() || !slots_[cookie - 1]) {
        return CONNECT_E_NOCONNECTION;
    }
    // Empty the slot before releasing: the sink's last release may call back into us.
    IDispatch* sink = std::exchange(slots_[cookie - 1], nullptr);
    sink->Release();
    return S_OK;
}

HRESULT EventConnectionPoint::EnumConnections(IEnumConnections** out) {
    if (!out) {
        return E_POINTER;
    }
    *out = nullptr;
    try {
        std::vector<CONNECTDATA> connections;
        for (std::size_t i = 0; i < slots_.size(); ++i) {
            if (slots_[i]) {
                connections.push_back({slots_[i], static_cast<DWORD>(i + 1)});
            }
        }
        *out = new SnapshotEnum<IEnumConnections, CONNECTDATA>(std::move(connections));
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

void EventConnectionPoint::FireStatus(short percent) {
    // The control stays alive for the whole round even if a sink lets go of it.
    rw::com::ComPtr<IUnknown> keepAlive(owner_);
    // Slots are read afresh each time round: a handler may disconnect itself or others.
    for (std::size_t i = 0; i < slots_.size(); ++i) {
        rw::com::ComPtr<IDispatch> sink(slots_[i]);
        if (!sink) {
            continue;
        }
        VARIANTARG argument;
        VariantInit(&argument);
        argument.vt = VT_I2;
        argument.iVal = percent;
        DISPPARAMS params{&argument, nullptr, 1, 0};
        sink->Invoke(1, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr,
                     nullptr);
    }
}

void EventConnectionPoint::DisconnectAll() {
    std::vector<IDispatch*> sinks;
    sinks.swap(slots_);
    for (IDispatch* sink : sinks) {
        if (sink) {
            sink->Release();
        }
    }
}

HRESULT CreateConnectionPointEnum(IConnectionPoint* point, IEnumConnectionPoints** out) {
    if (!out) {
        return E_POINTER;
    }
    try {
        *out = new SnapshotEnum<IEnumConnectionPoints, IConnectionPoint*>({point});
    } catch (...) {
        *out = nullptr;
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

} // namespace rw::plugin
