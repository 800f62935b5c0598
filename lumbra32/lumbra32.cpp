// lumbra32.dll: the ten functions. Listing reads plug-in files as data in this process;
// everything that runs plug-in code happens in lumbra32host.exe (see lumbra32.h).
#include "lumbra32/lumbra32.h"

#include "lumbra32/code_page_path.h"
#include "lumbra32/dib_pixels.h"
#include "lumbra32/error_words.h"
#include "lumbra32/filter_catalogue.h"
#include "lumbra32/filter_session.h"
#include "lumbra32/hang_watch.h"
#include "lumbra32/host_channel.h"
#include "lumbra32/host_client.h"
#include "lumbra32/hung_prompt.h"
#include "lumbra32/pe_image.h"
#include "win32/process.h"
#include "win32/strings.h"

#include <windows.h>
#include <shlwapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace lumbra {
namespace {

using Clock = std::chrono::steady_clock;
double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

#if defined(__x86_64__) || defined(_M_X64)
constexpr uint16_t kHostMachine = kMachineX64;
#else
constexpr uint16_t kHostMachine = kMachineX86;
#endif
constexpr uint32_t kImageMagic = 0x494D4732u;      // "2GMI"
constexpr size_t kMaxPluginFileBytes = 256u << 20; // a plug-in larger than this is no plug-in
constexpr int32_t kMaxSide = 30000;                // the record's geometry is 16-bit
// How often a wait for the helper looks at the plug-in's signs of life.
constexpr DWORD kWatchTickMs = 250;
// Where a caller without a window (a script, a service) sets the time after which a plug-in that
// shows no window and reports no progress is stopped: whole seconds.
constexpr wchar_t kHungLimitVariable[] = L"LUMBRA32_HUNG_FILTER_LIMIT";
// The category under which a plug-in file that cannot be opened is listed: what it holds is
// unknown until it can be read.
constexpr char kUnopenedCategory[] = "(cannot be opened)";

struct ImageRef {
    uint32_t magic;
    HGLOBAL dib;
};

struct LoadedName {
    std::wstring path;
    std::string entry;
    std::string title; // in the active code page, for the user
};

// The error state of the last call; both return what the failing or succeeding call returns.
int Fail(int code, std::string detail = {});
int Succeed();

HMODULE ThisModule() {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&ThisModule), &module);
    return module;
}

std::wstring HelperPath() {
    wchar_t path[MAX_PATH * 4];
    DWORD n = GetModuleFileNameW(ThisModule(), path, static_cast<DWORD>(std::size(path)));
    if (n == 0 || n >= std::size(path)) {
        return {};
    }
    std::wstring p(path, n);
    return p.substr(0, p.find_last_of(L"\\/") + 1) + L"lumbra32host.exe";
}

// Property-list strings are in code page 1252; the caller gets the active code page.
std::string FromPipl(const std::string& s) {
    return rw::win::NarrowCodePage(rw::win::WidenCodePage(s, 1252));
}

// The code page's stand-in for a character it lacks can be in no Windows file name: a path
// holding one was converted from a name the code page cannot hold.
bool LostInCodePage(const std::string& path) {
    return path.find('?') != std::string::npos;
}

// A Windows error as words, for ShowLastError's detail.
std::string SystemWords(DWORD error) {
    return rw::win::NarrowCodePage(rw::win::ErrorText(HRESULT_FROM_WIN32(error)));
}

// The bytes of a plug-in file; the Windows error when it cannot be read (ERROR_BAD_FORMAT for a
// size no plug-in has), 0 when it was.
DWORD ReadWholeFile(const std::wstring& path, std::vector<uint8_t>& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return GetLastError();
    }
    DWORD error = 0;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size)) {
        error = GetLastError();
    } else if (size.QuadPart <= 0 || static_cast<uint64_t>(size.QuadPart) > kMaxPluginFileBytes) {
        error = ERROR_BAD_FORMAT;
    } else {
        bytes.resize(static_cast<size_t>(size.QuadPart));
        DWORD read = 0;
        if (!ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr)) {
            error = GetLastError();
        } else if (read != bytes.size()) {
            error = ERROR_HANDLE_EOF;
        }
    }
    CloseHandle(file);
    return error;
}

// A file that exists but cannot be read now: held open by another program, or closed to us.
bool CannotOpen(DWORD error) {
    return error != 0 && error != ERROR_BAD_FORMAT && error != ERROR_FILE_NOT_FOUND &&
           error != ERROR_PATH_NOT_FOUND;
}

