#include "lumbra32/filter_catalogue.h"

#include "lumbra32/pe_image.h"
#include "lumbra32/pipl.h"

#include <cstdlib>
#include <set>
#include <utility>

namespace lumbra {

std::vector<FilterInfo> ListFilters(const uint8_t* bytes, size_t size, uint16_t machine,
                                    const std::string& fallbackTitle) {
    std::vector<FilterInfo> filters;
    PeImage image;
    if (!ReadPeImage(bytes, size, "PIPL", image) || !image.isDll || image.machine != machine) {
        return filters;
    }
    std::set<std::pair<bool, std::string>> seen;
    for (const PeResource& res : image.resources) {
        auto key = std::make_pair(res.named, res.named ? res.name : std::to_string(res.id));
        if (!seen.insert(key).second) {
            continue; // another language of a resource already listed
        }
        Pipl pipl;
        if (!ParsePipl(bytes + res.offset, res.size, pipl) || pipl.kind != kKindFilter) {
            continue;
        }
        const std::string& entry = machine == kMachineX86 ? pipl.entryX86 : pipl.entryX64;
        if (entry.empty() || pipl.category.rfind("**Hidden**", 0) == 0) {
            continue;
        }
        FilterInfo info;
        info.title = pipl.name.empty() ? fallbackTitle : pipl.name;
        info.category = pipl.category;
        info.entry = entry;
        info.index = filters.size();
        filters.push_back(std::move(info));
    }
    return filters;
}

std::string FilterName(const std::string& path, const std::vector<FilterInfo>& filters, size_t i) {
    if (filters.size() <= 1) {
        return path;
    }
    for (size_t j = 0; j < filters.size(); ++j) {
        if (j != i && filters[j].entry == filters[i].entry) {
            return path + "|#" + std::to_string(filters[i].index);
        }
    }
    return path + "|" + filters[i].entry;
}

FilterNameParts SplitFilterName(const std::string& name) {
    size_t bar = name.find('|');
    if (bar == std::string::npos) {
        return {name, {}};
    }
    return {name.substr(0, bar), name.substr(bar + 1)};
}

int SelectFilter(const std::vector<FilterInfo>& filters, const std::string& selector) {
    if (filters.empty()) {
        return -1;
    }
    if (selector.empty()) {
        return 0;
    }
    if (selector[0] == '#' && selector.size() > 1 && selector.size() < 8) {
        char* end = nullptr;
        long n = std::strtol(selector.c_str() + 1, &end, 10);
        if (*end == 0 && n >= 0 && static_cast<size_t>(n) < filters.size()) {
            return static_cast<int>(n);
        }
        return -1;
    }
    for (size_t i = 0; i < filters.size(); ++i) {
        if (filters[i].entry == selector) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

} // namespace lumbra
