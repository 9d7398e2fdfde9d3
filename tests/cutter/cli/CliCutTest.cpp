// Whole runs of tarvelcut on media made at test time, checked by ffmpeg/ffprobe.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <csignal>
#include <filesystem>
#include <map>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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

TEST_F(CliCut, ConventionsEqualsValuesShortOutQuietVersionAndPaddedPieceNames) {
    WavSpec shape;
    shape.seconds = 1.2;
    const std::string src = MakeWav(dir_, "src.wav", shape);
    std::string out;
    ASSERT_EQ(Tool("cut " + Quote(src) + " -o " + Quote(dir_ + "/out") + " --format=wav --pieces=12 -q", &out), 0)
        << LastError();
    for (const char* name : {"src_01.wav", "src_09.wav", "src_10.wav", "src_12.wav"})
        EXPECT_GT(FileSize(dir_ + "/out/" + name), 0) << name;
    EXPECT_LT(FileSize(dir_ + "/out/src_1.wav"), 0);
    ASSERT_EQ(Tool("cut " + Quote(src) + " -o " + Quote(dir_ + "/few") + " --format=wav --pieces=3"), 0);
    EXPECT_GT(FileSize(dir_ + "/few/src_3.wav"), 0);  // nine or fewer keep the program's names
    std::string version, help;
    ASSERT_EQ(Tool("--version", &version), 0);
    EXPECT_EQ(version.rfind("tarvelcut ", 0), 0u) << version;
    ASSERT_EQ(Tool("cut --help", &help), 0);
    EXPECT_NE(help.find("--segment"), std::string::npos);
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

// The tag steps on real Ogg Vorbis outputs: a comment too long for the rewrite is reported
// by a failing status (the audio is kept); an output too short to be valid is not tagged.
TEST_F(CliCut, OggTagsThatCannotBeStoredOrAnOutputTooShortToTag) {
    WavSpec shape;
    shape.seconds = 1.0;
    const std::string a = MakeOgg(dir_, "a.ogg", shape, 128), b = MakeOgg(dir_, "b.ogg", shape, 128);
    const std::string joined = dir_ + "/j.ogg";
    EXPECT_EQ(Tool("merge " + Quote(joined) + " " + Quote(a) + " " + Quote(b) + " --title Joined --comment " +
                   std::string(100 * 1024, 'c')),
              1);
    EXPECT_NE(LastError().find("Unable to write the tags of"), std::string::npos) << LastError();
    EXPECT_EQ(testmedia::Run("ogginfo " + Quote(joined) + " >/dev/null"), 0);
    EXPECT_EQ(Tag(joined, "title"), "");

    ASSERT_EQ(Tool("cut " + Quote(a) + " --out " + Quote(dir_ + "/o") +
                   " --format ogg --segment 00:00.100-00:00.160=short --title Short"),
              0)
        << LastError();
    EXPECT_EQ(Tag(dir_ + "/o/short.ogg", "title"), "");
    ASSERT_EQ(Tool("cut " + Quote(a) + " --out " + Quote(dir_ + "/o") +
                   " --format ogg --segment 00:00.100-00:00.600=long --title Long"),
              0)
        << LastError();
    EXPECT_EQ(Tag(dir_ + "/o/long.ogg", "title"), "Long");
}

// Every file of a folder (hidden ones too) with its bytes; none when there is no folder.
std::map<std::string, std::vector<std::uint8_t>> Folder(const std::string& dir) {
    std::map<std::string, std::vector<std::uint8_t>> files;
    if (!std::filesystem::is_directory(dir)) return files;
    for (const auto& e : std::filesystem::directory_iterator(dir)) files[e.path().filename()] = ReadAll(e.path());
    return files;
}

TEST_F(CliCut, WorkersWriteWhatOneJobWrites) {
    WavSpec shape;
    shape.seconds = 24.0;
    shape.noise = true;
    const std::string mp3 = MakeMp3(dir_, "m.mp3", shape, 128);
    const std::string cut = "cut " + Quote(mp3) + " --format mp3 --pieces 4 --title T --out ";
    ASSERT_EQ(Tool(cut + Quote(dir_ + "/one") + " --jobs 1"), 0) << LastError();
    ASSERT_EQ(Tool(cut + Quote(dir_ + "/two") + " --jobs 2"), 0) << LastError();
    const auto one = Folder(dir_ + "/one");
    EXPECT_EQ(one.size(), 4u);
    EXPECT_TRUE(Folder(dir_ + "/two") == one);

    // Rows sharing a name keep their order: the first is written, the second not replaced,
    // and the run says so by its status.
    const std::string same = "cut " + Quote(mp3) + " --format wav --segment 0-1=x --segment 1-3=x --segment 3-4=y --out ";
    ASSERT_EQ(Tool(same + Quote(dir_ + "/s1") + " --jobs 1"), 1) << LastError();
    ASSERT_EQ(Tool(same + Quote(dir_ + "/s2") + " --jobs 3"), 1) << LastError();
    EXPECT_NE(LastError().find("Not replaced"), std::string::npos) << LastError();
    EXPECT_TRUE(Folder(dir_ + "/s2") == Folder(dir_ + "/s1"));

    // Stopped part way, the workers leave only whole files behind and the run ends by the signal.
    const pid_t pid = fork();
    if (pid == 0) {
        const std::string tool = Bin() + "/tarvelcut";
        const std::string out = dir_ + "/stopped";
        execl(tool.c_str(), tool.c_str(), "cut", mp3.c_str(), "--format", "mp3", "--pieces", "4", "--title", "T",
              "--out", out.c_str(), "--jobs", "2", static_cast<char*>(nullptr));
        _exit(127);
    }
    usleep(700 * 1000);
    kill(pid, SIGINT);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    if (WIFSIGNALED(status)) {
        EXPECT_EQ(WTERMSIG(status), SIGINT);
        for (const auto& [name, bytes] : Folder(dir_ + "/stopped")) EXPECT_TRUE(one.count(name) && one.at(name) == bytes) << name;
    } else {
        EXPECT_EQ(WEXITSTATUS(status), 0);  // finished before the signal: everything written
        EXPECT_TRUE(Folder(dir_ + "/stopped") == one);
    }
}

}  // namespace

