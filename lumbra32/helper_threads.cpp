#include "lumbra32/helper_threads.h"

#include <tlhelp32.h>

#include <functional>
#include <vector>

namespace lumbra {
namespace {

using NextThreadProc = LONG(WINAPI*)(HANDLE process, HANDLE thread, ACCESS_MASK access,
                                     ULONG attributes, ULONG flags, HANDLE* next);
using QueryThreadProc = LONG(WINAPI*)(HANDLE thread, ULONG what, void* out, ULONG size,
                                      ULONG* written);
constexpr ULONG kThreadStartAddress = 9; // ThreadQuerySetWin32StartAddress
constexpr ACCESS_MASK kAccess = THREAD_QUERY_INFORMATION | SYNCHRONIZE;

HMODULE Ntdll() {
    static const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll;
}

template <class F> F NtdllProc(const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(Ntdll(), name)));
}

// Calls `each` with a handle (kAccess) to every thread of this process. The process's own
// iteration where the system has it: a snapshot of every thread of the machine costs far more.
void ForEachThread(const std::function<void(HANDLE)>& each) {
    static const auto next = NtdllProc<NextThreadProc>("NtGetNextThread");
    if (next) {
        HANDLE thread = nullptr;
        for (;;) {
            HANDLE following = nullptr;
            LONG status = next(GetCurrentProcess(), thread, kAccess, 0, 0, &following);
            if (thread) {
                CloseHandle(thread);
            }
            if (status != 0) {
                return;
            }
            each(following);
            thread = following;
        }
    }
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) {
        return;
    }
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID == GetCurrentProcessId()) {
            if (HANDLE thread = OpenThread(kAccess, FALSE, entry.th32ThreadID)) {
                each(thread);
                CloseHandle(thread);
            }
        }
    }
    CloseHandle(snapshot);
}

std::pair<DWORD, uint64_t> Identity(HANDLE thread) {
    FILETIME created{}, exited{}, kernel{}, user{};
    GetThreadTimes(thread, &created, &exited, &kernel, &user);
    return {GetThreadId(thread), uint64_t{created.dwHighDateTime} << 32 | created.dwLowDateTime};
}

bool StartsInNtdll(HANDLE thread) {
    static const auto query = NtdllProc<QueryThreadProc>("NtQueryInformationThread");
    static const auto* base = reinterpret_cast<const uint8_t*>(Ntdll());
    void* start = nullptr;
    if (!query || !base || query(thread, kThreadStartAddress, &start, sizeof start, nullptr) != 0) {
        return false;
    }
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const auto* p = static_cast<const uint8_t*>(start);
    return p >= base && p < base + nt->OptionalHeader.SizeOfImage;
}

} // namespace

ThreadCensus::ThreadCensus() {
    ForEachThread([this](HANDLE thread) { before_.insert(Identity(thread)); });
}

int ThreadCensus::LeftRunning(DWORD graceMs) const {
    std::vector<HANDLE> started;
    ForEachThread([&](HANDLE thread) {
        HANDLE own = nullptr;
        if (!before_.count(Identity(thread)) && !StartsInNtdll(thread) &&
            DuplicateHandle(GetCurrentProcess(), thread, GetCurrentProcess(), &own, 0, FALSE,
                            DUPLICATE_SAME_ACCESS)) {
            started.push_back(own);
        }
    });
    // Threads told to end as the plug-in finished get a moment to do so.
    DWORD deadline = GetTickCount() + graceMs;
    int running = 0;
    for (HANDLE thread : started) {
        DWORD now = GetTickCount();
        DWORD wait = static_cast<LONG>(deadline - now) > 0 ? deadline - now : 0;
        if (WaitForSingleObject(thread, wait) == WAIT_TIMEOUT) {
            ++running;
        }
        CloseHandle(thread);
    }
    return running;
}

} // namespace lumbra
