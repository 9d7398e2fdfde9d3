// Writers: every format at the settings the program offers, checked by ffmpeg/ffprobe and
// ogginfo; WAV copied at its own format is bit-exact; failures are reported, not hidden.
#include <gtest/gtest.h>

#include <cstring>

#include "AudioReader.h"
#include "AudioWriter.h"
#include "Decoder.h"
#include "MediaError.h"
#include "TestMedia.h"

using namespace kez::media;
using testmedia::WavSpec;

namespace {

class WriterTest : public ::testing::Test {
protected:
    void SetUp() override { dir = testmedia::MakeTempDir("wr"); }
    void TearDown() override { testmedia::RemoveTree(dir); }
    std::string dir;
};

// Copies source into a new file with settings, a second at a time; returns frames written.
std::int64_t Copy(const std::string& source, const std::string& out, const EncoderSettings& s,
                  EncoderSettings* effective = nullptr) {
    AudioReader r;
    r.Open(source);
    AudioWriter w;
    w.Create(out, s);
    while (r.Position() < r.Size()) {
        std::vector<std::uint8_t> b = r.Read(r.Size() / 7 + 1);
        w.Write(b.data(), b.size());
    }
    if (effective) *effective = w.Effective();
    w.Close();
    return w.FramesWritten();
}

std::vector<std::uint8_t> DataChunk(const std::string& wav) {
    auto bytes = testmedia::ReadAll(wav);
    for (std::size_t p = 12; p + 8 <= bytes.size();) {
        std::uint32_t n;
        std::memcpy(&n, &bytes[p + 4], 4);
        if (std::memcmp(&bytes[p], "data", 4) == 0)
            return {bytes.begin() + static_cast<long>(p + 8), bytes.begin() + static_cast<long>(p + 8 + n)};
        p += 8 + n + (n & 1);
    }
    return {};
}

TEST_F(WriterTest, WavCopiedAtItsOwnFormatIsBitExact) {
    for (int bits : {8, 16, 24, 32}) {
        for (int ch : {1, 2}) {
            SCOPED_TRACE(bits * 10 + ch);
            WavSpec shape{22050, ch, bits, 1.37};
            shape.noise = true;
            std::string src = testmedia::MakeWav(dir, "src.wav", shape);
            std::string out = dir + "/out.wav";
            EncoderSettings s{OutputKind::Wav, 22050, 0, ch, 0, bits};
            EXPECT_EQ(Copy(src, out, s), testmedia::FrameCount(shape));
            EXPECT_EQ(DataChunk(out), testmedia::WavSamples(shape));
            EXPECT_EQ(testmedia::Run("sndfile-info " + testmedia::Quote(out) + " | grep -q 'Channels    : " +
                                     std::to_string(ch) + "'"),
                      0);
        }
    }
}

TEST_F(WriterTest, WavSettingsTable) {
    WavSpec shape{44100, 2, 16, 1.0};
    std::string src = testmedia::MakeWav(dir, "src.wav", shape);
    for (int rate : {8000, 11025, 22050, 44100})
        for (int ch : {1, 2})
            for (int bits : {8, 16, 24, 32}) {
                SCOPED_TRACE(std::to_string(rate) + "/" + std::to_string(ch) + "/" + std::to_string(bits));
                std::string out = dir + "/o.wav";
                std::int64_t n = Copy(src, out, EncoderSettings{OutputKind::Wav, rate, 0, ch, 0, bits});
                testmedia::ProbeResult p = testmedia::Ffprobe(out);
                EXPECT_EQ(p.sampleRate, rate);
                EXPECT_EQ(p.channels, ch);
                EXPECT_NEAR(static_cast<double>(n), rate * 1.0, 2);
                EXPECT_EQ(testmedia::FfmpegDecodedFrames(out), n);
                AudioReader r;
                r.Open(out);
                EXPECT_EQ(r.Info().sourceBits, bits);
            }
}

// The channel mode of an MP3 as mutagen reads it: 0 stereo, 1 joint, 2 dual, 3 mono.
int Mp3Mode(const std::string& path) {
    std::string out;
    testmedia::Run("/usr/bin/python3 -c 'import sys, mutagen.mp3; print(mutagen.mp3.MP3(sys.argv[1]).info.mode)' " +
                       testmedia::Quote(path),
                   &out);
    return out.empty() ? -1 : std::stoi(out);
}

TEST_F(WriterTest, Mp3RatesBitratesAndChannelModes) {
    WavSpec shape{44100, 2, 16, 1.5};
    std::string src = testmedia::MakeWav(dir, "src.wav", shape);
    struct Row {
        int rate, kbps, mode;
        int wantKbps, wantChannels, wantModeBits;
    };
    const Row rows[] = {
        {44100, 256, 2, 256, 2, 0}, {44100, 128, 3, 128, 2, 1}, {48000, 320, 5, 320, 2, 2},
        {32000, 64, 1, 64, 1, 3},   {22050, 320, 2, 160, 2, 0}, {8000, 8, 1, 8, 1, 3},
        {11025, 32, 4, 32, 2, 1},   {12000, 24, 3, 24, 2, 1},   {16000, 48, 2, 48, 2, 0},
        {24000, 96, 5, 96, 2, 2},   {44100, 8, 2, 32, 2, 0},    {48000, 112, 4, 112, 2, 1},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::to_string(r.rate) + "/" + std::to_string(r.kbps) + "/" + std::to_string(r.mode));
        std::string out = dir + "/o.mp3";
        EncoderSettings eff;
        std::int64_t n = Copy(src, out, EncoderSettings{OutputKind::Mp3, r.rate, r.mode, 0, r.kbps, 0}, &eff);
        EXPECT_EQ(eff.bitrateKbps, r.wantKbps);
        testmedia::ProbeResult p = testmedia::Ffprobe(out);
        EXPECT_EQ(p.codec, "mp3");
        EXPECT_EQ(p.sampleRate, r.rate);
        EXPECT_EQ(p.channels, r.wantChannels);
        EXPECT_EQ(Mp3Mode(out), r.wantModeBits);
        // The info frame makes the length exact for ffmpeg and for our own reader.
        EXPECT_EQ(testmedia::FfmpegDecodedFrames(out), n);
        AudioReader rd;
        rd.Open(out);
        EXPECT_EQ(rd.Info().frames, n);
        // Constant bitrate exactly; the lowest rates run at an average bitrate.
        EXPECT_NEAR(rd.Info().bitrateKbps, r.wantKbps, r.wantKbps / 8.0 + 1);
    }
}

