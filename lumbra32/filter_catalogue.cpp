#include "lumbra32/filter_catalogue.h"

#include "lumbra32/pe_image.h"
#include "lumbra32/pipl.h"

#include <cstdlib>
#include <map>
#include <utility>

namespace lumbra {

namespace {

// Which of a resource's languages Windows' own look-up (FindResource, no language given) takes:
// language-neutral first, then the user's language, that language with a neutral sublanguage,
// US English, and otherwise the first in the file (the lowest language id). Lower is better.
int LanguageRank(uint16_t language, uint16_t user) {
    constexpr uint16_t kNeutral = 0x0000, kUsEnglish = 0x0409;
    if (language == kNeutral) {
        return 0;
    }
    if (language == user) {
        return 1;
    }
    if (language == (user & 0x3FF)) {
        return 2;
    }
    return language == kUsEnglish ? 3 : 4;
}

constexpr uint32_t kPhotoshopHost = FourCC('8', 'B', 'I', 'M');
constexpr uint32_t kAnyHost = FourCC(' ', ' ', ' ', ' ');

// Filters a host of ours can run: RGB among its modes, and no other host required.
bool RunsHere(const Pipl& pipl) {
    if (pipl.modesGiven && !pipl.supportsRgb) {
        return false;
    }
    return pipl.requiredHost == 0 || pipl.requiredHost == kPhotoshopHost ||
           pipl.requiredHost == kAnyHost;
}

// Categories that makers keep out of menus; they write "**Hidden**" and "**Hidden*".
bool Hidden(const std::string& category) {
    return category.rfind("**Hidden", 0) == 0;
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
        } else if (int rank = LanguageRank(res.language, language),
                   was = LanguageRank(chosen[it->second]->language, language);
                   rank < was ||
                   (rank == was && rank == 4 && res.language < chosen[it->second]->language)) {
            chosen[it->second] = &res;
        }
    }
    for (const PeResource* res : chosen) {
        Pipl pipl;
        if (!ParsePipl(bytes + res->offset, res->size, pipl) || pipl.kind != kKindFilter ||
            !RunsHere(pipl)) {
            continue;
        }
        const std::string& entry = machine == kMachineX86 ? pipl.entryX86 : pipl.entryX64;
        if (entry.empty() || Hidden(pipl.category)) {
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
