#include "shell/settings.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/placement.h"
#include "shell/version.h"

namespace rw {
namespace {

TEST(Settings, GeometryFallsBackUnlessTheWholeTextIsANumber) {
    EXPECT_EQ(ParseGeometry(L"1000", 7), 1000);
    EXPECT_EQ(ParseGeometry(L" 1234.5 ", 7), 1234.5f);
    EXPECT_EQ(ParseGeometry(L"-60", 7), -60);
    EXPECT_EQ(ParseGeometry(L"", 7), 7);
    EXPECT_EQ(ParseGeometry(L"abc", 7), 7);
    EXPECT_EQ(ParseGeometry(L"12abc", 7), 7);
    EXPECT_EQ(ParseGeometry(L"0x10", 7), 7);
    EXPECT_EQ(ParseGeometry(L"inf", 7), 7);
    EXPECT_EQ(ParseGeometry(L"1e39", 7), 7); // beyond single precision
    EXPECT_EQ(ParseGeometry(L"3e9", 7), 7);  // beyond any screen: would overflow pixels
    EXPECT_EQ(ParseGeometry(L"-9999999", 7), -9999999);
    EXPECT_EQ(ParseGeometry(L"1e", 7), 7);
}

TEST(Settings, SingleTextReadsBackExactly) {
    EXPECT_EQ(SingleText(1000), L"1000");
    EXPECT_EQ(SingleText(6500), L"6500");
    EXPECT_EQ(SingleText(-60), L"-60");
    EXPECT_EQ(SingleText(1234.5f), L"1234.5");
    for (float v : {1000.0f, 14.4f, 12345.67f, -7.5f, 0.0f}) {
        EXPECT_EQ(ParseGeometry(SingleText(v), -1), v) << v;
    }
}

TEST(Settings, FilterListPairsDescriptionsWithPatterns) {
    const std::vector<std::wstring> two = {L"A~P", L"B~Q"};
    EXPECT_EQ(BuildFilterList(two), L"A|P|B|Q");
    const std::vector<std::wstring> tilde = {L"A~P~R"};
    EXPECT_EQ(BuildFilterList(tilde), L"A|P~R");
    EXPECT_EQ(BuildFilterList({}), L"");
    const std::vector<std::wstring> bare = {L"*.raw"};
    EXPECT_EQ(BuildFilterList(bare), L"*.raw|*.raw");
}

TEST(Placement, WindowsOffEveryScreenAreMovedOntoTheWorkArea) {
    const ScreenRect work{0, 0, 1024, 738};
    EXPECT_EQ(MoveOntoWorkArea({2000, 100, 2400, 500}, work), (ScreenRect{624, 100, 1024, 500}));
    EXPECT_EQ(MoveOntoWorkArea({-900, -900, -500, -500}, work), (ScreenRect{0, 0, 400, 400}));
    // Larger than the work area: shrunk to it.
    EXPECT_EQ(MoveOntoWorkArea({-10, 5000, 3000, 7000}, work), (ScreenRect{0, 0, 1024, 738}));
    // A second monitor at negative coordinates.
    const ScreenRect left{-1280, 0, 0, 1000};
    EXPECT_EQ(MoveOntoWorkArea({-3000, 200, -2600, 600}, left),
              (ScreenRect{-1280, 200, -880, 600}));
}

TEST(Placement, CentredOnTheOwnerAndKeptOnTheWorkArea) {
    const ScreenRect work{0, 0, 1280, 994};
    EXPECT_EQ(CentreOn({67, 67, 500, 500}, 201, 101, work), (ScreenRect{183, 233, 384, 334}));
    // An owner at the screen's edge: the box stays whole on the screen.
    EXPECT_EQ(CentreOn({1100, 900, 1500, 1200}, 300, 200, work), (ScreenRect{980, 794, 1280, 994}));
    // Coordinates far off the screen (a minimised window's) do not overflow.
    EXPECT_EQ(CentreOn({-32000, -32000, 2147483000, 2147483000}, 100, 100, work).Width(), 100);
}

TEST(Version, LinesOfTheAboutBoxAndTheSplash) {
    EXPECT_EQ(AboutVersionLine(1, 1, 0), L"Version 1.1 rev 0");
    EXPECT_EQ(SplashVersionLine(1, 1, 0), L"Version 1.1.0");
    EXPECT_EQ(AboutVersionLine(2, 10, 3), L"Version 2.10 rev 3");
}

} // namespace
} // namespace rw
