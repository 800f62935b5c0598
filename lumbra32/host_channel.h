#pragma once
// The channel between lumbra32.dll (in the caller's process) and lumbra32host.exe (where the
// plug-ins run): one shared control block and two auto-reset events. The caller writes a
// command and sets "request"; the helper sets "reply" when progress moved and when the command
// is done (`finished` equal to the command's sequence number). Pixels travel in a second
// mapping whose handle the caller duplicates into the helper; the helper maps it for the length
// of a run only.
#include <windows.h>

#include <atomic>
#include <cstdint>

namespace lumbra::channel {

constexpr uint32_t kMagic = 0x4833324Cu; // "L32H"
constexpr int kPathChars = 4096;

// kImport: take over the filter states in the mapping `carried` (from a helper replaced before).
enum Command : int32_t { kNone = 0, kLoad = 1, kRun = 2, kAbout = 3, kQuit = 4, kImport = 5 };

struct Control {
    uint32_t magic;
    // The caller's process, a handle valid in the helper's process (written before it starts).
    uint64_t caller;
    // Caller to helper, written before "request" is set.
    int32_t command;
    uint32_t sequence;
    uint64_t owner;  // window handle value
    uint64_t pixels; // mapping handle, valid in the helper's process
    uint64_t pixelsBytes;
    uint32_t pixelsGeneration;
    int32_t width;
    int32_t height;
    wchar_t path[kPathChars];
    char entry[256];
    std::atomic<int32_t> abort;
    // Helper to caller.
    std::atomic<int32_t> progressDone;
    std::atomic<int32_t> progressTotal;
    // Counts every progress report and tile request, whether or not the percent moved: the
    // caller's sign that the plug-in is working.
    std::atomic<uint32_t> heartbeat;
    std::atomic<uint32_t> finished;
    int32_t status;     // a Lumbra32Error code
    int32_t pluginCode; // the plug-in's own result
    char message[256];
    // Threads the plug-in left running when the command ended. The helper is then to be
    // replaced, and hands over every filter's state in a mapping of its own (`carried`, a
    // handle valid in the helper's process; both ways for kImport).
    int32_t strays;
    uint64_t carried;
    uint64_t carriedBytes;
    double filterSeconds;
    double bufferSeconds;
    double busySeconds;
};

static_assert(std::atomic<int32_t>::is_always_lock_free);
static_assert(std::atomic<uint32_t>::is_always_lock_free);

inline wchar_t* ObjectName(wchar_t* buffer, size_t size, const wchar_t* base, const wchar_t* part) {
    swprintf(buffer, size, L"%ls-%ls", base, part);
    return buffer;
}

} // namespace lumbra::channel
