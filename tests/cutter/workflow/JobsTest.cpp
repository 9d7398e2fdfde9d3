#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdlib>
#include <QTemporaryDir>
#include <unistd.h>

#include "CutJob.h"
#include "FakeAudio.h"
#include "MergeJob.h"

using namespace workflow;
using namespace fakes;

namespace {

struct CutFixture : ::testing::Test {
    QTemporaryDir dir;
    FakeReader reader, wmaReader;
    FakeWriter writer, wmaWriter;
    FakeTags tags;
    FakeHost host;
    JobComponents c;
    SegmentList rows;
    QString source;
    QString out;

    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        c = {&reader, &wmaReader, &writer, &wmaWriter, &tags, [](FormatCode) { return true; }, {}};
        out = dir.path() + "/out";
    }
    void Load(const QString& name, std::int64_t ms) {
        source = dir.path() + "/" + name;
        QFile f(source);
        f.open(QIODevice::WriteOnly);
        f.write("x");
        reader.durations[source] = ms;
        wmaReader.durations[source] = ms;
        rows.LoadSource(source, ms, {"t", "a", "b", "g", "2001"});
    }
    CutJobResult Run(JobOptions o = {}) { return RunCutJob(source, rows, out, o, c, host); }
};

}  // namespace

TEST_F(CutFixture, NoCheckedRowShowsNothing) {
    Load("song.mp3", 10000);
    rows.Add();
    rows.SetChecked(0, false);
    const CutJobResult r = Run();
    EXPECT_EQ(r.checkedRows, 0);
    EXPECT_EQ(host.progressShown, 0);
    EXPECT_TRUE(writer.created.isEmpty());
}

TEST_F(CutFixture, ThreePiecesCoverTheSourceExactly) {
    Load("song.wav", 10000);
    for (const Piece& p : PiecesByCount(0, 10000, 3)) rows.AppendRow(p.start, p.end);
    for (int i = 0; i < 3; ++i) rows.SetText(i, colFormat, "WAV");
    const CutJobResult r = Run();
    EXPECT_EQ(r.filesWritten, 3);
    EXPECT_EQ(writer.written[out + "/song_1.wav"], 3333);
    EXPECT_EQ(writer.written[out + "/song_2.wav"], 3333);
    EXPECT_EQ(writer.written[out + "/song_3.wav"], 3334);
    EXPECT_EQ(tags.tagged.size(), 3);
    EXPECT_EQ(host.totals, (QStringList{" 1/3", " 2/3", " 3/3"}));
    EXPECT_EQ(host.infos, QStringList{"Success|Task complete. File: " + source});
    EXPECT_EQ(host.progressClosed, 1);
}

TEST_F(CutFixture, CancelDuringTheSecondRowStopsAfterTaggingIt) {
    Load("song.mp3", 30000);
    for (const Piece& p : PiecesByCount(0, 30000, 3)) rows.AppendRow(p.start, p.end);
    // one event after showing, 10 blocks + 1 total for row 1, then 3 blocks into row 2
    host.cancelAfterEvents = 1 + 11 + 3;
    const CutJobResult r = Run();
    EXPECT_TRUE(r.cancelled);
    EXPECT_EQ(writer.created.size(), 2);
    EXPECT_EQ(writer.written[out + "/song_1.mp3"], 10000);
    EXPECT_GT(writer.written[out + "/song_2.mp3"], 0);
    EXPECT_LT(writer.written[out + "/song_2.mp3"], 10000);
    EXPECT_EQ(tags.tagged.size(), 2);  // the cut-short file is tagged too
    EXPECT_TRUE(host.infos.isEmpty());
}

TEST_F(CutFixture, OverwriteDeclinedKeepsTheOldFile) {
    Load("song.mp3", 5000);
    rows.Add();
    QDir().mkpath(out);
    QFile old(out + "/song_1.mp3");
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old");
    old.close();
    host.answer = false;
    JobOptions o;
    o.promptOverwrite = true;
    const CutJobResult r = Run(o);
    EXPECT_EQ(host.questions, QStringList{out + "/song_1.mp3 already exists. Do you want to replace it?"});
    EXPECT_EQ(r.rowsDone, 1);
    EXPECT_TRUE(writer.created.isEmpty());
    QFile check(out + "/song_1.mp3");
    check.open(QIODevice::ReadOnly);
    EXPECT_EQ(check.readAll(), QByteArray("old"));
}

TEST_F(CutFixture, UnknownOutputFormatReadsButWritesNothing) {
    Load("song.mp3", 5000);
    rows.Add();
    rows.SetText(0, colFormat, "FLAC");
    JobOptions o;
    o.promptOverwrite = true;
    Run(o);
    EXPECT_TRUE(writer.created.isEmpty());
    EXPECT_TRUE(host.questions.isEmpty());
    EXPECT_GT(reader.reads, 0);
    EXPECT_TRUE(tags.tagged.isEmpty());
}

