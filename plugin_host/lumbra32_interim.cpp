// lumbra32.dll until its plug-in host is built: every export exists at its ordinal and answers
// "host not available", so lumbraplug loads and reports 33007 for a directory.
#define LUMBRA32_BUILD
#include "lumbra32/lumbra32.h"

LUMBRA32_API int WINAPI PlugInHostAvailable() {
    return 0;
}
LUMBRA32_API int WINAPI PlugInHostOpen(const char*) {
    return 0;
}
LUMBRA32_API int WINAPI PlugInSetStatusCallback(PlugInStatusProc, int, void*) {
    return 0;
}
LUMBRA32_API int WINAPI PlugInEnumerate(PlugInFoundProc, int, void*) {
    return 0;
}
LUMBRA32_API int WINAPI PlugInLoad(const char*) {
    return 0;
}
LUMBRA32_API HGLOBAL WINAPI ImageFromDib(HGLOBAL) {
    return nullptr;
}
LUMBRA32_API int WINAPI PlugInRun(HGLOBAL, HWND, int) {
    return 0;
}
LUMBRA32_API int WINAPI ImageLastError() {
    return LUMBRA32_HOST_UNAVAILABLE;
}
LUMBRA32_API int WINAPI PlugInShowAbout(HWND, const char*) {
    return 0;
}
LUMBRA32_API int WINAPI ShowLastError(HWND) {
    return 0;
}
