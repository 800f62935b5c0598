// The Filter menu's grouping of the catalogue, its literal texts and its hints.
#include <gtest/gtest.h>

#include <cwctype>

#include "commands/filter/filter_menu.h"
#include "commands/menu_text.h"

namespace {

using rw::FilterEntry;

// Letter case aside, as the dialog's tree view sorts.
int CaseBlind(std::wstring_view a, std::wstring_view b) {
    for (std::size_t k = 0; k < a.size() && k < b.size(); ++k) {
        const auto x = std::towlower(a[k]), y = std::towlower(b[k]);
        if (x != y) {
            return x < y ? -1 : 1;
        }
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

TEST(FilterMenu, CategoriesAndTitlesInTheDialogsOrder) {
    const std::vector<FilterEntry> catalogue = {
        {L"Sharpen", L"s.8bf", L"Blur"}, {L"gaussian", L"g.8bf", L"blur"},
        {L"Box", L"b.8bf", L"Blur"},     {L"Invert", L"i.8bf", L"Adjust"},
        {L"box", L"b2.8bf", L"Blur"},
    };
    const auto groups = rw::GroupCatalogue(catalogue, CaseBlind);
    ASSERT_EQ(groups.size(), 3u);
    EXPECT_EQ(groups[0].name, L"Adjust");
    // Two categories that differ only in case are two, in the order the catalogue gave them.
    EXPECT_EQ(groups[1].name, L"Blur");
    EXPECT_EQ(groups[2].name, L"blur");
    // Titles that sort alike stay in catalogue order.
    EXPECT_EQ(groups[1].entries, (std::vector<std::size_t>{2, 4, 0}));
    EXPECT_EQ(rw::FindFilter(catalogue, L"b2.8bf"), 4u);
    EXPECT_EQ(rw::FindFilter(catalogue, L"B2.8bf"), catalogue.size());
    EXPECT_TRUE(rw::GroupCatalogue({}, CaseBlind).empty());
}

TEST(FilterMenu, NamesShowAsWrittenAndHintsSayWhatIsMissing) {
    EXPECT_EQ(rw::MenuText(L"Salt & Pepper\tNoise"), L"Salt && Pepper Noise");
    EXPECT_EQ(rw::NamedCaption(L"&Repeat", L"A&B"), L"&Repeat A&&B");
    EXPECT_EQ(rw::NamedCaption(L"&Undo", L""), L"&Undo");
    using rw::FilterState;
    EXPECT_EQ(rw::FilterHint(FilterState::Ready, L"C:\\f", L""), L"");
    EXPECT_NE(rw::FilterHint(FilterState::NoFilters, L"C:\\f", L"").find(L"C:\\f"),
              std::wstring::npos);
    EXPECT_EQ(rw::FilterHint(FilterState::FolderRefused, L"C:\\f", L"Refused."),
              L"Refused. (C:\\f)");
    for (FilterState state :
         {FilterState::NoControl, FilterState::NoFolder, FilterState::NoDocument}) {
        EXPECT_FALSE(rw::FilterHint(state, L"", L"").empty());
    }
}

} // namespace
