// Times invert runs through ImageFromDib + PlugInRun at three sizes and splits each into the
// filter's own time and the host's overhead. Prints figures; asserts nothing.
#include "lumbra32/host_client.h"
#include "lumbra32/lumbra32.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

HGLOBAL MakeDib(int w, int h) {
    size_t stride = (static_cast<size_t>(w) * 3 + 3) & ~size_t{3};
    HGLOBAL g = GlobalAlloc(GMEM_MOVEABLE, sizeof(BITMAPINFOHEADER) + stride * h);
    if (!g) {
        return nullptr;
    }
    auto* bih = static_cast<BITMAPINFOHEADER*>(GlobalLock(g));
    *bih = BITMAPINFOHEADER{};
    bih->biSize = sizeof *bih;
    bih->biWidth = w;
    bih->biHeight = h;
    bih->biPlanes = 1;
    bih->biBitCount = 24;
    auto* bits = reinterpret_cast<uint8_t*>(bih + 1);
    for (size_t i = 0; i < stride * h; ++i) {
        bits[i] = static_cast<uint8_t>(i * 7);
    }
    GlobalUnlock(g);
    return g;
}

} // namespace

int main() {
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string dir(exe);
    dir = dir.substr(0, dir.find_last_of('\\'));
    auto loadStart = std::chrono::steady_clock::now();
    if (!PlugInHostAvailable() || !PlugInHostOpen((dir + "\\plugins").c_str()) ||
        !PlugInLoad((dir + "\\plugins\\invert.8bf").c_str())) {
        std::printf("cannot load the invert fixture (error %d)\n", ImageLastError());
        return 1;
    }
    double firstLoad =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - loadStart).count();
    std::printf("invert fixture through ImageFromDib + PlugInRun (plug-in in lumbra32host.exe)\n");
    std::printf("times in ms; ns/px = per pixel; best of 5 runs after one warm-up\n\n");
    std::printf("%-10s %9s %9s %9s %9s %9s %9s %9s %10s\n", "size", "total", "filter", "overhead",
                "conv-in", "conv-out", "buffers", "crossing", "ovh ns/px");
    for (int side : {512, 2048, 4096}) {
        HGLOBAL dib = MakeDib(side, side);
        if (!dib) {
            std::printf("%dx%d: no memory\n", side, side);
            continue;
        }
        lumbra::RunTimings best{};
        best.total = 1e9;
        for (int run = 0; run < 6; ++run) {
            HGLOBAL image = ImageFromDib(dib);
            auto t0 = std::chrono::steady_clock::now();
            int ok = PlugInRun(image, nullptr, 0);
            double wall =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
            GlobalFree(image);
            if (!ok) {
                std::printf("run failed: %d\n", ImageLastError());
                return 1;
            }
            lumbra::RunTimings t = lumbra::LastRunTimings();
            t.total = wall;
            if (run > 0 && t.total < best.total) {
                best = t;
            }
        }
        double px = double(side) * side;
        double overhead = best.total - best.filter;
        double crossing = best.total - best.convertIn - best.convertOut - best.helperBusy;
        std::printf("%4dx%-5d %9.2f %9.2f %9.2f %9.2f %9.2f %9.2f %9.2f %10.2f\n", side, side,
                    best.total * 1e3, best.filter * 1e3, overhead * 1e3, best.convertIn * 1e3,
                    best.convertOut * 1e3, best.buffers * 1e3, crossing * 1e3, overhead * 1e9 / px);
        GlobalFree(dib);
    }

    // The fixed cost of one run: a 1x1 image, many times.
    HGLOBAL tiny = MakeDib(1, 1);
    const int runs = 200;
    double helperBusy = 0;
    auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < runs; ++i) {
        HGLOBAL image = ImageFromDib(tiny);
        PlugInRun(image, nullptr, 0);
        GlobalFree(image);
        helperBusy += lumbra::LastRunTimings().helperBusy;
    }
    double each =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count() / runs;
    std::printf(
        "\nfixed cost per run (1x1 image, %d runs): %.1f us, of which %.1f us in the helper "
        "(the plug-in's five calls) and %.1f us crossing between the processes\n",
        runs, each * 1e6, helperBusy / runs * 1e6, (each - helperBusy / runs) * 1e6);
    std::printf("first PlugInLoad (starts the helper process): %.1f ms\n", firstLoad * 1e3);
    GlobalFree(tiny);

    // A plug-in that leaves a thread running: its helper is ended and the next run starts
    // another, which takes over every filter's state. Against the same run in a helper that
    // stays.
    HGLOBAL small = MakeDib(64, 48);
    const std::string invert = dir + "\\plugins\\invert.8bf";
    const std::string stray = dir + "\\plugins\\hostile\\stray.8bf|StrayTilesMain";
    // PlugInLoad and PlugInRun: the load is what starts a helper.
    auto run = [&](const std::string& plugin, double* seconds) {
        HGLOBAL image = ImageFromDib(small);
        auto t0 = std::chrono::steady_clock::now();
        bool ok = PlugInLoad(plugin.c_str()) && PlugInRun(image, nullptr, 0);
        *seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        GlobalFree(image);
        return ok ? lumbra::LastRunTimings() : lumbra::RunTimings{};
    };
    double usual = 1e9, ending = 0, starting = 0, seconds = 0;
    for (int i = 0; i < 5; ++i) {
        run(invert, &seconds);
        usual = std::min(usual, seconds);
    }
    const int replacements = 5;
    for (int i = 0; i < replacements; ++i) {
        ending += run(stray, &seconds).retire / replacements;
        run(invert, &seconds);
        starting += seconds / replacements;
    }
    std::printf("replacing the helper after a stray thread (64x48, mean of %d): %.1f ms ending it, "
                "%.1f ms to load and run the next plug-in in a new one (%.1f ms in a helper that "
                "stays)\n",
                replacements, ending * 1e3, starting * 1e3, usual * 1e3);
    GlobalFree(small);
    return 0;
}
