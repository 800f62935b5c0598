// The readers of plug-in files: PE headers and resources, property lists, the filter list and
// the names it is reported under.
#include "lumbra32/filter_catalogue.h"
#include "lumbra32/pe_image.h"
#include "lumbra32/pipl.h"
#include "lumbra32/tests/pe_builder.h"

#include <gtest/gtest.h>

namespace lumbra {
namespace {

using test::BuildPe;
using test::BuildPipl;
using test::Bytes;
using test::FilterPipl;

Pipl Parse(const Bytes& b) {
    Pipl p;
    EXPECT_TRUE(ParsePipl(b.data(), b.size(), p));
    return p;
}

TEST(Pipl, ReadsKindNameCategoryAndEntryPoints) {
    Pipl p = Parse(FilterPipl("Invert  \0", "Fixtures", "InvertMain", "InvertMain64"));
    EXPECT_EQ(p.kind, kKindFilter);
    EXPECT_EQ(p.name, "Invert");
    EXPECT_EQ(p.category, "Fixtures");
    EXPECT_EQ(p.entryX86, "InvertMain");
    EXPECT_EQ(p.entryX64, "InvertMain64");
}

TEST(Pipl, UnpaddedPropertiesAreFollowed) {
    Bytes b = BuildPipl({{"8BIM", "kind", test::FourCCBytes("8BFM")},
                         {"8BIM", "name", test::PascalBytes("Odd")},
                         {"8BIM", "catg", test::PascalBytes("Cat")},
                         {"8BIM", "wx86", test::CStringBytes("E")}},
                        false);
    Pipl p = Parse(b);
    EXPECT_EQ(p.name, "Odd");
    EXPECT_EQ(p.category, "Cat");
    EXPECT_EQ(p.entryX86, "E");
}

TEST(Pipl, OtherVendorsAreSkipped) {
    Bytes b = BuildPipl({{"ADBE", "name", test::PascalBytes("Wrong")},
                         {"8BIM", "name", test::PascalBytes("Right")},
                         {"XYZW", "kind", test::FourCCBytes("8BIF")},
                         {"8BIM", "kind", test::FourCCBytes("8BFM")}});
    Pipl p = Parse(b);
    EXPECT_EQ(p.name, "Right");
    EXPECT_EQ(p.kind, kKindFilter);
}

TEST(Pipl, TruncatedAndHostileLengthsStayInside) {
    Bytes full = FilterPipl("Name", "Category", "Entry", "");
    for (size_t cut = 0; cut < full.size(); ++cut) {
        Bytes part(full.begin(), full.begin() + cut);
        Pipl p;
        ParsePipl(part.data(), part.size(), p); // ASan checks every read
    }
    Bytes lying = BuildPipl({{"8BIM", "name", test::PascalBytes("Long")}});
    lying[10 + 12] = 0xFF; // length far past the end
    lying[10 + 15] = 0x7F;
    lying[6] = 0xFF; // count far beyond the data
    Pipl p = Parse(lying);
    EXPECT_EQ(p.name, "Long");
    Bytes badPrefix = BuildPipl({{"8BIM", "catg", Bytes{200, 'a', 'b'}}});
    EXPECT_EQ(Parse(badPrefix).category, "ab");
}

TEST(Pipl, RejectsWhatIsNoList) {
    Pipl p;
    Bytes wrongVersion = FilterPipl("a", "b", "c", "");
    wrongVersion[0] = 2;
    EXPECT_FALSE(ParsePipl(wrongVersion.data(), wrongVersion.size(), p));
    EXPECT_FALSE(ParsePipl(nullptr, 0, p));
}

TEST(PeImage, FindsMachineAndResourcesOfOneType) {
    Bytes file = BuildPe(kMachineX86, true,
                         {{16000, "", 0x409, FilterPipl("A", "C", "a", "")},
                          {16001, "", 0x409, FilterPipl("B", "C", "b", "")}});
    PeImage image;
    ASSERT_TRUE(ReadPeImage(file.data(), file.size(), "pipl", image));
    EXPECT_EQ(image.machine, kMachineX86);
    EXPECT_TRUE(image.isDll);
    ASSERT_EQ(image.resources.size(), 2u);
    EXPECT_EQ(image.resources[1].id, 16001u);
    Pipl p;
    ASSERT_TRUE(ParsePipl(file.data() + image.resources[1].offset, image.resources[1].size, p));
    EXPECT_EQ(p.name, "B");

    Bytes x64 = BuildPe(kMachineX64, true, {{16000, "", 0, FilterPipl("A", "C", "", "a")}});
    ASSERT_TRUE(ReadPeImage(x64.data(), x64.size(), "PIPL", image));
    EXPECT_TRUE(image.pe32Plus);
    EXPECT_EQ(image.resources.size(), 1u);
}

TEST(PeImage, NotAnImage) {
    PeImage image;
    Bytes text(200, 'x');
    EXPECT_FALSE(ReadPeImage(text.data(), text.size(), "PIPL", image));
    Bytes file = BuildPe(kMachineX86, true, {{16000, "", 0, FilterPipl("A", "C", "a", "")}});
    for (size_t cut : {size_t{0}, size_t{63}, size_t{100}, size_t{300}, file.size() - 1}) {
        ReadPeImage(file.data(), cut, "PIPL", image); // never reads past `cut`
    }
}

TEST(Catalogue, ListsFiltersForTheHostMachineOnly) {
    Bytes both = BuildPe(kMachineX86, true, {{16000, "", 0, FilterPipl("A", "C", "a", "a64")}});
    EXPECT_EQ(ListFilters(both.data(), both.size(), kMachineX86, "f").size(), 1u);
    EXPECT_TRUE(ListFilters(both.data(), both.size(), kMachineX64, "f").empty());
    Bytes noEntry = BuildPe(kMachineX64, true, {{16000, "", 0, FilterPipl("A", "C", "a", "")}});
    EXPECT_TRUE(ListFilters(noEntry.data(), noEntry.size(), kMachineX64, "f").empty());
    Bytes exe = BuildPe(kMachineX64, false, {{16000, "", 0, FilterPipl("A", "C", "", "a")}});
    EXPECT_TRUE(ListFilters(exe.data(), exe.size(), kMachineX64, "f").empty());
}

TEST(Catalogue, OneFilterPerResourceWhateverItsLanguages) {
    Bytes file = BuildPe(
        kMachineX64, true,
        {{16000, "", 0x409, FilterPipl("One", "C", "", "one")},
         {16000, "", 0x407, FilterPipl("Eins", "C", "", "one")},
         {16001, "", 0x409, FilterPipl("Two", "C", "", "two")},
         {16002, "", 0x409, FilterPipl("Hid", "**Hidden**", "", "hid")},
         {16003, "", 0x409, test::BuildPipl({{"8BIM", "kind", test::FourCCBytes("8BEF")}})}});
    auto filters = ListFilters(file.data(), file.size(), kMachineX64, "f");
    ASSERT_EQ(filters.size(), 2u);
    EXPECT_EQ(filters[0].title, "One");
    EXPECT_EQ(filters[1].title, "Two");
    EXPECT_EQ(filters[1].entry, "two");
    EXPECT_EQ(filters[1].index, 1u);
    auto german = ListFilters(file.data(), file.size(), kMachineX64, "f", 0x407);
    ASSERT_EQ(german.size(), 2u);
    EXPECT_EQ(german[0].title, "Eins");
    EXPECT_EQ(ListFilters(file.data(), file.size(), kMachineX64, "f", 0x40C)[0].title, "One")
        << "English when the user's language is not there";
}

TEST(Catalogue, LeavesOutFiltersForOtherModesOrHostsAndHiddenOnes) {
    auto filter = [](const std::string& name, const std::string& category,
                     std::vector<test::PiplProperty> extra) {
        return FilterPipl(name, category, "", name, std::move(extra));
    };
    Bytes cmykOnly{0x08, 0x00}; // mode flags, first mode in the top bit: CMYK is mode 4
    Bytes rgbAndGray{0x50, 0x00};
    Bytes file = BuildPe(
        kMachineX64, true,
        {{16000, "", 0, filter("cmyk", "C", {{"8BIM", "mode", cmykOnly}})},
         {16001, "", 0, filter("rgb", "C", {{"8BIM", "mode", rgbAndGray}})},
         {16002, "", 0, filter("other", "C", {{"8BIM", "host", test::FourCCBytes("PMIG")}})},
         {16003, "", 0, filter("ps", "C", {{"8BIM", "host", test::FourCCBytes("8BIM")}})},
         {16004, "", 0, filter("any", "C", {{"8BIM", "host", test::FourCCBytes("    ")}})},
         {16005, "", 0, filter("hidden", "**Hidden*", {})}});
    auto filters = ListFilters(file.data(), file.size(), kMachineX64, "f");
    std::vector<std::string> titles;
    for (const FilterInfo& f : filters) {
        titles.push_back(f.title);
    }
    EXPECT_EQ(titles, (std::vector<std::string>{"rgb", "ps", "any"}));
}

TEST(Catalogue, LanguageNeutralComesBeforeEnglishAsWindowsLooksItUp) {
    // A file keeping a stale English property list beside the current neutral one.
    Bytes file = BuildPe(kMachineX64, true,
                         {{16000, "", 0x409, FilterPipl("Stale", "C", "", "e")},
                          {16000, "", 0x000, FilterPipl("Current", "C", "", "e")},
                          {16001, "", 0x40C, FilterPipl("Deux", "C", "", "f")},
                          {16001, "", 0x407, FilterPipl("Zwei", "C", "", "f")}});
    auto filters = ListFilters(file.data(), file.size(), kMachineX64, "f", 0x409);
    ASSERT_EQ(filters.size(), 2u);
    EXPECT_EQ(filters[0].title, "Current");
    EXPECT_EQ(filters[1].title, "Zwei") << "neither neutral, user's nor English: the lowest id";
    EXPECT_EQ(ListFilters(file.data(), file.size(), kMachineX64, "f", 0x40C)[1].title, "Deux");
}

TEST(Catalogue, UnnamedFilterTakesTheFallbackTitle) {
    Bytes file = BuildPe(kMachineX64, true, {{16000, "", 0, FilterPipl("", "C", "", "e")}});
    auto filters = ListFilters(file.data(), file.size(), kMachineX64, "Plain");
    ASSERT_EQ(filters.size(), 1u);
    EXPECT_EQ(filters[0].title, "Plain");
}

TEST(Catalogue, NamesFindTheirFilterAgain) {
    std::vector<FilterInfo> one = {{"A", "C", "a", 0}};
    EXPECT_EQ(FilterName("C:\\p\\x.8bf", one, 0), "C:\\p\\x.8bf");
    std::vector<FilterInfo> two = {{"A", "C", "a", 0}, {"B", "C", "b", 1}};
    std::vector<FilterInfo> same = {{"A", "C", "e", 0}, {"B", "C", "e", 1}};
    for (const auto* list : {&one, &two, &same}) {
        for (size_t i = 0; i < list->size(); ++i) {
            FilterNameParts parts = SplitFilterName(FilterName("C:\\p\\x.8bf", *list, i));
            EXPECT_EQ(parts.path, "C:\\p\\x.8bf");
            EXPECT_EQ(SelectFilter(*list, parts.selector), static_cast<int>(i));
        }
    }
    EXPECT_EQ(FilterName("x", two, 1), "x|b");
    EXPECT_EQ(FilterName("x", same, 1), "x|#1");
    EXPECT_EQ(SelectFilter(two, "missing"), -1);
    EXPECT_EQ(SelectFilter(two, "#2"), -1);
    EXPECT_EQ(SelectFilter(two, "#-1"), -1);
    EXPECT_EQ(SelectFilter({}, ""), -1);
}

} // namespace
} // namespace lumbra
