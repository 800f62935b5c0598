#include "win32/process.h"

namespace rw::win {

bool StartProcess(const wchar_t* application, std::wstring commandLine, const wchar_t* folder,
                  STARTUPINFOW& startup, PROCESS_INFORMATION& process, DWORD flags,
                  bool inheritHandles) {
    constexpr int kAttempts = 3;
    for (int attempt = 1;; ++attempt) {
        std::wstring writable = commandLine; // CreateProcessW may write into it
        if (CreateProcessW(application, writable.data(), nullptr, nullptr, inheritHandles, flags,
                           nullptr, folder, &startup, &process)) {
            return true;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_INTERNAL_ERROR || attempt == kAttempts) {
            SetLastError(error);
            return false;
        }
        Sleep(50);
    }
}

} // namespace rw::win
