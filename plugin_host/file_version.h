#pragma once
// The version resource of a module loaded in this process, as the About dialog shows it.
#include <windows.h>

#include <string>
#include <vector>

namespace rw::plugin {

class FileVersionReader {
public:
    FileVersionReader() = default;
    FileVersionReader(const FileVersionReader&) = delete;
    FileVersionReader& operator=(const FileVersionReader&) = delete;

    // False when no module of that file name is loaded or it has no readable version resource.
    bool Open(const wchar_t* moduleFileName);
    // The string value of `key` in the first translation's block; false when there is none.
    bool Value(const char* key, std::wstring& value) const;

private:
    std::vector<BYTE> block_;
    VS_FIXEDFILEINFO fixed_{};
    WORD language_ = 0;
    WORD codePage_ = 0x04E4;
};

} // namespace rw::plugin