std::wstring FileStem(const std::wstring& path) {
    size_t slash = path.find_last_of(L"\\/");
    std::wstring name = path.substr(slash == std::wstring::npos ? 0 : slash + 1);
    return name.substr(0, name.find_last_of(L'.'));
}

// The filters of one file, as this host can run them, or the Windows error that kept it from
// being read.
DWORD FiltersOf(const std::wstring& path, std::vector<FilterInfo>& filters) {
    std::vector<uint8_t> bytes;
    DWORD error = ReadWholeFile(path, bytes);
    if (error != 0) {
        return error;
    }
    // The language FindResource would take a resource in follows the thread's locale.
    filters =
        ListFilters(bytes.data(), bytes.size(), kHostMachine,
                    rw::win::NarrowCodePage(FileStem(path)), LANGIDFROMLCID(GetThreadLocale()));
    return 0;
}

// A reported name back to the file and entry point; sets the error on failure.
bool Resolve(const char* name, LoadedName& out) {
    if (!name || !*name) {
        return Fail(LUMBRA32_BAD_ARGUMENT, "no plug-in name");
    }
    FilterNameParts parts = SplitFilterName(name);
    std::wstring path = rw::win::WidenCodePage(parts.path);
    if (PathIsRelativeW(path.c_str()) || path.size() >= channel::kPathChars) {
        return Fail(LUMBRA32_BAD_ARGUMENT, parts.path);
    }
    if (LostInCodePage(parts.path)) {
        return Fail(LUMBRA32_NAME_NOT_IN_CODE_PAGE, parts.path);
    }
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        return Fail(LUMBRA32_NOT_FOUND, parts.path);
    }
    std::vector<FilterInfo> filters;
    if (DWORD error = FiltersOf(path, filters); CannotOpen(error)) {
        return Fail(LUMBRA32_CANNOT_OPEN, parts.path + "\n" + SystemWords(error));
    }
    if (filters.empty()) {
        return Fail(LUMBRA32_WRONG_ARCHITECTURE, parts.path);
    }
    int i = SelectFilter(filters, parts.selector);
    if (i < 0) {
        return Fail(LUMBRA32_NOT_FOUND, name);
    }
    out.path = path;
    out.entry = filters[i].entry;
    out.title = FromPipl(filters[i].title);
    return true;
}

// ---- The helper process ---------------------------------------------------------------

// How a command waits for its reply.
struct Waiting {
    bool cancellable = false; // Esc and the question stop it through the plug-in's abort proc
    HWND owner = nullptr;     // owns the question whether to stop a plug-in that seems hung
    std::string title;        // the plug-in's, for that question
};

class HelperLink {
public:
    ~HelperLink() { Close(false); }

    // Starts the helper unless it is running; false (error set) when it cannot.
    bool Ensure(bool& started);
    // Sends a command and waits for its reply while handling the caller's messages. False
    // (error set) when the helper died on the way or had to be ended.
    bool Transact(channel::Command command, const Waiting& how);
    // Ends a helper in which the last command left threads of a plug-in running, keeping every
    // filter's state for the next one. The reply stays readable, and so do the pixels: nothing
    // writes into them any more.
    void Retire();
    // Shared pixels of at least `bytes`, known to the helper by the next command.
    uint8_t* Pixels(uint64_t bytes);
    channel::Control* ctl() { return ctl_; }
    // Counts helper processes started: state kept in one is gone in the next.
    uint32_t instance() const { return instance_; }
    void Close(bool tellHelper);

private:
    bool Start();
    // Hands the states a retired helper left to the new one.
    void HandOver();
    // Sets what the helper may commit, the pixels of the next run being `pixelBytes`.
    void LimitMemory(uint64_t pixelBytes);
    bool PluginWindowShown() const;
    void EndHelper();

    HANDLE process_ = nullptr;
    HANDLE job_ = nullptr;
    HANDLE mapping_ = nullptr;
    channel::Control* ctl_ = nullptr;
    HANDLE request_ = nullptr;
    HANDLE reply_ = nullptr;
    HANDLE pixels_ = nullptr;
    uint8_t* pixelsView_ = nullptr;
    uint64_t pixelsBytes_ = 0;
    uint32_t generation_ = 0;
    uint32_t sequence_ = 0;
    uint32_t instance_ = 0;
    DWORD processId_ = 0;
    // Filter states a retired helper handed over, for the next one.
    HANDLE carried_ = nullptr;
    uint64_t carriedBytes_ = 0;
};

