// Cue sheets and label files: real layouts, round trips through the segment list, bad
// lines that must be named without anything being added, and saving a list safely.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "CueSheet.h"
#include "LabelFile.h"
#include "SegmentEntries.h"

using namespace workflow;

namespace {

std::vector<SegmentEntry> Import(const QByteArray& sheet, std::int64_t duration, const QString& source = "a.wav") {
    const CueSheet s = ParseCueSheet(sheet);
    return CueEntries(s, CueFileFor(s, source), duration);
}

}  // namespace

TEST(CueSheet, OneFileManyTracksWithCrlfBomAndPerTrackPerformer) {
    const QByteArray sheet =
        "\xEF\xBB\xBFREM GENRE \"Jazz\"\r\nREM DATE 1959\r\nPERFORMER \"Miles Quintet\"\r\nTITLE \"Kind of Cue \xC3\xA9t\xC3\xA9\"\r\n"
        "FILE \"album.wav\" WAVE\r\n"
        "  TRACK 01 AUDIO\r\n    TITLE \"So What\"\r\n    INDEX 01 00:00:00\r\n"
        "  TRACK 02 AUDIO\r\n    TITLE \"Freddie\"\r\n    PERFORMER \"Guest Player\"\r\n    REM DATE 1960\r\n    INDEX 01 09:22:50\r\n"
        "  TRACK 03 AUDIO\r\n    FLAGS DCP\r\n    ISRC USSM15900113\r\n    INDEX 01 19:10:74\r\n";
    const auto rows = Import(sheet, 25 * 60000, "/x/album.mp3");
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].start, 0);
    EXPECT_EQ(rows[0].end, (9 * 60 + 22) * 1000 + 667);  // 50 frames
    EXPECT_EQ(rows[1].start, rows[0].end);
    EXPECT_EQ(rows[2].start, (19 * 60 + 10) * 1000 + 987);
    EXPECT_EQ(rows[2].end, 25 * 60000);
    EXPECT_EQ(rows[0].name, QString("So What"));
    EXPECT_EQ(rows[0].artist, QString("Miles Quintet"));
    EXPECT_EQ(rows[1].artist, QString("Guest Player"));
    EXPECT_EQ(rows[1].album, QString::fromUtf8("Kind of Cue été"));
    EXPECT_EQ(rows[0].year, QString("1959"));
    EXPECT_EQ(rows[1].year, QString("1960"));
    EXPECT_EQ(rows[2].genre, QString("Jazz"));
    EXPECT_TRUE(rows[2].title.isEmpty());
}

TEST(CueSheet, PregapsEndThePreviousTrackAndAnsiTextIsRead) {
    // Windows-1252 bytes (0xE9 e-acute, 0x96 en dash), as older rippers write them.
    const QByteArray sheet =
        "FILE \"disc.mp3\" MP3\nTRACK 01 AUDIO\nTITLE \"Caf\xE9 \x96 Intro\"\nINDEX 01 00:00:00\n"
        "TRACK 02 AUDIO\nINDEX 00 01:00:00\nINDEX 01 01:02:00\nTRACK 03 AUDIO\nINDEX 00 02:00:00\nINDEX 01 02:00:30\n";
    const auto rows = Import(sheet, 180000);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].title, QString::fromUtf8("Café – Intro"));
    EXPECT_EQ(rows[0].end, 60000);
    EXPECT_EQ(rows[1].start, 62000);
    EXPECT_EQ(rows[1].end, 120000);
    EXPECT_EQ(rows[2].start, 120400);
}

TEST(CueSheet, NinetyNineTracksAndTheFileOfTheSource) {
    QByteArray sheet = "FILE \"one.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\nFILE \"two.wav\" WAVE\n";
    for (int t = 2; t <= 99; ++t)
        sheet += QStringLiteral("  TRACK %1 AUDIO\n    INDEX 01 %2\n").arg(t, 2, 10, QLatin1Char('0')).arg(CueTimeText((t - 2) * 75 * 10)).toUtf8();
    const CueSheet s = ParseCueSheet(sheet);
    ASSERT_EQ(s.tracks.size(), 99u);
    EXPECT_EQ(CueFileFor(s, "/music/TWO.WAV"), 1);
    EXPECT_EQ(CueFileFor(s, "/music/two.ogg"), 1);  // the same recording in another format
    EXPECT_EQ(CueFileFor(s, "/music/three.wav"), -1);
    const auto rows = CueEntries(s, 1, 98 * 10000);
    ASSERT_EQ(rows.size(), 98u);
    EXPECT_EQ(rows.back().start, 97 * 10000);
    EXPECT_EQ(rows.back().end, 98 * 10000);
}

