// When a plug-in that seems hung is offered to be stopped, stopped unasked, or ended.
#include "lumbra32/hang_watch.h"

#include <gtest/gtest.h>

namespace lumbra {
namespace {

using Action = HangWatch::Action;

HangLimits Limits(uint32_t stopAfter = 0) {
    HangLimits limits;
    limits.askAfterMs = 10000;
    limits.stopAfterMs = stopAfter;
    limits.graceMs = 5000;
    return limits;
}

TEST(HangWatch, ACallerWithAWindowIsAskedAfterTenSilentSeconds) {
    HangWatch watch(Limits(), true, 1000);
    EXPECT_EQ(watch.Tick(10999, false), Action::None);
    watch.Alive(10999);
    EXPECT_EQ(watch.Tick(20998, false), Action::None) << "progress counts the silence afresh";
    EXPECT_EQ(watch.Tick(20999, false), Action::Ask);
    EXPECT_EQ(watch.Tick(25000, false), Action::None) << "asked once, the answer awaited";
    watch.KeepWaiting(25000);
    EXPECT_EQ(watch.Tick(34999, false), Action::None);
    EXPECT_EQ(watch.Tick(35000, false), Action::Ask) << "asked again after waiting as long";
    watch.Alive(35100);
    EXPECT_EQ(watch.Tick(35200, false), Action::Dismiss) << "the plug-in came back to life";
}

TEST(HangWatch, APlugInShowingItsOwnWindowIsNeverAskedAboutNorEnded) {
    HangWatch watch(Limits(1000), true, 0);
    for (uint32_t t = 0; t <= 60000; t += 250) {
        ASSERT_EQ(watch.Tick(t, true), Action::None) << t;
    }
    watch.StopRequested(60000); // Esc while its dialog is open
    for (uint32_t t = 60000; t <= 120000; t += 250) {
        ASSERT_EQ(watch.Tick(t, true), Action::None) << t;
    }
    EXPECT_EQ(watch.Tick(124999, false), Action::None) << "its grace starts when the window goes";
    EXPECT_EQ(watch.Tick(125000, false), Action::End);
}

TEST(HangWatch, AStoppedPlugInThatGoesOnProcessingIsEndedAfterItsGrace) {
    HangWatch watch(Limits(), true, 0);
    watch.StopRequested(2000);
    watch.Alive(4000); // progress after the request does not save it
    EXPECT_EQ(watch.Tick(6999, false), Action::None);
    EXPECT_EQ(watch.Tick(7000, false), Action::End);
}

TEST(HangWatch, ACallerWithoutAWindowHasItsLimitOrWaits) {
    HangWatch unlimited(Limits(), false, 0);
    EXPECT_EQ(unlimited.Tick(3600000, false), Action::None) << "never asked: no one to ask";
    HangWatch limited(Limits(3000), false, 0);
    EXPECT_EQ(limited.Tick(2999, false), Action::None);
    EXPECT_EQ(limited.Tick(3000, false), Action::Stop);
    EXPECT_TRUE(limited.Stopping());
    EXPECT_EQ(limited.Tick(7999, false), Action::None);
    EXPECT_EQ(limited.Tick(8000, false), Action::End);
}

TEST(HangWatch, TicksAcrossTheWrapOfTheMillisecondCounter) {
    HangWatch watch(Limits(), true, 0xFFFFF000u);
    EXPECT_EQ(watch.Tick(0x1000u, false), Action::None);
    EXPECT_EQ(watch.Tick(0xFFFFF000u + 10000u, false), Action::Ask);
}

TEST(HangWatch, TheLimitIsWholeSecondsUpToADay) {
    EXPECT_EQ(LimitFromText("30"), 30000u);
    EXPECT_EQ(LimitFromText("86400"), 86400000u);
    for (const char* refused : {"", "0", "-5", "1.5", "30s", " 30", "86401", "9999999"}) {
        EXPECT_FALSE(LimitFromText(refused)) << refused;
    }
}

} // namespace
} // namespace lumbra