TEST_F(WriterTest, OggRatesBitratesAndPageLayout) {
    WavSpec shape{44100, 2, 16, 1.5};
    std::string src = testmedia::MakeWav(dir, "src.wav", shape);
    struct Row {
        int rate, kbps, mode, channels;
    };
    const Row rows[] = {{44100, 256, 2, 2}, {48000, 320, 3, 2}, {8000, 8, 1, 1},   {11025, 64, 2, 2},
                        {16000, 48, 1, 1},  {22050, 128, 5, 2}, {24000, 96, 4, 2}, {32000, 16, 2, 2},
                        {44100, 8, 2, 2},   {8000, 320, 2, 2}};
    for (const Row& r : rows) {
        SCOPED_TRACE(std::to_string(r.rate) + "/" + std::to_string(r.kbps) + "/" + std::to_string(r.mode));
        std::string out = dir + "/o.ogg";
        EncoderSettings eff;
        std::int64_t n = Copy(src, out, EncoderSettings{OutputKind::Ogg, r.rate, r.mode, 0, r.kbps, 0}, &eff);
        EXPECT_EQ(testmedia::Run("ogginfo " + testmedia::Quote(out) + " >/dev/null 2>&1"), 0);
        EXPECT_EQ(testmedia::Run("oggz-validate " + testmedia::Quote(out) + " >/dev/null 2>&1"), 0);
        testmedia::ProbeResult p = testmedia::Ffprobe(out);
        EXPECT_EQ(p.codec, "vorbis");
        EXPECT_EQ(p.sampleRate, r.rate);
        EXPECT_EQ(p.channels, r.channels);
        // The last granule is the exact length (checked by oggz-validate); ffmpeg's own
        // end trimming can differ by a short block at the low rates.
        EXPECT_NEAR(static_cast<double>(testmedia::FfmpegDecodedFrames(out)), static_cast<double>(n), 256);
        auto b = testmedia::ReadAll(out);
        // Page 1: one segment, the identification header. Page 2 starts with the comments.
        ASSERT_GT(b.size(), 200u);
        EXPECT_EQ(b[26], 1);
        EXPECT_EQ(0, std::memcmp(&b[28], "\x01vorbis", 7));
        std::size_t p2 = 27 + 1 + b[27];
        ASSERT_EQ(0, std::memcmp(&b[p2], "OggS", 4));
        EXPECT_EQ(0, std::memcmp(&b[p2 + 27 + b[p2 + 26]], "\x03vorbis", 7));
        AudioReader rd;
        rd.Open(out);
        EXPECT_EQ(rd.Info().frames, n);
    }
}

