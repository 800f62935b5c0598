// lumbra32host.exe: runs filter plug-ins for lumbra32.dll in a process of its own, so that a
// plug-in that crashes ends this process and not the caller's. One helper serves one caller
// process for as long as that process lives; it keeps every plug-in it loaded, with the
// plug-in's global data and parameters, so they survive from one run to the next. It ends with
// its caller, even in the middle of a plug-in call; and it serves no run after a plug-in left
// threads of its own running (see Helper::Finish).
#include "lumbra32/carried_state.h"
#include "lumbra32/filter_session.h"
#include "lumbra32/helper_threads.h"
#include "lumbra32/host_state.h"
#include "lumbra32/host_channel.h"
#include "lumbra32/lumbra32.h"
#include "win32/strings.h"

#include <windows.h>
#include <commdlg.h>
#include <shellapi.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

using lumbra::channel::Control;

// How long threads a plug-in told to end as it finished get to do so before they count as left
// running.
constexpr DWORD kStrayGraceMs = 100;

DWORD g_mainThread = 0;
// While a plug-in is being called (on the main thread): the mark of the census taken before the
// call; else negative. A fault in a thread started since is the plug-in's crash; in one started
// before, it is a thread left by an earlier call, faulting on what it was lent then.
std::atomic<int64_t> g_callMark{-1};

// Marks a call into a plug-in from `census` until End or the end of the scope.
class PlugInCall {
public:
    explicit PlugInCall(const lumbra::ThreadCensus& census) { g_callMark = census.Mark(); }
    ~PlugInCall() { End(); }
    PlugInCall(const PlugInCall&) = delete;
    PlugInCall& operator=(const PlugInCall&) = delete;
    void End() { g_callMark = -1; }
};

struct LoadedFilter {
    HMODULE module = nullptr;
    lumbra::pi::FilterEntry entry = nullptr;
    lumbra::FilterState state;
};

class Helper {
public:
    bool Open(const wchar_t* base);
    int Serve();

private:
    void Load(bool makeCurrent);
    void Run();
    void About();
    void Import();
    LoadedFilter* Find(bool load);
    uint8_t* MapPixels();
    void UnmapPixels(uint8_t* view);
    // After a call into a plug-in: whether it left threads running, and if so every filter's
    // state for the helper that replaces this one.
    void Finish(const lumbra::ThreadCensus& census);
    void Export();
    void Reply();

    Control* ctl_ = nullptr;
    HANDLE request_ = nullptr;
    HANDLE reply_ = nullptr;
    HANDLE parent_ = nullptr;
    std::map<std::wstring, LoadedFilter> filters_;
    // States handed over by a replaced helper, for filters not loaded here yet.
    std::map<std::string, lumbra::FilterState> carried_;
    LoadedFilter* current_ = nullptr;
    HANDLE pixels_ = nullptr;
    // The reservation where the last run's pixels were mapped.
    void* lastPixels_ = nullptr;
    uint32_t pixelsGeneration_ = 0;
};

// A filter's key as the carried states name it: the bytes of its wide key.
std::string CarriedKey(const std::wstring& key) {
    return std::string(reinterpret_cast<const char*>(key.data()), key.size() * sizeof(wchar_t));
}

// Ends this process when the caller's does, whatever the main thread is doing (a plug-in in an
// endless loop or a message box). The caller's job object normally ends it first.
DWORD WINAPI WatchCaller(void* caller) {
    WaitForSingleObject(static_cast<HANDLE>(caller), INFINITE);
    TerminateProcess(GetCurrentProcess(), 0);
    return 0;
}

bool Helper::Open(const wchar_t* base) {
    wchar_t name[256];
    HANDLE mapping = OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE,
                                      lumbra::channel::ObjectName(name, 256, base, L"ctl"));
    if (!mapping) {
        return false;
    }
    ctl_ =
        static_cast<Control*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(Control)));
    request_ = OpenEventW(SYNCHRONIZE | EVENT_MODIFY_STATE, FALSE,
                          lumbra::channel::ObjectName(name, 256, base, L"req"));
    reply_ = OpenEventW(SYNCHRONIZE | EVENT_MODIFY_STATE, FALSE,
                        lumbra::channel::ObjectName(name, 256, base, L"rsp"));
    if (!ctl_ || ctl_->magic != lumbra::channel::kMagic || !request_ || !reply_) {
        return false;
    }
    // Put into this process by the caller before it let this one start.
    parent_ = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(ctl_->caller));
    if (WaitForSingleObject(parent_, 0) != WAIT_TIMEOUT) {
        return false;
    }
    HANDLE watch = CreateThread(nullptr, 64 * 1024, WatchCaller, parent_, 0, nullptr);
    if (!watch) {
        return false;
    }
    CloseHandle(watch);
    return true;
}

