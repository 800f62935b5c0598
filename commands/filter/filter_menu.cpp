#include "commands/filter/filter_menu.h"

#include <algorithm>
#include <iterator>

namespace rw {

std::vector<FilterCategory> GroupCatalogue(const std::vector<FilterEntry>& catalogue,
                                           const TextOrder& order) {
    std::vector<FilterCategory> categories;
    for (std::size_t i = 0; i < catalogue.size(); ++i) {
        const auto same = [&](const FilterCategory& c) { return c.name == catalogue[i].category; };
        auto found = std::find_if(categories.begin(), categories.end(), same);
        if (found == categories.end()) {
            categories.push_back({catalogue[i].category, {}});
            found = std::prev(categories.end());
        }
        found->entries.push_back(i);
    }
    const auto before = [&](std::wstring_view a, std::wstring_view b) { return order(a, b) < 0; };
    std::stable_sort(
        categories.begin(), categories.end(),
        [&](const FilterCategory& a, const FilterCategory& b) { return before(a.name, b.name); });
    for (FilterCategory& category : categories) {
        std::stable_sort(category.entries.begin(), category.entries.end(),
                         [&](std::size_t a, std::size_t b) {
                             return before(catalogue[a].title, catalogue[b].title);
                         });
    }
    return categories;
}

std::size_t FindFilter(const std::vector<FilterEntry>& catalogue, std::wstring_view fileName) {
    const auto found = std::find_if(catalogue.begin(), catalogue.end(),
                                    [&](const FilterEntry& e) { return e.fileName == fileName; });
    return static_cast<std::size_t>(found - catalogue.begin());
}

std::wstring FilterHint(FilterState state, std::wstring_view folder, std::wstring_view reason) {
    // Short: the status bar's text panel is a part of the main window's width.
    switch (state) {
    case FilterState::NoControl:
        return L"Filters need lumbraplug.ocx, which is not registered.";
    case FilterState::NoFolder:
        return L"No filter folder: choose one with Plug-In Folder.";
    case FilterState::FolderRefused:
        return std::wstring(reason) + L" (" + std::wstring(folder) + L")";
    case FilterState::NoFilters:
        return L"No filter plug-ins in " + std::wstring(folder) + L".";
    case FilterState::NoDocument:
        return L"Filters work on a picture: open or make one.";
    case FilterState::Ready:
        break;
    }
    return {};
}

} // namespace rw