TEST_F(WriterTest, WmaFormats) {
    WavSpec shape{44100, 2, 16, 2.0};
    std::string src = testmedia::MakeWav(dir, "src.wav", shape);
    struct Row {
        int rate, channels, kbps;
    };
    const Row rows[] = {{44100, 2, 128}, {44100, 2, 320}, {48000, 2, 192}, {22050, 1, 32}, {16000, 1, 16},
                        {8000, 1, 8},    {32000, 2, 48}};
    for (const Row& r : rows) {
        SCOPED_TRACE(std::to_string(r.rate) + "/" + std::to_string(r.channels) + "/" + std::to_string(r.kbps));
        std::string out = dir + "/o.wma";
        std::int64_t n = Copy(src, out, EncoderSettings{OutputKind::Wma, r.rate, 0, r.channels, r.kbps, 0});
        testmedia::ProbeResult p = testmedia::Ffprobe(out);
        EXPECT_EQ(p.codec, "wmav2");
        EXPECT_EQ(p.sampleRate, r.rate);
        EXPECT_EQ(p.channels, r.channels);
        EXPECT_NEAR(static_cast<double>(testmedia::FfmpegDecodedFrames(out)), static_cast<double>(n), 4096);
        AudioReader rd;
        rd.Open(out);
        EXPECT_EQ(rd.Info().formatTag, 111);
    }
}

// Every value of the settings lists the program offers gives a file that decodes, at the
// asked sample rate, to the length that went in.
TEST_F(WriterTest, EveryListedSettingMakesAValidFile) {
    WavSpec shape{44100, 2, 16, 0.25};
    shape.noise = true;
    std::string src = testmedia::MakeWav(dir, "src.wav", shape);
    const int bitrates[] = {8, 16, 24, 32, 48, 56, 64, 96, 112, 128, 160, 192, 224, 256, 320};
    struct Format {
        OutputKind kind;
        std::vector<int> rates;
        const char* ext;
    };
    const Format formats[] = {
        {OutputKind::Mp3, {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000}, ".mp3"},
        {OutputKind::Ogg, {8000, 11025, 16000, 22050, 24000, 32000, 44100, 48000}, ".ogg"},
    };
    for (const Format& f : formats)
        for (int rate : f.rates)
            for (int kbps : bitrates)
                for (int mode = 1; mode <= 5; ++mode) {
                    if (f.kind == OutputKind::Ogg && mode > 2 && kbps != 128) continue;  // same encoder setup as 2
                    SCOPED_TRACE(std::string(f.ext) + " " + std::to_string(rate) + "/" + std::to_string(kbps) + "/" +
                                 std::to_string(mode));
                    std::string out = dir + "/o" + f.ext;
                    std::int64_t n = 0;
                    ASSERT_NO_THROW(n = Copy(src, out, EncoderSettings{f.kind, rate, mode, 0, kbps, 0}));
                    Decoder d(out);
                    EXPECT_EQ(d.Info().sampleRate, rate);
                    EXPECT_EQ(d.Info().channels, mode == 1 ? 1 : 2);
                    EXPECT_EQ(d.Info().frames, n);
                    EXPECT_NEAR(static_cast<double>(n), 0.25 * rate, 2);
                }
    for (int rate : {8000, 11025, 22050, 44100})
        for (int ch : {1, 2})
            for (int bits : {8, 16, 24, 32}) {
                std::string out = dir + "/o.wav";
                Copy(src, out, EncoderSettings{OutputKind::Wav, rate, 0, ch, 0, bits});
                Decoder d(out);
                EXPECT_EQ(d.Info().sampleRate, rate);
                EXPECT_EQ(d.Info().channels, ch);
                EXPECT_EQ(d.Info().sourceBits, bits);
            }
}

