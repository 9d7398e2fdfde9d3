// tarvelcut never loses a file and never hangs: outputs are replaced whole or not at all,
// damaged and non-regular inputs are refused with the file named, and the exit status
// says whether every requested output was written.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "TestMedia.h"

using namespace testmedia;

namespace {

std::string Bin() { return std::getenv("KEZ_BIN_DIR"); }
std::string ErrFile() { return std::string(std::getenv("TMPDIR")) + "/safety-err.txt"; }

// Runs tarvelcut under a time limit, so a blocked open fails the test instead of hanging it.
int Tool(const std::string& args) {
    return testmedia::Run("timeout -s KILL 120 " + Quote(Bin() + "/tarvelcut") + " " + args + " >/dev/null 2>" + Quote(ErrFile()));
}

std::string LastError() {
    const auto b = ReadAll(ErrFile());
    return std::string(b.begin(), b.end());
}

std::vector<std::string> Leftovers(const std::string& dir) {
    std::vector<std::string> out;
    for (const auto& e : std::filesystem::directory_iterator(dir)) {
        const std::string name = e.path().filename().string();
        if (name.find(".tmp.") != std::string::npos || name.back() == '~') out.push_back(name);
    }
    return out;
}

void Patch(const std::string& path, std::size_t at, std::uint32_t value, int bytes) {
    auto b = ReadAll(path);
    for (int i = 0; i < bytes; ++i) b[at + i] = std::uint8_t(value >> (8 * i));
    MakeFile(std::filesystem::path(path).parent_path(), std::filesystem::path(path).filename(), b);
}

class CliSafety : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        for (const char* m : {"KezAudioFile3", "KezAudioFileWMA3", "KezAudioFormatSettings3"})
            ASSERT_EQ(testmedia::Run(Quote(Bin() + "/regsvr") + " -s " + Quote(Bin() + "/lib" + m + ".so")), 0) << m;
    }
    void SetUp() override {
        dir_ = MakeTempDir("safety");
        WavSpec shape;
        shape.seconds = 3.0;
        src_ = MakeWav(dir_, "src.wav", shape);
        srcBytes_ = ReadAll(src_);
    }
    void TearDown() override { RemoveTree(dir_); }
    std::string dir_, src_;
    std::vector<std::uint8_t> srcBytes_;
};

TEST_F(CliSafety, AnOutputThatIsAnInputByAHardLinkIsRefused) {
    ASSERT_EQ(::link(src_.c_str(), (dir_ + "/alias.wav").c_str()), 0);
    EXPECT_NE(Tool("cut " + Quote(src_) + " --out " + Quote(dir_) + " --format wav --segment 0-1=alias --overwrite"), 0);
    EXPECT_NE(Tool("merge " + Quote(dir_ + "/alias.wav") + " " + Quote(src_) + " " + Quote(src_) + " --overwrite"), 0);
    EXPECT_TRUE(ReadAll(src_) == srcBytes_);
}

