// lumbra32host.exe: runs filter plug-ins for lumbra32.dll in a process of its own, so that a
// plug-in that crashes ends this process and not the caller's. One helper serves one caller
// process for as long as that process lives; it keeps every plug-in it loaded, with the
// plug-in's global data and parameters, so they survive from one run to the next.
#include "lumbra32/filter_session.h"
#include "lumbra32/host_state.h"
#include "lumbra32/host_channel.h"
#include "lumbra32/lumbra32.h"

#include <windows.h>
#include <commdlg.h>
#include <shellapi.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

using lumbra::channel::Control;

struct LoadedFilter {
    HMODULE module = nullptr;
    lumbra::pi::FilterEntry entry = nullptr;
    lumbra::FilterState state;
};

class Helper {
public:
    bool Open(const wchar_t* base, DWORD parentId);
    int Serve();

private:
    void Load(bool makeCurrent);
    void Run();
    void About();
    LoadedFilter* Find(bool load);
    bool MapPixels();
    void Reply();

    Control* ctl_ = nullptr;
    HANDLE request_ = nullptr;
    HANDLE reply_ = nullptr;
    HANDLE parent_ = nullptr;
    std::map<std::wstring, LoadedFilter> filters_;
    LoadedFilter* current_ = nullptr;
    HANDLE pixels_ = nullptr;
    uint8_t* pixelsView_ = nullptr;
    uint32_t pixelsGeneration_ = 0;
};

bool Helper::Open(const wchar_t* base, DWORD parentId) {
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
    parent_ = OpenProcess(SYNCHRONIZE, FALSE, parentId);
    return ctl_ && ctl_->magic == lumbra::channel::kMagic && request_ && reply_ && parent_;
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
        ctl_->selector = 0;
        ctl_->message[0] = 0;
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
    HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
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
    int16_t code = lumbra::ShowFilterAbout(f->entry, f->state, static_cast<intptr_t>(ctl_->owner));
    if (code != 0) {
        ctl_->status = LUMBRA32_PLUGIN_ERROR;
        ctl_->pluginCode = code;
    }
}

bool Helper::MapPixels() {
    if (pixelsView_ && pixelsGeneration_ == ctl_->pixelsGeneration) {
        return true;
    }
    if (pixelsView_) {
        UnmapViewOfFile(pixelsView_);
        CloseHandle(pixels_);
        pixelsView_ = nullptr;
    }
    pixels_ = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(ctl_->pixels));
    pixelsGeneration_ = ctl_->pixelsGeneration;
    pixelsView_ = static_cast<uint8_t*>(
        MapViewOfFile(pixels_, FILE_MAP_ALL_ACCESS, 0, 0, static_cast<SIZE_T>(ctl_->pixelsBytes)));
    return pixelsView_ != nullptr;
}

class ChannelHooks : public lumbra::RunHooks {
public:
    ChannelHooks(Control* ctl, HANDLE reply) : ctl_(ctl), reply_(reply) {}
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
    if (!MapPixels()) {
        ctl_->status = LUMBRA32_OUT_OF_MEMORY;
        return;
    }
    size_t planeBytes = static_cast<size_t>(ctl_->width) * ctl_->height * 3;
    lumbra::FilterImage image{pixelsView_, pixelsView_ + planeBytes, ctl_->width, ctl_->height};
    ChannelHooks hooks(ctl_, reply_);
    lumbra::RunStats stats;
    lumbra::RunResult r = lumbra::RunFilter(current_->entry, current_->state, image,
                                            static_cast<intptr_t>(ctl_->owner), hooks, &stats);
    ctl_->filterSeconds = stats.filterSeconds;
    ctl_->bufferSeconds = stats.hostSeconds;
    ctl_->pluginCode = r.code;
    ctl_->selector = r.selector;
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
            int n = MultiByteToWideChar(1252, 0, prompt->c_str(), -1, nullptr, 0);
            std::wstring title(n > 0 ? n : 1, L'\0');
            MultiByteToWideChar(1252, 0, prompt->c_str(), -1, title.data(), n);
            SetWindowTextW(dialog, title.c_str());
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
    // No error dialog, no debugger: the caller sees the process end and reports the crash.
    TerminateProcess(GetCurrentProcess(), 0xC0FFEE);
    return EXCEPTION_EXECUTE_HANDLER;
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    SetUnhandledExceptionFilter(EndOnFault);
    // Plug-ins find their DLLs beside themselves or in the system, never in whatever folder
    // happens to be current.
    SetDllDirectoryW(L"");
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv || argc < 3) {
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
    Helper helper;
    if (!helper.Open(argv[1], static_cast<DWORD>(wcstoul(argv[2], nullptr, 10)))) {
        return 3;
    }
    return helper.Serve();
}
