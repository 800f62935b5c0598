#include "core/random.h"

#include <cmath>
#include <set>

#include <gtest/gtest.h>

#include "generators/tests/test_support.h"

namespace rw {
namespace {

TEST(ProgramRandom, GivesMultiplesOfTwoToTheMinus24InUnitInterval) {
    ProgramRandom random(12345);
    double sum = 0;
    std::set<float> seen;
    for (int k = 0; k < 20000; ++k) {
        const float r = random.Rnd();
        ASSERT_GE(r, 0.0f);
        ASSERT_LT(r, 1.0f);
        const double scaled = std::ldexp(static_cast<double>(r), 24);
        ASSERT_EQ(scaled, std::floor(scaled));
        sum += r;
        seen.insert(r);
    }
    EXPECT_NEAR(sum / 20000, 0.5, 0.01);
    EXPECT_GT(seen.size(), 19900u);
}

TEST(ProgramRandom, ReseedingRepeatsTheStream) {
    ProgramRandom a(7);
    ProgramRandom b(8);
    const float first[3] = {a.Rnd(), a.Rnd(), a.Rnd()};
    EXPECT_NE(first[0], b.Rnd());
    a.Reseed(7);
    for (float expected : first) {
        EXPECT_EQ(a.Rnd(), expected);
    }
    EXPECT_EQ(&TheRandom(), &TheRandom());
}

TEST(SkewedRandom, IsTheDistanceFromTheCentreInDouble) {
    test::ScriptedRandom random{0.05f, 0.75f, 0.5f};
    EXPECT_EQ(SkewedRandom(random), 0.2 - static_cast<double>(0.05f));
    EXPECT_EQ(SkewedRandom(random), static_cast<double>(0.75f) - 0.2);
    EXPECT_EQ(SkewedRandom(random, 0.9), 0.4);
    EXPECT_EQ(random.Drawn(), 3u);
}

} // namespace
} // namespace rw
