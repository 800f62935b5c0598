// lumbra32.dll: the ten functions. Listing reads plug-in files as data in this process;
// everything that runs plug-in code happens in lumbra32host.exe (see lumbra32.h).
#include "lumbra32/lumbra32.h"

#include "lumbra32/dib_pixels.h"
#include "lumbra32/filter_catalogue.h"
#include "lumbra32/host_channel.h"
#include "lumbra32/host_client.h"
#include "lumbra32/pe_image.h"

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
constexpr DWORD kAbortGraceMs = 5000;              // a plug-in that ignores abort is ended

struct ImageRef {
    uint32_t magic;
    HGLOBAL dib;
};

struct LoadedName {
    std::wstring path;
    std::string entry;
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

std::wstring Widen(const char* s, UINT codePage = CP_ACP) {
    if (!s) {
        return {};
    }
    int n = MultiByteToWideChar(codePage, 0, s, -1, nullptr, 0);
    std::wstring w(n > 0 ? n - 1 : 0, L'\0');
    if (n > 1) {
        MultiByteToWideChar(codePage, 0, s, -1, w.data(), n);
    }
    return w;
}

// Into the active code page; false when a character has no equivalent there.
bool Narrow(const std::wstring& w, std::string& out) {
    BOOL lossy = FALSE;
    int n = WideCharToMultiByte(CP_ACP, 0, w.c_str(), -1, nullptr, 0, nullptr, &lossy);
    out.assign(n > 0 ? n - 1 : 0, '\0');
    if (n > 1) {
        WideCharToMultiByte(CP_ACP, 0, w.c_str(), -1, out.data(), n, nullptr, &lossy);
    }
    return !lossy;
}

// Property-list strings are in code page 1252; the caller gets the active code page.
std::string FromPipl(const std::string& s) {
    std::string out;
    Narrow(Widen(s.c_str(), 1252), out);
    return out;
}

bool ReadWholeFile(const std::wstring& path, std::vector<uint8_t>& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    LARGE_INTEGER size{};
    bool ok = GetFileSizeEx(file, &size) && size.QuadPart > 0 &&
              static_cast<uint64_t>(size.QuadPart) <= kMaxPluginFileBytes;
    if (ok) {
        bytes.resize(static_cast<size_t>(size.QuadPart));
        DWORD read = 0;
        ok = ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) &&
             read == bytes.size();
    }
    CloseHandle(file);
    return ok;
}

std::wstring FileStem(const std::wstring& path) {
    size_t slash = path.find_last_of(L"\\/");
    std::wstring name = path.substr(slash == std::wstring::npos ? 0 : slash + 1);
    return name.substr(0, name.find_last_of(L'.'));
}

// The filters of one file, as this host can run them.
std::vector<FilterInfo> FiltersOf(const std::wstring& path, std::vector<uint8_t>& bytes) {
    if (!ReadWholeFile(path, bytes)) {
        return {};
    }
    std::string stem;
    Narrow(FileStem(path), stem);
    // The language FindResource would take a resource in follows the thread's locale.
    return ListFilters(bytes.data(), bytes.size(), kHostMachine, stem,
                       LANGIDFROMLCID(GetThreadLocale()));
}

// A reported name back to the file and entry point; sets the error on failure.
bool Resolve(const char* name, LoadedName& out) {
    if (!name || !*name) {
        return Fail(LUMBRA32_BAD_ARGUMENT, "no plug-in name");
    }
    FilterNameParts parts = SplitFilterName(name);
    std::wstring path = Widen(parts.path.c_str());
    if (PathIsRelativeW(path.c_str()) || path.size() >= channel::kPathChars) {
        return Fail(LUMBRA32_BAD_ARGUMENT, parts.path);
    }
    std::vector<uint8_t> bytes;
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        return Fail(LUMBRA32_NOT_FOUND, parts.path);
    }
    std::vector<FilterInfo> filters = FiltersOf(path, bytes);
    if (filters.empty()) {
        return Fail(LUMBRA32_WRONG_ARCHITECTURE, parts.path);
    }
    int i = SelectFilter(filters, parts.selector);
    if (i < 0) {
        return Fail(LUMBRA32_NOT_FOUND, name);
    }
    out.path = path;
    out.entry = filters[i].entry;
    return true;
}

// ---- The helper process ---------------------------------------------------------------

class HelperLink {
public:
    ~HelperLink() { Close(false); }

    // Starts the helper unless it is running; false (error set) when it cannot.
    bool Ensure(bool& started);
    // Sends a command and waits for its reply while handling the caller's messages. False
    // (error set) when the helper died on the way.
    bool Transact(channel::Command command, bool cancellable);
    // Shared pixels of at least `bytes`, known to the helper by the next command.
    uint8_t* Pixels(uint64_t bytes);
    channel::Control* ctl() { return ctl_; }
    // Counts helper processes started: state kept in one is gone in the next.
    uint32_t instance() const { return instance_; }
    void Close(bool tellHelper);

private:
    HANDLE process_ = nullptr;
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
    for (HANDLE h : {process_, mapping_, request_, reply_, pixels_}) {
        if (h) {
            CloseHandle(h);
        }
    }
    process_ = mapping_ = request_ = reply_ = pixels_ = nullptr;
    ctl_ = nullptr;
    pixelsView_ = nullptr;
    pixelsBytes_ = 0;
}

