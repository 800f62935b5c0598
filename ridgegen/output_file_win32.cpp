// OutputFile on Windows: a new file beside the target, moved over it once flushed.
#include <windows.h>

#include <algorithm>

#include "core/file_paths.h"
#include "ridgegen/output_file.h"
#include "win32/strings.h"

namespace rw {

struct OutputFile::System {
    HANDLE handle = INVALID_HANDLE_VALUE;
    std::wstring target;
    std::wstring temporary;
    bool committed = false;
};

namespace {

std::string Reason(DWORD error) {
    switch (error) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return "the disk is full";
    case ERROR_PATH_NOT_FOUND:
    case ERROR_FILE_NOT_FOUND:
    case ERROR_DIRECTORY:
    case ERROR_BAD_NETPATH:
        return "its folder does not exist";
    case ERROR_ACCESS_DENIED:
        return "access is denied";
    case ERROR_WRITE_PROTECT:
        return "the disk is write-protected";
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return "another program has the file open";
    case ERROR_FILENAME_EXCED_RANGE:
        return "its path is too long";
    case ERROR_INVALID_NAME:
        return "its name is not a valid file name";
    default:
        return win::Narrow(win::ErrorText(HRESULT_FROM_WIN32(error)));
    }
}

} // namespace

OutputFile::OutputFile(const std::string& path) : path_(path), system_(std::make_unique<System>()) {
    system_->target = LongPathForm(win::Widen(path));
    const DWORD attributes = GetFileAttributesW(system_->target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
            Fail("it is a folder");
        }
        // Replacing the file would slip past its read-only attribute on some file systems; that
        // attribute is the user's request not to change it.
        if (attributes & FILE_ATTRIBUTE_READONLY) {
            Fail("the file is read-only");
        }
    }
    static uint32_t serial = GetTickCount();
    for (int attempt = 0; attempt < 100; ++attempt) {
        system_->temporary =
            LongPathForm(TemporaryName(FolderOf(system_->target), GetCurrentProcessId(), ++serial));
        system_->handle = CreateFileW(system_->temporary.c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                      nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (system_->handle != INVALID_HANDLE_VALUE) {
            return;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
            Fail(Reason(error));
        }
    }
    Fail("no temporary file could be made beside it");
}

OutputFile::~OutputFile() {
    if (system_->handle != INVALID_HANDLE_VALUE) {
        CloseHandle(system_->handle);
    }
    if (!system_->committed && !system_->temporary.empty()) {
        DeleteFileW(system_->temporary.c_str());
    }
}

void OutputFile::Fail(const std::string& reason) const {
    throw WriteError("\"" + path_ + "\" was not written: " + reason);
}

void OutputFile::Write(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
        DWORD written = 0;
        if (!WriteFile(system_->handle, bytes, want, &written, nullptr)) {
            Fail(Reason(GetLastError()));
        }
        if (written != want) {
            Fail(Reason(ERROR_DISK_FULL)); // a short write means no room
        }
        bytes += written;
        size -= written;
    }
}

std::size_t OutputFile::Read(void* data, std::size_t size) {
    DWORD got = 0;
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
    if (!ReadFile(system_->handle, data, want, &got, nullptr)) {
        Fail(Reason(GetLastError()));
    }
    return got;
}

void OutputFile::Seek(uint64_t position) {
    LARGE_INTEGER to{};
    to.QuadPart = static_cast<LONGLONG>(position);
    if (!SetFilePointerEx(system_->handle, to, nullptr, FILE_BEGIN)) {
        Fail(Reason(GetLastError()));
    }
}

uint64_t OutputFile::Position() const {
    LARGE_INTEGER at{};
    if (!SetFilePointerEx(system_->handle, LARGE_INTEGER{}, &at, FILE_CURRENT)) {
        Fail(Reason(GetLastError()));
    }
    return static_cast<uint64_t>(at.QuadPart);
}

uint64_t OutputFile::Size() const {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(system_->handle, &size)) {
        Fail(Reason(GetLastError()));
    }
    return static_cast<uint64_t>(size.QuadPart);
}

void OutputFile::Resize(uint64_t size) {
    const uint64_t position = Position();
    Seek(size);
    if (!SetEndOfFile(system_->handle)) {
        Fail(Reason(GetLastError()));
    }
    Seek(position);
}

void OutputFile::Commit() {
    // A full disk may show only when the data is flushed.
    if (!FlushFileBuffers(system_->handle)) {
        Fail(Reason(GetLastError()));
    }
    const HANDLE handle = system_->handle;
    system_->handle = INVALID_HANDLE_VALUE;
    if (!CloseHandle(handle)) {
        Fail(Reason(GetLastError()));
    }
    if (!MoveFileExW(system_->temporary.c_str(), system_->target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        Fail(Reason(GetLastError()));
    }
    system_->committed = true;
}

} // namespace rw
