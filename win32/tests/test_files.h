#pragma once
// Temporary folders, files and message processing for tests of Windows code.
#include <windows.h>

#include <string>
#include <vector>

namespace rw::test {

// Processes pending messages until none are left.
void Pump();

// A fresh folder under the temporary directory, with a non-ASCII name; removed afterwards.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::wstring& Path() const { return path_; }
    std::wstring File(const std::wstring& name) const { return path_ + L"\\" + name; }

private:
    std::wstring path_;
};

bool FileExists(const std::wstring& path);
std::vector<unsigned char> ReadBytes(const std::wstring& path);
void WriteBytes(const std::wstring& path, const std::vector<unsigned char>& bytes);

} // namespace rw::test
