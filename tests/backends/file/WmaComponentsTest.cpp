// AudioFileWMA3 and AudioFileWMAInformation3: reading by units, writing the formats the
// format list offers, attributes as mutagen reads them.
#include <gtest/gtest.h>

#include <cmath>

#include "ComponentTestSupport.h"
#include "TestMedia.h"
#include "cutter/components/EOleException.h"
#include "cutter/components/KezAudioFileWMA3Lib_TLB.h"

using testmedia::WavSpec;

namespace {

class WmaComponents : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(filetest::RegisterModule("KezAudioFile3"));
        ASSERT_TRUE(filetest::RegisterModule("KezAudioFileWMA3"));
        ASSERT_TRUE(filetest::RegisterModule("KezAudioFormatSettings3"));
    }
    void SetUp() override { dir = testmedia::MakeTempDir("wmacomp"); }
    void TearDown() override { testmedia::RemoveTree(dir); }
    std::string dir;
};

std::int64_t BlockFrames(const TAudioBlock& b) {
    auto bytes = b.Bytes();
    if (bytes.size() < 18) return 0;
    return static_cast<std::int64_t>(bytes.size() - 18) / (bytes[12] | (bytes[13] << 8));
}

TEST_F(WmaComponents, ReaderBySixThousandUnits) {
    std::string path = testmedia::MakeWma(dir, "a.wma", WavSpec{44100, 2, 16, 5.0}, 128);
    TAudioFileWMA3 r;
    r.Open(path);
    TAudioInfoWMA info = r.AudioInfo();
    EXPECT_EQ(info.FormatTag(), 111);
    EXPECT_EQ(info.SampleRate(), 44100);
    EXPECT_EQ(info.Channels(), 2);
    EXPECT_EQ(info.Bitrate(), 128);
    EXPECT_EQ(info.Size(), testmedia::FileSize(path));
    std::int64_t frames = 0;
    while (true) {  // the merge job's loop
        frames += BlockFrames(r.Read(6000));
        if (info.Position() >= info.Size()) break;
    }
    EXPECT_EQ(frames, testmedia::FfmpegDecodedFrames(path));
    r.Close();

    // The cut job's loop: units from the ratio Size / Duration, Position counted from the seek.
    r.Open(path);
    double ratio = static_cast<double>(r.AudioInfo().Size()) / r.AudioInfo().Duration();
    std::int64_t start = std::llround(1000 * ratio), length = std::llround(2500 * ratio);
    EXPECT_EQ(r.SeekUnits(start), 0);
    std::int64_t spanFrames = 0;
    TAudioInfoWMA again = r.AudioInfo();
    while (again.Position() < length) {
        std::int64_t block = std::min<std::int64_t>(6000, length - again.Position());
        spanFrames += BlockFrames(r.Read(static_cast<int>(block)));
    }
    EXPECT_EQ(again.Position(), length);
    EXPECT_NEAR(static_cast<double>(spanFrames), 2.5 * 44100, 44100 * 0.01);
    r.Close();
}

TEST_F(WmaComponents, WriterTakesTheChosenFormat) {
    std::string src = testmedia::MakeWav(dir, "s.wav", WavSpec{44100, 2, 16, 2.0});
    TAudioFormatWMA formats;
    formats.SetFormatGroup(0);
    const int count = formats.FormatCount();
    ASSERT_GT(count, 0);
    TAudioFile3 reader;
    TAudioFileWMA3 writer;
    for (int index : {0, count / 2, count - 1}) {
        formats.SetFormatGroup(0);
        formats.SetFormatIndex(index);
        SCOPED_TRACE(filetest::Utf8(formats.FormatName()));
        writer.SetFormat(formats);
        std::string out = dir + "/o" + std::to_string(index) + ".wma";
        writer.Create(out);
        reader.Open(src);
        TAudioInfo info = reader.AudioInfo();
        while (info.Position() < info.Size()) {
            std::int32_t block = info.SampleRate() * info.Channels() * info.SampleSize() / 8;
            writer.Write(reader.Read(static_cast<int>(std::trunc(block / info.CompressRate()))));
        }
        reader.Close();
        writer.Close();
        testmedia::ProbeResult p = testmedia::Ffprobe(out);
        EXPECT_EQ(p.codec, "wmav2");
        EXPECT_EQ(p.sampleRate, formats.FormatSampleRate());
        EXPECT_EQ(p.channels, formats.FormatChannels());
        EXPECT_NEAR(p.duration, 2.0, 0.15);
        TAudioFileWMAInformation3 tags;
        tags.ReadFromFile(out);
        EXPECT_EQ(tags.AudioInfo().FormatTag(), 111);
    }
}

TEST_F(WmaComponents, AttributesAgreeWithMutagen) {
    testmedia::Tags in;
    in.title = "Tïtle 曲";
    in.artist = "Author";
    in.album = "Album T";
    in.genre = "Pop";
    in.comment = "Desc";
    in.year = 2020;
    in.track = 9;
    std::string path = testmedia::MakeWma(dir, "t.wma", WavSpec{44100, 2, 16, 1.0}, 128, &in);
    std::string out;
    ASSERT_EQ(testmedia::Run("/usr/bin/python3 -c " +
                                 testmedia::Quote("import sys, mutagen.asf\nf = mutagen.asf.ASF(sys.argv[1])\n"
                                                  "for k in ['Title','Author','WM/AlbumTitle','WM/Genre','WM/Year',"
                                                  "'WM/TrackNumber']: print(f[k][0])\n") +
                                 " " + testmedia::Quote(path),
                             &out),
              0);
    TAudioFileWMAInformation3 tags;
    tags.ReadFromFile(path);
    std::string ours = filetest::Utf8(tags.Title()) + "\n" + filetest::Utf8(tags.Artist()) + "\n" +
                       filetest::Utf8(tags.Album()) + "\n" + filetest::Utf8(tags.Genre()) + "\n" +
                       std::to_string(tags.Year()) + "\n" + std::to_string(tags.Track()) + "\n";
    EXPECT_EQ(ours, out);
    EXPECT_EQ(tags.Comments(), u"Desc");
    EXPECT_EQ(tags.AudioInfo().Duration(), testmedia::FfmpegDecodedFrames(path) * 1000 / 44100);
}

TEST_F(WmaComponents, Failures) {
    TAudioFileWMAInformation3 tags;
    EXPECT_THROW(tags.ReadFromFile(dir + "/gone.wma"), EOleException);
    TAudioFileWMA3 w;
    EXPECT_THROW(w.Open(dir + "/gone.wma"), EOleException);
    EXPECT_THROW(w.SetFormat(static_cast<IAudioFormatWMA*>(nullptr)), EOleException);
    EXPECT_THROW(w.Create(dir + "/missing/x.wma"), EOleException);
}

}  // namespace
