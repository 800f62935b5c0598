#include "lumbra32/filter_catalogue.h"

#include "lumbra32/pe_image.h"
#include "lumbra32/pipl.h"

#include <cstdlib>
#include <map>
#include <utility>

namespace lumbra {

namespace {

// How well a resource language suits a user of `wanted`: the exact language, then the same
// primary language, then English, then language-neutral, then anything.
int LanguageRank(uint16_t language, uint16_t wanted) {
    if (language == wanted) {
        return 0;
    }
    if ((language & 0x3FF) == (wanted & 0x3FF)) {
        return 1;
    }
    if ((language & 0x3FF) == 0x09) {
        return 2;
    }
    return language == 0 ? 3 : 4;
}

} // namespace

std::vector<FilterInfo> ListFilters(const uint8_t* bytes, size_t size, uint16_t machine,
                                    const std::string& fallbackTitle, uint16_t language) {
    std::vector<FilterInfo> filters;
    PeImage image;
    if (!ReadPeImage(bytes, size, "PIPL", image) || !image.isDll || image.machine != machine) {
        return filters;
    }
    // One choice per resource, among its languages, in the order the resources come.
    std::vector<const PeResource*> chosen;
    std::map<std::pair<bool, std::string>, size_t> slot;
    for (const PeResource& res : image.resources) {
        auto key = std::make_pair(res.named, res.named ? res.name : std::to_string(res.id));
        auto [it, isNew] = slot.emplace(key, chosen.size());
        if (isNew) {
            chosen.push_back(&res);
        } else if (LanguageRank(res.language, language) <
                   LanguageRank(chosen[it->second]->language, language)) {
            chosen[it->second] = &res;
        }
    }
    for (const PeResource* res : chosen) {
        Pipl pipl;
        if (!ParsePipl(bytes + res->offset, res->size, pipl) || pipl.kind != kKindFilter) {
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