int Helper::Serve() {
    HANDLE waits[2] = {request_, parent_};
    for (;;) {
        DWORD w = WaitForMultipleObjects(2, waits, FALSE, INFINITE);
        if (w != WAIT_OBJECT_0) {
            return 0; // the caller's process ended
        }
        auto start = std::chrono::steady_clock::now();
        ctl_->status = LUMBRA32_OK;
        ctl_->pluginCode = 0;
        ctl_->message[0] = 0;
        ctl_->strays = 0;
        ctl_->filterSeconds = ctl_->bufferSeconds = 0;
        switch (ctl_->command) {
        case lumbra::channel::kLoad:
            Load(true);
            break;
        case lumbra::channel::kRun:
            Run();
            break;
        case lumbra::channel::kAbout:
            About();
            break;
        case lumbra::channel::kImport:
            Import();
            break;
        case lumbra::channel::kQuit:
            return 0;
        default:
            ctl_->status = LUMBRA32_BAD_ARGUMENT;
            break;
        }
        ctl_->busySeconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        Reply();
    }
}

void Helper::Reply() {
    ctl_->finished.store(ctl_->sequence);
    SetEvent(reply_);
}

LoadedFilter* Helper::Find(bool load) {
    std::wstring path(ctl_->path, wcsnlen(ctl_->path, lumbra::channel::kPathChars));
    std::string entry(ctl_->entry, strnlen(ctl_->entry, sizeof ctl_->entry));
    std::wstring key = path + L"|" + std::wstring(entry.begin(), entry.end());
    auto it = filters_.find(key);
    if (it != filters_.end()) {
        return &it->second;
    }
    if (!load) {
        return nullptr;
    }
    // Full path only, with the plug-in's folder searched first for what it imports.
    const lumbra::ThreadCensus census;
    PlugInCall call(census);
    HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    call.End();
    if (!module) {
        ctl_->status = LUMBRA32_LOAD_FAILED;
        snprintf(ctl_->message, sizeof ctl_->message, "Windows error %lu", GetLastError());
        return nullptr;
    }
    auto proc = reinterpret_cast<lumbra::pi::FilterEntry>(
        reinterpret_cast<void*>(GetProcAddress(module, entry.c_str())));
    if (!proc) {
        ctl_->status = LUMBRA32_LOAD_FAILED;
        snprintf(ctl_->message, sizeof ctl_->message, "no entry point %s", entry.c_str());
        return nullptr; // the module stays: other filters of the file may need it
    }
    LoadedFilter& f = filters_[key];
    f.module = module;
    f.entry = proc;
    if (auto carried = carried_.find(CarriedKey(key)); carried != carried_.end()) {
        f.state = std::move(carried->second);
        carried_.erase(carried);
    }
    return &f;
}

void Helper::Load(bool makeCurrent) {
    LoadedFilter* f = Find(true);
    if (f && makeCurrent) {
        current_ = f;
    }
}

void Helper::About() {
    LoadedFilter* f = Find(true);
    if (!f) {
        return;
    }
    const lumbra::ThreadCensus census;
    PlugInCall call(census);
    int16_t code = lumbra::ShowFilterAbout(f->entry, f->state, static_cast<intptr_t>(ctl_->owner));
    call.End();
    Finish(census);
    if (code != 0) {
        ctl_->status = LUMBRA32_PLUGIN_ERROR;
        ctl_->pluginCode = code;
    }
}

void Helper::Finish(const lumbra::ThreadCensus& census) {
    ctl_->strays = census.LeftRunning(kStrayGraceMs);
    if (ctl_->strays > 0) {
        Export();
    }
}

