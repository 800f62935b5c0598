#pragma once
// The control's one connection point, for _PlugInEvents, and the small enumerators that
// IConnectionPointContainer and IConnectionPoint hand out.
#include <windows.h>
#include <ocidl.h>

#include <vector>

namespace rw::plugin {

class EventConnectionPoint final : public IConnectionPoint {
public:
    // `owner` is the controlling unknown of the control: the connection point lives inside the
    // control and counts its references there. `container` is the control's container interface.
    EventConnectionPoint(IUnknown* owner, IConnectionPointContainer* container)
        : owner_(owner), container_(container) {}
    EventConnectionPoint(const EventConnectionPoint&) = delete;
    EventConnectionPoint& operator=(const EventConnectionPoint&) = delete;
    ~EventConnectionPoint();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return owner_->AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return owner_->Release(); }
    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override;
    HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** out) override;
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override;
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override;
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** out) override;

    // Raises Status(percent) on every connected sink in slot order. A sink may disconnect
    // itself, or release the control, while it is being called.
    void FireStatus(short percent);
    // Drops every sink (the control is going away).
    void DisconnectAll();

private:
    IUnknown* owner_;
    IConnectionPointContainer* container_;
    // Slot i holds the sink with cookie i + 1; a disconnected slot is null and used again.
    std::vector<IDispatch*> slots_;
};

// An enumerator over the control's one connection point.
HRESULT CreateConnectionPointEnum(IConnectionPoint* point, IEnumConnectionPoints** out);

} // namespace rw::plugin
