#pragma once
// Threads a plug-in leaves running in the helper after a call into it: they may go on writing
// into memory that a later run is given, so the helper must not serve another run.
#include <windows.h>

#include <cstdint>
#include <vector>

namespace lumbra {

class ThreadCensus {
public:
    // Notes the threads that run now.
    ThreadCensus();
    // Threads started since, still running after `graceMs` to end. The system's own pool and
    // loader threads (started in ntdll) do not count: they serve whoever queues work and end
    // by themselves.
    int LeftRunning(DWORD graceMs) const;
    // What CallerStartedBy takes: it needs no census, which may be gone by the time it asks.
    uint32_t Mark() const { return mark_; }
    // Whether the calling thread had started when the census of `mark` was taken.
    static bool CallerStartedBy(uint32_t mark);

private:
    // The threads that had started, by serial number and id; and the one taking the census.
    std::vector<uint64_t> before_;
    uint32_t mark_;
    DWORD taker_;
};

} // namespace lumbra
