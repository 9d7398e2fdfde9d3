// Whole runs of tarvelcut on media made at test time, checked by ffmpeg/ffprobe.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

#include "TestMedia.h"

using namespace testmedia;

namespace {

std::string Bin() { return std::getenv("KEZ_BIN_DIR"); }

int Tool(const std::string& args, std::string* out = nullptr) {
    const int rc = Run(Quote(Bin() + "/tarvelcut") + " " + args + " 2>" + Quote(std::string(std::getenv("TMPDIR")) + "/err.txt"), out);
    return rc;
}

std::string LastError() {
    const auto bytes = ReadAll(std::string(std::getenv("TMPDIR")) + "/err.txt");
    return std::string(bytes.begin(), bytes.end());
}

// The bytes of the "data" chunk of a RIFF WAVE file.
std::vector<std::uint8_t> PcmData(const std::string& path) {
    const auto b = ReadAll(path);
    std::size_t pos = 12;
    while (pos + 8 <= b.size()) {
        std::uint32_t size;
        std::memcpy(&size, &b[pos + 4], 4);
        if (std::memcmp(&b[pos], "data", 4) == 0)
            return std::vector<std::uint8_t>(b.begin() + pos + 8, b.begin() + std::min(b.size(), pos + 8 + size));
        pos += 8 + size + (size & 1);
    }
    return {};
}

std::string Tag(const std::string& path, const std::string& key) {
    std::string out;
    Run("ffprobe -v error -show_entries format_tags=" + key + ":stream_tags=" + key +
            " -of default=nw=1:nk=1 " + Quote(path),
        &out);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
    const auto nl = out.find('\n');
    return nl == std::string::npos ? out : out.substr(0, nl);
}

class CliCut : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        for (const char* m : {"KezAudioFile3", "KezAudioFileWMA3", "KezAudioFormatSettings3"})
            ASSERT_EQ(testmedia::Run(Quote(Bin() + "/regsvr") + " -s " + Quote(Bin() + "/lib" + m + ".so")), 0) << m;
    }
    void SetUp() override { dir_ = MakeTempDir("cli"); }
    void TearDown() override { RemoveTree(dir_); }
    std::string dir_;
};

TEST_F(CliCut, WavInThreeEqualPiecesJoinsToTheSourcePcm) {
    WavSpec shape;
    shape.frames = 44100 * 3 + 7;  // not a multiple of three pieces' worth
    shape.noise = true;
    const std::string src = MakeWav(dir_, "src.wav", shape);
    ASSERT_EQ(Tool("cut " + Quote(src) + " --out " + Quote(dir_ + "/out") + " --format wav --pieces 3"), 0)
        << LastError();
    std::vector<std::uint8_t> joined;
    for (const char* name : {"src_1.wav", "src_2.wav", "src_3.wav"}) {
        const auto pcm = PcmData(dir_ + "/out/" + name);
        ASSERT_FALSE(pcm.empty()) << name;
        joined.insert(joined.end(), pcm.begin(), pcm.end());
    }
    EXPECT_TRUE(joined == PcmData(src)) << "joined " << joined.size() << " bytes, source " << PcmData(src).size();
}

TEST_F(CliCut, EverySourceFormatToEveryOutputFormatWithTags) {
    WavSpec shape;
    shape.seconds = 4.0;
    const std::string wav = MakeWav(dir_, "w.wav", shape);
    const std::string sources[] = {wav, MakeMp3(dir_, "m.mp3", shape, 192), MakeOgg(dir_, "o.ogg", shape, 160),
                                   MakeWma(dir_, "a.wma", shape, 128)};
    const struct {
        const char* arg;
        const char* ext;
        const char* codec;
    } outs[] = {{"mp3", ".mp3", "mp3"}, {"ogg", ".ogg", "vorbis"}, {"wav", ".wav", "pcm_s16le"}, {"wma", ".wma", "wmav2"}};
    for (const std::string& src : sources) {
        for (const auto& out : outs) {
            SCOPED_TRACE(src + " -> " + out.arg);
            const std::string folder = dir_ + "/" + out.arg;
            const std::string base = src.substr(src.rfind('/') + 1, 1);
            ASSERT_EQ(Tool("cut " + Quote(src) + " --out " + Quote(folder) + " --format " + out.arg +
                           " --segment 00:01.000-00:03.000=" + base + " --title 'Title " + base +
                           "' --artist Someone --album Disc"),
                      0)
                << LastError();
            const std::string file = folder + "/" + base + out.ext;
            const ProbeResult p = Ffprobe(file);
            EXPECT_EQ(p.codec, out.codec);
            // Two seconds; lossy coders are allowed their priming and padding.
            const double seconds = static_cast<double>(FfmpegDecodedFrames(file)) / p.sampleRate;
            EXPECT_NEAR(seconds, 2.0, std::string(out.arg) == "wav" && src == wav ? 1e-9 : 0.08);
            if (std::string(out.arg) != "wav") {
                EXPECT_EQ(Tag(file, "title"), "Title " + base);
                EXPECT_EQ(Tag(file, "artist"), "Someone");
                EXPECT_EQ(Tag(file, "album"), "Disc");
            }
        }
    }
}

