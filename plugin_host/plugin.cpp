#include "plugin_host/plugin.h"

#include <new>
#include <set>

#include "lumbra32/lumbra32.h"
#include "plugin_host/control_window.h"
#include "plugin_host/dialogs.h"
#include "plugin_host/error_info.h"
#include "plugin_host/module.h"
#include "plugin_host/resource.h"
#include "plugin_host/text.h"

namespace rw::plugin {
namespace {

// Type information of IPlugIn (its vtable side, which ITypeInfo::Invoke needs) and of the
// class, loaded from the registered type library on first need and kept while objects live.
long g_objects = 0;
// The objects alive now. lumbra32 keeps the context of the last status callback registered; a
// callback that arrives for an object already gone must not reach it.
std::set<PlugIn*>& LiveObjects() {
    static std::set<PlugIn*> live;
    return live;
}

bool IsLive(void* object) {
    ModuleGuard guard;
    return LiveObjects().count(static_cast<PlugIn*>(object)) != 0;
}
ITypeInfo* g_interfaceInfo = nullptr;
ITypeInfo* g_classInfo = nullptr;

HRESULT LoadTypeInfo(ITypeInfo** interfaceInfo, ITypeInfo** classInfo) {
    ModuleGuard guard;
    if (!g_interfaceInfo) {
        rw::com::ComPtr<ITypeLib> library;
        // Registered under its own locale: a neutral request does not find it.
        HRESULT hr = LoadRegTypeLib(LIBID_LUMBRAPLUGLib, 1, 0, 0x0409, library.Put());
        if (FAILED(hr)) {
            return hr;
        }
        rw::com::ComPtr<ITypeInfo> dispatchInfo;
        rw::com::ComPtr<ITypeInfo> coclass;
        hr = library->GetTypeInfoOfGuid(IID_IPlugIn, dispatchInfo.Put());
        if (SUCCEEDED(hr)) {
            hr = library->GetTypeInfoOfGuid(CLSID_PlugIn, coclass.Put());
        }
        if (FAILED(hr)) {
            return hr;
        }
        // A dual interface is described twice; Invoke must see the vtable description.
        rw::com::ComPtr<ITypeInfo> vtableInfo = dispatchInfo;
        HREFTYPE ref = 0;
        if (SUCCEEDED(dispatchInfo->GetRefTypeOfImplType(-1, &ref))) {
            rw::com::ComPtr<ITypeInfo> other;
            if (SUCCEEDED(dispatchInfo->GetRefTypeInfo(ref, other.Put()))) {
                vtableInfo = other;
            }
        }
        g_interfaceInfo = vtableInfo.Detach();
        g_classInfo = coclass.Detach();
    }
    if (interfaceInfo) {
        *interfaceInfo = g_interfaceInfo;
        g_interfaceInfo->AddRef();
    }
    if (classInfo) {
        *classInfo = g_classInfo;
        g_classInfo->AddRef();
    }
    return S_OK;
}

void ObjectCreated(PlugIn* object) {
    ModuleGuard guard;
    ++g_objects;
    LiveObjects().insert(object);
}

void ObjectDestroyed(PlugIn* object) {
    ModuleGuard guard;
    LiveObjects().erase(object);
    if (--g_objects == 0) {
        if (g_interfaceInfo) {
            g_interfaceInfo->Release();
            g_interfaceInfo = nullptr;
        }
        if (g_classInfo) {
            g_classInfo->Release();
            g_classInfo = nullptr;
        }
    }
}

int CALLBACK PlugInFoundProc(const char* title, const char* fileName, const char* category,
                             void* context) {
    if (IsLive(context)) {
        static_cast<PlugIn*>(context)->AppendPlugIn(title, fileName, category);
    }
    return 1;
}

int CALLBACK PlugInStatusProc(int, int percent, void* context) {
    if (IsLive(context)) {
        static_cast<PlugIn*>(context)->FireStatus(static_cast<short>(percent & 0xFFFF));
    }
    return 1;
}

// The path buffer that lumbra32 is handed holds 260 bytes, the search pattern included.
constexpr std::size_t kPathBuffer = 260;
constexpr char kPattern[] = "\\*.8bf";

std::wstring_view ViewOf(BSTR s) {
    return s ? std::wstring_view(s, SysStringLen(s)) : std::wstring_view();
}

bool IsPlainFolder(const std::string& path) {
    return GetFileAttributesA(path.c_str()) == FILE_ATTRIBUTE_DIRECTORY;
}

bool HoldsPlugIns(const std::string& path) {
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA((path + kPattern).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return false;
    }
    FindClose(search);
    return true;
}

} // namespace

// ---- creation, identity, lifetime

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

PlugIn::PlugIn(IUnknown* outer)
    : inner_(this), outer_(outer ? outer : &inner_), events_(outer_, this) {
    LockModule();
    ObjectCreated(this);
}

PlugIn::~PlugIn() {
    events_.DisconnectAll();
    if (window_) {
        DestroyWindow(window_);
    }
    ObjectDestroyed(this);
    UnlockModule();
}

HRESULT PlugIn::Inner::QueryInterface(REFIID iid, void** out) {
    return self_->InnerQueryInterface(iid, out);
}
ULONG PlugIn::Inner::AddRef() {
    return InterlockedIncrement(&self_->refs_);
}
ULONG PlugIn::Inner::Release() {
    const LONG n = InterlockedDecrement(&self_->refs_);
    if (n == 0) {
        // Releases made while tearing down must not start a second destruction.
        self_->refs_ = 1;
        delete self_;
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

// ---- IDispatch: answered from the registered type library

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
    return LoadTypeInfo(out, nullptr);
}

HRESULT PlugIn::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    if (!IsEqualIID(iid, IID_NULL)) {
        return DISP_E_UNKNOWNINTERFACE;
    }
    rw::com::ComPtr<ITypeInfo> info;
    const HRESULT hr = LoadTypeInfo(info.Put(), nullptr);
    return FAILED(hr) ? hr : DispGetIDsOfNames(info.Get(), names, count, ids);
}

HRESULT PlugIn::Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                       EXCEPINFO* exception, UINT* argError) {
    if (!IsEqualIID(iid, IID_NULL)) {
        return DISP_E_UNKNOWNINTERFACE;
    }
    rw::com::ComPtr<ITypeInfo> info;
    const HRESULT hr = LoadTypeInfo(info.Put(), nullptr);
    if (FAILED(hr)) {
        return hr;
    }
    return info->Invoke(static_cast<IPlugIn*>(this), id, flags, params, result, exception,
                        argError);
}

