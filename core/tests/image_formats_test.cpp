#include "core/image_formats.h"

#include <gtest/gtest.h>

namespace rw {
namespace {

TEST(ImageFormats, TiffIsTheFifthTypeOffered) {
    const auto formats = KnownImageFormats();
    ASSERT_GE(formats.size(), 5u);
    EXPECT_EQ(formats[4].format, ImageFormat::Tiff);
    for (const ImageFormatInfo& info : formats) {
        const std::string entry = FormatFilterEntry(info);
        EXPECT_EQ(entry.find('~'), std::string(info.description).size()) << entry;
        EXPECT_NE(entry.find("*."), std::string::npos) << entry;
    }
}

TEST(ImageFormats, TheExtensionPicksTheTypeWhateverItsCase) {
    EXPECT_EQ(FormatForFileName(L"C:\\maps\\a.tif"), ImageFormat::Tiff);
    EXPECT_EQ(FormatForFileName(L"C:\\maps\\a.TIFF"), ImageFormat::Tiff);
    EXPECT_EQ(FormatForFileName(L"a.Png"), ImageFormat::Png);
    EXPECT_EQ(FormatForFileName(L"a.jpeg"), ImageFormat::Jpeg);
    EXPECT_EQ(FormatForFileName(L"\u00e9t\u00e9.bmp"), ImageFormat::Bmp);
    EXPECT_EQ(FormatForFileName(L"a.gif"), ImageFormat::Gif);
}

TEST(ImageFormats, NamesWithoutAKnownExtensionPickNothing) {
    EXPECT_EQ(FormatForFileName(L"C:\\maps\\a"), std::nullopt);
    EXPECT_EQ(FormatForFileName(L"C:\\maps.tif\\a"), std::nullopt); // the dot is in a folder
    EXPECT_EQ(FormatForFileName(L"a.tifx"), std::nullopt);
    EXPECT_EQ(FormatForFileName(L"a.xyz"), std::nullopt);
    EXPECT_EQ(FormatForFileName(L""), std::nullopt);
}

} // namespace
} // namespace rw
