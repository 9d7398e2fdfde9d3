// The position boxes' rules on plain values: limits from a duration, the track bar's
// fields, the four change rules, and the marker line formula.
#include <gtest/gtest.h>

#include "PositionRules.h"

using namespace workflow;

namespace {

PositionBoxes At(int h, int m, int s, int ms) {
    PositionBoxes b;
    b.hour = h;
    b.minute = m;
    b.second = s;
    b.msec = ms;
    return b;
}

}  // namespace

TEST(PositionRules, LimitsFromDuration) {
    const struct {
        const char* duration;
        int hourMax, minuteMax, secondMax, msecMax;
        bool hourOn, minuteOn, secondOn;
    } rows[] = {
        {"03:25.120", 100, 3, 59, 120, false, true, true},
        {"00:00.050", 100, 0, 59, 50, false, false, true},  // no minute to choose
        {"59:59.999", 100, 59, 59, 999, false, true, true},
        {"02:00:00.000", 2, 59, 59, 0, true, true, true},
        {"01:02:03.004", 1, 59, 59, 4, true, true, true},
        {"00:10", 100, 0, 59, 999, false, false, true},  // no millisecond digits: left as it was
        {"100:00:00.000", 100, 59, 59, 0, true, true, true},  // three-digit hours read whole
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.duration);
        PositionBoxes b = At(0, 0, 0, 0);
        SetLimitsFromDuration(r.duration, b);
        EXPECT_EQ(b.hourMax, r.hourMax);
        EXPECT_EQ(b.minuteMax, r.minuteMax);
        EXPECT_EQ(b.secondMax, r.secondMax);
        EXPECT_EQ(b.msecMax, r.msecMax);
        EXPECT_EQ(b.hourEnabled, r.hourOn);
        EXPECT_EQ(b.minuteEnabled, r.minuteOn);
        EXPECT_EQ(b.secondEnabled, r.secondOn);
    }
}

TEST(PositionRules, TrackBarFillsTheBoxes) {
    const struct {
        std::int64_t ms;
        int h, m, s, z;
    } rows[] = {
        {0, 0, 0, 0, 0},         {205120, 0, 3, 25, 120},  {5400000, 1, 30, 0, 0},
        {600000, 0, 10, 0, 0},   {3723004, 1, 2, 3, 4},    {3599999, 0, 59, 59, 999},
        {360000000, 100, 0, 0, 0}, {363723004, 101, 2, 3, 4},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.ms);
        PositionBoxes b = At(7, 7, 7, 7);
        b.msecMax = 120;
        ShowPosition(r.ms, "", b);
        EXPECT_EQ(b.msecMax, 999);
        EXPECT_EQ(b.hour, r.h);
        EXPECT_EQ(b.minute, r.m);
        EXPECT_EQ(b.second, r.s);
        EXPECT_EQ(b.msec, r.z);
        EXPECT_EQ(b.Position(), r.ms);
    }
}

TEST(PositionRules, TwoHourSourceMovedBackToTenMinutes) {
    PositionBoxes b;
    SetLimitsFromDuration("02:00:00.000", b);
    ShowPosition(5400000, "02:00:00.000", b);
    ShowPosition(600000, "02:00:00.000", b);
    EXPECT_EQ(b.hour, 0);
    EXPECT_EQ(b.minute, 10);
    EXPECT_EQ(b.second, 0);
    EXPECT_EQ(b.msec, 0);
}

TEST(PositionRules, MinuteBeyondTheEndFallsBackByOne) {
    const QString d = "03:25.120";
    const std::int64_t max = 205120;
    // 4 minutes is beyond the end: fall back to 3, which is inside and moves the bar.
    PositionBoxes b = At(0, 4, 0, 0);
    SetLimitsFromDuration(d, b);
    BoxOutcome o = MinuteChanged(b, d, max);
    ASSERT_TRUE(o.minuteFallback.has_value());
    EXPECT_EQ(*o.minuteFallback, 3);
    EXPECT_FALSE(o.moveTrackTo.has_value());
    b.minute = 3;
    o = MinuteChanged(b, d, max);
    EXPECT_FALSE(o.minuteFallback.has_value());
    ASSERT_TRUE(o.moveTrackTo.has_value());
    EXPECT_EQ(*o.moveTrackTo, 180000);
    EXPECT_EQ(b.secondMax, 25);  // the last minute runs to the duration's seconds
    // 03:30 is beyond as well: the minute goes down to 2, where the seconds run to 59.
    b = At(0, 3, 30, 0);
    o = MinuteChanged(b, d, max);
    EXPECT_EQ(o.minuteFallback.value_or(-1), 2);
    b.minute = 2;
    o = MinuteChanged(b, d, max);
    EXPECT_EQ(o.moveTrackTo.value_or(-1), 150000);
    EXPECT_EQ(b.secondMax, 59);
    // Minute 0 cannot fall back.
    b = At(0, 0, 0, 500);
    o = MinuteChanged(b, "00:00.100", 100);
    EXPECT_FALSE(o.minuteFallback.has_value());
    EXPECT_FALSE(o.moveTrackTo.has_value());
}

