#include "win32/registry.h"

#include <shlwapi.h>

#include <vector>

#include "win32/scoped.h"

namespace rw::win {

std::optional<std::wstring> ReadRegistryText(HKEY root, const std::wstring& key,
                                             const std::wstring& valueName, REGSAM access) {
    HKEY raw = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), 0, access, &raw) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    ScopedRegKey opened(raw);
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(raw, valueName.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    std::vector<BYTE> data(size + 2 * sizeof(wchar_t), 0);
    if (RegQueryValueExW(raw, valueName.c_str(), nullptr, &type, data.data(), &size) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
    case REG_MULTI_SZ:
        return std::wstring(reinterpret_cast<const wchar_t*>(data.data()));
    case REG_DWORD:
        return std::to_wstring(*reinterpret_cast<const DWORD*>(data.data()));
    default:
        return std::nullopt;
    }
}

bool WriteRegistryText(HKEY root, const std::wstring& key, const std::wstring& valueName,
                       const std::wstring& value) {
    HKEY raw = nullptr;
    if (RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &raw, nullptr) !=
        ERROR_SUCCESS) {
        return false;
    }
    ScopedRegKey opened(raw);
    const auto bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
    return RegSetValueExW(raw, valueName.c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(value.c_str()), bytes) == ERROR_SUCCESS;
}

void DeleteRegistryTree(HKEY root, const std::wstring& key) {
    SHDeleteKeyW(root, key.c_str());
}

} // namespace rw::win
