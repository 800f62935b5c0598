#pragma once
// How the Select Plug-In tree groups a catalogue: one top-level item per distinct category text
// (compared byte by byte, so letter case makes a difference), the plug-ins under it in catalogue
// order. The tree view itself sorts siblings; this only decides which items exist and where each
// plug-in goes. Also the version-resource query path that the About box reads.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace rw::plugin {

// One catalogue entry as the tree sees it: 8-bit texts, an absent string being empty.
struct TreeEntry {
    std::string Category;
    std::string Title;
};

// What the tree is built from, in insertion order.
struct TreeInsertion {
    bool NewCategory;          // insert a new top-level item before this plug-in
    std::size_t CategoryIndex; // which category item (in order of first appearance) is the parent
    std::size_t EntryIndex;    // the catalogue index, the plug-in item's value
};

struct CategoryTree {
    std::vector<std::string> Categories; // in order of first appearance
    std::vector<TreeInsertion> Insertions;
};

CategoryTree BuildCategoryTree(const std::vector<TreeEntry>& entries);

// "\StringFileInfo\llllcccc\key" with four lower-case hexadecimal digits each.
std::string VersionValuePath(std::uint16_t language, std::uint16_t codePage, std::string_view key);

// The first entry of a "\VarFileInfo\Translation" value: language in the low 16 bits, code page
// in the high 16 bits. Fewer than four bytes leave the defaults (`language` 0, `codePage` 1252).
struct Translation {
    std::uint16_t Language = 0;
    std::uint16_t CodePage = 0x04E4;
};
Translation FirstTranslation(const void* value, std::size_t bytes);

} // namespace rw::plugin
