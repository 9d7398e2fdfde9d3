// Interoperability both ways: files written by ffmpeg and by libsndfile are read by the
// editor, and what the editor writes is read back by exiftool, libsndfile and ffprobe,
// with the audio decoding identical to the source's.
#include "chunks_test_util.h"

#include <map>
#include <sstream>

namespace {

using namespace chunkstest;
using testmedia::Quote;


std::string Tool() { return BinDir() + "/chunks_sndfile_tool"; }

// key=value lines (the first line of each value).
std::map<std::string, std::string> Lines(const std::string& text, char sep = '=') {
    std::map<std::string, std::string> m;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        auto at = line.find(sep);
        if (at != std::string::npos) m.emplace(line.substr(0, at), line.substr(at + 1));
    }
    return m;
}
std::string Trim(std::string s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\r')) s.pop_back();
    std::size_t i = s.find_first_not_of(' ');
    return i == std::string::npos ? "" : s.substr(i);
}
// exiftool -s output as tag -> value.
std::map<std::string, std::string> Exif(const std::string& path) {
    std::string out;
    EXPECT_EQ(testmedia::Run("exiftool -charset riff=utf8 -a -s " + Quote(path), &out), 0);
    std::map<std::string, std::string> m;
    for (auto& [k, v] : Lines(out, ':')) m.emplace(Trim(k), Trim(v));
    return m;
}
std::string AudioMd5(const std::string& path) {
    std::string out;
    EXPECT_EQ(testmedia::Run("ffmpeg -v error -i " + Quote(path) + " -map 0:a -f md5 -", &out), 0);
    return out;
}

using Interop = ChunksTest;

TEST_F(Interop, FilesWrittenByLibsndfileAreRead) {
    const std::string path = dir_ + "/sf.wav";
    ASSERT_EQ(testmedia::Run(Tool() + " write " + Quote(path)), 0);
    ASSERT_EQ(Get(path), S_OK);

    BroadcastAudioExtension b{};
    editor_->get_BroadcastAudioExtension(&b);
    EXPECT_EQ(Text(b.Description), "Sf description");
    EXPECT_EQ(Text(b.Originator), "Sf originator");
    EXPECT_EQ(Text(b.OriginationDate), "2023-04-05");
    EXPECT_EQ(b.TimeReferenceLow, 123456);
    EXPECT_EQ(b.TimeReferenceHigh, 1);
    EXPECT_EQ(Text(b.CodingHistory).rfind("A=PCM,F=44100,W=16,M=stereo", 0), 0u);
    Free(b);

    CartAudioExtension c{};
    editor_->get_CartAudioExtension(&c);
    EXPECT_EQ(Text(c.Version), "0101");
    EXPECT_EQ(Text(c.Title), "Sf cart title");
    EXPECT_EQ(Text(c.CutID), "CUT42");
    EXPECT_EQ(c.LevelReference, 32768);
    EXPECT_EQ(c.PostTimer1.Usage, SEGs);
    EXPECT_EQ(c.PostTimer1.Value, 1000);
    EXPECT_EQ(c.PostTimer2.Usage, MRK);
    EXPECT_EQ(Text(c.URL), "http://example.invalid/cart");
    EXPECT_EQ(Text(c.TagText).rfind("Sf tag text", 0), 0u);
    Free(c);

    LONG n = 0;
    editor_->get_CuePointCount(&n);
    ASSERT_EQ(n, 2);
    editor_->put_CuePointNum(2);
    CuePoint p{};
    editor_->get_CuePointInfo(&p);
    EXPECT_EQ(p.Position, 2000);
    Free(p);

    ExtraInformation x{};
    editor_->get_ExtraInformation(&x);
    EXPECT_EQ(Text(x.Artist), "Sf Artist");
    EXPECT_EQ(Text(x.Comments), "Sf comment");
    EXPECT_EQ(Text(x.Copyright), "Sf copyright");
    EXPECT_EQ(Text(x.Genre), "Sf genre");
    Free(x);

    ASSERT_EQ(Set(path), S_OK);
    EXPECT_EQ(AudioMd5(path + ".wav"), AudioMd5(path));
}