// ---- State of the library, in one object (one caller thread; nothing is locked) ----------

struct Library {
    int lastError = LUMBRA32_OK;
    std::string lastDetail;
    std::wstring directory;
    PlugInStatusProc statusProc = nullptr;
    void* statusContext = nullptr;
    bool busy = false;
    LoadedName loaded;
    bool haveLoaded = false;
    uint32_t loadedInstance = 0; // the helper process that loaded it
    HelperLink helper;
    RunTimings timings;
};

Library& Lib() {
    static Library library;
    return library;
}

int Fail(int code, std::string detail) {
    Lib().lastError = code;
    Lib().lastDetail = std::move(detail);
    return 0;
}

int Succeed() {
    Lib().lastError = LUMBRA32_OK;
    Lib().lastDetail.clear();
    return 1;
}

void HelperLink::Close(bool tellHelper) {
    if (ctl_ && tellHelper && process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
        ctl_->command = channel::kQuit;
        SetEvent(request_);
    }
    if (pixelsView_) {
        UnmapViewOfFile(pixelsView_);
    }
    if (ctl_) {
        UnmapViewOfFile(ctl_);
    }
    // The job goes last: closing it ends whatever of the helper still runs.
    for (HANDLE h : {process_, mapping_, request_, reply_, pixels_, job_}) {
        if (h) {
            CloseHandle(h);
        }
    }
    process_ = mapping_ = request_ = reply_ = pixels_ = job_ = nullptr;
    ctl_ = nullptr;
    pixelsView_ = nullptr;
    pixelsBytes_ = 0;
    if (tellHelper && carried_) {
        CloseHandle(carried_);
        carried_ = nullptr;
    }
}

bool HelperLink::Ensure(bool& started) {
    started = false;
    if (process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
        return true;
    }
    Close(false);
    if (!Start()) {
        return false;
    }
    started = true;
    HandOver();
    return process_ != nullptr || Fail(LUMBRA32_HELPER_FAILED, "the helper ended at once");
}

bool HelperLink::Start() {
    std::wstring exe = HelperPath();
    if (exe.empty() || GetFileAttributesW(exe.c_str()) == INVALID_FILE_ATTRIBUTES) {
        return Fail(LUMBRA32_HOST_UNAVAILABLE, "lumbra32host.exe is missing");
    }
    static LONG counter = 0;
    wchar_t base[128], name[256];
    swprintf(base, 128, L"Local\\lumbra32-%lu-%ld-%llu", GetCurrentProcessId(),
             InterlockedIncrement(&counter), static_cast<unsigned long long>(GetTickCount64()));
    mapping_ =
        CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                           sizeof(channel::Control), channel::ObjectName(name, 256, base, L"ctl"));
    if (mapping_) {
        ctl_ = static_cast<channel::Control*>(
            MapViewOfFile(mapping_, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(channel::Control)));
    }
    bool squatted = GetLastError() == ERROR_ALREADY_EXISTS;
    request_ = CreateEventW(nullptr, FALSE, FALSE, channel::ObjectName(name, 256, base, L"req"));
    squatted = squatted || GetLastError() == ERROR_ALREADY_EXISTS;
    reply_ = CreateEventW(nullptr, FALSE, FALSE, channel::ObjectName(name, 256, base, L"rsp"));
    squatted = squatted || GetLastError() == ERROR_ALREADY_EXISTS;
    // Objects of these names made by someone else are not ours to trust.
    if (!ctl_ || !request_ || !reply_ || squatted) {
        Close(false);
        return Fail(LUMBRA32_HELPER_FAILED, "no shared memory for the helper");
    }
    ctl_->magic = channel::kMagic;
    // The helper's job ends it when this process lets go of it: when the library unloads, or
    // when this process ends in any way at all.
    job_ = CreateJobObjectW(nullptr, nullptr);
    LimitMemory(0);
    std::wstring command = L"\"" + exe + L"\" " + base;
    // None of this process's handles, its standard streams included: a parent reading this
    // process's output through a pipe sees it close when this process ends.
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    PROCESS_INFORMATION pi{};
    if (!rw::win::StartProcess(exe.c_str(), command, nullptr, si, pi,
                               CREATE_SUSPENDED | CREATE_NO_WINDOW)) {
        DWORD error = GetLastError();
        Close(false);
        return Fail(LUMBRA32_HELPER_FAILED, "Windows error " + std::to_string(error));
    }
    process_ = pi.hProcess;
    processId_ = pi.dwProcessId;
    // Without a job (this process is in one that allows none inside) the helper still watches
    // this process and ends with it.
    if (job_) {
        AssignProcessToJobObject(job_, process_);
    }
    HANDLE caller = nullptr;
    bool ok = DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), process_, &caller,
                              SYNCHRONIZE, FALSE, 0);
    ctl_->caller = reinterpret_cast<uintptr_t>(caller);
    if (!ok || ResumeThread(pi.hThread) == static_cast<DWORD>(-1)) {
        DWORD error = GetLastError();
        CloseHandle(pi.hThread);
        EndHelper();
        return Fail(LUMBRA32_HELPER_FAILED, "Windows error " + std::to_string(error));
    }
    CloseHandle(pi.hThread);
    ++instance_;
    return true;
}