TEST(PositionRules, MinuteOfALongSourceTakesTheDurationsMinutesAndSeconds) {
    PositionBoxes b = At(1, 2, 0, 0);
    const BoxOutcome o = MinuteChanged(b, "01:02:03.004", 3723004);
    EXPECT_EQ(o.moveTrackTo.value_or(-1), 3720000);
    EXPECT_EQ(b.secondMax, 3);
    b = At(0, 30, 0, 0);
    MinuteChanged(b, "01:02:03.004", 3723004);
    EXPECT_EQ(b.secondMax, 59);
    // Minute 0 of the first hour of a two-hour source is not its last minute.
    b = At(1, 0, 0, 0);
    MinuteChanged(b, "02:00:00.000", 7200000);
    EXPECT_EQ(b.secondMax, 59);
    b = At(1, 0, 0, 0);
    b.secondMax = 59;
    SecondChanged(b, "02:00:00.000", 7200000);
    EXPECT_EQ(b.msecMax, 999);
    b = At(2, 0, 0, 0);
    SecondChanged(b, "02:00:00.000", 7200000);
    EXPECT_EQ(b.msecMax, 0);
}

TEST(PositionRules, HourAtItsMaximumLimitsTheMinutes) {
    PositionBoxes b = At(2, 0, 0, 0);
    SetLimitsFromDuration("02:15:30.000", b);
    BoxOutcome o = HourChanged(b, "02:15:30.000", 8130000);
    EXPECT_EQ(b.minuteMax, 15);
    EXPECT_EQ(o.moveTrackTo.value_or(-1), 7200000);
    b.hour = 1;
    o = HourChanged(b, "02:15:30.000", 8130000);
    EXPECT_EQ(b.minuteMax, 59);
    EXPECT_EQ(o.moveTrackTo.value_or(-1), 3600000);
    // Beyond the end the bar stays.
    b = At(2, 59, 0, 0);
    b.hourMax = 2;
    o = HourChanged(b, "02:15:30.000", 8130000);
    EXPECT_FALSE(o.moveTrackTo.has_value());
}

TEST(PositionRules, SecondsAndMilliseconds) {
    const QString d = "03:25.120";
    PositionBoxes b = At(0, 3, 25, 100);
    b.secondMax = 25;
    BoxOutcome o = SecondChanged(b, d, 205120);
    EXPECT_EQ(o.moveTrackTo.value_or(-1), 205100);
    EXPECT_EQ(b.msecMax, 120);  // the last second runs to the duration's milliseconds
    b.secondMax = 59;
    b.second = 10;
    o = SecondChanged(b, d, 205120);
    EXPECT_EQ(b.msecMax, 999);
    EXPECT_EQ(o.moveTrackTo.value_or(-1), 190100);
    b = At(0, 3, 26, 0);
    b.msecMax = 7;
    o = SecondChanged(b, d, 205120);
    EXPECT_FALSE(o.moveTrackTo.has_value());
    EXPECT_EQ(b.msecMax, 7);
    // Milliseconds always move the bar, limited to its range.
    EXPECT_EQ(MSecChanged(At(0, 3, 25, 999), 0, 205120).moveTrackTo.value_or(-1), 205120);
    EXPECT_EQ(MSecChanged(At(0, 1, 0, 5), 0, 205120).moveTrackTo.value_or(-1), 60005);
}

TEST(PositionRules, MarkerLineLeft) {
    const struct {
        std::int64_t position, minimum, maximum;
        int width, left;
    } rows[] = {
        {0, 0, 205120, 490, 3},
        {205120, 0, 205120, 490, 477},
        {102560, 0, 205120, 490, 240},
        {50, 0, 100, 116, 53},
        // The product passes 32 bits: 2,000,000,000 x 474.
        {2000000000, 0, 2147483647, 490, 444},
        {5, 5, 5, 490, 3},  // an empty range keeps the line at the start
    };
    for (const auto& r : rows)
        EXPECT_EQ(MarkerLineLeft(r.position, r.minimum, r.maximum, r.width), r.left) << r.position;
}
