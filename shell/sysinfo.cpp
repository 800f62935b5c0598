#include "shell/sysinfo.h"

#include <vector>

#include "shell/global.h"
#include "win32/scoped.h"
#include "win32/process.h"
#include "win32/ui_seam.h"

namespace rw {

namespace {

constexpr REGSAM kKeyAccess = 0x2003F;

bool FileExists(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool StartProgram(const std::wstring& path) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process{};
    std::wstring commandLine = L"\"" + path + L"\"";
    if (!rw::win::StartProcess(path.c_str(), commandLine, nullptr, startup, process)) {
        return false;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

} // namespace

bool GetKeyValue(HKEY KeyRoot, const std::wstring& KeyName, const std::wstring& SubKeyRef,
                 std::wstring& KeyVal) {
    KeyVal.clear();
    HKEY key = nullptr;
    LONG status = RegOpenKeyExW(KeyRoot, KeyName.c_str(), 0, kKeyAccess, &key);
    if (status == ERROR_ACCESS_DENIED) {
        // The access asked for includes write rights, which a standard user does not hold on the
        // machine-wide keys; reading is all that is needed.
        status = RegOpenKeyExW(KeyRoot, KeyName.c_str(), 0, KEY_READ, &key);
    }
    if (status != ERROR_SUCCESS) {
        return false;
    }
    win::ScopedRegKey opened(key);
    std::vector<wchar_t> buffer(1024, L'\0');
    DWORD type = 0;
    DWORD size = static_cast<DWORD>((buffer.size() - 1) * sizeof(wchar_t));
    if (RegQueryValueExW(key, SubKeyRef.c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(buffer.data()), &size) != ERROR_SUCCESS) {
        return false;
    }
    switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
        KeyVal = buffer.data(); // cut at the first zero character
        break;
    case REG_DWORD:
        KeyVal = std::to_wstring(*reinterpret_cast<const DWORD*>(buffer.data()));
        break;
    default: {
        // Other types as hexadecimal bytes, which neither look-up needs.
        const auto* bytes = reinterpret_cast<const BYTE*>(buffer.data());
        static const wchar_t digits[] = L"0123456789ABCDEF";
        for (DWORD k = 0; k < size; ++k) {
            KeyVal += digits[bytes[k] >> 4];
            KeyVal += digits[bytes[k] & 15];
        }
        break;
    }
    }
    return true;
}

void StartSysInfo(HWND owner) {
    std::wstring path;
    bool found = GetKeyValue(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Shared Tools\\MSINFO",
                             L"PATH", path);
    if (!found) {
        std::wstring folder;
        if (GetKeyValue(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Shared Tools Location",
                        L"MSINFO", folder) &&
            FileExists(folder + L"\\MSINFO32.EXE")) {
            path = folder + L"\\MSINFO32.EXE";
            found = true;
        }
    }
    if (!found || !StartProgram(path)) {
        Ui().ShowMessage(owner, kSysInfoUnavailable, Global::AppTitle, MB_OK);
    }
}

} // namespace rw
