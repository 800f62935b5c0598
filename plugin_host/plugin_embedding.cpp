// The PlugIn object embedded in a container: IOleObject, IOleControl, IQuickActivate and
// windowed in-place activation.
#include "plugin_host/plugin.h"

namespace rw::plugin {

// ---- in-place activation (windowed)

HRESULT PlugIn::GetWindow(HWND* window) {
    if (!window) {
        return E_POINTER;
    }
    *window = window_.hwnd();
    return *window ? S_OK : E_FAIL;
}

HRESULT PlugIn::ContextSensitiveHelp(BOOL) {
    return E_NOTIMPL;
}

HRESULT PlugIn::ActivateInPlace(LONG verb, LPCRECT position) {
    if (!clientSite_) {
        return E_UNEXPECTED;
    }
    if (!inPlaceSite_) {
        rw::com::ComPtr<IOleInPlaceSite> site;
        if (FAILED(clientSite_.As(site))) {
            return E_FAIL;
        }
        if (site->CanInPlaceActivate() != S_OK) {
            return E_FAIL;
        }
        // Asked for windowed activation where the site knows the difference.
        rw::com::ComPtr<IOleInPlaceSiteEx> siteEx;
        BOOL noRedraw = FALSE;
        if (SUCCEEDED(site.As(siteEx))) {
            siteEx->OnInPlaceActivateEx(&noRedraw, 0);
        } else {
            site->OnInPlaceActivate();
        }
        inPlaceSite_ = site;
    }
    if (!window_.hwnd()) {
        HWND parent = nullptr;
        if (FAILED(inPlaceSite_->GetWindow(&parent)) || !parent) {
            return E_FAIL;
        }
        RECT pos{};
        RECT clip{};
        rw::com::ComPtr<IOleInPlaceFrame> frame;
        rw::com::ComPtr<IOleInPlaceUIWindow> document;
        OLEINPLACEFRAMEINFO frameInfo{};
        frameInfo.cb = sizeof frameInfo;
        inPlaceSite_->GetWindowContext(frame.Put(), document.Put(), &pos, &clip, &frameInfo);
        if (position) {
            pos = *position;
        }
        if (!window_.Open(parent, pos)) {
            return E_FAIL;
        }
    }
    ::ShowWindow(window_.hwnd(), SW_SHOW);
    if (verb == OLEIVERB_UIACTIVATE && !uiActive_) {
        uiActive_ = true;
        inPlaceSite_->OnUIActivate();
    }
    return S_OK;
}

HRESULT PlugIn::InPlaceDeactivate() {
    if (!inPlaceSite_) {
        return S_OK;
    }
    UIDeactivate();
    window_.Destroy();
    rw::com::ComPtr<IOleInPlaceSite> site = std::move(inPlaceSite_);
    site->OnInPlaceDeactivate();
    return S_OK;
}

HRESULT PlugIn::UIDeactivate() {
    if (uiActive_) {
        uiActive_ = false;
        if (inPlaceSite_) {
            inPlaceSite_->OnUIDeactivate(FALSE);
        }
    }
    return S_OK;
}

HRESULT PlugIn::SetObjectRects(LPCRECT position, LPCRECT) {
    if (!position) {
        return E_POINTER;
    }
    if (window_.hwnd()) {
        ::SetWindowPos(window_.hwnd(), nullptr, position->left, position->top,
                       position->right - position->left, position->bottom - position->top,
                       SWP_NOZORDER | SWP_NOACTIVATE);
    }
    return S_OK;
}

HRESULT PlugIn::ReactivateAndUndo() {
    return INPLACE_E_NOTUNDOABLE;
}

HRESULT PlugIn::OnWindowMessage(UINT, WPARAM, LPARAM, LRESULT* result) {
    // The control always has a window of its own; it handles no messages for a host.
    if (result) {
        *result = 0;
    }
    return S_FALSE;
}

HRESULT PlugIn::GetDropTarget(IDropTarget** target) {
    if (!target) {
        return E_POINTER;
    }
    *target = nullptr;
    return E_NOTIMPL;
}

HRESULT PlugIn::TranslateAccelerator(LPMSG) {
    return S_FALSE;
}
HRESULT PlugIn::OnFrameWindowActivate(BOOL) {
    return S_OK;
}
HRESULT PlugIn::OnDocWindowActivate(BOOL) {
    return S_OK;
}
HRESULT PlugIn::ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) {
    return S_OK;
}
HRESULT PlugIn::EnableModeless(BOOL) {
    return S_OK;
}

// ---- IOleControl

HRESULT PlugIn::GetControlInfo(CONTROLINFO* info) {
    if (!info) {
        return E_POINTER;
    }
    info->hAccel = nullptr;
    info->cAccel = 0;
    info->dwFlags = 0;
    return S_OK;
}
HRESULT PlugIn::OnMnemonic(MSG*) {
    return E_NOTIMPL;
}
HRESULT PlugIn::OnAmbientPropertyChange(DISPID) {
    return S_OK;
}
HRESULT PlugIn::FreezeEvents(BOOL) {
    // Status events go out whatever the container asks: they report a run in progress.
    return S_OK;
}

// ---- IOleObject

HRESULT PlugIn::SetClientSite(IOleClientSite* site) {
    if (!site) {
        InPlaceDeactivate();
    }
    clientSite_ = rw::com::ComPtr<IOleClientSite>(site);
    return S_OK;
}

HRESULT PlugIn::GetClientSite(IOleClientSite** site) {
    if (!site) {
        return E_POINTER;
    }
    *site = rw::com::ComPtr<IOleClientSite>(clientSite_).Detach();
    return S_OK;
}