// ---- IPlugIn

bool PlugIn::AppendPlugIn(const char* title, const char* fileName, const char* category) {
    bool failed = false;
    PlugInInfo info;
    info.Title = rw::win::Bstr::Attach(BstrFromAnsi(title, failed));
    info.FileName = rw::win::Bstr::Attach(BstrFromAnsi(fileName, failed));
    info.Category = rw::win::Bstr::Attach(BstrFromAnsi(category, failed));
    if (failed) {
        return false;
    }
    try {
        catalogue_.push_back(std::move(info));
    } catch (...) {
        return false;
    }
    return true;
}

HRESULT PlugIn::FillCatalogue() {
    rw::com::ComPtr<IUnknown> keepAlive(outer_);
    if (catalogue_.empty() && PlugInEnumerate(PlugInFoundProc, 32, this) != 1) {
        return ReportError(IDS_ERR_LOAD_DIRECTORY);
    }
    return S_OK;
}

HRESULT PlugIn::ReadEntry(int index, rw::win::Bstr PlugInInfo::*field, BSTR* out) {
    if (!out) {
        return E_POINTER;
    }
    *out = nullptr;
    if (!directory_) {
        return ReportError(IDS_ERR_DIRECTORY_NOT_SET);
    }
    if (const HRESULT hr = FillCatalogue(); FAILED(hr)) {
        return hr;
    }
    if (index < 0 || static_cast<std::size_t>(index) >= catalogue_.size()) {
        return ReportError(L"Index out of bounds.", static_cast<HRESULT>(kIndexOutOfBoundsHresult));
    }
    const rw::win::Bstr& value = catalogue_[static_cast<std::size_t>(index)].*field;
    rw::win::Bstr copy = rw::win::Bstr::Copy(value.Get());
    if (value && !copy) {
        return E_OUTOFMEMORY;
    }
    *out = copy.Detach();
    return S_OK;
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
    if (!directory_) {
        return ReportError(IDS_ERR_DIRECTORY_NOT_SET);
    }
    const std::string name = AnsiFromWide(ViewOf(szFileName));
    if (PlugInLoad(name.c_str()) != 1) {
        return ReportError(IDS_ERR_LOAD_PLUGIN);
    }
    // The automation interface carries the handle as a 32-bit value; global memory handles fit.
    const HGLOBAL dib = reinterpret_cast<HGLOBAL>(static_cast<LONG_PTR>(hDIB));
    WORD bitCount = 0;
    {
        const auto* header = static_cast<const BYTE*>(GlobalLock(dib));
        if (!header) {
            return ReportError(IDS_ERR_IMAGE_NOT_VALID);
        }
        // A block too small to hold an information header is no bitmap: its bit count would
        // be read from past its end.
        const bool holdsHeader = GlobalSize(dib) >= sizeof(BITMAPINFOHEADER);
        if (holdsHeader) {
            bitCount = static_cast<WORD>(header[14] | header[15] << 8);
        }
        GlobalUnlock(dib);
        if (!holdsHeader) {
            return ReportError(IDS_ERR_IMAGE_NOT_VALID);
        }
    }
    if (bitCount != 24) {
        return ReportError(IDS_ERR_ONLY_24_BIT);
    }
    const HGLOBAL image = ImageFromDib(dib);
    if (!image) {
        return ReportError(IDS_ERR_IMAGE_NOT_VALID);
    }
    // Status events reach the sinks from inside this call, and a sink may let go of the
    // control there: it must outlive the run.
    rw::com::ComPtr<IUnknown> keepAlive(outer_);
    const int ran = PlugInRun(image, window_, 0);
    GlobalFree(image);
    if (ran == 1 || ImageLastError() == LUMBRA32_USER_CANCELLED) {
        return S_OK;
    }
    return ReportError(IDS_ERR_PROCESS);
}