TEST_F(CutFixture, ReversedRowMakesAnEmptyTaggedFileFromMp3AndOneBlockFromWma) {
    Load("song.mp3", 20000);
    rows.AppendRow(8000, 5000);
    Run();
    EXPECT_EQ(writer.written[out + "/song_1.mp3"], 0);
    EXPECT_EQ(tags.tagged.size(), 1);

    Load("talk.wma", 20000);
    rows.AppendRow(8000, 5000);
    Run();
    EXPECT_EQ(writer.written[out + "/talk_1.mp3"], 6000);
}

TEST_F(CutFixture, AStalledReaderDoesNotHang) {
    Load("song.ogg", 10000);
    rows.Add();
    reader.stopShortAt = 2500;
    Run();
    EXPECT_EQ(writer.written[out + "/song_1.mp3"], 2500);
    EXPECT_LE(reader.reads, 3 + 6);
}

TEST_F(CutFixture, AnOutputThatIsTheSourceByAnyNameIsNotWritten) {
    Load("song.mp3", 5000);
    out = dir.path();
    ASSERT_EQ(::link(QFile::encodeName(source).constData(), QFile::encodeName(out + "/alias.mp3").constData()), 0);
    rows.Add();
    rows.SetText(0, colName, "song");
    rows.Add();
    rows.SetText(1, colName, "alias");
    Run();
    EXPECT_TRUE(writer.created.isEmpty());
    EXPECT_EQ(host.messages.size(), 2);
    EXPECT_TRUE(QFileInfo(source).size() == 1);
}

TEST_F(CutFixture, EmptyFolderAndUnknownSourceAreRefused) {
    Load("song.mp3", 5000);
    rows.Add();
    out.clear();
    EXPECT_THROW(Run(), std::runtime_error);
    out = dir.path() + "/o";
    Load("song.flac", 5000);
    rows.Add();
    Run();
    EXPECT_EQ(host.messages.size(), 1);
    EXPECT_TRUE(writer.created.isEmpty());
}

TEST_F(CutFixture, ASourceWithNoAudioIsAnErrorNamingIt) {
    for (const char* name : {"empty.wav", "empty.wma"}) {
        Load(name, 0);
        rows.AppendRow(0, 1000);  // as a label file may give it
        try {
            Run();
            ADD_FAILURE() << name << " was cut";
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find(name), std::string::npos) << e.what();
        }
    }
    EXPECT_TRUE(writer.created.isEmpty());
    EXPECT_TRUE(wmaWriter.created.isEmpty());
}

TEST_F(CutFixture, ComponentErrorEndsTheJobAfterClosingTheProgress) {
    Load("song.mp3", 5000);
    rows.Add();
    reader.durations.clear();
    EXPECT_THROW(Run(), std::runtime_error);
    EXPECT_EQ(host.progressShown, 1);
    EXPECT_EQ(host.progressClosed, 1);
}

TEST_F(CutFixture, TagsThatCannotBeStoredAreReportedAndTheNextRowIsCut) {
    Load("song.ogg", 10000);
    rows.AppendRow(0, 5000);
    rows.AppendRow(5000, 10000);
    for (int i = 0; i < 2; ++i) rows.SetText(i, colFormat, "Ogg Vorbis");
    tags.refuse = out + "/song_1.ogg";
    const CutJobResult r = Run();
    EXPECT_EQ(r.filesWritten, 2);
    EXPECT_EQ(host.messages, QStringList{"Error: Unable to write the tags of " + tags.refuse});
    EXPECT_EQ(tags.tagged, QStringList{out + "/song_2.ogg"});
}

namespace {

struct MergeFixture : CutFixture {
    MergeRequest req;
    QString Make(const QString& name, std::int64_t ms) {
        const QString p = dir.path() + "/" + name;
        QFile f(p);
        f.open(QIODevice::WriteOnly);
        f.write("x");
        reader.durations[p] = ms;
        wmaReader.durations[p] = ms;
        return p;
    }
    MergeJobResult Merge(JobOptions o = {}) { return RunMergeJob(req, o, c, host); }
};

}  // namespace

