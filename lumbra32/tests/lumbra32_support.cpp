#include "lumbra32/tests/lumbra32_support.h"

#include <cstring>

namespace lumbra32test {

std::string BuildDir() {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string p = path;
    return p.substr(0, p.find_last_of('\\'));
}
std::string PluginDir() {
    return BuildDir() + "\\plugins";
}
std::string Plugin(const char* file) {
    return PluginDir() + "\\" + file;
}

int CALLBACK Collect(const char* title, const char* file, const char* category, void* context) {
    static_cast<std::vector<Found>*>(context)->push_back({title, file, category});
    return 1;
}

int CALLBACK OnStatus(int, int percent, void* context) {
    auto* p = static_cast<Progress*>(context);
    p->percents.push_back(percent);
    p->sameThread = p->sameThread && GetCurrentThreadId() == p->thread;
    if (p->pressEsc && p->percents.size() == 1) {
        PostThreadMessageW(GetCurrentThreadId(), WM_KEYDOWN, VK_ESCAPE, 0);
    }
    return 1;
}

uint8_t Pattern(int x, int y, int c) {
    return static_cast<uint8_t>(x * 31 + y * 17 + c * 101 + 5);
}

HGLOBAL MakeDib(int w, int h, bool topDown) {
    size_t stride = (static_cast<size_t>(w) * 3 + 3) & ~size_t{3};
    HGLOBAL g = GlobalAlloc(GMEM_MOVEABLE, sizeof(BITMAPINFOHEADER) + stride * h);
    auto* bih = static_cast<BITMAPINFOHEADER*>(GlobalLock(g));
    *bih = BITMAPINFOHEADER{};
    bih->biSize = sizeof *bih;
    bih->biWidth = w;
    bih->biHeight = topDown ? -h : h;
    bih->biPlanes = 1;
    bih->biBitCount = 24;
    auto* bits = reinterpret_cast<uint8_t*>(bih + 1);
    std::memset(bits, 0xAB, stride * h);
    for (int y = 0; y < h; ++y) {
        uint8_t* row = bits + stride * (topDown ? y : h - 1 - y);
        for (int x = 0; x < w; ++x) {
            row[x * 3] = Pattern(x, y, 2); // blue
            row[x * 3 + 1] = Pattern(x, y, 1);
            row[x * 3 + 2] = Pattern(x, y, 0); // red
        }
    }
    GlobalUnlock(g);
    return g;
}

std::vector<uint8_t> ReadDib(HGLOBAL g) {
    auto* bih = static_cast<BITMAPINFOHEADER*>(GlobalLock(g));
    int w = bih->biWidth, h = bih->biHeight < 0 ? -bih->biHeight : bih->biHeight;
    bool topDown = bih->biHeight < 0;
    size_t stride = (static_cast<size_t>(w) * 3 + 3) & ~size_t{3};
    auto* bits = reinterpret_cast<uint8_t*>(bih + 1);
    std::vector<uint8_t> out, padding;
    for (int y = 0; y < h; ++y) {
        uint8_t* row = bits + stride * (topDown ? y : h - 1 - y);
        for (int x = 0; x < w; ++x) {
            out.insert(out.end(), {row[x * 3 + 2], row[x * 3 + 1], row[x * 3]});
        }
        padding.insert(padding.end(), row + w * 3, row + stride);
    }
    GlobalUnlock(g);
    out.insert(out.end(), padding.begin(), padding.end());
    return out;
}

std::vector<uint8_t> InvertedPattern(int w, int h) {
    size_t stride = (static_cast<size_t>(w) * 3 + 3) & ~size_t{3};
    std::vector<uint8_t> out;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            for (int c = 0; c < 3; ++c) {
                out.push_back(static_cast<uint8_t>(255 - Pattern(x, y, c)));
            }
        }
    }
    out.insert(out.end(), (stride - w * 3) * h, 0xAB);
    return out;
}

HWND OwnerWindow() {
    return CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                           nullptr, nullptr);
}

std::vector<uint8_t> Pixel(HGLOBAL dib, int x, int y, int width) {
    std::vector<uint8_t> px = ReadDib(dib);
    const uint8_t* p = &px[(y * width + x) * 3];
    return {p[0], p[1], p[2]};
}

AnswerDialog::AnswerDialog(const char* caption, WPARAM button, DWORD waitMs, DWORD holdMs)
    : thread_([=, this] { Watch(caption, waitMs, holdMs, button, nullptr); }) {}

AnswerDialog::AnswerDialog(const char* caption, const char* buttonText, DWORD waitMs, DWORD holdMs)
    : thread_([=, this] { Watch(caption, waitMs, holdMs, 0, buttonText); }) {}

bool AnswerDialog::Finish() {
    done_ = true;
    if (thread_.joinable()) {
        thread_.join();
    }
    return seen_;
}

namespace {

BOOL CALLBACK CollectStatic(HWND child, LPARAM context) {
    char cls[32] = "", text[1024] = "";
    GetClassNameA(child, cls, sizeof cls);
    if (_stricmp(cls, "Static") == 0) {
        GetWindowTextA(child, text, sizeof text);
        *reinterpret_cast<std::string*>(context) += text;
    }
    return TRUE;
}

} // namespace

void AnswerDialog::Watch(const char* caption, DWORD waitMs, DWORD holdMs, WPARAM button,
                         const char* buttonText) {
    const DWORD start = GetTickCount();
    while (!done_ && GetTickCount() - start < waitMs) {
        if (HWND box = FindWindowA(nullptr, caption); box && IsWindowVisible(box)) {
            owner_ = GetWindow(box, GW_OWNER);
            seenAt_ = GetTickCount();
            seen_ = true;
            Sleep(holdMs);
            pressed_ = IsWindow(box) && IsWindowVisible(box);
            EnumChildWindows(box, CollectStatic, reinterpret_cast<LPARAM>(&text_));
            if (buttonText) {
                PostMessageW(FindWindowExA(box, nullptr, "Button", buttonText), BM_CLICK, 0, 0);
            } else {
                PostMessageW(box, WM_COMMAND, button, 0);
            }
            return;
        }
        Sleep(10);
    }
}

} // namespace lumbra32test