namespace {

// A bitrate the encoder cannot honour at the chosen rate: one line says which is used, and
// the file is written at it; an honoured pair gets no line.
TEST_F(CliCut, ABitrateTheEncoderCannotHonourIsNamedWithTheOneUsed) {
    WavSpec shape;
    shape.seconds = 6.0;
    shape.noise = true;
    const std::string src = MakeWav(dir_, "n.wav", shape);
    std::string out;
    ASSERT_EQ(Tool("cut " + Quote(src) + " --out " + Quote(dir_ + "/a") +
                       " --format mp3 --samplerate 22050 --bitrate 320 --segment 00:00.000-00:05.000=x",
                   &out),
              0)
        << LastError();
    EXPECT_NE(out.find("tarvelcut: MP3 at 22050 Hz cannot be written at 320 kbps: 160 kbps is used.\n"),
              std::string::npos)
        << out;
    const double kbps = static_cast<double>(FileSize(dir_ + "/a/x.mp3")) * 8 / 5.0 / 1000;
    EXPECT_NEAR(kbps, 160, 12);

    out.clear();
    ASSERT_EQ(Tool("cut " + Quote(src) + " --out " + Quote(dir_ + "/b") +
                       " --format ogg --samplerate 44100 --bitrate 320 --segment 00:00.000-00:02.000=y",
                   &out),
              0)
        << LastError();
    EXPECT_EQ(out.find("cannot be written"), std::string::npos) << out;
}

// --copy: MP3 to MP3 keeps the source's frames (a 96 kbps source stays small, not the
// stored 256 kbps), decodes to the source's frames of the span, and is tagged; an MP3
// merge with --copy of files whose frames do not line up says it encodes; Ogg Vorbis pieces are joined without encoding.
TEST_F(CliCut, CopyKeepsTheSourceFramesInCutsAndOggJoins) {
    WavSpec shape;
    shape.seconds = 5.0;
    shape.noise = true;
    const std::string src = MakeMp3(dir_, "src.mp3", shape, 96);
    ASSERT_EQ(Tool("cut " + Quote(src) + " --out " + Quote(dir_ + "/out") +
                   " --format mp3 --copy --title Copied --segment 1.5-3.25=piece"),
              0)
        << LastError();
    const std::string piece = dir_ + "/out/piece.mp3";
    EXPECT_LT(FileSize(piece), 96000 / 8 * 2.2);
    EXPECT_EQ(Tag(piece, "title"), "Copied");
    std::string whole, part;
    testmedia::Run("ffmpeg -v error -i " + Quote(src) + " -f f32le -", &whole);
    testmedia::Run("ffmpeg -v error -i " + Quote(piece) + " -f f32le -", &part);
    // 1.5 s to 3.25 s: frames 66150 to 143325, eight bytes each.
    ASSERT_EQ(part.size(), (143325u - 66150u) * 8);
    EXPECT_TRUE(whole.compare(66150 * 8, part.size(), part) == 0);

    ASSERT_EQ(Tool("merge " + Quote(dir_ + "/joined.mp3") + " " + Quote(src) + " " + Quote(piece) + " --copy"), 0)
        << LastError();
    EXPECT_NE(LastError().find("cannot be joined without re-encoding because the files' frames do not line up"),
              std::string::npos)
        << LastError();
    // Adjacent pieces of one encode are joined by their frames: the source's decode again, and small.
    ASSERT_EQ(Tool("cut " + Quote(src) + " --out " + Quote(dir_ + "/m") +
                   " --format mp3 --copy --segment 0-2.2=a --segment 2.2-6=b"),
              0)
        << LastError();
    ASSERT_EQ(Tool("merge " + Quote(dir_ + "/ab.mp3") + " " + Quote(dir_ + "/m/a.mp3") + " " +
                   Quote(dir_ + "/m/b.mp3") + " --copy"),
              0)
        << LastError();
    EXPECT_EQ(LastError().find("encoded"), std::string::npos) << LastError();
    part.clear();
    testmedia::Run("ffmpeg -v error -i " + Quote(dir_ + "/ab.mp3") + " -f f32le -", &part);
    EXPECT_TRUE(part == whole) << part.size() << " " << whole.size();
    EXPECT_LT(FileSize(dir_ + "/ab.mp3"), 96000 / 8 * 5.6);

    // Ogg Vorbis: pieces cut and joined again without encoding, then tagged, decode as the
    // source does and pass the checker.
    const std::string ogg = MakeOgg(dir_, "src.ogg", shape, 112);
    ASSERT_EQ(Tool("cut " + Quote(ogg) + " --out " + Quote(dir_ + "/o") +
                   " --format ogg --copy --segment 0-1.7=a --segment 1.7-3.1=b --segment 3.1-6=c"),
              0)
        << LastError();
    const std::string joined = dir_ + "/joined.ogg";
    ASSERT_EQ(Tool("merge " + Quote(joined) + " " + Quote(dir_ + "/o/a.ogg") + " " + Quote(dir_ + "/o/b.ogg") + " " +
                   Quote(dir_ + "/o/c.ogg") + " --copy --title Joined"),
              0)
        << LastError();
    EXPECT_EQ(LastError().find("encoded"), std::string::npos) << LastError();
    std::string a, b, report;
    testmedia::Run("oggdec -Q -R -o - " + Quote(ogg), &a);
    testmedia::Run("oggdec -Q -R -o - " + Quote(joined), &b);
    EXPECT_FALSE(a.empty());
    EXPECT_TRUE(a == b) << a.size() << " " << b.size();
    EXPECT_EQ(0, testmedia::Run("ogginfo " + Quote(joined) + " 2>&1", &report)) << report;
    EXPECT_NE(report.find("TITLE=Joined"), std::string::npos) << report;
}

}  // namespace

