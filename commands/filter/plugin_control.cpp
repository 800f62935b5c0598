#include "commands/filter/plugin_control.h"

#include <utility>

#include "win32/bstr.h"
#include "win32/strings.h"

namespace rw {
namespace {

// _PlugInEvents, the control's source interface.
const IID kPlugInEvents = {
    0x6a1d4c21, 0x5b3f, 0x4f11, {0x9c, 0x27, 0x1e, 0x8b, 0x30, 0xd4, 0xa6, 0xf5}};
constexpr DISPID kStatus = 1;

VARIANT Text(BSTR text) {
    VARIANT v;
    ::VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = text; // borrowed: the caller owns it
    return v;
}

VARIANT Number(LONG value) {
    VARIANT v;
    ::VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = value;
    return v;
}

// The automation interface carries a global memory handle as a signed 32-bit value.
bool FitsTheInterface(HGLOBAL handle) {
    const auto value = reinterpret_cast<LONG_PTR>(handle);
    return static_cast<LONG_PTR>(static_cast<LONG>(value)) == value;
}

} // namespace

// Receives the control's Status events; lives as long as anyone holds it, and forgets its
// receiver when the control adapter goes.
class PlugInControl::StatusSink final : public IDispatch {
public:
    explicit StatusSink(std::function<void(int)> onStatus) : onStatus_(std::move(onStatus)) {}
    void Detach() { onStatus_ = nullptr; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) {
            return E_POINTER;
        }
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
            IsEqualIID(iid, kPlugInEvents)) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ::InterlockedIncrement(&refs_); }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = ::InterlockedDecrement(&refs_);
        if (left == 0) {
            delete this;
        }
        return left;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count) {
            *count = 0;
        }
        return count ? S_OK : E_POINTER;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*,
                                     EXCEPINFO*, UINT*) override {
        if (id != kStatus || !params || params->cArgs < 1) {
            return DISP_E_MEMBERNOTFOUND;
        }
        VARIANT percent;
        ::VariantInit(&percent);
        if (FAILED(::VariantChangeType(&percent, &params->rgvarg[0], 0, VT_I4))) {
            return DISP_E_TYPEMISMATCH;
        }
        if (onStatus_) {
            onStatus_(static_cast<int>(percent.lVal));
        }
        return S_OK;
    }

private:
    ~StatusSink() = default;
    LONG refs_ = 1;
    std::function<void(int)> onStatus_;
};

PlugInControl::PlugInControl(IUnknown* control, std::function<void(int)> onStatus) {
    if (!control || FAILED(control->QueryInterface(IID_IDispatch, dispatch_.PutVoid()))) {
        dispatch_.Reset();
        return;
    }
    sink_ = com::ComPtr<StatusSink>::Attach(new StatusSink(std::move(onStatus)));
    com::ComPtr<IConnectionPointContainer> container;
    if (SUCCEEDED(control->QueryInterface(IID_IConnectionPointContainer, container.PutVoid())) &&
        SUCCEEDED(container->FindConnectionPoint(kPlugInEvents, events_.Put())) &&
        FAILED(events_->Advise(sink_.Get(), &cookie_))) {
        events_.Reset(); // the filters still run, without progress
    }
}

PlugInControl::~PlugInControl() {
    if (events_ && cookie_) {
        events_->Unadvise(cookie_);
    }
    if (sink_) {
        sink_->Detach();
    }
}

