// Reader units: Position runs to exactly Size, one second as the program computes it is
// Size * 1000 / Duration units, and spans cut by SeekTime join to the whole file.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "AudioReader.h"
#include "TestMedia.h"

using namespace kez::media;
using testmedia::WavSpec;

namespace {

class ReaderTest : public ::testing::Test {
protected:
    void SetUp() override { dir = testmedia::MakeTempDir("rd"); }
    void TearDown() override { testmedia::RemoveTree(dir); }
    std::string dir;
};

std::int32_t ProgramSecond(const AudioReader& r) {
    const StreamInfo& i = r.Info();
    std::int32_t block = i.sampleRate * i.channels * r.SampleSize() / 8;
    return static_cast<std::int32_t>(std::trunc(block / r.CompressRate()));
}

std::int64_t Frames(const std::vector<std::uint8_t>& block) {
    if (block.empty()) return 0;
    PcmFormat f;
    EXPECT_TRUE(ParseBlockHeader(block.data(), block.size(), &f));
    return static_cast<std::int64_t>(block.size() - kBlockHeaderSize) / f.BlockAlign();
}

std::vector<std::string> Sources(const std::string& dir) {
    WavSpec s{44100, 2, 16, 7.31};
    return {testmedia::MakeWav(dir, "s.wav", s), testmedia::MakeMp3(dir, "s.mp3", s, 128),
            testmedia::MakeMp3(dir, "v.mp3", [&] { WavSpec n = s; n.noise = true; return n; }(), 0, true),
            testmedia::MakeOgg(dir, "s.ogg", s, 96), testmedia::MakeWma(dir, "s.wma", s, 64)};
}

TEST_F(ReaderTest, UnitsAndOneSecond) {
    for (const std::string& path : Sources(dir)) {
        SCOPED_TRACE(path);
        AudioReader r;
        r.Open(path);
        EXPECT_EQ(r.Size(), testmedia::FileSize(path));
        EXPECT_EQ(r.Position(), 0);
        EXPECT_EQ(ProgramSecond(r), r.Size() * 1000 / r.Info().durationMs);
        // Rounded, as the playback feed does, it is the same.
        const StreamInfo& i = r.Info();
        double block = i.sampleRate * i.channels * r.SampleSize() / 8.0;
        EXPECT_EQ(std::nearbyint(block / r.CompressRate()), ProgramSecond(r));

        std::int64_t frames = 0, last = -1;
        while (r.Position() < r.Size()) {
            ASSERT_GT(r.Position(), last);
            last = r.Position();
            frames += Frames(r.Read(ProgramSecond(r)));
        }
        EXPECT_EQ(r.Position(), r.Size());
        EXPECT_EQ(frames, r.Info().frames);
        EXPECT_TRUE(r.Read(1000).empty());
        EXPECT_EQ(r.Position(), r.Size());
    }
}

TEST_F(ReaderTest, ThreeSpansJoinToTheWholeFile) {
    for (const std::string& path : Sources(dir)) {
        SCOPED_TRACE(path);
        AudioReader r;
        r.Open(path);
        const std::int64_t total = r.Info().frames;
        const std::int64_t cuts[] = {0, 2345, 5001, r.Info().durationMs};
        std::vector<std::uint8_t> joined;
        std::int64_t frames = 0;
        for (int k = 0; k < 3; ++k) {
            // As the cut job does it: end units from a seek, then seek to the start and copy.
            r.Open(path);
            r.SeekTime(cuts[k + 1]);
            std::int64_t end = r.Position();
            r.Close();
            r.Open(path);
            r.SeekTime(cuts[k]);
            while (r.Position() < end) {
                std::int64_t block = std::min<std::int64_t>(ProgramSecond(r), end - r.Position());
                std::vector<std::uint8_t> b = r.Read(block);
                frames += Frames(b);
                if (!b.empty()) joined.insert(joined.end(), b.begin() + kBlockHeaderSize, b.end());
            }
            r.Close();
        }
        EXPECT_EQ(frames, total);
        // The joined spans are the file's own samples, not only their count.
        r.Open(path);
        std::vector<std::uint8_t> whole;
        while (r.Position() < r.Size()) {
            std::vector<std::uint8_t> b = r.Read(ProgramSecond(r));
            if (!b.empty()) whole.insert(whole.end(), b.begin() + kBlockHeaderSize, b.end());
        }
        ASSERT_EQ(whole.size(), joined.size());
        if (r.Info().formatTag == 1) {
            EXPECT_EQ(0, std::memcmp(whole.data(), joined.data(), whole.size()));
        }
    }
}

TEST_F(ReaderTest, SeekTimeLandsOnTheFrameOfItsPosition) {
    for (const std::string& path : Sources(dir)) {
        SCOPED_TRACE(path);
        AudioReader r;
        r.Open(path);
        const StreamInfo& i = r.Info();
        for (std::int64_t t : {0LL, 1LL, 999LL, 3210LL, static_cast<long long>(i.durationMs)}) {
            r.SeekTime(t);
            if (t == i.durationMs) {
                EXPECT_EQ(r.Position(), r.Size());
                continue;
            }
            // The time's own frame in every format, even where a unit spans many frames.
            const std::int64_t frame = (t * i.sampleRate + 500) / 1000;
            EXPECT_EQ(r.FrameOfUnit(r.Position()), frame);
        }
        r.SeekTime(i.durationMs + 5000);
        EXPECT_EQ(r.Position(), r.Size());
        EXPECT_TRUE(r.Read(100).empty());
    }
}

TEST_F(ReaderTest, SeekUnitsCountsFromTheSeekPoint) {
    std::string path = testmedia::MakeWma(dir, "s.wma", WavSpec{44100, 2, 16, 4.0}, 128);
    AudioReader r;
    r.Open(path);
    std::int64_t start = r.Size() / 3, length = r.Size() / 4;
    r.SeekUnits(start);
    EXPECT_EQ(r.Position(), 0);
    std::int64_t frames = 0;
    while (r.Position() < length) frames += Frames(r.Read(std::min<std::int64_t>(6000, length - r.Position())));
    EXPECT_EQ(r.Position(), length);
    EXPECT_EQ(frames, r.FrameOfUnit(start + length) - r.FrameOfUnit(start));
}

// The WMA road: units from the caller's own ratio, start plus length, rounded half to even.
// Adjacent pieces tile at every millisecond even where that sum is a unit off the end's own.
TEST_F(ReaderTest, PiecesByRatioTileAtEveryMillisecond) {
    std::string path = testmedia::MakeWma(dir, "s.wma", WavSpec{44100, 2, 16, 2.0}, 64);
    AudioReader r;
    r.Open(path);
    const StreamInfo& i = r.Info();
    const double ratio = static_cast<double>(i.fileSize) / i.durationMs;
    auto units = [&](double ms) { return static_cast<std::int64_t>(std::nearbyint(ms * ratio)); };
    int uneven = 0;
    for (std::int64_t t1 = 0; t1 + 7 < i.durationMs; t1 += 7) {
        const std::int64_t t2 = t1 + 7, start = units(t1), length = units(t2 - t1);
        uneven += start + length != units(t2);
        ASSERT_EQ(r.FrameOfUnit(start), r.FrameOfTime(t1));
        ASSERT_EQ(r.FrameOfUnit(start + length), r.FrameOfTime(t2)) << t1;
    }
    EXPECT_GT(uneven, 0);  // the sum does differ from the end's own unit somewhere
}

TEST_F(ReaderTest, EmptyWavReadsNothing) {
    std::string path = testmedia::MakeWav(dir, "e.wav", WavSpec{44100, 2, 16, 0.0});
    AudioReader r;
    r.Open(path);
    EXPECT_EQ(r.Info().frames, 0);
    EXPECT_EQ(r.Info().durationMs, 0);
    EXPECT_EQ(r.CompressRate(), 1.0);
    r.SeekTime(1000);
    EXPECT_EQ(r.Position(), 0);
    EXPECT_TRUE(r.Read(1000).empty());
    EXPECT_EQ(r.Position(), r.Size());
}

}  // namespace