void Helper::Export() {
    lumbra::FilterStates states;
    for (const auto& [key, filter] : filters_) {
        states[CarriedKey(key)] = &filter.state;
    }
    for (const auto& [key, state] : carried_) {
        states.emplace(key, &state);
    }
    std::vector<uint8_t> bytes = lumbra::SaveFilterStates(states);
    HANDLE mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                        static_cast<DWORD>(bytes.size()), nullptr);
    void* view = mapping ? MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, bytes.size()) : nullptr;
    if (!view) {
        if (mapping) {
            CloseHandle(mapping);
        }
        return; // the next helper starts without the states
    }
    std::memcpy(view, bytes.data(), bytes.size());
    UnmapViewOfFile(view);
    // Left open: the caller takes it over before it ends this process.
    ctl_->carried = reinterpret_cast<uintptr_t>(mapping);
    ctl_->carriedBytes = bytes.size();
}

void Helper::Import() {
    auto mapping = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(ctl_->carried));
    auto size = static_cast<size_t>(ctl_->carriedBytes);
    const void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, size);
    if (!view || !lumbra::LoadFilterStates(static_cast<const uint8_t*>(view), size, carried_)) {
        ctl_->status = LUMBRA32_HELPER_FAILED;
    }
    if (view) {
        UnmapViewOfFile(view);
    }
    CloseHandle(mapping);
}

// A view for this run only: when the run ends it goes, so that a thread the plug-in left
// behind (one the census cannot tell from the system's, such as a pool worker) faults on the
// pixels it was lent instead of writing into a later run's. The last run's range stays reserved
// until the next run has ended, so that the next view cannot be placed where the old pointers
// aim.
uint8_t* Helper::MapPixels() {
    if (pixelsGeneration_ != ctl_->pixelsGeneration) {
        if (pixels_) {
            CloseHandle(pixels_);
        }
        pixels_ = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(ctl_->pixels));
        pixelsGeneration_ = ctl_->pixelsGeneration;
    }
    const auto bytes = static_cast<SIZE_T>(ctl_->pixelsBytes);
    void* view = MapViewOfFile(pixels_, FILE_MAP_ALL_ACCESS, 0, 0, bytes);
    if (!view && lastPixels_) {
        // A 32-bit helper may have no room for a large picture twice.
        VirtualFree(lastPixels_, 0, MEM_RELEASE);
        lastPixels_ = nullptr;
        view = MapViewOfFile(pixels_, FILE_MAP_ALL_ACCESS, 0, 0, bytes);
    }
    return static_cast<uint8_t*>(view);
}

void Helper::UnmapPixels(uint8_t* view) {
    UnmapViewOfFile(view);
    void* guard =
        VirtualAlloc(view, static_cast<SIZE_T>(ctl_->pixelsBytes), MEM_RESERVE, PAGE_NOACCESS);
    if (lastPixels_) {
        VirtualFree(lastPixels_, 0, MEM_RELEASE);
    }
    lastPixels_ = guard;
}

class ChannelHooks : public lumbra::RunHooks {
public:
    ChannelHooks(Control* ctl, HANDLE reply) : ctl_(ctl), reply_(reply) {}
    void Working() override { ctl_->heartbeat.fetch_add(1, std::memory_order_relaxed); }
    bool AbortRequested() override {
        // A plug-in that shows a window of its own (a progress box) needs its messages
        // handled; its abort checks are where it gives the host the chance.
        DWORD now = GetTickCount();
        if (now - lastPump_ >= 100) {
            lastPump_ = now;
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        }
        return ctl_->abort.load() != 0;
    }
    void Progress(int32_t done, int32_t total) override {
        Working();
        if (total <= 0) {
            return;
        }
        int64_t percent = int64_t{done} * 100 / total;
        // Only a change of percent crosses the process boundary: some plug-ins report every
        // row, and each signal costs a round trip through the kernel (the wine server).
        if (percent != lastPercent_) {
            lastPercent_ = percent;
            ctl_->progressTotal.store(total);
            ctl_->progressDone.store(done);
            SetEvent(reply_);
        }
    }

private:
    Control* ctl_;
    HANDLE reply_;
    DWORD lastPump_ = GetTickCount();
    int64_t lastPercent_ = -1;
};