HRESULT PlugIn::SelectPlugIns(BSTR* pVal) {
    if (!pVal) {
        return E_POINTER;
    }
    *pVal = nullptr;
    if (!directory_) {
        return ReportError(IDS_ERR_DIRECTORY_NOT_SET);
    }
    if (const HRESULT hr = FillCatalogue(); FAILED(hr)) {
        return hr;
    }
    // A client may let go of the control while the dialog runs its own message loop.
    rw::com::ComPtr<IUnknown> keepAlive(outer_);
    SelectPlugInDialog dialog(catalogue_);
    if (dialog.DoModal(GetActiveWindow()) == -1) {
        const DWORD error = GetLastError();
        return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
    }
    if (!dialog.HasSelection()) {
        return S_OK;
    }
    bool failed = false;
    *pVal = BstrFromAnsi(dialog.Selection().c_str(), failed);
    return failed ? E_OUTOFMEMORY : S_OK;
}

HRESULT PlugIn::get_Directory(BSTR* pVal) {
    if (!pVal) {
        return E_POINTER;
    }
    rw::win::Bstr copy = rw::win::Bstr::Copy(directory_.Get());
    if (directory_ && !copy) {
        *pVal = nullptr;
        return E_OUTOFMEMORY;
    }
    *pVal = copy.Detach();
    return S_OK;
}

HRESULT PlugIn::put_Directory(BSTR newVal) {
    if (!PlugInHostAvailable()) {
        return ReportError(IDS_ERR_HOST_NOT_FOUND);
    }
    directory_.Reset();
    const std::wstring_view given = ViewOf(newVal);
    const std::string path = AnsiFromWide(given);
    catalogue_.clear();
    // A path that does not fit the library's buffer, or that a C string would cut short, would
    // make the library open a different folder from the one checked here.
    if (path.empty() || path.size() + sizeof kPattern > kPathBuffer ||
        given.find(L'\0') != std::wstring_view::npos || !IsPlainFolder(path) ||
        !HoldsPlugIns(path)) {
        return ReportError(IDS_ERR_LOAD_DIRECTORY);
    }
    if (PlugInHostOpen(path.c_str()) != 1) {
        return ReportError(IDS_ERR_LOAD_HOST);
    }
    rw::win::Bstr stored = rw::win::Bstr::Copy(newVal);
    if (!stored) {
        return E_OUTOFMEMORY;
    }
    directory_ = std::move(stored);
    if (PlugInSetStatusCallback(PlugInStatusProc, 0, this) != 1) {
        return ReportError(IDS_ERR_NO_STATUS);
    }
    return S_OK;
}