TEST(CueSheet, MalformedLinesAreNamed) {
    const struct {
        const char* sheet;
        int line;
        const char* says;
    } cases[] = {
        {"FILE \"a.wav\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:61:00\n", 3, "00:61:00"},
        {"FILE \"a.wav\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:01:75\n", 3, "mm:ss:ff"},
        {"FILE \"a.wav\" WAVE\nTRACK 01 AUDIO\nTITLE \"open\nINDEX 01 00:00:00\n", 3, "quoted"},
        {"TRACK 01 AUDIO\nINDEX 01 00:00:00\n", 1, "before any FILE"},
        {"FILE \"a.wav\" WAVE\nINDEX 01 00:00:00\n", 2, "before any TRACK"},
        {"FILE \"a.wav\" WAVE\nTRACK 01 AUDIO\nINDEX 00 00:00:00\nTRACK 02 AUDIO\nINDEX 01 00:01:00\n", 2, "no INDEX 01"},
        {"FILE \"a.wav\" WAVE\nTRACK 02 AUDIO\nINDEX 01 00:00:00\nTRACK 02 AUDIO\nINDEX 01 00:01:00\n", 4, "does not follow"},
        {"FILE \"a.wav\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:05:00\nTRACK 02 AUDIO\nINDEX 01 00:04:00\n", 5, "goes back"},
        {"FILE \"a.wav\" WAVE\nTRACK 100 AUDIO\n", 2, "1 to 99"},
        {"FILE \"a.wav\" WAVE\nTRACKS 01 AUDIO\n", 2, "not a cue sheet command"},
        {"REM just a comment\n", 1, "no TRACK"},
        {"FILE \"a.wav\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nTRACK 02 AUDIO\nINDEX 01 09:00:00\n", 4, "past the end"},
    };
    for (const auto& c : cases) {
        try {
            Import(c.sheet, 60000);
            ADD_FAILURE() << "accepted: " << c.sheet;
        } catch (const SegmentFileError& e) {
            EXPECT_EQ(e.Line(), c.line) << c.sheet;
            EXPECT_NE(std::string(e.what()).find(c.says), std::string::npos) << e.what();
        }
    }
}

TEST(SegmentFiles, RowsComeBackToTheMillisecondThroughCueAndLabels) {
    SegmentList list;
    list.LoadSource("/music/talk.wav", 600000, {"", "Host", "Show", "Speech", "2024"});
    // Times off the 1/75 s grid, a gap, an overlap, names that are not titles, UTF-8.
    const std::vector<SegmentEntry> rows = {
        {1, 10001, "intro", "Intro"},
        {10001, 20003, "Ελληνικά \"quoted\"", "Τίτλος"},
        {25017, 40500, "", "Gap before"},
        {40000, 599999, "tail", "", "Other Host", "", "Talk"},
    };
    AppendEntries(list, rows);
    const auto before = EntriesOf(list);
    ASSERT_EQ(before.size(), 4u);
    EXPECT_EQ(before[2].name, QString("talk_3"));
    EXPECT_EQ(before[3].genre, QString("Talk"));
    EXPECT_EQ(before[0].genre, QString("Speech"));

    const QByteArray cue = WriteCueSheet(before, "talk.wav");
    EXPECT_TRUE(cue.startsWith("\xEF\xBB\xBF"));
    auto back = Import(cue, 600000, "/elsewhere/talk.wav");
    ASSERT_EQ(back.size(), before.size());
    for (std::size_t i = 0; i < back.size(); ++i) {
        SegmentEntry want = before[i];
        want.title.replace(u'"', u'\'');
        want.name.replace(u'"', u'\'');
        EXPECT_EQ(back[i], want) << i << ": " << back[i].name.toStdString();
    }

    const auto labels = ParseLabelFile(WriteLabelFile(before), 600000);
    ASSERT_EQ(labels.size(), before.size());
    for (std::size_t i = 0; i < labels.size(); ++i) {
        EXPECT_EQ(labels[i].start, before[i].start);
        EXPECT_EQ(labels[i].end, before[i].end);
        EXPECT_EQ(labels[i].name, before[i].name);
    }
}

TEST(CueSheet, AForeignSheetKeepsItsFramesThroughARoundTrip) {
    const QByteArray sheet = "FILE \"a.wav\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:01\nTRACK 02 AUDIO\nINDEX 01 00:07:74\n";
    const auto rows = Import(sheet, 20000);
    const QString again = QString::fromUtf8(WriteCueSheet(rows, "a.wav"));
    EXPECT_TRUE(again.contains("INDEX 01 00:00:01")) << again.toStdString();
    EXPECT_TRUE(again.contains("INDEX 01 00:07:74")) << again.toStdString();
    std::vector<SegmentEntry> tooMany(100, SegmentEntry{0, 1});
    EXPECT_THROW(WriteCueSheet(tooMany, "a.wav"), SegmentFileError);
}

TEST(LabelFile, PointsSpectralLinesAndBadLines) {
    const QByteArray file = "0.000000\t0.000000\tone\n\\\t100.0\t2000.0\n12.5\t12.5\ttwo\n20,25\t30.000000\tthree\ttab\n";
    const auto rows = ParseLabelFile(file, 40000);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].end, 12500);  // a point runs to the next label
    EXPECT_EQ(rows[1].end, 20250);
    EXPECT_EQ(rows[2].name, QString("three\ttab"));
    const struct {
        const char* file;
        int line;
    } bad[] = {{"1\t2\tok\nx\t3\tbad\n", 2}, {"5\t4\tbackwards\n", 1}, {"\n\n50\t60\tpast end\n", 3}, {"3.5\n", 1}};
    for (const auto& b : bad) {
        try {
            ParseLabelFile(b.file, 40000);
            ADD_FAILURE() << b.file;
        } catch (const SegmentFileError& e) {
            EXPECT_EQ(e.Line(), b.line) << b.file;
        }
    }
}

// A saved list replaces the old file whole, and what a killed save of it left is cleared.
TEST(SegmentFiles, ASaveReplacesTheFileAndClearsAKilledSavesLeftovers) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.path() + "/cuts.txt";
    for (const QString& name : {path, path + ".tmp.999999999", path + "~"}) {
        QFile f(name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("old");
    }
    SaveFileAtomically(path, "new");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"cuts.txt"});
    EXPECT_EQ(ReadWholeFile(path), QByteArray("new"));
}
