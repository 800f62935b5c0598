// The grouping behind the Select Plug-In tree and the version value paths of the About box.
#include "plugin_host/category_tree.h"

#include <gtest/gtest.h>

using namespace rw::plugin;

namespace {

std::vector<std::size_t> Under(const CategoryTree& tree, std::size_t category) {
    std::vector<std::size_t> entries;
    for (const TreeInsertion& step : tree.Insertions) {
        if (step.CategoryIndex == category) {
            entries.push_back(step.EntryIndex);
        }
    }
    return entries;
}

} // namespace

TEST(CategoryTree, EntriesOfOneCategoryShareOneItem) {
    const CategoryTree tree = BuildCategoryTree({{"B", "one"}, {"A", "two"}, {"B", "three"}});
    ASSERT_EQ(tree.Categories, (std::vector<std::string>{"B", "A"}));
    ASSERT_EQ(tree.Insertions.size(), 3u);
    EXPECT_TRUE(tree.Insertions[0].NewCategory);
    EXPECT_TRUE(tree.Insertions[1].NewCategory);
    EXPECT_FALSE(tree.Insertions[2].NewCategory);
    EXPECT_EQ(Under(tree, 0), (std::vector<std::size_t>{0, 2}));
    EXPECT_EQ(Under(tree, 1), (std::vector<std::size_t>{1}));
}

TEST(CategoryTree, CategoriesCompareByteForByte) {
    const CategoryTree tree =
        BuildCategoryTree({{"Blur", "a"}, {"blur", "b"}, {"Blur ", "c"}, {"", "d"}, {"", "e"}});
    EXPECT_EQ(tree.Categories, (std::vector<std::string>{"Blur", "blur", "Blur ", ""}));
    EXPECT_EQ(Under(tree, 3), (std::vector<std::size_t>{3, 4}));
}

TEST(CategoryTree, EqualTitlesStayTwoPlugIns) {
    const CategoryTree tree = BuildCategoryTree({{"A", "Same"}, {"A", "Same"}});
    EXPECT_EQ(tree.Categories.size(), 1u);
    EXPECT_EQ(Under(tree, 0), (std::vector<std::size_t>{0, 1}));
}

TEST(CategoryTree, EmptyCatalogueMakesNoItems) {
    const CategoryTree tree = BuildCategoryTree({});
    EXPECT_TRUE(tree.Categories.empty());
    EXPECT_TRUE(tree.Insertions.empty());
}

TEST(VersionLookup, PathUsesFourLowerCaseDigitsEach) {
    EXPECT_EQ(VersionValuePath(0x0409, 0x04B0, "FileVersion"),
              "\\StringFileInfo\\040904b0\\FileVersion");
    EXPECT_EQ(VersionValuePath(0x7, 0xFFFF, "X"), "\\StringFileInfo\\0007ffff\\X");
}

TEST(VersionLookup, FirstTranslationOrDefaults) {
    const unsigned char two[8] = {0x09, 0x04, 0xB0, 0x04, 0x07, 0x04, 0xE4, 0x04};
    const Translation t = FirstTranslation(two, sizeof two);
    EXPECT_EQ(t.Language, 0x0409);
    EXPECT_EQ(t.CodePage, 0x04B0);
    const Translation shortValue = FirstTranslation(two, 3);
    EXPECT_EQ(shortValue.Language, 0);
    EXPECT_EQ(shortValue.CodePage, 0x04E4);
    const Translation none = FirstTranslation(nullptr, 0);
    EXPECT_EQ(none.CodePage, 1252);
}
