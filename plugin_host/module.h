#pragma once
// Module-wide state of lumbraplug: the lock count that DllCanUnloadNow reads, and one critical
// section for the few things shared by every object (class-object cache, type information, the
// live objects, the icon). The instance handle is rw::win::ModuleInstance().
#include <windows.h>

#include <string>

#include "win32/window.h"

namespace rw::plugin {

// Live objects and class-object locks.
void LockModule();
void UnlockModule();
long ModuleLockCount();

// Holds the module critical section for its lifetime.
class ModuleGuard {
public:
    ModuleGuard();
    ~ModuleGuard();
    ModuleGuard(const ModuleGuard&) = delete;
    ModuleGuard& operator=(const ModuleGuard&) = delete;
};

// The full path of the module file.
std::wstring ModulePath();

} // namespace rw::plugin