TEST_F(MergeFixture, JoinsEveryFileInOrder) {
    req.inputs = {Make("a.mp3", 2500), Make("b.wma", 13000), Make("c.wav", 1000)};
    req.folder = dir.path() + "/m";
    req.fileName = "a<b>:c?";
    req.formatIndex = 0;
    const MergeJobResult r = Merge();
    EXPECT_EQ(r.outcome, MergeOutcome::Finished);
    EXPECT_EQ(r.outputPath, dir.path() + "/m/ab c .mp3");
    EXPECT_EQ(writer.written[r.outputPath], 2500 + 13000 + 1000);
    EXPECT_EQ(host.totals, (QStringList{"File of Total: 1/3", "File of Total: 2/3", "File of Total: 3/3"}));
    EXPECT_EQ(tags.tagged, QStringList{r.outputPath});
}

TEST_F(MergeFixture, AMissingFileStopsSilentlyAndLeavesTheOldOutputAsItWas) {
    req.inputs = {Make("a.mp3", 2000), dir.path() + "/gone.mp3", Make("c.mp3", 1000)};
    req.folder = dir.path();
    req.fileName = "out";
    req.formatIndex = 2;
    Make("out.wav", 0);
    const MergeJobResult r = Merge();
    EXPECT_EQ(r.outcome, MergeOutcome::Stopped);
    EXPECT_EQ(writer.written[r.outputPath], 2000);
    EXPECT_TRUE(host.infos.isEmpty());
    EXPECT_TRUE(host.messages.isEmpty());
    EXPECT_TRUE(tags.tagged.isEmpty());
    QFile old(r.outputPath);
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), "x");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).filter(".tmp.").size(), 0);
}

TEST_F(MergeFixture, AStalledInputDoesNotHangTheMerge) {
    req.inputs = {Make("a.mp3", 4000), Make("b.mp3", 1000)};
    req.folder = dir.path();
    req.fileName = "out";
    reader.stopShortAt = 2500;
    const MergeJobResult r = Merge();
    EXPECT_EQ(r.outcome, MergeOutcome::Finished);
    EXPECT_EQ(writer.written[r.outputPath], 2500 + 1000);
    EXPECT_LE(reader.reads, 3 + 6 + 1);
}

TEST_F(MergeFixture, AnInputWithNoAudioIsAnErrorNamingIt) {
    const QString empty = Make("b.wav", 0);
    req.inputs = {Make("a.mp3", 2000), empty};
    req.folder = dir.path();
    req.fileName = "out";
    const MergeJobResult r = Merge();
    EXPECT_EQ(r.outcome, MergeOutcome::Stopped);
    ASSERT_EQ(host.messages.size(), 1);
    EXPECT_TRUE(host.messages[0].contains(empty)) << host.messages[0].toStdString();
    EXPECT_FALSE(QFileInfo::exists(r.outputPath));
}

TEST_F(MergeFixture, AnOutputThatIsAnInputIsRefusedBeforeAnythingIsMade) {
    req.inputs = {Make("a.mp3", 2000), Make("b.mp3", 1000)};
    req.folder = dir.path() + "/";
    req.fileName = "b";
    req.formatIndex = 0;
    const MergeJobResult r = Merge();
    EXPECT_EQ(r.outcome, MergeOutcome::OutputIsInput);
    EXPECT_EQ(r.outputPath, dir.path() + "/b.mp3");
    EXPECT_TRUE(writer.created.isEmpty());
    EXPECT_EQ(QFileInfo(dir.path() + "/b.mp3").size(), 1);
}

TEST_F(MergeFixture, CancelInTheSecondFileKeepsAPartialTaggedOutputAndOpensTheFolder) {
    req.inputs = {Make("a.mp3", 3000), Make("b.mp3", 5000), Make("c.mp3", 1000)};
    req.folder = dir.path();
    req.fileName = "out";
    host.cancelAfterEvents = 1 + 3 * 2 + 1 + 4;
    JobOptions o;
    o.openDestination = true;
    const MergeJobResult r = Merge(o);
    EXPECT_TRUE(r.cancelled);
    EXPECT_GT(writer.written[r.outputPath], 3000);
    EXPECT_LT(writer.written[r.outputPath], 8000);
    EXPECT_TRUE(host.infos.isEmpty());
    EXPECT_EQ(host.explored, QStringList{dir.path()});
    EXPECT_EQ(tags.tagged.size(), 1);
}

TEST_F(MergeFixture, FolderThatCannotBeMadeIsReported) {
    req.inputs = {Make("a.mp3", 1000), Make("b.mp3", 1000)};
    QFile blocker(dir.path() + "/file");
    blocker.open(QIODevice::WriteOnly);
    req.folder = dir.path() + "/file/sub";
    req.fileName = "out";
    const MergeJobResult r = Merge();
    EXPECT_EQ(r.outcome, MergeOutcome::FolderRefused);
    ASSERT_EQ(host.infos.size(), 1);
    EXPECT_TRUE(host.infos[0].endsWith("\" failed, please select another folder!"));
}

