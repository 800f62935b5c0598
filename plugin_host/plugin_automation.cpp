// The PlugIn object as automation sees it: IDispatch from the registered type library, the
// IPlugIn members as adapters of the filter library, class and error information, and the one
// connection point.
#include "plugin_host/plugin.h"

#include <optional>
#include <string>

#include "plugin_host/dialogs.h"
#include "plugin_host/type_info_cache.h"
#include "win32/strings.h"

namespace rw::plugin {
namespace {

using rw::com::ComPtr;
using rw::win::Bstr;

// A new copy of `value` in an out-parameter; null stays null.
HRESULT CopyOut(BSTR value, BSTR* out) {
    Bstr copy = Bstr::Copy(value);
    *out = copy.Detach();
    return value && !*out ? E_OUTOFMEMORY : S_OK;
}

} // namespace

// ---- IDispatch

HRESULT PlugIn::GetTypeInfoCount(UINT* count) {
    if (!count) {
        return E_POINTER;
    }
    *count = 1;
    return S_OK;
}

HRESULT PlugIn::GetTypeInfo(UINT index, LCID, ITypeInfo** out) {
    if (!out) {
        return E_POINTER;
    }
    *out = nullptr;
    if (index != 0) {
        return DISP_E_BADINDEX;
    }
    return InterfaceTypeInfo(out);
}

HRESULT PlugIn::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    if (!IsEqualIID(iid, IID_NULL)) {
        return DISP_E_UNKNOWNINTERFACE;
    }
    ComPtr<ITypeInfo> info;
    const HRESULT hr = InterfaceTypeInfo(info.Put());
    return FAILED(hr) ? hr : ::DispGetIDsOfNames(info.Get(), names, count, ids);
}

HRESULT PlugIn::Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                       EXCEPINFO* exception, UINT* argError) {
    if (!IsEqualIID(iid, IID_NULL)) {
        return DISP_E_UNKNOWNINTERFACE;
    }
    ComPtr<ITypeInfo> info;
    const HRESULT hr = InterfaceTypeInfo(info.Put());
    if (FAILED(hr)) {
        return hr;
    }
    return info->Invoke(static_cast<IPlugIn*>(this), id, flags, params, result, exception,
                        argError);
}

// ---- IPlugIn

HRESULT PlugIn::ReadEntry(int index, Bstr PlugInInfo::*field, BSTR* out) {
    if (!out) {
        return E_POINTER;
    }
    *out = nullptr;
    // A client may let go of the control while the library lists the plug-ins.
    const ComPtr<IUnknown> keepAlive(outer_);
    const PlugInInfo* entry = nullptr;
    const HRESULT hr = library_.Entry(index, entry);
    return FAILED(hr) ? hr : CopyOut((entry->*field).Get(), out);
}

HRESULT PlugIn::get_Title(int nIndex, BSTR* pVal) {
    return ReadEntry(nIndex, &PlugInInfo::Title, pVal);
}
HRESULT PlugIn::get_FileName(int nIndex, BSTR* pVal) {
    return ReadEntry(nIndex, &PlugInInfo::FileName, pVal);
}
HRESULT PlugIn::get_Category(int nIndex, BSTR* pVal) {
    return ReadEntry(nIndex, &PlugInInfo::Category, pVal);
}

HRESULT PlugIn::InvokePlugIn(BSTR szFileName, LONG hDIB) {
    // Status events reach the sinks from inside this call, and a sink may let go of the
    // control there: it must outlive the run.
    const ComPtr<IUnknown> keepAlive(outer_);
    // The automation interface carries the handle as a 32-bit value; global memory handles fit.
    const auto dib = reinterpret_cast<HGLOBAL>(static_cast<LONG_PTR>(hDIB));
    return library_.Run(Bstr::View(szFileName), dib, window_.hwnd());
}

HRESULT PlugIn::SelectPlugIns(BSTR* pVal) {
    if (!pVal) {
        return E_POINTER;
    }
    *pVal = nullptr;
    // A client may let go of the control while the dialog runs its own message loop.
    const ComPtr<IUnknown> keepAlive(outer_);
    const PlugInCatalogue* catalogue = nullptr;
    if (const HRESULT hr = library_.Catalogue(catalogue); FAILED(hr)) {
        return hr;
    }
    SelectPlugInDialog dialog(*catalogue);
    if (dialog.Run(::GetActiveWindow()) == -1) {
        const DWORD error = ::GetLastError();
        return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
    }
    const std::optional<std::string> chosen = dialog.Chosen();
    if (!chosen) {
        return S_OK;
    }
    *pVal = Bstr(rw::win::WidenCodePage(*chosen)).Detach();
    return *pVal ? S_OK : E_OUTOFMEMORY;
}

HRESULT PlugIn::get_Directory(BSTR* pVal) {
    return pVal ? CopyOut(library_.Directory(), pVal) : E_POINTER;
}

HRESULT PlugIn::put_Directory(BSTR newVal) {
    return library_.SetDirectory(newVal);
}

HRESULT PlugIn::get_PlugInCount(LONG* pVal) {
    if (!pVal) {
        return E_POINTER;
    }
    // One less than the entries listed so far, by the interface's old convention.
    *pVal = static_cast<LONG>(library_.Listed()) - 1;
    return S_OK;
}

HRESULT PlugIn::About(BSTR szFileName) {
    return library_.ShowAbout(Bstr::View(szFileName), window_.hwnd());
}

HRESULT PlugIn::AboutBox() {
    const ComPtr<IUnknown> keepAlive(outer_);
    ControlAboutDialog dialog(L"lumbraplug.ocx");
    dialog.Run(::GetActiveWindow());
    return S_OK;
}

// ---- class information, error information, connection points

HRESULT PlugIn::GetClassInfo(ITypeInfo** info) {
    if (!info) {
        return E_POINTER;
    }
    *info = nullptr;
    return ClassTypeInfo(info);
}

HRESULT PlugIn::GetGUID(DWORD kind, GUID* guid) {
    if (!guid) {
        return E_POINTER;
    }
    if (kind == GUIDKIND_DEFAULT_SOURCE_DISP_IID) {
        *guid = DIID__PlugInEvents;
        return S_OK;
    }
    *guid = GUID_NULL;
    return E_FAIL;
}

HRESULT PlugIn::InterfaceSupportsErrorInfo(REFIID iid) {
    return IsEqualIID(iid, IID_IPlugIn) ? S_OK : S_FALSE;
}

HRESULT PlugIn::EnumConnectionPoints(IEnumConnectionPoints** points) {
    return CreateConnectionPointEnum(&events_, points);
}

HRESULT PlugIn::FindConnectionPoint(REFIID iid, IConnectionPoint** point) {
    if (!point) {
        return E_POINTER;
    }
    if (!IsEqualIID(iid, DIID__PlugInEvents)) {
        *point = nullptr;
        return CONNECT_E_NOCONNECTION;
    }
    *point = &events_;
    events_.AddRef();
    return S_OK;
}

} // namespace rw::plugin
