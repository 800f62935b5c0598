#pragma once
// What the lumbraplug tests share: the control under test (a copy beside the scriptable
// lumbra32 stand-in), its registration, and the stand-in's script and call log.
#include <windows.h>
#include <ocidl.h>

#include <string>

#include "plugin_host/lumbraplug_h.h"
#include "win32/com_ptr.h"

namespace plugintest {

using rw::com::ComPtr;

// The full path of the control under test.
std::wstring ControlPath();
// Registers the control (once per process) through its own DllRegisterServer.
void RegisterControl();
// A new control created through COM by its class identifier.
ComPtr<IPlugIn> CreateControl();
// Replaces the lumbra32 stand-in's script and clears its call log (the control must be loaded).
void ScriptLumbra32(const char* script);
// The stand-in's call log since the last script.
std::string Lumbra32Calls();
// A new empty folder (deleted with its files by the destructor).
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::wstring& Path() const { return path_; }
    void AddFile(const wchar_t* name) const;

private:
    std::wstring path_;
};

} // namespace plugintest
