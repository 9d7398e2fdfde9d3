#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "FakeMedia.h"

using namespace workflow;

namespace {

QString Touch(const QTemporaryDir& dir, const QString& name) {
    const QString path = dir.filePath(name);
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write("x");
    return path;
}

MediaFacts Facts(int tag, std::int64_t ms, std::int64_t size) {
    MediaFacts f;
    f.formatTag = tag;
    f.duration = ms;
    f.size = size;
    f.sampleRate = 44100;
    f.bitrate = 128;
    f.channels = 2;
    return f;
}

}  // namespace

TEST(MergeList, ValidityByExtensionAndFormatTag) {
    FakeMedia media;
    media.first["a.mp3"] = Facts(85, 1, 1);
    media.first["ogg-inside.mp3"] = Facts(26447, 1, 1);
    media.first["b.OGG"] = Facts(26447, 1, 1);
    media.first["c.wav"] = Facts(1, 1, 1);
    media.first["d.wma"] = Facts(111, 1, 1);
    media.first["e.flac"] = Facts(1, 1, 1);  // tag 1 yet no known extension
    media.failing << "broken.wav";
    EXPECT_TRUE(IsValidAudioFile(media, "a.mp3"));
    EXPECT_FALSE(IsValidAudioFile(media, "ogg-inside.mp3"));
    EXPECT_TRUE(IsValidAudioFile(media, "b.OGG"));
    EXPECT_TRUE(IsValidAudioFile(media, "c.wav"));
    EXPECT_TRUE(IsValidAudioFile(media, "d.wma"));
    EXPECT_FALSE(IsValidAudioFile(media, "e.flac"));
    EXPECT_FALSE(IsValidAudioFile(media, "broken.wav"));
    EXPECT_EQ(media.log.last(), "close");  // the failed open is closed again
}

TEST(MergeList, RowFillTakesSecondTagWhenFirstIsEmpty) {
    FakeMedia media;
    MediaFacts empty = Facts(85, 61500, 1500000);
    MediaFacts tagged = empty;
    tagged.title = "Second";
    tagged.track = 7;
    tagged.year = 1999;
    media.first["/m/x.mp3"] = empty;
    media.second["/m/x.mp3"] = tagged;
    const QStringList cells = FillRow(media, "/m/x.mp3");
    ASSERT_EQ(cells.size(), mcColumnCount);
    EXPECT_EQ(cells[mcFileName], "x.mp3");
    EXPECT_EQ(cells[mcTitle], "Second");
    EXPECT_EQ(cells[mcTrack], "7");
    EXPECT_EQ(cells[mcYear], "1999");
    EXPECT_EQ(cells[mcTime], "01:01.500");
    EXPECT_EQ(cells[mcFileSize], "1.43 MB");
    EXPECT_EQ(cells[mcChannel], "Stereo");
    EXPECT_EQ(cells[mcFilePath], "/m/x.mp3");
}

TEST(MergeList, RowFillEmptyTagsAndSizesByFormat) {
    FakeMedia media;
    media.first["/m/y.ogg"] = Facts(26447, 1000, 1500000);
    media.first["/m/z.wma"] = Facts(111, 1000, 1500000);
    MediaFacts mono = Facts(1, 0, 0);
    mono.channels = 1;
    media.first["/m/w.wav"] = mono;
    const QStringList ogg = FillRow(media, "/m/y.ogg");
    EXPECT_EQ(ogg[mcTrack], "0");
    EXPECT_EQ(ogg[mcYear], "0");
    EXPECT_FALSE(media.log.contains("read 2 /m/y.ogg"));  // only an MP3 is read twice
    EXPECT_EQ(FillRow(media, "/m/z.wma")[mcFileSize], "1.50 MB");
    EXPECT_EQ(FillRow(media, "/m/w.wav")[mcChannel], "Mono");
    // A file the tag editor refuses shows its name and path only.
    const QStringList none = FillRow(media, "/m/unknown.wav");
    EXPECT_EQ(none[mcFileName], "unknown.wav");
    EXPECT_TRUE(none[mcTime].isEmpty());
    EXPECT_TRUE(none[mcTrack].isEmpty());
}

TEST(MergeList, TotalsSkipVanishedFilesAndSumPast2GB) {
    QTemporaryDir dir;
    FakeMedia media;
    MergeList list;
    EXPECT_EQ(list.Totals(media, "old"), "");
    const QString a = Touch(dir, "a.mp3"), b = Touch(dir, "b.wma");
    media.first[a] = Facts(85, 60000, 1500LL * 1024 * 1024);
    media.first[a].title = "A";  // tagged: no second read
    media.first[b] = Facts(111, 30500, 1000LL * 1024 * 1024);  // the total divides by 1024 for WMA too
    for (const QString& p : {a, b})
        list.SetRow(list.AppendEmpty(), FillRow(media, p));
    EXPECT_EQ(list.Totals(media, "old"), "01:30.500/2500.00 MB");
    QFile::remove(b);
    EXPECT_EQ(list.Totals(media, "old"), "01:00.000/1500.00 MB");
    QFile::remove(a);
    EXPECT_EQ(list.Totals(media, "old"), "old");  // nothing counted: the label keeps its text
}

TEST(MergeList, DeletesAndMoves) {
    MergeList list;
    for (const char* p : {"0.mp3", "1.mp3", "2.mp3", "3.mp3"}) {
        QStringList cells = FillRow(*std::make_unique<FakeMedia>(), p);
        list.SetRow(list.AppendEmpty(), cells);
    }
    int play = 3;
    EXPECT_FALSE(list.CanMoveUp());  // nothing selected
    EXPECT_FALSE(list.MoveDown(true, play));
    list.Select(0);
    EXPECT_FALSE(list.CanMoveUp());
    EXPECT_FALSE(list.MoveUp(true, play));
    EXPECT_EQ(play, 3);
    EXPECT_TRUE(list.MoveDown(true, play));  // playing: the play index follows the moved row
    EXPECT_EQ(play, 1);
    EXPECT_EQ(list.Selected(), 1);
    EXPECT_EQ(list.Paths(), QStringList({"1.mp3", "0.mp3", "2.mp3", "3.mp3"}));
    list.Select(3);
    EXPECT_FALSE(list.CanMoveDown());
    EXPECT_TRUE(list.MoveUp(false, play));  // stopped: the play index stays
    EXPECT_EQ(play, 1);
    EXPECT_EQ(list.Paths(), QStringList({"1.mp3", "0.mp3", "3.mp3", "2.mp3"}));

    list.Select(1);
    list.DeleteSelected();
    EXPECT_EQ(list.Paths(), QStringList({"1.mp3", "3.mp3", "2.mp3"}));
    EXPECT_EQ(list.Selected(), -1);
    list.Select(2);
    list.DeleteUnselected();
    EXPECT_EQ(list.Paths(), QStringList({"2.mp3"}));
    EXPECT_EQ(list.Selected(), 0);
    list.Select(-1);
    list.SetRow(list.AppendEmpty(), FillRow(*std::make_unique<FakeMedia>(), "4.mp3"));
    list.DeleteUnselected();  // no selection: everything goes
    EXPECT_EQ(list.Count(), 0);
}
