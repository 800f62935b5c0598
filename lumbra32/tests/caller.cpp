// A caller of lumbra32 that a test ends while its plug-in runs: it opens the plug-in's folder,
// loads it, says "running" on its standard output and runs it on a small picture. With
// "exit-on-box" it ends itself (ExitProcess) once a window titled "Box In Start" shows.
//   lumbra32_caller <plug-in file> [exit-on-box]
#include "lumbra32/lumbra32.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

DWORD WINAPI ExitOnBox(void*) {
    for (;;) {
        if (HWND box = FindWindowA(nullptr, "Box In Start"); box && IsWindowVisible(box)) {
            ExitProcess(0);
        }
        Sleep(10);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs("usage: lumbra32_caller <plug-in file> [exit-on-box]\n", stderr);
        return 2;
    }
    std::string file = argv[1];
    std::string folder = file.substr(0, file.find_last_of('\\'));
    if (!PlugInHostAvailable() || !PlugInHostOpen(folder.c_str()) || !PlugInLoad(file.c_str())) {
        std::printf("error %d\n", ImageLastError());
        return 1;
    }
    if (argc > 2 && std::strcmp(argv[2], "exit-on-box") == 0) {
        CloseHandle(CreateThread(nullptr, 0, ExitOnBox, nullptr, 0, nullptr));
    }
    HGLOBAL dib = GlobalAlloc(GMEM_ZEROINIT, sizeof(BITMAPINFOHEADER) + 4 * 4 * 3);
    auto* header = static_cast<BITMAPINFOHEADER*>(GlobalLock(dib));
    header->biSize = sizeof *header;
    header->biWidth = header->biHeight = 4;
    header->biPlanes = 1;
    header->biBitCount = 24;
    GlobalUnlock(dib);
    std::printf("running\n");
    std::fflush(stdout);
    HGLOBAL image = ImageFromDib(dib);
    int result = PlugInRun(image, nullptr, 0);
    std::printf("result %d error %d\n", result, ImageLastError());
    return 0;
}