TEST_F(Interop, BroadcastFilesWrittenByFfmpegAreRead) {
    testmedia::WavSpec shape;
    shape.seconds = 0.25;
    const std::string src = testmedia::MakeWav(dir_, "src.wav", shape);
    const std::string path = dir_ + "/ff.wav";
    ASSERT_EQ(testmedia::Run("ffmpeg -v error -y -i " + Quote(src) +
                  " -write_bext 1 -metadata description='Ff description' -metadata originator='Ff orig'"
                  " -metadata origination_date=2022-11-12 -metadata origination_time=13:14:15"
                  " -metadata time_reference=4294967301 -metadata artist='Ff artist'"
                  " -metadata title='Ff title' -metadata date=2021 " + Quote(path)),
              0);
    ASSERT_EQ(Get(path), S_OK);
    VARIANT_BOOL on = 0;
    editor_->get_BroadcastAudioExtensionEnabled(&on);
    EXPECT_EQ(on, 1);
    BroadcastAudioExtension b{};
    editor_->get_BroadcastAudioExtension(&b);
    EXPECT_EQ(Text(b.Description), "Ff description");
    EXPECT_EQ(Text(b.Originator), "Ff orig");
    EXPECT_EQ(Text(b.OriginationDate), "2022-11-12");
    EXPECT_EQ(Text(b.OriginationTime), "13:14:15");
    EXPECT_EQ(b.TimeReferenceLow, 5);
    EXPECT_EQ(b.TimeReferenceHigh, 1);
    Free(b);
    ExtraInformation x{};
    editor_->get_ExtraInformation(&x);
    EXPECT_EQ(Text(x.Artist), "Ff artist");
    EXPECT_EQ(Text(x.Album), "Ff title") << "ffmpeg writes its title as INAM";
    EXPECT_EQ(x.Year, 2021);
    Free(x);
    IAudioInfo* a = nullptr;
    editor_->get_AudioInfo(&a);
    LONG rate = 0;
    a->get_SampleRate(&rate);
    EXPECT_EQ(rate, 44100);
    a->Release();
}

