#include "generators/dialog_placement.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <random>

namespace rw {
namespace {

// The editor's first start on a 1280 x 1024 screen: the main window 433 pixels square at 67, 67.
constexpr ScreenRect kWork{0, 0, 1280, 994};
constexpr ScreenRect kMain{67, 67, 500, 500};
constexpr ScreenRect kPicture{80, 140, 487, 487};

TEST(GeneratorDialogPlacement, ToTheRightOfTheMainWindowWhenThereIsRoom) {
    EXPECT_EQ(PlaceGeneratorDialog(kWork, kMain, kPicture, 463, 420),
              (ScreenRect{500, 67, 963, 487}));
    // Its top as the main window's, but all of it on the screen.
    EXPECT_EQ(PlaceGeneratorDialog(kWork, {67, 800, 500, 990}, kPicture, 463, 420).bottom, 994);
    // A pixel too wide for the room there.
    const ScreenRect placed = PlaceGeneratorDialog(kWork, kMain, kPicture, 781, 420);
    EXPECT_EQ(0, CoveredArea(placed, kPicture));
    EXPECT_NE(500, placed.left);
}

// Every place the dialog can take in the work area, tried one by one: the least it can cover of
// the picture, and how near to the picture's top right corner it can then be.
struct Best {
    int64_t covered;
    int64_t distance;
};
struct Search {
    ScreenRect work, picture;
    int32_t w, h;
    int32_t LastLeft() const { return std::max(work.left, work.right - w); }
    int32_t LastTop() const { return std::max(work.top, work.bottom - h); }
    int64_t Distance(int32_t x, int32_t y) const {
        const int64_t dx = x - std::clamp(picture.right, work.left, LastLeft());
        const int64_t dy = y - std::clamp(picture.top, work.top, LastTop());
        return dx * dx + dy * dy;
    }
    Best Exhaustive() const {
        Best best{std::numeric_limits<int64_t>::max(), 0};
        for (int32_t x = work.left; x <= LastLeft(); ++x) {
            for (int32_t y = work.top; y <= LastTop(); ++y) {
                const Best here{CoveredArea({x, y, x + w, y + h}, picture), Distance(x, y)};
                if (here.covered < best.covered ||
                    (here.covered == best.covered && here.distance < best.distance)) {
                    best = here;
                }
            }
        }
        return best;
    }
};

TEST(GeneratorDialogPlacement, WithoutRoomItCoversTheLeastOfThePictureThatAnyPlaceCould) {
    std::mt19937 random(7);
    const auto between = [&random](int32_t low, int32_t high) {
        return std::uniform_int_distribution<int32_t>(low, high)(random);
    };
    const ScreenRect work{-40, 10, 80, 100}; // small, so that every place can be tried
    for (int round = 0; round < 300; ++round) {
        const ScreenRect main{between(-60, 30), between(0, 60), between(60, 100), between(70, 120)};
        const int32_t left = between(-50, 70), top = between(0, 90);
        const ScreenRect picture{left, top, left + between(0, 60), top + between(0, 50)};
        const int32_t w = between(10, 130), h = between(10, 100);
        const ScreenRect placed = PlaceGeneratorDialog(work, main, picture, w, h);
        ASSERT_EQ(w, placed.Width());
        ASSERT_EQ(h, placed.Height());
        if (int64_t{main.right} + w <= work.right) {
            continue; // the room at the right is taken whatever it covers
        }
        const Search search{work, picture, w, h};
        const Best best = search.Exhaustive();
        EXPECT_EQ(best.covered, CoveredArea(placed, picture)) << round;
        EXPECT_EQ(best.distance, search.Distance(placed.left, placed.top)) << round;
        // Whole on the screen where it fits, its top left corner on it where it does not.
        EXPECT_EQ(placed.left, std::clamp(placed.left, work.left, search.LastLeft()));
        EXPECT_EQ(placed.top, std::clamp(placed.top, work.top, search.LastTop()));
    }
}

} // namespace
} // namespace rw
