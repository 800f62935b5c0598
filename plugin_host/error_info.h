#pragma once
// How every failing IPlugIn member reports: an error object (source = the class's ProgID,
// interface GUID_NULL, no help) made the thread's current error info, and an HRESULT.
#include <windows.h>

namespace rw::plugin {

// The message `id` of the string table ("Unknown Error" when the table lacks it); returns
// 0x800A0000 + id.
HRESULT ReportError(unsigned id);
// A literal message with its own HRESULT.
HRESULT ReportError(const wchar_t* message, HRESULT hr);

} // namespace rw::plugin
