#include "program/settings_store.h"

#include <windows.h>

#include "program/global.h"
#include "win32/registry.h"

namespace rw {

namespace {

std::wstring& Application() {
    static std::wstring application = Global::AppTitle;
    return application;
}

} // namespace

std::wstring SettingsKey(const std::wstring& application, const std::wstring& section) {
    return L"Software\\VB and VBA Program Settings\\" + application + L"\\" + section;
}

std::wstring GetSetting(const std::wstring& application, const std::wstring& section,
                        const std::wstring& key, const std::wstring& fallback) {
    return win::ReadRegistryText(HKEY_CURRENT_USER, SettingsKey(application, section), key)
        .value_or(fallback);
}

void SaveSetting(const std::wstring& application, const std::wstring& section,
                 const std::wstring& key, const std::wstring& value) {
    win::WriteRegistryText(HKEY_CURRENT_USER, SettingsKey(application, section), key, value);
}

const std::wstring& SettingsApplication() {
    return Application();
}

void SetSettingsApplication(const std::wstring& application) {
    Application() = application;
}

} // namespace rw
