#pragma once
// The Filter menu as the PlugIn control's catalogue makes it: its categories and titles in the
// order of the control's Select Plug-In dialog, and what the status bar says when no filter can
// run.
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace rw {

// One catalogue entry, as the control reports it.
struct FilterEntry {
    std::wstring title;
    std::wstring fileName; // what the control runs it by
    std::wstring category;
};

struct FilterCategory {
    std::wstring name;
    std::vector<std::size_t> entries; // catalogue indexes, in menu order
};

// Compares two texts as the dialog's tree view sorts its items: negative, zero or positive.
using TextOrder = std::function<int(std::wstring_view, std::wstring_view)>;

// One category for each distinct category text (letter case counts, as it does in the dialog);
// the categories, and the titles in each, sorted by `order`, texts that sort alike keeping the
// catalogue's order (the tree view puts a new item after its equals).
std::vector<FilterCategory> GroupCatalogue(const std::vector<FilterEntry>& catalogue,
                                           const TextOrder& order);

// The catalogue entry run by that file name, or `catalogue.size()` when there is none.
std::size_t FindFilter(const std::vector<FilterEntry>& catalogue, std::wstring_view fileName);

// Why no filter can run now, looked at in this order.
enum class FilterState { NoControl, NoFolder, FolderRefused, NoFilters, NoDocument, Ready };

// What the status bar says in that state; empty when filters can run. `reason` is the control's
// own message for a refused folder.
std::wstring FilterHint(FilterState state, std::wstring_view folder, std::wstring_view reason);

} // namespace rw
