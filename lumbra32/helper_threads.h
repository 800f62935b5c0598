#pragma once
// Threads a plug-in leaves running in the helper after a call into it: they may go on writing
// into memory that a later run is given, so the helper must not serve another run.
#include <windows.h>

#include <cstdint>
#include <set>
#include <utility>

namespace lumbra {

class ThreadCensus {
public:
    // Notes the threads that run now.
    ThreadCensus();
    // Threads started since, still running after `graceMs` to end. The system's own pool and
    // loader threads (started in ntdll) do not count: they serve whoever queues work and end
    // by themselves.
    int LeftRunning(DWORD graceMs) const;

private:
    // A thread by id and creation time: ids are used again.
    std::set<std::pair<DWORD, uint64_t>> before_;
};

} // namespace lumbra
