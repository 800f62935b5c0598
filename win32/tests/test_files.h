#pragma once
// Temporary folders, files and message processing for tests of Windows code.
#include <windows.h>

#include <string>
#include <vector>

namespace rw::test {

// Processes pending messages until none are left.
void Pump();

// A new empty folder under the temporary directory, removed with everything in it afterwards.
// Its name starts with `prefix`: by default one with a space and characters beyond ASCII, for
// code that must take any name; a test of code that speaks an 8-bit code page gives its own.
class TempDir {
public:
    explicit TempDir(const std::wstring& prefix = L"rw test \u00e9\u0416");
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::wstring& Path() const { return path_; }
    std::wstring File(const std::wstring& name) const { return path_ + L"\\" + name; }
    // An empty file of that name in the folder.
    void AddFile(const std::wstring& name) const;

private:
    std::wstring path_;
};

bool FileExists(const std::wstring& path);
std::vector<unsigned char> ReadBytes(const std::wstring& path);
void WriteBytes(const std::wstring& path, const std::vector<unsigned char>& bytes);

} // namespace rw::test
