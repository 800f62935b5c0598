#pragma once
// Module-wide state of lumbraplug: its instance handle, the lock count that DllCanUnloadNow
// reads, and one critical section for the few things shared by every object (class-object cache,
// window class, type information).
#include <windows.h>

#include <string>

namespace rw::plugin {

HINSTANCE ModuleInstance();
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
