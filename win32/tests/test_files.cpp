#include "win32/tests/test_files.h"

#include <gtest/gtest.h>

#include "win32/message_loop.h"
#include "win32/scoped.h"

namespace rw::test {

namespace {

// Deletes `folder` (in the "\\?\" form, so that depth does not matter) and everything in it,
// whatever their attributes. Links and junctions are removed, never entered. The shell's
// recursive delete is not used: it builds names in fixed buffers, and Wine's turns a name that
// does not fit into an empty one, that is, into the current directory.
void RemoveTree(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    const win::ScopedFind search(::FindFirstFileW((folder + L"\\*").c_str(), &found));
    if (search) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") {
                continue;
            }
            const std::wstring path = folder + L"\\" + name;
            const DWORD attributes = found.dwFileAttributes;
            if ((attributes & FILE_ATTRIBUTE_DIRECTORY) &&
                !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
                RemoveTree(path);
            } else if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
                ::RemoveDirectoryW(path.c_str());
            } else {
                ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                ::DeleteFileW(path.c_str());
            }
        } while (::FindNextFileW(search.Get(), &found));
    }
    ::SetFileAttributesW(folder.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::RemoveDirectoryW(folder.c_str());
}

} // namespace

void Pump() {
    win::ProcessPendingMessages();
}

TempDir::TempDir(const std::wstring& prefix) {
    wchar_t base[MAX_PATH];
    ::GetTempPathW(MAX_PATH, base);
    // Numbered until the name is new: tests make several at once, and other processes too.
    const std::wstring stem =
        std::wstring(base) + prefix + L"-" + std::to_wstring(::GetCurrentProcessId()) + L"-";
    for (unsigned n = 0;; ++n) {
        path_ = stem + std::to_wstring(n);
        if (::CreateDirectoryW(path_.c_str(), nullptr) ||
            ::GetLastError() != ERROR_ALREADY_EXISTS) {
            break;
        }
    }
}

TempDir::~TempDir() {
    RemoveTree(L"\\\\?\\" + path_);
}

void TempDir::AddFile(const std::wstring& name) const {
    WriteBytes(File(name), {});
}

bool FileExists(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<unsigned char> ReadBytes(const std::wstring& path) {
    std::vector<unsigned char> bytes;
    const win::ScopedFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                             OPEN_EXISTING, 0, nullptr));
    if (!file) {
        return bytes;
    }
    bytes.resize(::GetFileSize(file.Get(), nullptr));
    DWORD read = 0;
    ::ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    bytes.resize(read);
    return bytes;
}

void WriteBytes(const std::wstring& path, const std::vector<unsigned char>& bytes) {
    const win::ScopedFile file(
        ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(static_cast<bool>(file)) << ::GetLastError();
    DWORD written = 0;
    ::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

} // namespace rw::test
