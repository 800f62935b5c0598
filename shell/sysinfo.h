#pragma once
// Starting the system information tool from the About box.
#include <windows.h>

#include <string>

namespace rw {

// Reads one registry value as text. On failure KeyVal is "" and the result is false.
bool GetKeyValue(HKEY KeyRoot, const std::wstring& KeyName, const std::wstring& SubKeyRef,
                 std::wstring& KeyVal);

// Starts the tool in a normal, focused window without waiting, or says it cannot.
void StartSysInfo(HWND owner);

inline constexpr const wchar_t* kSysInfoUnavailable =
    L"System Information Is Unavailable At This Time";

} // namespace rw
