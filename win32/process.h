#pragma once
// Starting another program.
#include <windows.h>

#include <string>

namespace rw::win {

// CreateProcessW with the usual arguments, the command line copied so it may be rewritten.
// Wine's process start-up now and then loses a new process before it has finished starting
// (CreateProcess then fails with ERROR_INTERNAL_ERROR, about once in 1500 starts on a busy
// machine); nothing of the new process has run by then, so starting it again is safe. Any other
// failure is returned at once, with the error left in GetLastError.
bool StartProcess(const wchar_t* application, std::wstring commandLine, const wchar_t* folder,
                  STARTUPINFOW& startup, PROCESS_INFORMATION& process, DWORD flags = 0,
                  bool inheritHandles = false);

} // namespace rw::win
