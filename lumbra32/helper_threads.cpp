#include "lumbra32/helper_threads.h"

#include <tlhelp32.h>

#include <algorithm>
#include <atomic>
#include <functional>

namespace lumbra {
namespace {

// Every thread of this process that has started, as the loader reports it starting and ending to
// the executable's TLS callback, by serial number and id (ids are used again): the census before
// a call costs no call into the system.
constexpr size_t kSlots = 1024;
std::atomic<uint64_t> g_threads[kSlots];
std::atomic<uint32_t> g_serial{0};
// More threads than slots at once: the census cannot tell, and counts them all as left running.
std::atomic<bool> g_overflow{false};

constexpr uint64_t kIdBits = 0xFFFFFFFFu;

void NTAPI OnThread(PVOID, DWORD reason, PVOID) {
    const uint64_t id = GetCurrentThreadId();
    if (reason == DLL_THREAD_ATTACH) {
        const uint64_t entry = uint64_t{++g_serial} << 32 | id;
        for (std::atomic<uint64_t>& slot : g_threads) {
            uint64_t empty = 0;
            if (slot.compare_exchange_strong(empty, entry)) {
                return;
            }
        }
        g_overflow = true;
    } else if (reason == DLL_THREAD_DETACH) {
        for (std::atomic<uint64_t>& slot : g_threads) {
            if ((slot.load() & kIdBits) == id) {
                slot.store(0);
                return;
            }
        }
    }
}

} // namespace
} // namespace lumbra

// The loader calls the callbacks of the executable's TLS directory for every thread.
#if defined(_MSC_VER)
#pragma section(".CRT$XLY", long, read)
extern "C" __declspec(allocate(".CRT$XLY")) const PIMAGE_TLS_CALLBACK lumbra_thread_watch =
    lumbra::OnThread;
#else
extern "C" __attribute__((section(".CRT$XLY"), used))
const PIMAGE_TLS_CALLBACK lumbra_thread_watch = lumbra::OnThread;
#endif

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

std::vector<uint64_t> Started() {
    std::vector<uint64_t> started;
    for (const std::atomic<uint64_t>& slot : g_threads) {
        if (uint64_t entry = slot.load()) {
            started.push_back(entry);
        }
    }
    std::sort(started.begin(), started.end());
    return started;
}

// The entry of thread `id` among `started`, or 0.
uint64_t EntryOf(const std::vector<uint64_t>& started, DWORD id) {
    auto it = std::find_if(started.begin(), started.end(),
                           [id](uint64_t entry) { return (entry & kIdBits) == id; });
    return it != started.end() ? *it : 0;
}

// Calls `each` with the id of and a handle (kAccess) to every thread of this process, those not
// started yet among them. The process's own iteration where the system has it: a snapshot of
// every thread of the machine costs far more.
void ForEachThread(const std::function<void(DWORD, HANDLE)>& each) {
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
            each(GetThreadId(following), following);
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
                each(entry.th32ThreadID, thread);
                CloseHandle(thread);
            }
        }
    }
    CloseHandle(snapshot);
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

ThreadCensus::ThreadCensus()
    : before_(Started()), mark_(g_serial.load()), taker_(GetCurrentThreadId()) {}

bool ThreadCensus::CallerStartedBy(uint32_t mark) {
    // Asked from a fault handler: nothing allocated.
    const uint64_t id = GetCurrentThreadId();
    for (const std::atomic<uint64_t>& slot : g_threads) {
        const uint64_t entry = slot.load();
        if (entry && (entry & kIdBits) == id) {
            return (entry >> 32) <= mark;
        }
    }
    return false;
}

int ThreadCensus::LeftRunning(DWORD graceMs) const {
    if (g_overflow) {
        return 1;
    }
    // A thread is old when it started before the call and still is the same thread; one the
    // loader has not reported yet (created, not started) or at all is new.
    const std::vector<uint64_t> now = Started();
    std::vector<HANDLE> started;
    ForEachThread([&](DWORD id, HANDLE thread) {
        const uint64_t entry = EntryOf(now, id);
        HANDLE own = nullptr;
        if (id != taker_ && !(entry && std::binary_search(before_.begin(), before_.end(), entry)) &&
            !StartsInNtdll(thread) &&
            DuplicateHandle(GetCurrentProcess(), thread, GetCurrentProcess(), &own, 0, FALSE,
                            DUPLICATE_SAME_ACCESS)) {
            started.push_back(own);
        }
    });
    // Threads told to end as the plug-in finished get a moment to do so.
    const DWORD deadline = GetTickCount() + graceMs;
    int running = 0;
    for (HANDLE thread : started) {
        const LONG left = static_cast<LONG>(deadline - GetTickCount());
        if (WaitForSingleObject(thread, left > 0 ? static_cast<DWORD>(left) : 0) == WAIT_TIMEOUT) {
            ++running;
        }
        CloseHandle(thread);
    }
    return running;
}

} // namespace lumbra
