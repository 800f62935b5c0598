#pragma once
// lumbra32: the imaging library that hosts image-filter plug-ins (.8bf).
//
// Every function and both callbacks use the Windows stdcall convention. Strings are
// zero-terminated 8-bit strings in the active code page. A result of 1 means success unless a
// function says otherwise. Callers bind these functions by ordinal (the numbers below); the
// names are exported too, for clients that prefer them.
#include <windows.h>

#ifdef LUMBRA32_BUILD
#define LUMBRA32_API extern "C" __declspec(dllexport)
#else
#define LUMBRA32_API extern "C" __declspec(dllimport)
#endif

// Called with (value, percent done, context) while a plug-in runs; return 1.
typedef int(CALLBACK* PlugInStatusProc)(int value, int percent, void* context);
// Called once per plug-in of the directory: (title, file name, category, context); return 1.
// The file name is what PlugInLoad and PlugInShowAbout take to reach exactly that filter.
typedef int(CALLBACK* PlugInFoundProc)(const char* title, const char* fileName,
                                       const char* category, void* context);

// @400: nonzero when the plug-in host can be used.
LUMBRA32_API int WINAPI PlugInHostAvailable();
// @402: 1 when the host is ready for the plug-ins of `dir`.
LUMBRA32_API int WINAPI PlugInHostOpen(const char* dir);
// @408: registers the progress callback (`reserved` is 0); 1 when registered.
LUMBRA32_API int WINAPI PlugInSetStatusCallback(PlugInStatusProc proc, int reserved, void* context);
// @407: calls `proc` once per plug-in of the open directory before returning (`flags` is 32).
LUMBRA32_API int WINAPI PlugInEnumerate(PlugInFoundProc proc, int flags, void* context);
// @405: loads the plug-in named as the enumeration reported it; the next PlugInRun runs it.
LUMBRA32_API int WINAPI PlugInLoad(const char* fileName);
// @28: an image of the library referring to the caller's packed 24-bit DIB; 0 on failure.
// The caller frees it with GlobalFree after PlugInRun. The DIB stays the caller's: after a
// successful PlugInRun it holds the filtered pixels.
LUMBRA32_API HGLOBAL WINAPI ImageFromDib(HGLOBAL dib);
// @406: runs the loaded plug-in on `image`; `owner` (may be null) parents anything the plug-in
// shows; `reserved` is 0. Progress goes to the status callback. 1 on success.
LUMBRA32_API int WINAPI PlugInRun(HGLOBAL image, HWND owner, int reserved);
// @3: the code of the last failure (see below).
LUMBRA32_API int WINAPI ImageLastError();
// @404: shows the plug-in's own About box; 1 on success.
LUMBRA32_API int WINAPI PlugInShowAbout(HWND owner, const char* fileName);
// @6: a message box naming the last failure in words.
LUMBRA32_API int WINAPI ShowLastError(HWND window);

// Codes of ImageLastError.
enum Lumbra32Error {
    LUMBRA32_OK = 0,
    LUMBRA32_HOST_UNAVAILABLE = 1, // the plug-in host cannot be used on this system
    LUMBRA32_USER_CANCELLED = 49,  // the user cancelled the run: not a failure
};
