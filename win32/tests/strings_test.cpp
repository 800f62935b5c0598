#include "win32/strings.h"

#include <gtest/gtest.h>

namespace rw::win {
namespace {

TEST(Strings, TextRoundTripsThroughUtf8) {
    const std::wstring text = L"H\u00f6he \u0416 \U0001F5FB";
    EXPECT_EQ(Widen(Narrow(text)), text);
    EXPECT_EQ(Narrow(L""), "");
}

TEST(Strings, CodePageTextKeepsWhatTheCodePageHolds) {
    // In code page 1252, e acute is one byte and Cyrillic Zhe has none.
    EXPECT_EQ(WidenCodePage("caf\xE9", 1252), L"caf\u00e9");
    bool lossy = true;
    EXPECT_EQ(NarrowCodePage(L"caf\u00e9", 1252, &lossy), "caf\xE9");
    EXPECT_FALSE(lossy);
    EXPECT_EQ(NarrowCodePage(L"\u0416", 1252, &lossy), "?");
    EXPECT_TRUE(lossy);
    // Embedded NULs stay, so that a caller can refuse a name a C string would cut short.
    EXPECT_EQ(NarrowCodePage(std::wstring_view(L"a\0b", 3)), std::string("a\0b", 3));
    EXPECT_EQ(WidenCodePage(std::string_view("a\0b", 3)), std::wstring(L"a\0b", 3));
    EXPECT_EQ(WidenCodePage(""), L"");
    EXPECT_EQ(NarrowCodePage(L"", CP_ACP, &lossy), "");
    EXPECT_FALSE(lossy);
}

} // namespace
} // namespace rw::win
