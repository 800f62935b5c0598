// The PlugIn object's picture and size: it draws icon 201 and nothing else, always 32 x 32
// pixels, through IViewObjectEx and as a metafile through IDataObject.
#include "plugin_host/plugin.h"

#include "win32/scoped.h"

namespace rw::plugin {

// ---- IViewObject, IViewObject2, IViewObjectEx

HRESULT PlugIn::Draw(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, HDC dc, LPCRECTL bounds, LPCRECTL,
                     BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) {
    if (!dc) {
        return E_INVALIDARG;
    }
    RECT area{};
    if (bounds) {
        area = {bounds->left, bounds->top, bounds->right, bounds->bottom};
    } else if (window_.hwnd()) {
        // A windowed control may be asked to draw itself into its own window's terms.
        ::GetClientRect(window_.hwnd(), &area);
    } else {
        return E_INVALIDARG;
    }
    DrawControlIcon(dc, area.left, area.top);
    return S_OK;
}

HRESULT PlugIn::GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE** colours) {
    if (colours) {
        *colours = nullptr;
    }
    return S_FALSE;
}
HRESULT PlugIn::Freeze(DWORD, LONG, void*, DWORD*) {
    return E_NOTIMPL;
}
HRESULT PlugIn::Unfreeze(DWORD) {
    return E_NOTIMPL;
}

HRESULT PlugIn::SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) {
    viewSink_ = rw::com::ComPtr<IAdviseSink>(sink);
    viewAspects_ = aspects;
    viewFlags_ = flags;
    return S_OK;
}

HRESULT PlugIn::GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) {
    if (aspects) {
        *aspects = viewAspects_;
    }
    if (flags) {
        *flags = viewFlags_;
    }
    if (sink) {
        *sink = rw::com::ComPtr<IAdviseSink>(viewSink_).Detach();
    }
    return S_OK;
}

HRESULT PlugIn::GetExtent(DWORD, LONG, DVTARGETDEVICE*, LPSIZEL size) {
    if (!size) {
        return E_POINTER;
    }
    *size = ControlExtent();
    return S_OK;
}

HRESULT PlugIn::GetRect(DWORD, LPRECTL) {
    return E_NOTIMPL;
}

HRESULT PlugIn::GetViewStatus(DWORD* status) {
    if (!status) {
        return E_POINTER;
    }
    // The icon leaves parts of its square uncovered.
    *status = 0;
    return S_OK;
}

HRESULT PlugIn::QueryHitPoint(DWORD aspect, LPCRECT bounds, POINT point, LONG, DWORD* result) {
    if (!bounds || !result) {
        return E_POINTER;
    }
    if (aspect != DVASPECT_CONTENT) {
        return E_FAIL;
    }
    *result = PtInRect(bounds, point) ? HITRESULT_HIT : HITRESULT_OUTSIDE;
    return S_OK;
}

HRESULT PlugIn::QueryHitRect(DWORD aspect, LPCRECT bounds, LPCRECT rect, LONG, DWORD* result) {
    if (!bounds || !rect || !result) {
        return E_POINTER;
    }
    if (aspect != DVASPECT_CONTENT) {
        return E_FAIL;
    }
    RECT overlap;
    *result = IntersectRect(&overlap, bounds, rect) ? HITRESULT_HIT : HITRESULT_OUTSIDE;
    return S_OK;
}

HRESULT PlugIn::GetNaturalExtent(DWORD, LONG, DVTARGETDEVICE*, HDC, DVEXTENTINFO*, LPSIZEL) {
    return E_NOTIMPL;
}

// ---- IDataObject: the icon as a metafile picture

namespace {

bool IsMetafileRequest(const FORMATETC* format) {
    return format->cfFormat == CF_METAFILEPICT && (format->tymed & TYMED_MFPICT) &&
           format->dwAspect == DVASPECT_CONTENT;
}

// The icon in a metafile whose window is 32 pixels square.
rw::win::ScopedMetafile IconMetafile() {
    const HDC dc = ::CreateMetaFileW(nullptr);
    if (!dc) {
        return {};
    }
    ::SetWindowExtEx(dc, kIconPixels, kIconPixels, nullptr);
    DrawControlIcon(dc, 0, 0);
    return rw::win::ScopedMetafile(::CloseMetaFile(dc));
}

} // namespace

HRESULT PlugIn::GetData(FORMATETC* format, STGMEDIUM* medium) {
    if (!format || !medium) {
        return E_POINTER;
    }
    if (!IsMetafileRequest(format)) {
        return DV_E_FORMATETC;
    }
    rw::win::ScopedMetafile metafile = IconMetafile();
    rw::win::ScopedGlobal memory(::GlobalAlloc(GMEM_MOVEABLE, sizeof(METAFILEPICT)));
    if (!metafile || !memory) {
        return E_OUTOFMEMORY;
    }
    {
        const rw::win::GlobalLockPtr<METAFILEPICT> picture(memory.Get());
        if (!picture) {
            return E_OUTOFMEMORY;
        }
        const SIZEL extent = ControlExtent();
        picture.Get()->mm = MM_ANISOTROPIC;
        picture.Get()->xExt = extent.cx;
        picture.Get()->yExt = extent.cy;
        picture.Get()->hMF = metafile.Release();
    }
    medium->tymed = TYMED_MFPICT;
    medium->hMetaFilePict = memory.Release();
    medium->pUnkForRelease = nullptr;
    return S_OK;
}

HRESULT PlugIn::GetDataHere(FORMATETC*, STGMEDIUM*) {
    return E_NOTIMPL;
}

HRESULT PlugIn::QueryGetData(FORMATETC* format) {
    if (!format) {
        return E_POINTER;
    }
    return IsMetafileRequest(format) ? S_OK : DV_E_FORMATETC;
}

HRESULT PlugIn::GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) {
    if (!out) {
        return E_POINTER;
    }
    out->ptd = nullptr;
    return E_NOTIMPL;
}

HRESULT PlugIn::SetData(FORMATETC*, STGMEDIUM*, BOOL) {
    return E_NOTIMPL;
}

HRESULT PlugIn::EnumFormatEtc(DWORD direction, IEnumFORMATETC** formats) {
    if (!formats) {
        return E_POINTER;
    }
    return OleRegEnumFormatEtc(CLSID_PlugIn, direction, formats);
}

HRESULT PlugIn::DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) {
    return OLE_E_ADVISENOTSUPPORTED;
}
HRESULT PlugIn::DUnadvise(DWORD) {
    return OLE_E_ADVISENOTSUPPORTED;
}
HRESULT PlugIn::EnumDAdvise(IEnumSTATDATA** advise) {
    if (advise) {
        *advise = nullptr;
    }
    return OLE_E_ADVISENOTSUPPORTED;
}

} // namespace rw::plugin
