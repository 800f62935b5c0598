#include "plugin_host/category_tree.h"

#include <cstdio>
#include <cstring>

namespace rw::plugin {

CategoryTree BuildCategoryTree(const std::vector<TreeEntry>& entries) {
    CategoryTree tree;
    tree.Insertions.reserve(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::string& category = entries[i].Category;
        std::size_t found = 0;
        while (found < tree.Categories.size() && tree.Categories[found] != category) {
            ++found;
        }
        const bool isNew = found == tree.Categories.size();
        if (isNew) {
            tree.Categories.push_back(category);
        }
        tree.Insertions.push_back({isNew, found, i});
    }
    return tree;
}

std::string VersionValuePath(std::uint16_t language, std::uint16_t codePage, std::string_view key) {
    char block[9];
    std::snprintf(block, sizeof block, "%04x%04x", static_cast<unsigned>(language),
                  static_cast<unsigned>(codePage));
    std::string path = "\\StringFileInfo\\";
    path += block;
    path += '\\';
    path += key;
    return path;
}

Translation FirstTranslation(const void* value, std::size_t bytes) {
    Translation result;
    if (value && bytes >= 4) {
        unsigned char raw[4];
        std::memcpy(raw, value, 4);
        // Version resources are little-endian whatever the reader runs on.
        result.Language = static_cast<std::uint16_t>(raw[0] | raw[1] << 8);
        result.CodePage = static_cast<std::uint16_t>(raw[2] | raw[3] << 8);
    }
    return result;
}

} // namespace rw::plugin
