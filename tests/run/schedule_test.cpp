#include "run/schedule.h"

#include <gtest/gtest.h>

namespace ps {
namespace {

TEST(Schedule, AnswersThatAreADateAndTime) {
    EXPECT_EQ(ScheduledStartOf("2026-12-07 13:00"), "2026-12-07 13:00");
    EXPECT_EQ(ScheduledStartOf(" 2026-12-07 9:05:30 "), "2026-12-07 09:05");
    EXPECT_EQ(ScheduledStartOf("2028-02-29"), "2028-02-29 00:00");
    for (const char* bad : {"", "tonight", "2026-13-01 10:00", "2026-02-29 10:00", "2026-12-07 24:00",
                            "2026-12-07 10:60", "26-12-07 10:00", "2026-12-07 10:00 pm"})
        EXPECT_EQ(ScheduledStartOf(bad), std::nullopt) << bad;
}

TEST(Schedule, TheDefaultIsTodayAtOneAndTheStartIsDueFromItsMinuteOn) {
    const LocalTime now{2026, 12, 7, 9, 41};
    EXPECT_EQ(DefaultStartText(now), "2026-12-07 13:00");
    EXPECT_FALSE(StartIsDue(now, "2026-12-07 09:42"));
    EXPECT_TRUE(StartIsDue(now, "2026-12-07 09:41"));
    EXPECT_TRUE(StartIsDue(now, "2025-01-01 00:00")); // a time already past starts at the next tick
}

} // namespace
} // namespace ps