// A real speech recording split at its pauses agrees with ffmpeg's silencedetect on the
// same file; rows from a cue sheet get the sheet's names, and a bad sheet writes nothing.
TEST_F(CliCut, SilenceSplitOfRealSpeechAndRowsFromACueSheet) {
    const std::string speech = "/usr/share/asterisk/sounds/en_US_f_Allison/demo-instruct.wav";
    ASSERT_EQ(testmedia::Run("test -f " + Quote(speech)), 0) << "asterisk-core-sounds-en-wav is not installed";
    std::string log;
    testmedia::Run("ffmpeg -hide_banner -nostats -i " + Quote(speech) + " -af silencedetect=n=-40dB:d=0.3 -f null - 2>&1", &log);
    std::vector<double> cuts = {0};  // sound parts: from the end of one silence to the start of the next
    for (std::size_t at = 0; (at = log.find("silence_", at)) != std::string::npos; ++at) {
        const bool start = log.compare(at, 14, "silence_start:") == 0;
        if (start || log.compare(at, 12, "silence_end:") == 0) cuts.push_back(std::stod(log.substr(at + (start ? 14 : 12))));
    }
    cuts.push_back(Ffprobe(speech).duration);
    std::vector<double> want;  // lengths of the parts that have sound
    for (std::size_t i = 0; i + 1 < cuts.size(); i += 2)
        if (cuts[i + 1] - cuts[i] > 0.0005) want.push_back(cuts[i + 1] - cuts[i]);
    ASSERT_GE(want.size(), 3u) << log;

    ASSERT_EQ(Tool("cut " + Quote(speech) + " --out " + Quote(dir_ + "/s") + " --format wav --silence -40,0.3"), 0)
        << LastError();
    for (std::size_t i = 0; i < want.size(); ++i) {
        const std::string part = dir_ + "/s/demo-instruct_" + std::to_string(i + 1) + ".wav";
        EXPECT_NEAR(PcmData(part).size() / 176400.0, want[i], 0.010) << part;  // written at 44.1 kHz stereo 16-bit
    }
    EXPECT_NE(testmedia::Run("test -e " + Quote(dir_ + "/s/demo-instruct_" + std::to_string(want.size() + 1) + ".wav")), 0);

    WavSpec shape;
    shape.seconds = 6.0;
    const std::string src = MakeWav(dir_, "album.wav", shape);
    testmedia::Run("printf 'PERFORMER \"Band\"\\nFILE \"album.wav\" WAVE\\n TRACK 01 AUDIO\\n  TITLE \"First\"\\n  INDEX 01 00:00:00\\n"
        " TRACK 02 AUDIO\\n  TITLE \"Second\"\\n  INDEX 01 00:02:38\\n' > " + Quote(dir_ + "/album.cue"));
    ASSERT_EQ(Tool("cut " + Quote(src) + " --out " + Quote(dir_ + "/c") + " --format wav --cue " + Quote(dir_ + "/album.cue")), 0)
        << LastError();
    // It ends at the next track's INDEX 01: 2 s and 38 frames of 1/75 s = 2507 ms.
    EXPECT_EQ(PcmData(dir_ + "/c/First.wav").size(), static_cast<std::size_t>(std::llround(2507 * 44.1)) * 4);
    EXPECT_EQ(PcmData(dir_ + "/c/Second.wav").size(), (44100 * 6 - static_cast<std::size_t>(std::llround(2507 * 44.1))) * 4);
    testmedia::Run("printf 'FILE \"album.wav\" WAVE\\n TRACK 01 AUDIO\\n  INDEX 01 00:00:00\\n TRACK 02 AUDIO\\n  INDEX 01 00:9:99\\n' > " +
        Quote(dir_ + "/bad.cue"));
    EXPECT_EQ(Tool("cut " + Quote(src) + " --out " + Quote(dir_ + "/b") + " --format wav --cue " + Quote(dir_ + "/bad.cue")), 1);
    EXPECT_NE(LastError().find("Line 5"), std::string::npos) << LastError();
    EXPECT_NE(testmedia::Run("test -e " + Quote(dir_ + "/b")), 0);
}
