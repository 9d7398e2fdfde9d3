#include <gtest/gtest.h>

#include "SegmentList.h"

using namespace workflow;

namespace {
SourceTags Tags() { return {"T", "A", "B", "Rock", "1999"}; }
}  // namespace

TEST(SegmentList, AddNeedsStartBeforeEnd) {
    SegmentList list;
    list.LoadSource("/music/song.mp3", 205120, Tags());
    list.SetStartMark(5000);
    list.SetEndMark(5000);
    EXPECT_FALSE(list.Add());
    list.SetStartMark(6000);
    EXPECT_FALSE(list.Add());
    EXPECT_EQ(list.rowCount(), 0);
}

TEST(SegmentList, FirstAddTakesTheWholeFile) {
    SegmentList list;
    list.LoadSource("/music/song.mp3", 205120, Tags());
    ASSERT_TRUE(list.Add());
    EXPECT_TRUE(list.Checked(0));
    EXPECT_EQ(list.Text(0, colStart), QString("00:00.000"));
    EXPECT_EQ(list.Text(0, colEnd), QString("03:25.120"));
    EXPECT_EQ(list.Text(0, colLength), QString("03:25.120"));
    EXPECT_EQ(list.Text(0, colFormat), QString("MP3 (MPEG 1/2 Layer 3)"));
    EXPECT_EQ(list.Text(0, colName), QString("song_1"));
    EXPECT_EQ(list.Text(0, colGenre), QString("Rock"));
    EXPECT_EQ(list.Text(0, colYear), QString("1999"));
    EXPECT_EQ(list.ReadTime(colLength, 0), 205120);
}

TEST(SegmentList, DefaultNumbersAreNotReusedAfterDelete) {
    SegmentList list;
    list.LoadSource("/music/song.mp3", 10000, Tags());
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(list.Add());
    list.DeleteRow(1);  // song_2: only "Undefined_<n>" names give their number back
    list.Add();
    EXPECT_EQ(list.Text(2, colName), QString("song_4"));
    list.DeleteAll();
    EXPECT_EQ(list.StartMark(), 0);
    EXPECT_EQ(list.EndMark(), 0);
    list.SetEndMark(1000);
    list.Add();
    EXPECT_EQ(list.Text(0, colName), QString("song_1"));
}

TEST(SegmentList, UndefinedNamesGiveTheirNumberBack) {
    SegmentList list;
    list.LoadSource("/music/Undefined.wav", 10000, Tags());
    list.Add();
    list.Add();
    EXPECT_EQ(list.Text(0, colName), QString("Undefined_1"));
    list.DeleteRow(0);
    EXPECT_EQ(list.UsedNumbers(), QStringList{"2"});
    list.Add();
    EXPECT_EQ(list.Text(1, colName), QString("Undefined_1"));
}

TEST(SegmentList, BaseNameCutsAtTheFirstExtensionText) {
    SegmentList list;
    list.LoadSource("/m/a.mp3.b.mp3", 1000, Tags());
    EXPECT_EQ(list.BaseName(), QString("a"));
    list.LoadSource("/m/noext", 1000, Tags());
    EXPECT_EQ(list.BaseName(), QString("noext"));
}

TEST(SegmentList, FormatTextIgnoresCase) {
    EXPECT_EQ(FormatCodeFromText("wav"), fcWav);
    EXPECT_EQ(FormatCodeFromText("mp3 (mpeg 1/2 layer 3)"), fcMp3);
    EXPECT_EQ(FormatCodeFromText("OGG VORBIS"), fcOggVorbis);
    EXPECT_EQ(FormatCodeFromText("Wma"), fcWma);
    EXPECT_EQ(FormatCodeFromText("flac"), fcUnknown);
}

TEST(EqualPieces, ByCountEndsAtTheSpanEnd) {
    auto p = PiecesByCount(0, 10000, 3);
    ASSERT_EQ(p.size(), 3u);
    EXPECT_EQ(p[0].start, 0);
    EXPECT_EQ(p[0].end, 3333);
    EXPECT_EQ(p[1].start, 3333);
    EXPECT_EQ(p[1].end, 6666);
    EXPECT_EQ(p[2].start, 6666);
    EXPECT_EQ(p[2].end, 10000);
    auto s = PiecesByCount(10000, 20000, 2);
    ASSERT_EQ(s.size(), 2u);
    EXPECT_EQ(s[0].end, 15000);
    EXPECT_EQ(s[1].start, 15000);
    EXPECT_EQ(s[1].end, 20000);
}

TEST(EqualPieces, ByLengthAddsAPieceForTheRemainder) {
    auto p = PiecesByLength(0, 10500, 3000);
    ASSERT_EQ(p.size(), 4u);
    EXPECT_EQ(p[3].start, 9000);
    EXPECT_EQ(p[3].end, 10500);
    EXPECT_EQ(PiecesByLength(0, 9000, 3000).size(), 3u);
    EXPECT_TRUE(PiecesByLength(0, 9000, 0).empty());
}

TEST(SegmentList, FreedNumbersAreGivenOutLowestFirstAndLongListsStayFast) {
    SegmentList list;
    list.LoadSource("/music/Undefined.wav", 100000, Tags());
    for (int i = 0; i < 5; ++i) list.AppendRow(0, 1000);
    list.DeleteRow(3);  // Undefined_4
    list.DeleteRow(1);  // Undefined_2
    list.AppendRow(0, 1000);
    list.AppendRow(0, 1000);
    list.AppendRow(0, 1000);
    EXPECT_EQ(list.Text(3, colName), QString("Undefined_2"));
    EXPECT_EQ(list.Text(4, colName), QString("Undefined_4"));
    EXPECT_EQ(list.Text(5, colName), QString("Undefined_6"));
    // An hour in one-second pieces many times over: the names must not cost per row what
    // the whole list costs.
    for (int i = 0; i < 50000; ++i) list.AppendRow(0, 1000);
    EXPECT_EQ(list.Text(list.rowCount() - 1, colName), QString("Undefined_50006"));
    list.DeleteAll();
    list.AppendRow(0, 1000);
    EXPECT_EQ(list.Text(0, colName), QString("Undefined_1"));
}