TEST_F(Interop, WhatTheEditorWritesIsReadByOtherTools) {
    testmedia::WavSpec shape;
    shape.seconds = 0.5;
    shape.noise = true;
    const std::string src = testmedia::MakeWav(dir_, "song.wav", shape);
    ASSERT_EQ(Get(src), S_OK);

    Str desc("Our description"), orig("Our originator"), date("2020-01-02"), time("03:04:05"), hist("A=PCM\r\n");
    BroadcastAudioExtension b{};
    b.Description = desc.get();
    b.Originator = orig.get();
    b.OriginationDate = date.get();
    b.OriginationTime = time.get();
    b.TimeReferenceLow = 88200;
    b.Version = 1;
    b.CodingHistory = hist.get();
    editor_->put_BroadcastAudioExtension(&b);

    Str ver("0101"), ctitle("Our cart"), cut("CUT7"), url("http://example.invalid/ours"), tag("our tags");
    CartAudioExtension c{};
    c.Version = ver.get();
    c.Title = ctitle.get();
    c.CutID = cut.get();
    c.URL = url.get();
    c.TagText = tag.get();
    c.LevelReference = 1234;
    c.PostTimer1 = {AUDs, 10};
    c.PostTimer2 = {EOD, 20000};
    editor_->put_CartAudioExtension(&c);

    Str artist("Our artist"), comment("Our comment"), album("Our album"), title("Our title");
    ExtraInformation x{};
    editor_->get_ExtraInformation(&x);
    Free(x);
    x.Artist = artist.get();
    x.Comments = comment.get();
    x.Album = album.get();
    x.Title = title.get();
    x.Year = 2019;
    editor_->put_ExtraInformation(&x);

    Str label1("First"), note1("A note"), label2("Second");
    CuePoint p1{}, p2{};
    p1.Position = 4410;
    p1.Label = label1.get();
    p1.Note = note1.get();
    p2.Position = 13230;
    p2.Label = label2.get();
    editor_->InsertCuePoint(&p2);
    editor_->InsertCuePoint(&p1);
    for (auto put : {&IWavChunksEditor3::put_BroadcastAudioExtensionEnabled, &IWavChunksEditor3::put_CartAudioExtensionEnabled,
                     &IWavChunksEditor3::put_ExtraInformationEnabled, &IWavChunksEditor3::put_CuePointsEnabled})
        (editor_->*put)(1);
    ASSERT_EQ(Set(src), S_OK);
    const std::string out = src + ".wav";

    auto exif = Exif(out);
    EXPECT_EQ(exif["Artist"], "Our artist");
    EXPECT_EQ(exif["Comment"], "Our comment");
    EXPECT_EQ(exif["Title"], "Our album") << "INAM";
    EXPECT_EQ(exif["Description"], "Our description");
    EXPECT_EQ(exif["Originator"], "Our originator");
    EXPECT_EQ(exif["TimeReference"], "88200");
    EXPECT_EQ(exif["DateTimeOriginal"], "2020:01:02 03:04:05");
    EXPECT_EQ(exif["CuePointLabel"], "1 First") << "adtl labels, by cue identifier";
    EXPECT_EQ(exif["CuePointNote"], "1 A note");
    EXPECT_EQ(exif["LabeledText"], "1 0 'rgn ' 0 0 0 0");

    std::string text;
    ASSERT_EQ(testmedia::Run(Tool() + " read " + Quote(out), &text), 0);
    auto sf = Lines(text);
    EXPECT_EQ(sf["frames"], "22050");
    EXPECT_EQ(sf["bext.description"], "Our description");
    EXPECT_EQ(sf["bext.timeref"], "88200/0");
    EXPECT_EQ(sf["cart.title"], "Our cart");
    EXPECT_EQ(sf["cart.cutid"], "CUT7");
    EXPECT_EQ(sf["cart.level"], "1234");
    EXPECT_EQ(sf["cart.timer1"], "AUDs/10");
    EXPECT_EQ(sf["cart.timer2"], "EOD /20000");
    EXPECT_EQ(sf["cart.url"], "http://example.invalid/ours");
    EXPECT_EQ(sf["cart.tag"], "our tags");
    EXPECT_EQ(sf["cues"], "2");
    EXPECT_EQ(sf["cue1"].substr(0, 10), "4410/4410/");
    EXPECT_EQ(sf["cue2"].substr(0, 12), "13230/13230/");
    EXPECT_EQ(sf["artist"], "Our artist");

    ASSERT_EQ(testmedia::Run("ffprobe -v error -show_format -show_streams -of flat " + Quote(out), &text), 0);
    auto probe = Lines(text);
    EXPECT_EQ(probe["format.tags.artist"], "\"Our artist\"");
    EXPECT_EQ(probe["streams.stream.0.sample_rate"], "\"44100\"");
    EXPECT_EQ(probe["streams.stream.0.duration_ts"], "22050");
    EXPECT_EQ(AudioMd5(out), AudioMd5(src));
}

TEST_F(Interop, MpegAudioInWaveKeepsItsFramesAndGetsMext) {
    const std::string path = dir_ + "/mp3.wav";
    ASSERT_EQ(testmedia::Run("ffmpeg -v error -y -f lavfi -i sine=d=1:r=22050 -c:a libmp3lame -b:a 64k -f wav " +
                             Quote(path)),
              0);
    ASSERT_EQ(Get(path), S_OK);
    auto out = Rewrite(path);
    EXPECT_EQ(Ids(out), (std::vector<std::string>{"fmt ", "fact", "mext", "data", "LIST/INFO"})) << "ffmpeg names its encoder";
    const Listed* mext = Find(out, "mext");
    ASSERT_NE(mext, nullptr);
    EXPECT_EQ(Get16(mext->data, 2), 208);  // 8000 x 1152 / 22050, halved below 32 kHz
    EXPECT_EQ(Find(out, "data")->data, Find(ListFile(path), "data")->data);
    EXPECT_EQ(AudioMd5(path + ".wav"), AudioMd5(path));
}

}  // namespace