HRESULT PlugIn::SetHostNames(LPCOLESTR, LPCOLESTR) {
    return S_OK;
}

HRESULT PlugIn::Close(DWORD saveOption) {
    InPlaceDeactivate();
    if (saveOption == OLECLOSE_SAVEIFDIRTY && clientSite_ && IsDirty() == S_OK) {
        clientSite_->SaveObject();
    }
    if (oleAdvise_) {
        oleAdvise_->SendOnClose();
    }
    return S_OK;
}

HRESULT PlugIn::SetMoniker(DWORD, IMoniker*) {
    return E_NOTIMPL;
}
HRESULT PlugIn::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
    if (!moniker) {
        return E_POINTER;
    }
    *moniker = nullptr;
    return E_NOTIMPL;
}
HRESULT PlugIn::InitFromData(IDataObject*, BOOL, DWORD) {
    return E_NOTIMPL;
}
HRESULT PlugIn::GetClipboardData(DWORD, IDataObject** data) {
    if (!data) {
        return E_POINTER;
    }
    *data = nullptr;
    return E_NOTIMPL;
}

HRESULT PlugIn::DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND, LPCRECT position) {
    if (site && !clientSite_) {
        clientSite_ = rw::com::ComPtr<IOleClientSite>(site);
    }
    switch (verb) {
    case OLEIVERB_PRIMARY:
    case OLEIVERB_SHOW:
    case OLEIVERB_INPLACEACTIVATE:
    case OLEIVERB_UIACTIVATE:
        return ActivateInPlace(verb, position);
    case OLEIVERB_HIDE:
        UIDeactivate();
        if (window_.hwnd()) {
            ::ShowWindow(window_.hwnd(), SW_HIDE);
        }
        return S_OK;
    default:
        return verb > 0 ? OLEOBJ_S_INVALIDVERB : E_NOTIMPL;
    }
}

HRESULT PlugIn::EnumVerbs(IEnumOLEVERB** verbs) {
    if (!verbs) {
        return E_POINTER;
    }
    return OleRegEnumVerbs(CLSID_PlugIn, verbs);
}

HRESULT PlugIn::Update() {
    return S_OK;
}
HRESULT PlugIn::IsUpToDate() {
    return S_OK;
}

HRESULT PlugIn::GetUserClassID(CLSID* clsid) {
    if (!clsid) {
        return E_POINTER;
    }
    *clsid = CLSID_PlugIn;
    return S_OK;
}

HRESULT PlugIn::GetUserType(DWORD form, LPOLESTR* name) {
    if (!name) {
        return E_POINTER;
    }
    return OleRegGetUserType(CLSID_PlugIn, form, name);
}

HRESULT PlugIn::SetExtent(DWORD, SIZEL* size) {
    // The control keeps its one size whatever the container asks.
    if (size) {
        *size = ControlExtent();
    }
    return DV_E_DVASPECT;
}

HRESULT PlugIn::GetExtent(DWORD, SIZEL* size) {
    if (!size) {
        return E_POINTER;
    }
    *size = ControlExtent();
    return S_OK;
}

HRESULT PlugIn::Advise(IAdviseSink* sink, DWORD* connection) {
    if (!connection) {
        return E_POINTER;
    }
    *connection = 0;
    if (!oleAdvise_) {
        const HRESULT hr = CreateOleAdviseHolder(oleAdvise_.Put());
        if (FAILED(hr)) {
            return hr;
        }
    }
    return oleAdvise_->Advise(sink, connection);
}

HRESULT PlugIn::Unadvise(DWORD connection) {
    return oleAdvise_ ? oleAdvise_->Unadvise(connection) : OLE_E_NOCONNECTION;
}

HRESULT PlugIn::EnumAdvise(IEnumSTATDATA** advise) {
    if (!advise) {
        return E_POINTER;
    }
    *advise = nullptr;
    return oleAdvise_ ? oleAdvise_->EnumAdvise(advise) : E_FAIL;
}

HRESULT PlugIn::GetMiscStatus(DWORD aspect, DWORD* status) {
    if (!status) {
        return E_POINTER;
    }
    return OleRegGetMiscStatus(CLSID_PlugIn, aspect, status);
}

HRESULT PlugIn::SetColorScheme(LOGPALETTE*) {
    return E_NOTIMPL;
}

// ---- IQuickActivate

HRESULT PlugIn::QuickActivate(QACONTAINER* container, QACONTROL* control) {
    if (!container || !control) {
        return E_POINTER;
    }
    if (container->cbSize < sizeof(QACONTAINER) || control->cbSize < sizeof(QACONTROL)) {
        return E_UNEXPECTED;
    }
    SetClientSite(container->pClientSite);
    if (container->pAdviseSink) {
        SetAdvise(DVASPECT_CONTENT, 0, container->pAdviseSink);
    }
    control->dwEventCookie = 0;
    if (container->pUnkEventSink) {
        events_.Advise(container->pUnkEventSink, &control->dwEventCookie);
    }
    control->dwPropNotifyCookie = 0;
    control->dwPointerActivationPolicy = 0;
    GetMiscStatus(DVASPECT_CONTENT, &control->dwMiscStatus);
    GetViewStatus(&control->dwViewStatus);
    return S_OK;
}

HRESULT PlugIn::SetContentExtent(LPSIZEL size) {
    return SetExtent(DVASPECT_CONTENT, size);
}

HRESULT PlugIn::GetContentExtent(LPSIZEL size) {
    return GetExtent(DVASPECT_CONTENT, size);
}

} // namespace rw::plugin
