#pragma once
// lumbra32: the imaging library that hosts image-filter plug-ins (.8bf).
//
// Every function and both callbacks use the Windows stdcall convention. Strings are
// zero-terminated 8-bit strings in the active code page. A result of 1 means success unless a
// function says otherwise. Callers bind these functions by ordinal (the numbers below); the
// names are exported too, for clients that prefer them.
#include <windows.h>

// Codes of ImageLastError, which ShowLastError names in words.
#include "lumbra32/lumbra32_errors.h"

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

// PlugInEnumerate lists the filters of the folder's *.8bf files that this host can run: built
// for its machine, working on RGB images and asking for no host of another kind; categories
// beginning "**Hidden" stay out. A property list kept in several languages is read in the one
// Windows' own resource look-up takes (language-neutral first).
//
// File names reported by PlugInEnumerate: the plug-in file's full path when the file holds one
// filter; when it holds several, "path|entry" with the filter's entry-point name, or
// "path|#n" (n counting from 0 in enumeration order) where two filters of the file share an
// entry point. A bare path given to PlugInLoad or PlugInShowAbout means the file's first filter.
//
// Plug-ins run in lumbra32host.exe, which must sit beside this library: one helper process per
// calling process, started on the first PlugInLoad or PlugInShowAbout and kept until the
// calling process ends or unloads the library. Each filter's global data and parameters live
// there between runs; a plug-in crash ends the helper (reported as LUMBRA32_PLUGIN_CRASHED),
// and the next call starts a fresh one, with every filter's remembered state lost.
// The pixels cross in shared memory; PlugInStatusProc is called on the caller's thread, which
// handles its window messages while it waits. Esc pressed in the caller's thread during
// PlugInRun cancels the run (LUMBRA32_USER_CANCELLED); the bitmap is then left unchanged.
//
// What a plug-in cannot do to its caller:
// - outlive it: the helper is in a job object that ends it when the calling process ends, it
//   ends itself too when it sees that process gone, and it inherits none of its handles (no
//   standard streams);
// - reach a later run: the pixels are mapped into the helper for one run only, and a helper in
//   which a plug-in left threads of its own running after a call is replaced before the next
//   one; every filter's parameters and (when they are not pointers) global data are handed on
//   to the new helper;
// - take more memory than it was told it has: buffers and handles beyond the record's maxSpace
//   (the machine's free physical memory, clamped to 32 MB..1 GB, 512 MB in a 32-bit helper) are
//   refused with memFullErr, and the helper's job has a memory limit behind that;
// - hang the caller: when a plug-in shows no window of its own and reports no progress for
//   10 s, a caller that gave PlugInRun an owner window is asked, in a window that window owns,
//   whether to stop it. A caller without one (a script, a service) sets the environment
//   variable LUMBRA32_HUNG_FILTER_LIMIT of its process to a number of whole seconds (at most a
//   day); a plug-in silent that long is then stopped unasked. A stopped plug-in ends the run as
//   cancelled (LUMBRA32_USER_CANCELLED), the bitmap unchanged; if it does not stop within 5 s of
//   being asked, the helper is ended. A plug-in in a dialog of its own is never stopped.