HRESULT PlugIn::get_PlugInCount(LONG* pVal) {
    if (!pVal) {
        return E_POINTER;
    }
    *pVal = static_cast<LONG>(catalogue_.size()) - 1;
    return S_OK;
}

HRESULT PlugIn::About(BSTR szFileName) {
    if (!directory_) {
        return ReportError(IDS_ERR_DIRECTORY_NOT_SET);
    }
    const std::string name = AnsiFromWide(ViewOf(szFileName));
    if (PlugInShowAbout(window_, name.c_str()) != 1) {
        ShowLastError(window_);
    }
    return S_OK;
}

HRESULT PlugIn::AboutBox() {
    rw::com::ComPtr<IUnknown> keepAlive(outer_);
    ControlAboutDialog dialog(L"lumbraplug.ocx");
    dialog.DoModal(GetActiveWindow());
    return S_OK;
}

// ---- size and drawing

SIZEL PlugIn::IconExtent() {
    int dpiX = 96;
    int dpiY = 96;
    if (const HDC screen = GetDC(nullptr)) {
        dpiX = GetDeviceCaps(screen, LOGPIXELSX);
        dpiY = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
    }
    return {HimetricFromPixels(kIconPixels, dpiX), HimetricFromPixels(kIconPixels, dpiY)};
}