ControlAnswer PlugInControl::Call(const wchar_t* member, WORD flags, std::vector<VARIANT> args,
                                  VARIANT* result) {
    if (!dispatch_) {
        return {E_NOINTERFACE, win::ErrorText(E_NOINTERFACE)};
    }
    auto id = ids_.find(member);
    if (id == ids_.end()) {
        DISPID found = DISPID_UNKNOWN;
        LPOLESTR name = const_cast<LPOLESTR>(member);
        const HRESULT hr =
            dispatch_->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &found);
        if (FAILED(hr)) {
            return {hr, win::ErrorText(hr)};
        }
        id = ids_.emplace(member, found).first;
    }
    // Automation passes the arguments last first.
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    if (flags == DISPATCH_PROPERTYPUT) {
        params.rgdispidNamedArgs = &put;
        params.cNamedArgs = 1;
    }
    EXCEPINFO exception{};
    UINT argument = 0;
    HRESULT hr = dispatch_->Invoke(id->second, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                                   result, &exception, &argument);
    if (hr != DISP_E_EXCEPTION) {
        return {hr, FAILED(hr) ? win::ErrorText(hr) : std::wstring()};
    }
    if (exception.pfnDeferredFillIn) {
        exception.pfnDeferredFillIn(&exception);
    }
    const win::Bstr description = win::Bstr::Attach(exception.bstrDescription);
    const win::Bstr source = win::Bstr::Attach(exception.bstrSource);
    const win::Bstr help = win::Bstr::Attach(exception.bstrHelpFile);
    if (FAILED(exception.scode)) {
        hr = exception.scode;
    }
    return {hr, description ? std::wstring(description.View()) : win::ErrorText(hr)};
}

ControlAnswer PlugInControl::SetDirectory(const std::wstring& folder) {
    const win::Bstr value(folder);
    return Call(L"Directory", DISPATCH_PROPERTYPUT, {Text(value.Get())}, nullptr);
}

ControlAnswer PlugInControl::ReadText(const wchar_t* member, int index, std::wstring& text) {
    VARIANT result;
    ::VariantInit(&result);
    ControlAnswer answer = Call(member, DISPATCH_PROPERTYGET, {Number(index)}, &result);
    if (answer && SUCCEEDED(::VariantChangeType(&result, &result, 0, VT_BSTR))) {
        text = win::Bstr::View(result.bstrVal);
    }
    ::VariantClear(&result);
    return answer;
}

ControlAnswer PlugInControl::ReadCatalogue(std::vector<FilterEntry>& catalogue) {
    catalogue.clear();
    // The first read lists the plug-ins; the count is known after it.
    FilterEntry first;
    ControlAnswer answer = ReadText(L"Title", 0, first.title);
    if (answer.hr == kIndexOutOfBounds) {
        return {};
    }
    if (!answer) {
        return answer;
    }
    VARIANT count;
    ::VariantInit(&count);
    answer = Call(L"PlugInCount", DISPATCH_PROPERTYGET, {}, &count);
    if (!answer || FAILED(::VariantChangeType(&count, &count, 0, VT_I4))) {
        return answer ? ControlAnswer{E_UNEXPECTED, win::ErrorText(E_UNEXPECTED)} : answer;
    }
    // One less than the entries, by the interface's convention.
    const LONG entries = count.lVal + 1;
    for (LONG i = 0; i < entries; ++i) {
        FilterEntry entry;
        for (const auto& [member, field] : {std::pair{L"Title", &FilterEntry::title},
                                            std::pair{L"FileName", &FilterEntry::fileName},
                                            std::pair{L"Category", &FilterEntry::category}}) {
            answer = ReadText(member, static_cast<int>(i), entry.*field);
            if (!answer) {
                return answer;
            }
        }
        catalogue.push_back(std::move(entry));
    }
    return {};
}

ControlAnswer PlugInControl::SelectPlugIns(std::wstring& chosen) {
    chosen.clear();
    VARIANT result;
    ::VariantInit(&result);
    const ControlAnswer answer = Call(L"SelectPlugIns", DISPATCH_METHOD, {}, &result);
    if (answer && result.vt == VT_BSTR) {
        chosen = win::Bstr::View(result.bstrVal);
    }
    ::VariantClear(&result);
    return answer;
}

ControlAnswer PlugInControl::InvokePlugIn(const std::wstring& fileName, HGLOBAL dib) {
    if (!FitsTheInterface(dib)) {
        return {E_OUTOFMEMORY, L"The picture lies where the control cannot reach it."};
    }
    const win::Bstr name(fileName);
    const auto handle = static_cast<LONG>(reinterpret_cast<LONG_PTR>(dib));
    return Call(L"InvokePlugIn", DISPATCH_METHOD, {Text(name.Get()), Number(handle)}, nullptr);
}

} // namespace rw
