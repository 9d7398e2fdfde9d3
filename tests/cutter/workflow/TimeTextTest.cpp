#include <gtest/gtest.h>

#include "SafeName.h"
#include "TimeText.h"
#include "Genres.h"

using namespace workflow;

TEST(TimeText, FormatsMinutesAndHours) {
    const struct {
        std::int64_t ms;
        const char* text;
    } rows[] = {
        {0, "00:00.000"},         {999, "00:00.999"},         {59999, "00:59.999"},
        {60000, "01:00.000"},     {205120, "03:25.120"},      {3599999, "59:59.999"},
        {3600000, "01:00:00.000"}, {3723004, "01:02:03.004"}, {360000000, "100:00:00.000"},
        {1001, "00:01.001"},
    };
    for (const auto& r : rows) EXPECT_EQ(TimeText(r.ms), QString(r.text)) << r.ms;
}

TEST(TimeText, ReadsBackRowTexts) {
    const struct {
        const char* text;
        std::int64_t ms;
    } rows[] = {
        {"12:34.5", 754005},       {"01:02:03.250", 3723250}, {"12:34", 754000},
        {"00:00.000", 0},          {"03:25.120", 205120},     {"xx:34.100", 34100},
        {"12:34.abc", 754000},     {"", 0},
    };
    for (const auto& r : rows) EXPECT_EQ(ReadTimeText(r.text), r.ms) << r.text;
}

TEST(TimeText, RoundTripsBelowOneHundredHours) {
    for (std::int64_t ms : {0LL, 1LL, 59999LL, 3600000LL, 86399999LL, 359999999LL})
        EXPECT_EQ(ReadTimeText(TimeText(ms)), ms);
}

TEST(SafeName, ReplacesFileSystemCharacters) {
    EXPECT_EQ(SafeName("x:y*z?w|v/u"), QString("x y z w-v_u"));
    EXPECT_EQ(SafeName("<a>\"b\""), QString("ab"));
    EXPECT_EQ(SafeName("back\\slash"), QString("back\\slash"));
}

TEST(Genres, HasTheFixedList) {
    const QStringList& g = GenreList();
    ASSERT_EQ(g.size(), 148);
    EXPECT_EQ(g.first(), QString("Blues"));
    EXPECT_EQ(g[17], QString("Rock"));
    EXPECT_EQ(g.last(), QString("SynthPop"));
    QStringList copy = g;
    EXPECT_EQ(copy.removeDuplicates(), 0);
}