HRESULT PlugIn::Draw(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, HDC dc, LPCRECTL bounds, LPCRECTL,
                     BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) {
    if (!dc) {
        return E_INVALIDARG;
    }
    RECT area{};
    if (bounds) {
        area = {bounds->left, bounds->top, bounds->right, bounds->bottom};
    } else if (window_) {
        // A windowed control may be asked to draw itself into its own window's terms.
        GetClientRect(window_, &area);
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
    *size = IconExtent();
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

// ---- in-place activation (windowed)

HRESULT PlugIn::GetWindow(HWND* window) {
    if (!window) {
        return E_POINTER;
    }
    *window = window_;
    return window_ ? S_OK : E_FAIL;
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
    if (!window_) {
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
        window_ = CreateControlWindow(parent, pos);
        if (!window_) {
            return E_FAIL;
        }
    }
    ShowWindow(window_, SW_SHOW);
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
    if (window_) {
        DestroyWindow(window_);
        window_ = nullptr;
    }
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
    if (window_) {
        SetWindowPos(window_, nullptr, position->left, position->top,
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
HRESULT PlugIn::FreezeEvents(BOOL freeze) {
    frozenEvents_ += freeze ? 1 : (frozenEvents_ > 0 ? -1 : 0);
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
        if (window_) {
            ShowWindow(window_, SW_HIDE);
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
        *size = IconExtent();
    }
    return DV_E_DVASPECT;
}

HRESULT PlugIn::GetExtent(DWORD, SIZEL* size) {
    if (!size) {
        return E_POINTER;
    }
    *size = IconExtent();
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

// ---- persistence: only the extent, as a 12-byte stream

HRESULT PlugIn::GetClassID(CLSID* clsid) {
    if (!clsid) {
        return E_POINTER;
    }
    *clsid = CLSID_PlugIn;
    return S_OK;
}

HRESULT PlugIn::IsDirty() {
    return S_FALSE;
}

namespace {

// Reads exactly `size` bytes: a stream that ends early is as bad as one that fails.
HRESULT ReadExactly(IStream* stream, void* data, ULONG size) {
    ULONG read = 0;
    const HRESULT hr = stream->Read(data, size, &read);
    if (FAILED(hr)) {
        return hr;
    }
    return read == size ? S_OK : STG_E_READFAULT;
}

} // namespace

HRESULT PlugIn::Load(LPSTREAM stream) {
    if (!stream) {
        return E_POINTER;
    }
    std::uint8_t version[kVersionSize];
    HRESULT hr = ReadExactly(stream, version, sizeof version);
    if (FAILED(hr)) {
        return hr;
    }
    if (!VersionCarriesExtent(DecodeVersion(version))) {
        return S_OK;
    }
    std::uint8_t extent[kExtentSize];
    hr = ReadExactly(stream, extent, sizeof extent);
    if (FAILED(hr)) {
        return hr;
    }
    extent_ = DecodeExtent(extent);
    return S_OK;
}

HRESULT PlugIn::Save(LPSTREAM stream, BOOL) {
    if (!stream) {
        return E_POINTER;
    }
    const auto bytes = EncodeStream(extent_);
    ULONG written = 0;
    const HRESULT hr = stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written);
    if (FAILED(hr)) {
        return hr;
    }
    return written == bytes.size() ? S_OK : STG_E_WRITEFAULT;
}

HRESULT PlugIn::GetSizeMax(ULARGE_INTEGER* size) {
    if (!size) {
        return E_POINTER;
    }
    size->QuadPart = kStreamSize;
    return S_OK;
}

HRESULT PlugIn::InitNew() {
    return S_OK;
}

HRESULT PlugIn::InitNew(IStorage* storage) {
    return storage ? S_OK : E_POINTER;
}

HRESULT PlugIn::Load(IStorage* storage) {
    if (!storage) {
        return E_POINTER;
    }
    rw::com::ComPtr<IStream> stream;
    const HRESULT hr = storage->OpenStream(L"Contents", nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE,
                                           0, stream.Put());
    return FAILED(hr) ? hr : Load(stream.Get());
}

HRESULT PlugIn::Save(IStorage* storage, BOOL) {
    if (!storage) {
        return E_POINTER;
    }
    rw::com::ComPtr<IStream> stream;
    const HRESULT hr = storage->CreateStream(
        L"Contents", STGM_CREATE | STGM_WRITE | STGM_SHARE_EXCLUSIVE, 0, 0, stream.Put());
    return FAILED(hr) ? hr : Save(stream.Get(), TRUE);
}

HRESULT PlugIn::SaveCompleted(IStorage*) {
    return S_OK;
}
HRESULT PlugIn::HandsOffStorage() {
    return S_OK;
}

// ---- IDataObject: the icon as a metafile picture

namespace {

bool IsMetafileRequest(const FORMATETC* format) {
    return format->cfFormat == CF_METAFILEPICT && (format->tymed & TYMED_MFPICT) &&
           format->dwAspect == DVASPECT_CONTENT;
}

} // namespace

HRESULT PlugIn::GetData(FORMATETC* format, STGMEDIUM* medium) {
    if (!format || !medium) {
        return E_POINTER;
    }
    if (!IsMetafileRequest(format)) {
        return DV_E_FORMATETC;
    }
    const HDC dc = CreateMetaFileW(nullptr);
    if (!dc) {
        return E_OUTOFMEMORY;
    }
    SetWindowExtEx(dc, kIconPixels, kIconPixels, nullptr);
    DrawControlIcon(dc, 0, 0);
    const HMETAFILE metafile = CloseMetaFile(dc);
    const HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, sizeof(METAFILEPICT));
    auto* picture = memory ? static_cast<METAFILEPICT*>(GlobalLock(memory)) : nullptr;
    if (!metafile || !picture) {
        if (metafile) {
            DeleteMetaFile(metafile);
        }
        if (memory) {
            GlobalFree(memory);
        }
        return E_OUTOFMEMORY;
    }
    const SIZEL extent = IconExtent();
    picture->mm = MM_ANISOTROPIC;
    picture->xExt = extent.cx;
    picture->yExt = extent.cy;
    picture->hMF = metafile;
    GlobalUnlock(memory);
    medium->tymed = TYMED_MFPICT;
    medium->hMetaFilePict = memory;
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

// ---- class information, error information, connection points

HRESULT PlugIn::GetClassInfo(ITypeInfo** info) {
    if (!info) {
        return E_POINTER;
    }
    *info = nullptr;
    return LoadTypeInfo(nullptr, info);
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
