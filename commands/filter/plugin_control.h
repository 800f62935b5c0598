#pragma once
// lumbraplug's PlugIn control as the editor drives it, as any container would: its members by
// name through IDispatch, its Status events through its connection point. A failure comes back
// with the control's own words for it.
#include <windows.h>
#include <oaidl.h>
#include <ocidl.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "commands/filter/filter_menu.h"
#include "win32/com_ptr.h"

namespace rw {

// What a member answered: S_OK, or a failure with its description.
struct ControlAnswer {
    HRESULT hr = S_OK;
    std::wstring description;
    explicit operator bool() const { return SUCCEEDED(hr); }
};

class PlugInControl {
public:
    // `control` is the PlugIn object, or null when there is none; `onStatus` receives each Status
    // event's percentage, from inside InvokePlugIn.
    PlugInControl(IUnknown* control, std::function<void(int percent)> onStatus);
    ~PlugInControl();
    PlugInControl(const PlugInControl&) = delete;
    PlugInControl& operator=(const PlugInControl&) = delete;

    bool Present() const { return static_cast<bool>(dispatch_); }

    ControlAnswer SetDirectory(const std::wstring& folder);
    // Every entry of the catalogue, in the control's order.
    ControlAnswer ReadCatalogue(std::vector<FilterEntry>& catalogue);
    // The control's Select Plug-In dialog; `chosen` is empty when the user chose nothing.
    ControlAnswer SelectPlugIns(std::wstring& chosen);
    // Runs the filter on the packed DIB, in place.
    ControlAnswer InvokePlugIn(const std::wstring& fileName, HGLOBAL dib);

    // The control's answer for an index past the end of its catalogue.
    static constexpr HRESULT kIndexOutOfBounds = static_cast<HRESULT>(0x800A017D);

private:
    class StatusSink;
    // One call by member name; `args` in the member's order.
    ControlAnswer Call(const wchar_t* member, WORD flags, std::vector<VARIANT> args,
                       VARIANT* result);
    ControlAnswer ReadText(const wchar_t* member, int index, std::wstring& text);

    com::ComPtr<IDispatch> dispatch_;
    std::map<std::wstring, DISPID> ids_;
    com::ComPtr<StatusSink> sink_;
    com::ComPtr<IConnectionPoint> events_;
    DWORD cookie_ = 0;
};

} // namespace rw