void Helper::Run() {
    if (!current_) {
        ctl_->status = LUMBRA32_NOT_LOADED;
        return;
    }
    uint8_t* pixels = MapPixels();
    if (!pixels) {
        ctl_->status = LUMBRA32_OUT_OF_MEMORY;
        return;
    }
    size_t planeBytes = static_cast<size_t>(ctl_->width) * ctl_->height * 3;
    lumbra::FilterImage image{pixels, pixels + planeBytes, ctl_->width, ctl_->height};
    ChannelHooks hooks(ctl_, reply_);
    lumbra::RunStats stats;
    const lumbra::ThreadCensus census;
    PlugInCall call(census);
    lumbra::RunResult r = lumbra::RunFilter(current_->entry, current_->state, image,
                                            static_cast<intptr_t>(ctl_->owner), hooks, &stats);
    call.End();
    UnmapPixels(pixels);
    Finish(census);
    ctl_->filterSeconds = stats.filterSeconds;
    ctl_->bufferSeconds = stats.hostSeconds;
    ctl_->pluginCode = r.code;
    snprintf(ctl_->message, sizeof ctl_->message, "%s", r.message.c_str());
    if (r.code == lumbra::pi::kUserCanceled) {
        ctl_->status = LUMBRA32_USER_CANCELLED;
    } else if (r.code == lumbra::pi::kMemFull) {
        ctl_->status = LUMBRA32_OUT_OF_MEMORY;
    } else if (r.code == lumbra::pi::kFilterBadMode) {
        ctl_->status = LUMBRA32_BAD_MODE;
    } else if (r.code != 0) {
        ctl_->status = LUMBRA32_PLUGIN_ERROR;
    }
}

// ---- What the platform lends the suites ------------------------------------------------

// Plug-in parameters may be raw global-memory handles.
bool OwnsGlobal(void* h) {
    return GlobalFlags(static_cast<HGLOBAL>(h)) != GMEM_INVALID_HANDLE;
}
int32_t GlobalBytes(void* h) {
    return static_cast<int32_t>(GlobalSize(static_cast<HGLOBAL>(h)));
}
char* LockGlobal(void* h) {
    return static_cast<char*>(GlobalLock(static_cast<HGLOBAL>(h)));
}
void UnlockGlobal(void* h) {
    GlobalUnlock(static_cast<HGLOBAL>(h));
}
void FreeGlobal(void* h) {
    GlobalFree(static_cast<HGLOBAL>(h));
}
// Fixed: a fixed block's handle is its address, so a plug-in that locks its parameters and one
// that reads them through the handle as a pointer both find them.
void* NewGlobal(const void* bytes, size_t size) {
    void* p = GlobalAlloc(GMEM_FIXED, size > 0 ? size : 1);
    if (p) {
        std::memcpy(p, bytes, size);
    }
    return p;
}

bool IsAddress(intptr_t value) {
    MEMORY_BASIC_INFORMATION info{};
    return VirtualQuery(reinterpret_cast<const void*>(value), &info, sizeof info) == sizeof info &&
           info.State != MEM_FREE;
}

uint64_t FreeMemory() {
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    return GlobalMemoryStatusEx(&status) ? status.ullAvailPhys : 0;
}

// The picker's caption is the plug-in's prompt.
UINT_PTR CALLBACK TitlePicker(HWND dialog, UINT message, WPARAM, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        const auto* choose = reinterpret_cast<const CHOOSECOLORW*>(lParam);
        const auto* prompt = reinterpret_cast<const std::string*>(choose->lCustData);
        if (!prompt->empty()) {
            SetWindowTextW(dialog, rw::win::WidenCodePage(*prompt, 1252).c_str());
        }
    }
    return 0;
}