TEST_F(WriterTest, MixedBlocksAreConverted) {
    // A merge hands one writer blocks of different layouts in turn.
    std::string a = testmedia::MakeWav(dir, "a.wav", WavSpec{22050, 1, 8, 0.5});
    std::string b = testmedia::MakeMp3(dir, "b.mp3", WavSpec{48000, 2, 16, 0.5});
    std::string out = dir + "/o.wav";
    AudioWriter w;
    w.Create(out, EncoderSettings{OutputKind::Wav, 44100, 0, 2, 0, 16});
    for (const std::string& src : {a, b, a}) {
        AudioReader r;
        r.Open(src);
        while (r.Position() < r.Size()) {
            auto blk = r.Read(4000);
            w.Write(blk.data(), blk.size());
        }
    }
    w.Close();
    EXPECT_NEAR(static_cast<double>(testmedia::FfmpegDecodedFrames(out)), 1.5 * 44100, 64);
}

TEST_F(WriterTest, FailuresAreReported) {
    EncoderSettings wav{OutputKind::Wav, 44100, 0, 2, 0, 16};
    auto fails = [](auto&& f) -> std::string {
        try {
            f();
        } catch (const MediaError& e) {
            return e.what();
        }
        return "";
    };
    for (OutputKind k : {OutputKind::Wav, OutputKind::Mp3, OutputKind::Ogg, OutputKind::Wma}) {
        EncoderSettings s = wav;
        s.kind = k;
        AudioWriter w;
        EXPECT_NE(fails([&] { w.Create(dir + "/no/such/folder/x.out", s); }).find("does not exist"),
                  std::string::npos);
        std::string file = testmedia::MakeFile(dir, "plain", {1, 2, 3});
        EXPECT_NE(fails([&] { w.Create(file + "/x.out", s); }), "");
        // A full disk: every write is checked, so the failure shows.
        std::string full = fails([&] {
            w.Create("/dev/full", s);
            std::vector<std::uint8_t> blk = NewBlock(PcmFormat{44100, 2, 16, false}, 44100 * 4);
            for (int i = 0; i < 20; ++i) w.Write(blk.data(), blk.size());
            w.Close();
        });
        EXPECT_NE(full, "");
        fails([&] { w.Close(); });
        EXPECT_FALSE(w.IsOpen());
    }
    AudioWriter w;
    w.Create(dir + "/x.wav", wav);
    std::vector<std::uint8_t> junk(100, 7);
    EXPECT_NE(fails([&] { w.Write(junk.data(), junk.size()); }).find("not audio"), std::string::npos);
    w.Close();
    AudioWriter idle;
    EXPECT_NE(fails([&] { idle.Write(junk.data(), junk.size()); }), "");
}

}  // namespace