void HelperLink::LimitMemory(uint64_t pixelBytes) {
    if (!job_) {
        return;
    }
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags =
        JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE | JOB_OBJECT_LIMIT_PROCESS_MEMORY;
    limits.ProcessMemoryLimit =
        static_cast<SIZE_T>(std::min<uint64_t>(HelperMemoryLimit(pixelBytes), SIZE_MAX));
    if (!SetInformationJobObject(job_, JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
        // A system that takes no memory limit still ends the helper with the job.
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        SetInformationJobObject(job_, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    }
}

void HelperLink::EndHelper() {
    if (process_) {
        TerminateProcess(process_, 1);
        WaitForSingleObject(process_, 5000);
    }
    Close(false);
}

void HelperLink::Retire() {
    HANDLE carried = nullptr;
    if (ctl_->carried &&
        DuplicateHandle(process_, reinterpret_cast<HANDLE>(static_cast<uintptr_t>(ctl_->carried)),
                        GetCurrentProcess(), &carried, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
        if (carried_) {
            CloseHandle(carried_);
        }
        carried_ = carried;
        carriedBytes_ = ctl_->carriedBytes;
    }
    // Its threads end with it; the next call finds it gone and starts another.
    TerminateProcess(process_, 1);
    WaitForSingleObject(process_, 5000);
}

void HelperLink::HandOver() {
    if (!carried_) {
        return;
    }
    HANDLE remote = nullptr;
    if (DuplicateHandle(GetCurrentProcess(), carried_, process_, &remote, FILE_MAP_READ, FALSE,
                        0)) {
        ctl_->carried = reinterpret_cast<uintptr_t>(remote);
        ctl_->carriedBytes = carriedBytes_;
        // A failure leaves the new helper without the states, as after a crash.
        Transact(channel::kImport, Waiting{});
    }
    CloseHandle(carried_);
    carried_ = nullptr;
}

uint8_t* HelperLink::Pixels(uint64_t bytes) {
    if (pixelsView_ && pixelsBytes_ >= bytes) {
        return pixelsView_;
    }
    if (pixelsView_) {
        UnmapViewOfFile(pixelsView_);
        CloseHandle(pixels_);
        pixelsView_ = nullptr;
        pixels_ = nullptr;
    }
    if (bytes > SIZE_MAX / 2) {
        return nullptr;
    }
    pixels_ =
        CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE,
                           static_cast<DWORD>(bytes >> 32), static_cast<DWORD>(bytes), nullptr);
    if (!pixels_) {
        return nullptr;
    }
    pixelsView_ = static_cast<uint8_t*>(MapViewOfFile(pixels_, FILE_MAP_ALL_ACCESS, 0, 0, 0));
    HANDLE remote = nullptr;
    if (!pixelsView_ || !DuplicateHandle(GetCurrentProcess(), pixels_, process_, &remote, 0, FALSE,
                                         DUPLICATE_SAME_ACCESS)) {
        if (pixelsView_) {
            UnmapViewOfFile(pixelsView_);
        }
        CloseHandle(pixels_);
        pixels_ = nullptr;
        pixelsView_ = nullptr;
        return nullptr;
    }
    pixelsBytes_ = bytes;
    ctl_->pixels = reinterpret_cast<uintptr_t>(remote);
    ctl_->pixelsBytes = bytes;
    ctl_->pixelsGeneration = ++generation_;
    LimitMemory(bytes);
    return pixelsView_;
}

BOOL CALLBACK FindVisibleOf(HWND window, LPARAM search) {
    auto* pid = reinterpret_cast<DWORD*>(search);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == *pid && IsWindowVisible(window)) {
        *pid = 0;
        return FALSE;
    }
    return TRUE;
}

// A dialog, message box or progress window of the plug-in's own.
bool HelperLink::PluginWindowShown() const {
    DWORD search = processId_;
    EnumWindows(FindVisibleOf, reinterpret_cast<LPARAM>(&search));
    return search == 0;
}

HangLimits CallersLimits() {
    HangLimits limits;
    wchar_t text[32] = L"";
    DWORD n = GetEnvironmentVariableW(kHungLimitVariable, text, 32);
    if (n > 0 && n < 32) {
        limits.stopAfterMs = LimitFromText(rw::win::NarrowCodePage(text)).value_or(0);
    }
    return limits;
}

bool HelperLink::Transact(channel::Command command, const Waiting& how) {
    ctl_->command = command;
    ctl_->sequence = ++sequence_;
    ctl_->abort.store(0);
    ctl_->progressDone.store(0);
    ctl_->progressTotal.store(0);
    // A dialog the plug-in shows may come to the front although it is another process's.
    AllowSetForegroundWindow(processId_);
    SetEvent(request_);
    int lastPercent = -1;
    uint32_t lastBeat = ctl_->heartbeat.load();
    const HangLimits limits = CallersLimits();
    DWORD lastTick = GetTickCount();
    HangWatch watch(limits, how.owner != nullptr, lastTick);
    HungPrompt prompt;
    auto stop = [&](DWORD now) {
        if (!watch.Stopping()) {
            ctl_->abort.store(1);
            watch.StopRequested(now);
        }
    };
    HANDLE waits[2] = {reply_, process_};
    for (;;) {
        // Keys and clicks that nothing here asks for stay queued for the caller's own loop: one
        // pressed as a plug-in's About box closes, before the helper's reply, belongs to the
        // caller's dialog, and dispatched from here it would miss the dialog manager.
        const bool holdInput = !how.cancellable && !watch.Asking();
        DWORD w = MsgWaitForMultipleObjectsEx(2, waits, kWatchTickMs,
                                              holdInput ? QS_ALLINPUT & ~QS_INPUT : QS_ALLINPUT,
                                              holdInput ? 0 : MWMO_INPUTAVAILABLE);
        if (w == WAIT_OBJECT_0) {
            // One wake may stand for several signals: progress first, so that the last
            // percent reaches the caller even when the reply came with it.
            bool finished = ctl_->finished.load() == sequence_;
            int32_t total = ctl_->progressTotal.load(), done = ctl_->progressDone.load();
            if (total > 0 && Lib().statusProc) {
                int percent =
                    static_cast<int>(std::clamp<int64_t>(int64_t{done} * 100 / total, 0, 100));
                if (percent != lastPercent) {
                    lastPercent = percent;
                    Lib().statusProc(done, percent, Lib().statusContext);
                }
            }
            if (finished) {
                return true;
            }
        } else if (w == WAIT_OBJECT_0 + 1) {
            DWORD exitCode = 0;
            GetExitCodeProcess(process_, &exitCode);
            Close(false);
            char detail[48];
            snprintf(detail, sizeof detail, "the helper ended with code 0x%lX", exitCode);
            return Fail(LUMBRA32_PLUGIN_CRASHED, detail);
        } else if (w == WAIT_OBJECT_0 + 2) {
            MSG msg;
            const UINT remove =
                holdInput ? PM_REMOVE | PM_QS_POSTMESSAGE | PM_QS_SENDMESSAGE | PM_QS_PAINT
                          : PM_REMOVE;
            while (PeekMessageW(&msg, nullptr, 0, 0, remove)) {
                if (prompt.Take(msg)) {
                    continue;
                }
                if (msg.message == WM_QUIT) {
                    // Leave the quit for the caller's own loop, and stop the run for it.
                    PostQuitMessage(static_cast<int>(msg.wParam));
                    if (how.cancellable) {
                        stop(GetTickCount());
                    }
                    break;
                }
                if (how.cancellable && msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) {
                    stop(GetTickCount());
                    continue;
                }
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        } else if (w != WAIT_TIMEOUT) {
            Close(false);
            return Fail(LUMBRA32_HELPER_FAILED, "waiting for the helper failed");
        }

        DWORD now = GetTickCount();
        if (uint32_t beat = ctl_->heartbeat.load(); beat != lastBeat) {
            lastBeat = beat;
            watch.Alive(now);
        }
        if (watch.Asking() && prompt.Given() != HungPrompt::Answer::None) {
            if (prompt.Given() == HungPrompt::Answer::Stop) {
                stop(now);
            } else {
                watch.KeepWaiting(now);
            }
        }
        if (now - lastTick < kWatchTickMs) {
            continue;
        }
        lastTick = now;
        switch (watch.Tick(now, PluginWindowShown())) {
        case HangWatch::Action::Ask:
            prompt.Ask(how.owner, how.title, limits.askAfterMs / 1000);
            break;
        case HangWatch::Action::Dismiss:
            prompt.Destroy();
            break;
        case HangWatch::Action::Stop:
            ctl_->abort.store(1);
            break;
        case HangWatch::Action::End:
            // Asked to stop, it goes on processing: ended, losing what it kept.
            EndHelper();
            return Fail(LUMBRA32_USER_CANCELLED, "the plug-in did not stop; it was ended");
        case HangWatch::Action::None:
            break;
        }
        // A command without an abort proc to ask through ends at once.
        if (watch.Stopping() && !how.cancellable) {
            EndHelper();
            return Fail(LUMBRA32_USER_CANCELLED, "the plug-in did not answer; it was ended");
        }
    }
}

void CopyRequest(channel::Control* ctl, const LoadedName& name) {
    size_t n = std::min<size_t>(name.path.size(), channel::kPathChars - 1);
    std::copy_n(name.path.c_str(), n, ctl->path);
    ctl->path[n] = 0;
    snprintf(ctl->entry, sizeof ctl->entry, "%s", name.entry.c_str());
}

// The helper's outcome of the last command as our error state.
int ReplyResult(channel::Control* ctl) {
    if (ctl->status == LUMBRA32_OK) {
        return Succeed();
    }
    std::string detail = ctl->message;
    if (ctl->status == LUMBRA32_PLUGIN_ERROR && detail.empty()) {
        detail = "code " + std::to_string(ctl->pluginCode);
    }
    return Fail(ctl->status, detail);
}

struct BusyGuard {
    BusyGuard() { Lib().busy = true; }
    ~BusyGuard() { Lib().busy = false; }
};

struct LockedGlobal {
    explicit LockedGlobal(HGLOBAL h) : handle(h), data(h ? GlobalLock(h) : nullptr) {}
    ~LockedGlobal() {
        if (data) {
            GlobalUnlock(handle);
        }
    }
    LockedGlobal(const LockedGlobal&) = delete;
    LockedGlobal& operator=(const LockedGlobal&) = delete;
    HGLOBAL handle;
    void* data;
};

// The caller's DIB, checked; false (error set) when it is not a complete 24-bit DIB.
bool DibOf(const LockedGlobal& dib, DibGeometry& g) {
    if (!dib.data) {
        return Fail(LUMBRA32_BAD_IMAGE, "the bitmap cannot be locked");
    }
    DibProblem problem =
        ReadDibGeometry(static_cast<const uint8_t*>(dib.data), GlobalSize(dib.handle), g);
    if (problem != DibProblem::None) {
        return Fail(LUMBRA32_BAD_IMAGE, problem == DibProblem::NotRgb24
                                            ? "the bitmap is not an uncompressed 24-bit DIB"
                                            : "the bitmap is damaged or incomplete");
    }
    if (g.width > kMaxSide || g.height > kMaxSide) {
        return Fail(LUMBRA32_IMAGE_TOO_LARGE);
    }
    return true;
}

} // namespace

RunTimings LastRunTimings() {
    return Lib().timings;
}

} // namespace lumbra

