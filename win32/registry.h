#pragma once
// Reading and writing single registry values as text.
#include <windows.h>

#include <optional>
#include <string>

namespace rw::win {

// The value as text: strings as stored (cut at the first NUL), numbers in decimal.
std::optional<std::wstring> ReadRegistryText(HKEY root, const std::wstring& key,
                                             const std::wstring& valueName,
                                             REGSAM access = KEY_READ);

// Writes a REG_SZ value, creating the key when needed. False when the registry refused.
bool WriteRegistryText(HKEY root, const std::wstring& key, const std::wstring& valueName,
                       const std::wstring& value);

// Removes a key and everything under it (tests clean up after themselves with it).
void DeleteRegistryTree(HKEY root, const std::wstring& key);

} // namespace rw::win
