#include "core/number_text.h"

#include <gtest/gtest.h>

#include <cfloat>

namespace rw {
namespace {

TEST(LeadingNumber, TakesTheLongestNumericPrefix) {
    EXPECT_EQ(LeadingNumber(L"12abc"), 12);
    EXPECT_EQ(LeadingNumber(L"abc"), 0);
    EXPECT_EQ(LeadingNumber(L""), 0);
    EXPECT_EQ(LeadingNumber(L"0.4"), 0.4);
    EXPECT_EQ(LeadingNumber(L"-3.5x"), -3.5);
    EXPECT_EQ(LeadingNumber(L"+7"), 7);
    EXPECT_EQ(LeadingNumber(L".5"), 0.5);
    EXPECT_EQ(LeadingNumber(L"1.2.3"), 1.2); // one decimal point only
    EXPECT_EQ(LeadingNumber(L"-"), 0);
    EXPECT_EQ(LeadingNumber(L"."), 0);
}

TEST(LeadingNumber, SkipsBlanksTabsAndLineFeedsAnywhere) {
    EXPECT_EQ(LeadingNumber(L"  42"), 42);
    EXPECT_EQ(LeadingNumber(L"1 2\t3\n4"), 1234);
    EXPECT_EQ(LeadingNumber(L"- 5"), -5);
    // A carriage return is not skipped: it ends the number.
    EXPECT_EQ(LeadingNumber(L"1\r2"), 1);
}

TEST(LeadingNumber, ReadsExponentsOnlyWhenComplete) {
    EXPECT_EQ(LeadingNumber(L"1e3"), 1000);
    EXPECT_EQ(LeadingNumber(L"2.5E-1"), 0.25);
    EXPECT_EQ(LeadingNumber(L"1e"), 1);
    EXPECT_EQ(LeadingNumber(L"1e+"), 1);
    EXPECT_EQ(LeadingNumber(L"3d2"), 300);
    EXPECT_EQ(LeadingNumber(L"e5"), 0);
}

TEST(LeadingNumber, SaturatesBeyondTheDoubleRange) {
    EXPECT_EQ(LeadingNumber(L"1e400"), DBL_MAX);
    EXPECT_EQ(LeadingNumber(L"-1e400"), -DBL_MAX);
    EXPECT_EQ(LeadingNumber(L"1e-400"), 0);
    EXPECT_EQ(LeadingNumber(L"1e99999999999999999999"), DBL_MAX);
    // Zeros after the point make a number smaller, however large its exponent looks.
    const std::wstring tiny = L"." + std::wstring(324, L'0') + L"1e1";
    EXPECT_EQ(LeadingNumber(tiny), 0);
    EXPECT_EQ(LeadingNumber(L"-" + tiny), 0);
    EXPECT_EQ(LeadingNumber(L"0." + std::wstring(400, L'0') + L"1e800"), DBL_MAX);
    EXPECT_EQ(LeadingNumber(L"000" + std::wstring(10, L'0') + L"1e-400"), 0);
}

TEST(NumberText, WritesTheShortestUsualForm) {
    EXPECT_EQ(NumberText(128), L"128");
    EXPECT_EQ(NumberText(12.5), L"12.5");
    EXPECT_EQ(NumberText(0), L"0");
    EXPECT_EQ(NumberText(-0.0), L"0");
    EXPECT_EQ(NumberText(-3), L"-3");
    EXPECT_EQ(NumberText(0.4), L"0.4");
    EXPECT_EQ(NumberText(0.1 + 0.2), L"0.3"); // 15 significant digits hide the binary tail
    EXPECT_EQ(NumberText(123456789012345.0), L"123456789012345");
    EXPECT_EQ(NumberText(1e15), L"1E+15");
    EXPECT_EQ(NumberText(1.5e-7), L"1.5E-07");
    EXPECT_EQ(NumberText(0.0001), L"0.0001");
    EXPECT_EQ(NumberText(1234.5f, 7), L"1234.5");
}

TEST(NumberText, ItsOwnTextReadsBackToTheSameText) {
    // The New dialog rewrites a field with the text form of its number; the rewrite must be a
    // fixed point or the change handler would never stop.
    for (const wchar_t* typed : {L"300", L"12abc", L"0.4", L"1e400", L"-7.25", L"1e-9", L"2.5",
                                 L"99999999999999999", L"abc"}) {
        const std::wstring once = NumberText(LeadingNumber(typed));
        EXPECT_EQ(NumberText(LeadingNumber(once)), once) << once;
    }
}

} // namespace
} // namespace rw