using namespace lumbra;

LUMBRA32_API int WINAPI PlugInHostAvailable() {
    std::wstring exe = HelperPath();
    if (exe.empty() || GetFileAttributesW(exe.c_str()) == INVALID_FILE_ATTRIBUTES) {
        return Fail(LUMBRA32_HOST_UNAVAILABLE, "lumbra32host.exe is missing");
    }
    return 1;
}

LUMBRA32_API int WINAPI PlugInHostOpen(const char* dir) {
    if (!dir || !*dir) {
        return Fail(LUMBRA32_BAD_ARGUMENT, "no folder");
    }
    if (LostInCodePage(dir)) {
        return Fail(LUMBRA32_NAME_NOT_IN_CODE_PAGE, dir);
    }
    std::wstring wide = rw::win::WidenCodePage(dir);
    DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return Fail(LUMBRA32_NO_DIRECTORY, dir);
    }
    while (!wide.empty() && (wide.back() == L'\\' || wide.back() == L'/')) {
        wide.pop_back();
    }
    Lib().directory = wide;
    return Succeed();
}

LUMBRA32_API int WINAPI PlugInSetStatusCallback(PlugInStatusProc proc, int, void* context) {
    Lib().statusProc = proc;
    Lib().statusContext = context;
    return 1;
}

