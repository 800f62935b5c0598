#pragma once
// Carries out the registration script held in the module's resources.
#include <windows.h>

#include <string>

namespace rw::plugin {

// Registers (or unregisters) what the REGISTRY resource `id` describes, with %MODULE% standing for
// `modulePath`. Registering stops at the first failure and returns it.
HRESULT RunRegistrationScript(int id, const std::wstring& modulePath, bool registering);

} // namespace rw::plugin
