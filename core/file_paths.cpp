#include "core/file_paths.h"

#include <cwchar>

namespace rw {

namespace {

constexpr size_t kClassicPathLimit = 260;

bool IsSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

bool IsDriveLetter(wchar_t c) {
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

std::wstring Backslashes(std::wstring text) {
    for (wchar_t& c : text) {
        if (c == L'/') {
            c = L'\\';
        }
    }
    return text;
}

} // namespace

std::wstring LongPathForm(const std::wstring& path) {
    if (path.size() < kClassicPathLimit - 12 || path.starts_with(L"\\\\?\\")) {
        // Below the limit less room for a temporary name next to the file.
        return path;
    }
    if (path.size() >= 3 && IsDriveLetter(path[0]) && path[1] == L':' && IsSeparator(path[2])) {
        return L"\\\\?\\" + Backslashes(path);
    }
    if (path.size() >= 3 && IsSeparator(path[0]) && IsSeparator(path[1]) && path[2] != L'?' &&
        path[2] != L'.') {
        return L"\\\\?\\UNC\\" + Backslashes(path.substr(2));
    }
    return path;
}

std::wstring FolderOf(const std::wstring& path) {
    const size_t separator = path.find_last_of(L"\\/");
    return separator == std::wstring::npos ? std::wstring(L".\\") : path.substr(0, separator + 1);
}

std::wstring TemporaryName(const std::wstring& folder, uint32_t processId, uint32_t serial) {
    wchar_t name[40];
    std::swprintf(name, sizeof name / sizeof name[0], L"~rw%08X%08X.tmp",
                  static_cast<unsigned>(processId), static_cast<unsigned>(serial));
    return folder + name;
}

std::wstring FolderPart(std::wstring_view path) {
    const size_t separator = path.find_last_of(L'\\');
    return separator == std::wstring_view::npos ? std::wstring()
                                                : std::wstring(path.substr(0, separator));
}

} // namespace rw
