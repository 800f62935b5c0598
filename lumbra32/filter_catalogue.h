#pragma once
// Which filters a plug-in file offers to a host of a given architecture, and the names under
// which the host reports and later finds each one.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace lumbra {

struct FilterInfo {
    std::string title; // code page 1252 bytes from the file
    std::string category;
    std::string entry; // exported entry point for the host's architecture
    size_t index = 0;  // position among the filters of this file that the host lists
};

// The filters of a file (its bytes) that a host running on `machine` (kMachineX86 or
// kMachineX64) can run: a DLL built for that machine, one filter per PiPL resource that names
// an entry point for it, works on RGB images and needs no other host; hidden categories left
// out. A resource present in several languages counts once, in the language Windows' resource
// look-up would take for a user of `language` (a Windows language id). Empty for anything
// else. `fallbackTitle` names a filter whose PiPL carries no name.
std::vector<FilterInfo> ListFilters(const uint8_t* bytes, size_t size, uint16_t machine,
                                    const std::string& fallbackTitle, uint16_t language = 0x409);

// The name under which a filter is reported: the file's path when the file offers one filter,
// else "path|entry" ('|' cannot occur in a Windows path), or "path|#n" (n = FilterInfo::index)
// when two filters of the file share an entry point.
std::string FilterName(const std::string& path, const std::vector<FilterInfo>& filters, size_t i);

struct FilterNameParts {
    std::string path;
    std::string selector; // empty: the file's first filter
};
FilterNameParts SplitFilterName(const std::string& name);

// The filter a selector picks out of a file's list; -1 when none.
int SelectFilter(const std::vector<FilterInfo>& filters, const std::string& selector);

} // namespace lumbra
