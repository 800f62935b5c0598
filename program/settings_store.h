#pragma once
// The per-user settings store: text values under an application name and a section, kept in the
// registry where earlier installations kept them, so their settings carry over.
#include <string>

namespace rw {

// HKEY_CURRENT_USER\Software\VB and VBA Program Settings\<application>\<section>
std::wstring SettingsKey(const std::wstring& application, const std::wstring& section);

std::wstring GetSetting(const std::wstring& application, const std::wstring& section,
                        const std::wstring& key, const std::wstring& fallback);
void SaveSetting(const std::wstring& application, const std::wstring& section,
                 const std::wstring& key, const std::wstring& value);

// The application name the editor's settings are kept under: the title, unless a test has
// chosen another so as to leave real settings alone.
const std::wstring& SettingsApplication();
void SetSettingsApplication(const std::wstring& application);

} // namespace rw