TEST_F(MergeFixture, OverwriteDeclinedMakesNothing) {
    req.inputs = {Make("a.mp3", 1000), Make("b.mp3", 1000)};
    req.folder = dir.path();
    req.fileName = "a";
    req.formatIndex = 2;  // a.wav
    Make("a.wav", 5);
    host.answer = false;
    JobOptions o;
    o.promptOverwrite = true;
    EXPECT_EQ(Merge(o).outcome, MergeOutcome::OverwriteDeclined);
    EXPECT_TRUE(writer.created.isEmpty());
}

TEST_F(MergeFixture, TagsThatCannotBeStoredAreReportedInPlaceOfSuccess) {
    req.inputs = {Make("a.ogg", 2000), Make("b.ogg", 1000)};
    req.folder = dir.path() + "/m";
    req.fileName = "joined";
    req.formatIndex = 1;
    tags.refuse = dir.path() + "/m/joined.ogg";
    JobOptions o;
    o.showSuccess = true;
    o.openDestination = true;
    const MergeJobResult r = Merge(o);
    EXPECT_EQ(r.outcome, MergeOutcome::Finished);
    EXPECT_FALSE(r.tagsStored);
    EXPECT_EQ(writer.written[tags.refuse], 3000);
    EXPECT_TRUE(host.infos.isEmpty());
    EXPECT_EQ(host.messages, QStringList{"Error: Unable to write the tags of " + tags.refuse});
    EXPECT_EQ(host.explored, QStringList{req.folder});
}

// With the copy option, a row whose output is the source's format skips the writer and is
// still tagged; a source whose frames cannot be read is encoded after a notice saying why.
TEST_F(CutFixture, CopyRowsSkipTheWriterAndUncopyableOnesAreEncodedWithANotice) {
    const QString real = dir.path() + "/real.mp3";
    ASSERT_EQ(0, std::system(("ffmpeg -nostdin -v error -f lavfi -i sine=d=2 -c:a libmp3lame " +
                              real.toStdString()).c_str()));
    JobOptions o;
    o.copyAudio = true;
    for (const QString& name : {QStringLiteral("real.mp3"), QStringLiteral("fake.mp3")}) {
        if (name == u"fake.mp3") Load(name, 2000);
        source = dir.path() + "/" + name;
        reader.durations[source] = 2000;
        rows.LoadSource(source, 2000, {"t", "a", "b", "g", "2001"});
        rows.AppendRow(250, 1500);
        rows.SetText(0, colFormat, kFormatMp3Text);
        writer.created.clear();
        tags.tagged.clear();
        host.infos.clear();
        EXPECT_EQ(Run(o).filesWritten, 1) << name.toStdString() << ": " << host.infos.join(";").toStdString();
        EXPECT_EQ(tags.tagged.size(), 1);
        if (name == u"real.mp3") {
            EXPECT_TRUE(writer.created.isEmpty());
            EXPECT_TRUE(host.infos.filter("cannot be copied").isEmpty());
        } else {
            EXPECT_EQ(writer.created.size(), 1);
            ASSERT_FALSE(host.infos.isEmpty());
            EXPECT_TRUE(host.infos.front().contains("cannot be copied exactly because no MPEG audio"))
                << host.infos.front().toStdString();
        }
    }
}

// A join made by copying is tagged before it takes the output's name: tags that cannot be
// stored are reported in place of "Success", and the joined audio is kept.
TEST_F(MergeFixture, ACopiedJoinReportsTagsThatCannotBeStored) {
    for (const char* name : {"a.wav", "b.wav"})
        ASSERT_EQ(0, std::system(("ffmpeg -nostdin -v error -f lavfi -i sine=d=0.5 " +
                                  (dir.path() + "/" + name).toStdString()).c_str()));
    req.inputs = {dir.path() + "/a.wav", dir.path() + "/b.wav"};
    req.folder = dir.path() + "/m";
    QDir().mkpath(req.folder);
    req.fileName = "joined";
    req.formatIndex = 2;
    tags.refuse = req.folder + "/joined.wav";
    JobOptions o;
    o.copyAudio = true;
    o.showSuccess = true;
    const MergeJobResult r = Merge(o);
    EXPECT_EQ(r.outcome, MergeOutcome::Finished);
    EXPECT_FALSE(r.tagsStored);
    EXPECT_TRUE(writer.created.isEmpty()) << "joined by copying, not encoded";
    EXPECT_EQ(host.messages, QStringList{"Error: Unable to write the tags of " + tags.refuse});
    EXPECT_TRUE(host.infos.filter("Success").isEmpty());
    EXPECT_GT(QFileInfo(tags.refuse).size(), 2 * 22050);
    EXPECT_EQ(QDir(req.folder).entryList(QDir::Files), QStringList{"joined.wav"});
}
