#include "plugin_host/error_info.h"

#include <oleauto.h>

#include "plugin_host/control_format.h"
#include "plugin_host/lumbraplug_h.h"
#include "plugin_host/module.h"
#include "win32/com_ptr.h"

namespace rw::plugin {

HRESULT ReportError(unsigned id) {
    wchar_t message[1025];
    const int n = ::LoadStringW(rw::win::ModuleInstance(), id, message, 1025);
    return ReportError(n > 0 ? message : L"Unknown Error",
                       static_cast<HRESULT>(HresultForMessage(id)));
}

HRESULT ReportError(const wchar_t* message, HRESULT hr) {
    rw::com::ComPtr<ICreateErrorInfo> create;
    if (FAILED(CreateErrorInfo(create.Put()))) {
        return hr;
    }
    create->SetGUID(GUID_NULL);
    LPOLESTR progId = nullptr;
    if (SUCCEEDED(ProgIDFromCLSID(CLSID_PlugIn, &progId))) {
        create->SetSource(progId);
        CoTaskMemFree(progId);
    }
    create->SetDescription(const_cast<LPOLESTR>(message));
    rw::com::ComPtr<IErrorInfo> info;
    if (SUCCEEDED(create.As(info))) {
        SetErrorInfo(0, info.Get());
    }
    return hr;
}

} // namespace rw::plugin
