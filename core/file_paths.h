#pragma once
// Path text rules for reading and writing image files, without the file system.
#include <cstdint>
#include <string>
#include <string_view>

namespace rw {

// The form of a full path that reaches the file system whatever its length: drive paths
// ("C:\...") and network paths ("\\server\share\...") at or beyond the classic 260-character
// limit get the "\\?\" prefix (which also turns '/' into '\', as that form is taken literally).
// Shorter, relative and already-prefixed paths come back unchanged.
std::wstring LongPathForm(const std::wstring& path);

// The folder part of a path, with its trailing separator; "." for a bare file name.
std::wstring FolderOf(const std::wstring& path);

// The folder part as the file dialogs keep it: the text before the last backslash
// ("C:\a.tif" gives "C:"), or "" when there is none.
std::wstring FolderPart(std::wstring_view path);

// A temporary file name in `folder` (which ends with a separator), distinct for each `serial`
// and each process; the name begins with "~" and ends with ".tmp".
std::wstring TemporaryName(const std::wstring& folder, uint32_t processId, uint32_t serial);

} // namespace rw