bool HelperLink::Ensure(bool& started) {
    started = false;
    if (process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
        return true;
    }
    Close(false);
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
    std::wstring command =
        L"\"" + exe + L"\" " + base + L" " + std::to_wstring(GetCurrentProcessId());
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &si, &pi)) {
        DWORD error = GetLastError();
        Close(false);
        return Fail(LUMBRA32_HELPER_FAILED, "Windows error " + std::to_string(error));
    }
    CloseHandle(pi.hThread);
    process_ = pi.hProcess;
    processId_ = pi.dwProcessId;
    ++instance_;
    started = true;
    return true;
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
    return pixelsView_;
}

bool HelperLink::Transact(channel::Command command, bool cancellable) {
    ctl_->command = command;
    ctl_->sequence = ++sequence_;
    ctl_->abort.store(0);
    ctl_->progressDone.store(0);
    ctl_->progressTotal.store(0);
    // A dialog the plug-in shows may come to the front although it is another process's.
    AllowSetForegroundWindow(processId_);
    SetEvent(request_);
    int lastPercent = -1;
    DWORD abortedAt = 0;
    HANDLE waits[2] = {reply_, process_};
    for (;;) {
        DWORD timeout = abortedAt ? 100 : INFINITE;
        DWORD w = MsgWaitForMultipleObjectsEx(2, waits, timeout, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
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
            Close(false);
            return Fail(LUMBRA32_PLUGIN_CRASHED);
        } else if (w == WAIT_OBJECT_0 + 2) {
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                if (msg.message == WM_QUIT) {
                    // Leave the quit for the caller's own loop, and stop the run for it.
                    PostQuitMessage(static_cast<int>(msg.wParam));
                    if (cancellable && !abortedAt) {
                        ctl_->abort.store(1);
                        abortedAt = GetTickCount();
                    }
                    break;
                }
                if (cancellable && msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) {
                    if (!abortedAt) {
                        ctl_->abort.store(1);
                        abortedAt = GetTickCount();
                    }
                    continue;
                }
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        } else if (w == WAIT_TIMEOUT) {
            if (GetTickCount() - abortedAt >= kAbortGraceMs) {
                // The plug-in does not look at its abort proc: end it, losing its state.
                TerminateProcess(process_, 1);
                WaitForSingleObject(process_, 5000);
                Close(false);
                return Fail(LUMBRA32_USER_CANCELLED, "the plug-in did not stop; it was ended");
            }
        } else {
            Close(false);
            return Fail(LUMBRA32_HELPER_FAILED, "waiting for the helper failed");
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

const char* ErrorWords(int code) {
    switch (code) {
    case LUMBRA32_OK:
        return "No error.";
    case LUMBRA32_HOST_UNAVAILABLE:
        return "The plug-in host is not available.";
    case LUMBRA32_BAD_ARGUMENT:
        return "A plug-in name or argument is not valid.";
    case LUMBRA32_NO_DIRECTORY:
        return "The plug-in folder is not open or does not exist.";
    case LUMBRA32_NOT_FOUND:
        return "The plug-in was not found.";
    case LUMBRA32_WRONG_ARCHITECTURE:
        return "The file is not a filter plug-in that this host can run.";
    case LUMBRA32_LOAD_FAILED:
        return "The plug-in could not be loaded.";
    case LUMBRA32_NOT_LOADED:
        return "No plug-in is loaded.";
    case LUMBRA32_BAD_IMAGE:
        return "The image is not a valid 24-bit bitmap.";
    case LUMBRA32_IMAGE_TOO_LARGE:
        return "The image is too large for filter plug-ins (at most 30000 pixels a side).";
    case LUMBRA32_OUT_OF_MEMORY:
        return "There is not enough memory to run the plug-in.";
    case LUMBRA32_HELPER_FAILED:
        return "The plug-in host process could not be started.";
    case LUMBRA32_PLUGIN_CRASHED:
        return "The plug-in crashed.";
    case LUMBRA32_PLUGIN_ERROR:
        return "The plug-in reported an error.";
    case LUMBRA32_BAD_MODE:
        return "The plug-in does not work on RGB images.";
    case LUMBRA32_BUSY:
        return "A plug-in is already running.";
    case LUMBRA32_USER_CANCELLED:
        return "The plug-in was cancelled.";
    default:
        return "Unknown error.";
    }
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
    std::wstring wide = Widen(dir);
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
        std::vector<uint8_t> bytes;
        std::vector<FilterInfo> filters = FiltersOf(file, bytes);
        std::string path;
        if (!Narrow(file, path)) {
            // A path the active code page cannot spell: its short form usually can.
            wchar_t shortPath[MAX_PATH];
            DWORD n = GetShortPathNameW(file.c_str(), shortPath, MAX_PATH);
            if (n == 0 || n >= MAX_PATH || !Narrow(shortPath, path)) {
                continue;
            }
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
    if (!Lib().helper.Transact(channel::kLoad, false) || !ReplyResult(Lib().helper.ctl())) {
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
        // with the old helper).
        CopyRequest(Lib().helper.ctl(), Lib().loaded);
        if (!Lib().helper.Transact(channel::kLoad, false) || !ReplyResult(Lib().helper.ctl())) {
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
    if (!Lib().helper.Transact(channel::kRun, true)) {
        return 0;
    }
    Lib().timings.helperBusy = ctl->busySeconds;
    Lib().timings.filter = ctl->filterSeconds;
    Lib().timings.buffers = ctl->bufferSeconds;
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
    if (!Lib().helper.Transact(channel::kAbout, false)) {
        return 0;
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
    // Unloaded while the process goes on: let the helper go. At process exit the helper
    // notices on its own that its caller is gone.
    if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
        Lib().helper.Close(true);
    }
    return TRUE;
}