TEST_F(CliSafety, AnExistingOutputOrARepeatedNameWithoutOverwriteIsAFailure) {
    const std::string old = MakeFile(dir_, "keep.wav", {'o', 'l', 'd'});
    EXPECT_EQ(Tool("cut " + Quote(src_) + " --out " + Quote(dir_) + " --format wav --segment 0-1=keep"), 1);
    EXPECT_NE(LastError().find("keep.wav"), std::string::npos) << LastError();
    EXPECT_EQ(ReadAll(old), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
    EXPECT_EQ(Tool("merge " + Quote(old) + " " + Quote(src_) + " " + Quote(src_)), 1);
    EXPECT_EQ(ReadAll(old), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
    EXPECT_EQ(Tool("cut " + Quote(src_) + " --out " + Quote(dir_ + "/o") + " --format wav --segment 0-1=a --segment 1-2=a"), 1);
    EXPECT_NE(LastError().find("repeats"), std::string::npos) << LastError();
}

TEST_F(CliSafety, NonRegularInputsAreRefusedAtOnce) {
    const std::string fifo = dir_ + "/pipe.wav";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& args : {"info " + Quote(fifo), "info " + Quote(dir_),
                                    "cut " + Quote(fifo) + " --out " + Quote(dir_) + " --pieces 2",
                                    "merge " + Quote(dir_ + "/m.wav") + " " + Quote(src_) + " " + Quote(fifo)}) {
        EXPECT_EQ(Tool(args), 1) << args;
        EXPECT_NE(LastError().find("not a regular file"), std::string::npos) << args << ": " << LastError();
    }
}

TEST_F(CliSafety, FilesWithNoAudioOrAbsurdFactsAreErrorsNamingTheFile) {
    // A header alone (44 bytes), and one sample frame: less than the millisecond a cut is
    // made of, so nothing real can be cut or joined from either.
    for (const int frames : {0, 1}) {
        const std::string name = frames ? "one.wav" : "empty.wav";
        std::vector<std::uint8_t> wav(srcBytes_.begin(), srcBytes_.begin() + 44 + 4 * frames);
        for (int i : {4, 40}) std::memset(&wav[i], 0, 4);
        wav[4] = static_cast<std::uint8_t>(36 + 4 * frames);
        wav[40] = static_cast<std::uint8_t>(4 * frames);
        const std::string empty = MakeFile(dir_, name, wav);
        EXPECT_EQ(Tool("cut " + Quote(empty) + " --out " + Quote(dir_ + "/o") + " --format wav --pieces 2"), 1) << name;
        EXPECT_NE(LastError().find(name), std::string::npos) << LastError();
        EXPECT_FALSE(std::filesystem::exists(dir_ + "/o")) << name;
        for (const std::string& first : {src_, empty}) {
            EXPECT_EQ(Tool("merge " + Quote(dir_ + "/m.wav") + " " + Quote(first) + " " + Quote(empty)), 1) << name;
            EXPECT_NE(LastError().find(name), std::string::npos) << LastError();
            EXPECT_FALSE(std::filesystem::exists(dir_ + "/m.wav")) << name;
        }
    }

    struct Damage {
        const char* name;
        std::size_t at;
        std::uint32_t value;
        int bytes;
    };
    for (const Damage& d : {Damage{"rate1.wav", 24, 1, 4}, Damage{"rate2g.wav", 24, 2147483647u, 4},
                            Damage{"align.wav", 32, 32931, 2}, Damage{"channels.wav", 22, 0, 2}}) {
        const std::string bad = MakeFile(dir_, d.name, srcBytes_);
        Patch(bad, d.at, d.value, d.bytes);
        EXPECT_EQ(Tool("info " + Quote(bad)), 1) << d.name;
        EXPECT_NE(LastError().find(d.name), std::string::npos) << LastError();
        EXPECT_EQ(Tool("merge " + Quote(dir_ + "/m.wav") + " " + Quote(src_) + " " + Quote(bad) + " --overwrite"), 1)
            << d.name;
        EXPECT_FALSE(std::filesystem::exists(dir_ + "/m.wav")) << d.name;
    }
}

// Metadata takes time in proportion to its size, not its square: an Ogg Vorbis file with
// 200,000 comments opens, shows a tag that follows them and cuts to the same audio as the
// file without them.
TEST_F(CliSafety, AnOggWithHundredsOfThousandsOfCommentsIsReadWhole) {
    WavSpec shape;
    const std::string plain = MakeOgg(dir_, "plain.ogg", shape);
    const std::string ogg = MakeFile(dir_, "many.ogg", ReadAll(plain));
    ASSERT_EQ(testmedia::Run("/usr/bin/python3 -c " +
                             Quote("import sys, mutagen.oggvorbis as o\n"
                                   "f = o.OggVorbis(sys.argv[1])\n"
                                   "f.tags.extend([('C%d' % i, 'v') for i in range(200000)] + [('TITLE', 'Last')])\n"
                                   "f.save()") +
                             " " + Quote(ogg)),
              0);
    std::string info, plainInfo;
    const std::string tool = "timeout -s KILL 120 " + Quote(Bin() + "/tarvelcut");
    ASSERT_EQ(testmedia::Run(tool + " info " + Quote(ogg), &info), 0);
    ASSERT_EQ(testmedia::Run(tool + " info " + Quote(plain), &plainInfo), 0);
    const auto line = [](const std::string& text, const std::string& key) {
        const std::size_t at = text.find(key);
        return at == std::string::npos ? std::string() : text.substr(at, text.find('\n', at) - at);
    };
    EXPECT_EQ(line(info, "duration:"), line(plainInfo, "duration:")) << info;
    EXPECT_EQ(line(info, "title:"), "title: Last") << info;
    for (const std::string& in : {ogg, plain})
        ASSERT_EQ(Tool("cut " + Quote(in) + " --out " + Quote(dir_ + "/o") + " --format wav --segment 0-1=" +
                       std::filesystem::path(in).stem().string()),
                  0)
            << LastError();
    EXPECT_TRUE(ReadAll(dir_ + "/o/many.wav") == ReadAll(dir_ + "/o/plain.wav"));
}

// Killed at any moment while replacing an MP3 output (audio, then tags), encoded or copied
// from an MP3 source, the output is the old file or the complete new one, and the next run
// clears what the killed ones left.
TEST_F(CliSafety, AKilledOverwriteLeavesTheOldFileOrTheNewOneWhole) {
    WavSpec shape;
    shape.seconds = 20.0;
    const std::string wav = MakeWav(dir_, "long.wav", shape);
    const std::string mp3 = MakeMp3(dir_, "long.mp3", shape);
    for (const auto& [source, how] : {std::pair{wav, std::string()}, std::pair{mp3, std::string(" --copy")}}) {
        SCOPED_TRACE(source + how);
        const std::string args =
            " --out " + Quote(dir_ + "/out") + " --format mp3 --segment 0-20=piece --title T --overwrite" + how;
        RemoveTree(dir_ + "/ref");
        const auto start = std::chrono::steady_clock::now();
        ASSERT_EQ(Tool("cut " + Quote(source) + " --out " + Quote(dir_ + "/ref") + " --format mp3 --segment 0-20=piece --title T" + how), 0)
            << LastError();
        // Kills spread over the length of a whole run, whatever this machine's speed.
        const double whole = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const auto reference = ReadAll(dir_ + "/ref/piece.mp3");
        const std::vector<std::uint8_t> old = {'o', 'l', 'd'};
        std::filesystem::create_directories(dir_ + "/out");
        const std::string target = MakeFile(dir_ + "/out", "piece.mp3", old);
        int sawOld = 0, sawNew = 0;
        for (double part : {0.2, 0.5, 0.8, 0.95, 1.0}) {
            const std::string delay = std::to_string(whole * part);
            testmedia::Run(Quote(Bin() + "/tarvelcut") + " cut " + Quote(source) + args + " 2>/dev/null & p=$!; sleep " +
                           delay + "; kill -9 $p; wait $p");
            const auto now = ReadAll(target);
            ASSERT_TRUE(now == old || now == reference) << "a mixed file after a kill at " << delay << " s";
            (now == old ? sawOld : sawNew)++;
            MakeFile(dir_ + "/out", "piece.mp3", old);
        }
        // Killed exactly as it renames its k-th file, until a run gets through: before every
        // step that puts audio or tags in place, the target is still the old file.
        int k = 1;
        for (; k < 10; ++k) {
            const int status = testmedia::Run("strace -f -o /dev/null -e trace=rename,renameat,renameat2 -e inject=rename,renameat,renameat2:signal=KILL:when=" +
                                              std::to_string(k) + " " + Quote(Bin() + "/tarvelcut") + " cut " +
                                              Quote(source) + args + " -q >/dev/null 2>&1");
            if (status == 0) break;
            ASSERT_TRUE(ReadAll(target) == old) << "killed at rename " << k;
        }
        ASSERT_GT(k, 1) << "strace did not stop a run";
        EXPECT_TRUE(ReadAll(target) == reference);
        MakeFile(dir_ + "/out", "piece.mp3", old);
        ASSERT_EQ(Tool("cut " + Quote(source) + args), 0) << LastError();
        EXPECT_TRUE(ReadAll(target) == reference);
        EXPECT_EQ(Leftovers(dir_ + "/out"), std::vector<std::string>{});
        RecordProperty("killed_before_rename" + how, sawOld);
        RecordProperty("killed_after_rename" + how, sawNew);
    }
}

// A full disk (a 2 MB tmpfs, mounted only when the test runs as root): the job fails with
// "disk full", the old output is untouched and no temporary file is left.
TEST_F(CliSafety, AFullDiskFailsWithDiskFullAndKeepsTheOldFile) {
    if (::geteuid() != 0) GTEST_SKIP() << "mounting a small tmpfs needs root";
    const std::string mnt = dir_ + "/small";
    std::filesystem::create_directory(mnt);
    if (testmedia::Run("mount -t tmpfs -o size=2m tmpfs " + Quote(mnt)) != 0) GTEST_SKIP() << "tmpfs cannot be mounted here";
    WavSpec shape;
    shape.seconds = 20.0;  // 3.5 MB of PCM
    const std::string longSrc = MakeWav(dir_, "long.wav", shape);
    const std::vector<std::uint8_t> old(1000, 'o');
    const std::string target = MakeFile(mnt, "piece.wav", old);
    const int cut = Tool("cut " + Quote(longSrc) + " --out " + Quote(mnt) + " --format wav --segment 0-20=piece --overwrite");
    const std::string cutError = LastError();
    const int merge = Tool("merge " + Quote(target) + " " + Quote(longSrc) + " " + Quote(src_) + " --overwrite");
    const std::string mergeError = LastError();
    const auto after = ReadAll(target);
    const auto left = Leftovers(mnt);
    testmedia::Run("umount " + Quote(mnt));
    EXPECT_EQ(cut, 1);
    EXPECT_NE(cutError.find("disk full"), std::string::npos) << cutError;
    EXPECT_EQ(merge, 1);
    EXPECT_NE(mergeError.find("disk full"), std::string::npos) << mergeError;
    EXPECT_TRUE(after == old);
    EXPECT_TRUE(left.empty());
}

}  // namespace