LUMBRA32_API int WINAPI PlugInEnumerate(PlugInFoundProc proc, int, void* context) {
    if (!proc) {
        return Fail(LUMBRA32_BAD_ARGUMENT, "no callback");
    }
    if (Lib().directory.empty()) {
        return Fail(LUMBRA32_NO_DIRECTORY);
    }
    std::vector<std::wstring> files;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((Lib().directory + L"\\*.8bf").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = found.cFileName;
            // "*.8bf" also matches longer extensions through short names.
            bool exact = name.size() > 4 && _wcsicmp(name.c_str() + name.size() - 4, L".8bf") == 0;
            if (exact && !(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
                files.push_back(Lib().directory + L"\\" + name);
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    // The folder's listing order differs between file systems; callers get a stable one.
    std::sort(files.begin(), files.end(), [](const std::wstring& a, const std::wstring& b) {
        return _wcsicmp(a.c_str(), b.c_str()) < 0;
    });
    for (const std::wstring& file : files) {
        std::string path;
        if (!CodePagePath(file, path)) {
            continue; // a name the caller could not give back
        }
        std::vector<FilterInfo> filters;
        if (CannotOpen(FiltersOf(file, filters))) {
            // Listed under its file's name, so that the user sees it and, choosing it, learns
            // why it cannot run.
            std::string title = rw::win::NarrowCodePage(FileStem(file));
            if (proc(title.c_str(), path.c_str(), kUnopenedCategory, context) == 0) {
                return Succeed();
            }
            continue;
        }
        for (size_t i = 0; i < filters.size(); ++i) {
            std::string title = FromPipl(filters[i].title);
            std::string category = FromPipl(filters[i].category);
            std::string name = FilterName(path, filters, i);
            if (proc(title.c_str(), name.c_str(), category.c_str(), context) == 0) {
                return Succeed(); // the caller has seen enough
            }
        }
    }
    return Succeed();
}

LUMBRA32_API int WINAPI PlugInLoad(const char* fileName) {
    if (Lib().busy) {
        return Fail(LUMBRA32_BUSY);
    }
    BusyGuard busy;
    // Whatever was loaded before is not what the caller wants to run any more.
    Lib().haveLoaded = false;
    LoadedName name;
    if (!Resolve(fileName, name)) {
        return 0;
    }
    bool started = false;
    if (!Lib().helper.Ensure(started)) {
        return 0;
    }
    CopyRequest(Lib().helper.ctl(), name);
    if (!Lib().helper.Transact(channel::kLoad, Waiting{}) || !ReplyResult(Lib().helper.ctl())) {
        return 0;
    }
    Lib().loaded = name;
    Lib().haveLoaded = true;
    Lib().loadedInstance = Lib().helper.instance();
    return 1;
}

LUMBRA32_API HGLOBAL WINAPI ImageFromDib(HGLOBAL dib) {
    DibGeometry g;
    {
        LockedGlobal locked(dib);
        if (!DibOf(locked, g)) {
            return nullptr;
        }
    }
    HGLOBAL image = GlobalAlloc(GMEM_MOVEABLE, sizeof(ImageRef));
    if (!image) {
        Fail(LUMBRA32_OUT_OF_MEMORY);
        return nullptr;
    }
    auto* ref = static_cast<ImageRef*>(GlobalLock(image));
    ref->magic = kImageMagic;
    ref->dib = dib;
    GlobalUnlock(image);
    Succeed();
    return image;
}

LUMBRA32_API int WINAPI PlugInRun(HGLOBAL image, HWND owner, int) {
    Clock::time_point start = Clock::now();
    Lib().timings = RunTimings{};
    if (Lib().busy) {
        return Fail(LUMBRA32_BUSY);
    }
    BusyGuard busy;
    if (!Lib().haveLoaded) {
        return Fail(LUMBRA32_NOT_LOADED);
    }
    HGLOBAL dib = nullptr;
    {
        LockedGlobal ref(image);
        if (!ref.data || GlobalSize(image) < sizeof(ImageRef) ||
            static_cast<ImageRef*>(ref.data)->magic != kImageMagic) {
            return Fail(LUMBRA32_BAD_IMAGE, "not an image of ImageFromDib");
        }
        dib = static_cast<ImageRef*>(ref.data)->dib;
    }
    bool started = false;
    if (!Lib().helper.Ensure(started)) {
        return 0;
    }
    Lib().timings.helperStarted = started;
    if (Lib().helper.instance() != Lib().loadedInstance) {
        // A new helper knows no plug-in yet: load the current one again (its state was lost
        // with the old helper, unless that one was retired and handed it over).
        CopyRequest(Lib().helper.ctl(), Lib().loaded);
        if (!Lib().helper.Transact(channel::kLoad, Waiting{}) || !ReplyResult(Lib().helper.ctl())) {
            return 0;
        }
        Lib().loadedInstance = Lib().helper.instance();
    }
    DibGeometry g;
    size_t planeBytes = 0;
    {
        LockedGlobal locked(dib);
        if (!DibOf(locked, g)) {
            return 0;
        }
        planeBytes = RgbRowBytes(g.width) * static_cast<size_t>(g.height);
        uint8_t* shared = Lib().helper.Pixels(uint64_t{planeBytes} * 2);
        if (!shared) {
            return Fail(LUMBRA32_OUT_OF_MEMORY, "no shared memory for the pixels");
        }
        Clock::time_point t = Clock::now();
        DibToRgb(static_cast<const uint8_t*>(locked.data) + g.pixelOffset, g, shared,
                 shared + planeBytes);
        Lib().timings.convertIn = Seconds(Clock::now() - t);
    }
    channel::Control* ctl = Lib().helper.ctl();
    CopyRequest(ctl, Lib().loaded);
    ctl->owner = reinterpret_cast<uintptr_t>(owner);
    ctl->width = g.width;
    ctl->height = g.height;
    if (!Lib().helper.Transact(channel::kRun, Waiting{true, owner, Lib().loaded.title})) {
        return 0;
    }
    Lib().timings.helperBusy = ctl->busySeconds;
    Lib().timings.filter = ctl->filterSeconds;
    Lib().timings.buffers = ctl->bufferSeconds;
    if (ctl->strays > 0) {
        // Before its pixels are read: the threads it left would go on writing into them.
        Clock::time_point t = Clock::now();
        Lib().helper.Retire();
        Lib().timings.retire = Seconds(Clock::now() - t);
    }
    if (!ReplyResult(ctl)) {
        Lib().timings.total = Seconds(Clock::now() - start);
        return 0;
    }
    {
        // The caller could have changed the bitmap while its messages were handled.
        LockedGlobal locked(dib);
        DibGeometry now;
        if (!DibOf(locked, now) || now.width != g.width || now.height != g.height) {
            return Fail(LUMBRA32_BAD_IMAGE, "the bitmap changed during the run");
        }
        Clock::time_point t = Clock::now();
        RgbToDib(Lib().helper.Pixels(uint64_t{planeBytes} * 2) + planeBytes, now,
                 static_cast<uint8_t*>(locked.data) + now.pixelOffset);
        Lib().timings.convertOut = Seconds(Clock::now() - t);
    }
    Lib().timings.total = Seconds(Clock::now() - start);
    return Succeed();
}

LUMBRA32_API int WINAPI ImageLastError() {
    return Lib().lastError;
}

LUMBRA32_API int WINAPI PlugInShowAbout(HWND owner, const char* fileName) {
    if (Lib().busy) {
        return Fail(LUMBRA32_BUSY);
    }
    BusyGuard busy;
    LoadedName name;
    if (!Resolve(fileName, name)) {
        return 0;
    }
    bool started = false;
    if (!Lib().helper.Ensure(started)) {
        return 0;
    }
    channel::Control* ctl = Lib().helper.ctl();
    CopyRequest(ctl, name);
    ctl->owner = reinterpret_cast<uintptr_t>(owner);
    if (!Lib().helper.Transact(channel::kAbout, Waiting{false, owner, name.title})) {
        return 0;
    }
    if (ctl->strays > 0) {
        Lib().helper.Retire();
    }
    return ReplyResult(ctl);
}

LUMBRA32_API int WINAPI ShowLastError(HWND window) {
    std::string text = ErrorWords(Lib().lastError);
    if (!Lib().lastDetail.empty()) {
        text += "\n\n" + Lib().lastDetail;
    }
    MessageBoxA(window, text.c_str(), "Plug-in host", MB_OK | MB_ICONEXCLAMATION);
    return 1;
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    // Unloaded while the process goes on: let the helper go. At process exit the system closes
    // the helper's job, which ends it.
    if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
        Lib().helper.Close(true);
    }
    return TRUE;
}