bool ChooseColour(intptr_t owner, const std::string& prompt, uint8_t rgb[3]) {
    static COLORREF custom[16] = {};
    CHOOSECOLORW choose{};
    choose.lStructSize = sizeof choose;
    choose.hwndOwner = reinterpret_cast<HWND>(owner);
    choose.rgbResult = RGB(rgb[0], rgb[1], rgb[2]);
    choose.lpCustColors = custom;
    choose.Flags = CC_RGBINIT | CC_FULLOPEN | CC_ENABLEHOOK;
    choose.lCustData = reinterpret_cast<LPARAM>(&prompt);
    choose.lpfnHook = TitlePicker;
    if (!ChooseColorW(&choose)) {
        return false;
    }
    rgb[0] = GetRValue(choose.rgbResult);
    rgb[1] = GetGValue(choose.rgbResult);
    rgb[2] = GetBValue(choose.rgbResult);
    return true;
}

// The interface's colour indexes, 1 to 14, as the system's colours of the same elements.
bool InterfaceColour(int32_t index, uint8_t rgb[3]) {
    static const int kSystem[] = {
        COLOR_BTNFACE,     COLOR_BTNSHADOW,   COLOR_WINDOW,       COLOR_BTNFACE,   COLOR_BTNFACE,
        COLOR_GRAYTEXT,    COLOR_WINDOWFRAME, COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW, COLOR_HIGHLIGHT,
        COLOR_WINDOWFRAME, COLOR_3DDKSHADOW,  COLOR_HIGHLIGHT};
    if (index < 1 || index > 14) {
        return false;
    }
    COLORREF c = index == 14 ? RGB(255, 0, 0) : GetSysColor(kSystem[index - 1]);
    rgb[0] = GetRValue(c);
    rgb[1] = GetGValue(c);
    rgb[2] = GetBValue(c);
    return true;
}

// Previews: the plug-in's pixels drawn on the device context it gives (one of its dialog's).
int16_t LUMBRA_PI_CALL DisplayPixels(const lumbra::pi::PSPixelMap* source,
                                     const lumbra::pi::VRect* rect, int32_t dstRow, int32_t dstCol,
                                     void* context) {
    if (!source || !rect || !context) {
        return lumbra::pi::kParamErr;
    }
    std::vector<uint8_t> rows;
    int32_t width = 0, height = 0;
    if (!lumbra::PixelMapToDibRows(*source, *rect, rows, width, height)) {
        return lumbra::pi::kFilterBadMode;
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    int drawn = SetDIBitsToDevice(static_cast<HDC>(context), dstCol, dstRow, width, height, 0, 0, 0,
                                  height, rows.data(), &info, DIB_RGB_COLORS);
    return drawn > 0 ? lumbra::pi::kNoErr : lumbra::pi::kParamErr;
}

LONG WINAPI EndOnFault(EXCEPTION_POINTERS*) {
    const int64_t mark = g_callMark.load();
    if (GetCurrentThreadId() != g_mainThread &&
        (mark < 0 || lumbra::ThreadCensus::CallerStartedBy(static_cast<uint32_t>(mark)))) {
        // A thread a plug-in left running after its call, faulting on what it was lent for the
        // call (its pixels are unmapped): it ends alone, and the plug-ins' states stay.
        ExitThread(0xC0FFEE);
    }
    // No error dialog, no debugger: the caller sees the process end and reports the crash.
    TerminateProcess(GetCurrentProcess(), 0xC0FFEE);
    return EXCEPTION_EXECUTE_HANDLER;
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    g_mainThread = GetCurrentThreadId();
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    SetUnhandledExceptionFilter(EndOnFault);
    // Plug-ins find their DLLs beside themselves or in the system, never in whatever folder
    // happens to be current.
    SetDllDirectoryW(L"");
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv || argc < 2) {
        return 2;
    }
    lumbra::PlatformServices& platform = lumbra::State().platform;
    platform.ownsForeignHandle = OwnsGlobal;
    platform.foreignHandleSize = GlobalBytes;
    platform.lockForeignHandle = LockGlobal;
    platform.unlockForeignHandle = UnlockGlobal;
    platform.disposeForeignHandle = FreeGlobal;
    platform.displayPixels = DisplayPixels;
    platform.chooseColor = ChooseColour;
    platform.freeMemory = FreeMemory;
    platform.interfaceColor = InterfaceColour;
    platform.isAddress = IsAddress;
    platform.newForeignHandle = NewGlobal;
    Helper helper;
    if (!helper.Open(argv[1])) {
        return 3;
    }
    return helper.Serve();
}