TEST_F(CliCut, InfoShowsTheStreamAndTags) {
    WavSpec shape;
    shape.seconds = 2.5;
    Tags tags;
    tags.title = "Song";
    tags.artist = "Band";
    const std::string mp3 = MakeMp3(dir_, "t.mp3", shape, 128, false, &tags);
    std::string out;
    ASSERT_EQ(Tool("info " + Quote(mp3), &out), 0) << LastError();
    EXPECT_NE(out.find("format: MP3"), std::string::npos) << out;
    EXPECT_NE(out.find("samplerate: 44100 Hz"), std::string::npos) << out;
    EXPECT_NE(out.find("channels: 2"), std::string::npos) << out;
    EXPECT_NE(out.find("bitrate: 128 kbps"), std::string::npos) << out;
    EXPECT_NE(out.find("duration: 00:02."), std::string::npos) << out;
    EXPECT_NE(out.find("title: Song"), std::string::npos) << out;
    EXPECT_NE(out.find("artist: Band"), std::string::npos) << out;
}

TEST_F(CliCut, AnMp3WithOnlyTheSecondTagKindGivesItsTextsAsDefaults) {
    WavSpec shape;
    shape.seconds = 2.0;
    std::vector<std::uint8_t> bytes = ReadAll(MakeMp3(dir_, "plain.mp3", shape, 128));
    std::string v1(128, '\0');
    const auto field = [&](std::size_t at, const std::string& text) { v1.replace(at, text.size(), text); };
    field(0, "TAG");
    field(3, "Evening");
    field(33, "Trio");
    field(93, "1987");
    bytes.insert(bytes.end(), v1.begin(), v1.end());
    const std::string mp3 = MakeFile(dir_, "v1only.mp3", bytes);
    std::string out;
    ASSERT_EQ(Tool("info " + Quote(mp3), &out), 0) << LastError();
    EXPECT_NE(out.find("title: Evening"), std::string::npos) << out;
    ASSERT_EQ(Tool("cut " + Quote(mp3) + " --out " + Quote(dir_ + "/out") + " --format ogg --segment 0-1"), 0)
        << LastError();
    EXPECT_EQ(Tag(dir_ + "/out/v1only_1.ogg", "title"), "Evening");
    EXPECT_EQ(Tag(dir_ + "/out/v1only_1.ogg", "artist"), "Trio");
}

TEST_F(CliCut, FailuresAndUsageErrorsHaveTheirOwnStatus) {
    const std::string wav = MakeWav(dir_, "s.wav", WavSpec{});
    EXPECT_EQ(Tool(""), 2);
    EXPECT_EQ(Tool("split " + Quote(wav)), 2);
    EXPECT_EQ(Tool("cut " + Quote(wav) + " --out " + Quote(dir_) + " --segment 2-1"), 2);
    EXPECT_NE(LastError().find("ends before it starts"), std::string::npos) << LastError();

    const std::string text = MakeFile(dir_, "notes.txt", {'h', 'i'});
    EXPECT_EQ(Tool("cut " + Quote(text) + " --out " + Quote(dir_ + "/o") + " --pieces 2"), 1);
    EXPECT_NE(LastError().find("cannot be cut"), std::string::npos) << LastError();
    EXPECT_EQ(Tool("cut " + Quote(dir_ + "/missing.wav") + " --out " + Quote(dir_ + "/o") + " --pieces 2"), 1);
    EXPECT_EQ(Tool("info " + Quote(text)), 1);
    EXPECT_EQ(Tool("cut " + Quote(wav) + " --out " + Quote(dir_) + " --segment 5-6"), 1);  // past the end
}

TEST_F(CliCut, TheSourceItselfIsNeverTheOutput) {
    const std::string wav = MakeWav(dir_, "s.wav", WavSpec{});
    const auto before = ReadAll(wav);
    EXPECT_EQ(Tool("cut " + Quote(wav) + " --out " + Quote(dir_) + " --format wav --segment 0-0.5=s --overwrite"), 1);
    EXPECT_NE(LastError().find("source file itself"), std::string::npos) << LastError();
    EXPECT_TRUE(ReadAll(wav) == before);
}

TEST_F(CliCut, AnExistingOutputIsReplacedOnlyWithOverwrite) {
    WavSpec shape;
    shape.seconds = 2.0;
    const std::string wav = MakeWav(dir_, "s.wav", shape);
    const std::string out = dir_ + "/o";
    ASSERT_EQ(Tool("cut " + Quote(wav) + " --out " + Quote(out) + " --format wav --segment 0-1=x"), 0);
    const auto first = ReadAll(out + "/x.wav");
    // An output not written is a failure, so a script sees it.
    EXPECT_EQ(Tool("cut " + Quote(wav) + " --out " + Quote(out) + " --format wav --segment 0-0.5=x"), 1);
    EXPECT_NE(LastError().find("Not replaced"), std::string::npos) << LastError();
    EXPECT_TRUE(ReadAll(out + "/x.wav") == first);
    EXPECT_EQ(Tool("cut " + Quote(wav) + " --out " + Quote(out) + " --format wav --segment 0-0.5=x --overwrite"), 0);
    EXPECT_LT(FileSize(out + "/x.wav"), static_cast<std::int64_t>(first.size()));
}

}  // namespace
