// Decoding: exact lengths agree with ffmpeg's decoded frame counts, reading runs to
// exactly that count, and a seek lands on the same samples a full decode gives.
#include <gtest/gtest.h>
#include <ogg/ogg.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>

#include "AudioReader.h"
#include "AudioWriter.h"
#include "Decoder.h"
#include "MediaError.h"
#include "TestMedia.h"

using namespace kez::media;
using testmedia::WavSpec;

namespace {

class DecoderTest : public ::testing::Test {
protected:
    void SetUp() override { dir = testmedia::MakeTempDir("dec"); }
    void TearDown() override { testmedia::RemoveTree(dir); }
    std::string dir;
};

std::vector<std::uint8_t> DecodeAll(const std::string& path) {
    Decoder d(path);
    std::vector<std::uint8_t> out;
    while (d.Read(10000, out) > 0) {
    }
    return out;
}

struct Source {
    const char* name;
    std::string (*make)(const std::string& dir);
};

const WavSpec kTone{44100, 2, 16, 3.217};

// WMA from our own writer, whose packets each hold several codec blocks.
std::string OwnWma(const std::string& dir, const WavSpec& shape, int kbps) {
    AudioReader r;
    r.Open(testmedia::MakeWav(dir, "src.wav", shape));
    AudioWriter w;
    w.Create(dir + "/own.wma", EncoderSettings{OutputKind::Wma, shape.sampleRate, 0, shape.channels, kbps, 0});
    while (r.Position() < r.Size()) {
        std::vector<std::uint8_t> b = r.Read(r.Size() / 5 + 1);
        w.Write(b.data(), b.size());
    }
    w.Close();
    return w.Path();
}

const Source kSources[] = {
    {"wav16", [](const std::string& d) { return testmedia::MakeWav(d, "a.wav", kTone); }},
    {"wav24mono", [](const std::string& d) { return testmedia::MakeWav(d, "a.wav", WavSpec{48000, 1, 24, 2.5}); }},
    {"wav8", [](const std::string& d) { return testmedia::MakeWav(d, "a.wav", WavSpec{8000, 2, 8, 1.3}); }},
    {"wavext", [](const std::string& d) {
         WavSpec s = kTone;
         s.extensible = true;
         return testmedia::MakeWav(d, "a.wav", s);
     }},
    {"wavfloat", [](const std::string& d) {
         WavSpec s{22050, 2, 32, 1.1};
         s.floatSamples = true;
         return testmedia::MakeWav(d, "a.wav", s);
     }},
    {"mp3cbr", [](const std::string& d) { return testmedia::MakeMp3(d, "a.mp3", kTone, 128); }},
    {"mp3vbr", [](const std::string& d) {
         WavSpec s = kTone;
         s.noise = true;
         return testmedia::MakeMp3(d, "a.mp3", s, 0, true);
     }},
    {"mp3mono22k", [](const std::string& d) { return testmedia::MakeMp3(d, "a.mp3", WavSpec{22050, 1, 16, 2.0}, 64); }},
    {"ogg", [](const std::string& d) { return testmedia::MakeOgg(d, "a.ogg", kTone, 128); }},
    {"oggmono", [](const std::string& d) { return testmedia::MakeOgg(d, "a.ogg", WavSpec{32000, 1, 16, 2.2}, 64); }},
    {"wma", [](const std::string& d) { return testmedia::MakeWma(d, "a.wma", kTone, 128); }},
    {"wma22k", [](const std::string& d) { return testmedia::MakeWma(d, "a.wma", WavSpec{22050, 1, 16, 2.0}, 32); }},
    {"wmaGrouped", [](const std::string& d) { return OwnWma(d, kTone, 128); }},
    {"wmaGrouped16k", [](const std::string& d) { return OwnWma(d, WavSpec{16000, 1, 16, 4.1}, 24); }},
};

TEST_F(DecoderTest, LengthMatchesFfmpegAndReadingStopsThere) {
    for (const Source& s : kSources) {
        SCOPED_TRACE(s.name);
        std::string path = s.make(dir);
        std::int64_t expected = testmedia::FfmpegDecodedFrames(path);
        Decoder d(path);
        EXPECT_EQ(d.Info().frames, expected);
        EXPECT_EQ(d.Info().durationMs, FramesToMs(expected, d.Info().sampleRate));
        std::vector<std::uint8_t> all;
        std::int64_t n = 0, got;
        while ((got = d.Read(7777, all)) > 0) n += got;
        EXPECT_EQ(n, d.Info().frames);
        EXPECT_EQ(all.size(), static_cast<std::size_t>(n) * d.Format().BlockAlign());
        testmedia::RemoveTree(dir);
        dir = testmedia::MakeTempDir("dec");
    }
}

TEST_F(DecoderTest, StreamValues) {
    struct Row {
        const char* name;
        std::string path;
        int tag, rate, channels, bits, kbps;
        bool isFloat;
    };
    std::vector<Row> rows = {
        {"wav16", testmedia::MakeWav(dir, "a.wav", kTone), 1, 44100, 2, 16, 1411, false},
        {"wavext", testmedia::MakeWav(dir, "e.wav", [] { WavSpec s = kTone; s.extensible = true; return s; }()), 1,
         44100, 2, 16, 1411, false},
        {"wav24", testmedia::MakeWav(dir, "b.wav", WavSpec{48000, 1, 24, 0.5}), 1, 48000, 1, 24, 1152, false},
        {"mp3", testmedia::MakeMp3(dir, "a.mp3", kTone, 192), 85, 44100, 2, 16, 192, true},
        {"ogg", testmedia::MakeOgg(dir, "a.ogg", kTone, 128), 26447, 44100, 2, 16, 128, true},
        {"wma", testmedia::MakeWma(dir, "a.wma", kTone, 128), 111, 44100, 2, 16, 128, true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        Decoder d(r.path);
        EXPECT_EQ(d.Info().formatTag, r.tag);
        EXPECT_EQ(d.Info().sampleRate, r.rate);
        EXPECT_EQ(d.Info().channels, r.channels);
        EXPECT_EQ(d.Info().sourceBits, r.bits);
        EXPECT_NEAR(d.Info().bitrateKbps, r.kbps, r.isFloat && r.tag == 26447 ? 12 : 0);
        EXPECT_EQ(d.Format().isFloat, r.isFloat);
        EXPECT_EQ(d.Info().fileSize, testmedia::FileSize(r.path));
    }
}

TEST_F(DecoderTest, SeekGivesTheSamplesOfAFullDecode) {
    for (const Source& s : kSources) {
        SCOPED_TRACE(s.name);
        std::string path = s.make(dir);
        std::vector<std::uint8_t> all = DecodeAll(path);
        Decoder d(path);
        const int ba = d.Format().BlockAlign();
        const std::int64_t total = d.Info().frames;
        const std::int64_t targets[] = {total / 2, 1, total - 100, total / 3, 0, total * 3 / 4, 12345 % total};
        for (std::int64_t f : targets) {
            SCOPED_TRACE(f);
            d.Seek(f);
            ASSERT_EQ(d.Position(), f);
            std::vector<std::uint8_t> got;
            std::int64_t n = d.Read(3000, got);
            ASSERT_EQ(n, std::min<std::int64_t>(3000, total - f));
            bool lossy = d.Format().isFloat && d.Info().formatTag != 3;
            const std::uint8_t* want = all.data() + f * ba;
            if (!lossy) {
                EXPECT_EQ(0, std::memcmp(got.data(), want, got.size()));
            } else {
                // Decoders settle within the seek preroll: same samples to float precision.
                const float* a = reinterpret_cast<const float*>(got.data());
                const float* b = reinterpret_cast<const float*>(want);
                double worst = 0;
                for (std::size_t i = 0; i < got.size() / 4; ++i) worst = std::max(worst, double(std::abs(a[i] - b[i])));
                // The WMA decoder's last frames depend a little on where decoding began.
                EXPECT_LT(worst, d.Info().formatTag == 111 ? 0.05 : 1e-4);
            }
        }
        testmedia::RemoveTree(dir);
        dir = testmedia::MakeTempDir("dec");
    }
}

TEST_F(DecoderTest, BadInputsGiveClearErrors) {
    auto message = [](const std::string& path) -> std::string {
        try {
            Decoder d(path);
        } catch (const MediaError& e) {
            return e.what();
        }
        return "(opened)";
    };
    EXPECT_NE(message(dir + "/missing.mp3").find("does not exist"), std::string::npos);
    EXPECT_NE(message(dir).find("folder"), std::string::npos);
    std::string text = testmedia::MakeFile(dir, "text.mp3", std::vector<std::uint8_t>(5000, 'x'));
    EXPECT_NE(message(text).find("not a supported audio file"), std::string::npos);
    std::string empty = testmedia::MakeFile(dir, "empty.wav", {});
    EXPECT_NE(message(empty).find("not a supported audio file"), std::string::npos);
    // A WAV cut off inside its header.
    auto wav = testmedia::ReadAll(testmedia::MakeWav(dir, "w.wav", kTone));
    std::string cut = testmedia::MakeFile(dir, "cut.wav", {wav.begin(), wav.begin() + 30});
    EXPECT_NE(message(cut), "(opened)");
}

TEST_F(DecoderTest, TruncatedFilesReadWhatIsThere) {
    auto wav = testmedia::ReadAll(testmedia::MakeWav(dir, "w.wav", kTone));
    std::size_t keep = 44 + 4 * 10000;
    std::string cut = testmedia::MakeFile(dir, "cut.wav", {wav.begin(), wav.begin() + keep});
    Decoder d(cut);
    EXPECT_EQ(d.Info().frames, 10000);

    auto mp3 = testmedia::ReadAll(testmedia::MakeMp3(dir, "m.mp3", kTone, 128));
    std::string half = testmedia::MakeFile(dir, "half.mp3", {mp3.begin(), mp3.begin() + mp3.size() / 2});
    Decoder m(half);
    std::int64_t decoded = testmedia::FfmpegDecodedFrames(half);
    EXPECT_NEAR(static_cast<double>(m.Info().frames), static_cast<double>(decoded), 1152 * 2);
    std::vector<std::uint8_t> out;
    std::int64_t n = 0, got;
    while ((got = m.Read(50000, out)) > 0) n += got;
    EXPECT_EQ(n, m.Info().frames);
}

// Inputs the fuzzer found: each opens or is refused, and reads to its end, without fault.
TEST_F(DecoderTest, FuzzedRegressionFiles) {
    const char* src = std::getenv("KEZ_SOURCE_DIR");
    ASSERT_NE(src, nullptr);
    std::string folder = std::string(src) + "/tests/fuzz/media/regressions";
    int seen = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        SCOPED_TRACE(entry.path().string());
        ++seen;
        try {
            Decoder d(entry.path().string());
            std::vector<std::uint8_t> out;
            std::int64_t n = 0, got;
            while ((got = d.Read(4096, out)) > 0 && n < 10000000) {
                n += got;
                out.clear();
            }
            EXPECT_LE(d.Info().durationMs, 1000LL * 3600 * 24 * 365);
        } catch (const MediaError& e) {
            EXPECT_NE(std::string(e.what()), "");
        }
    }
    EXPECT_GE(seen, 2);
}

TEST_F(DecoderTest, UnicodeAndOddFileNames) {
    std::string a = testmedia::MakeWav(dir, "Grüße – 音楽.wav", kTone);
    EXPECT_EQ(Decoder(a).Info().frames, testmedia::FrameCount(kTone));
    std::string b = testmedia::MakeMp3(dir, "c:colon?.mp3", kTone);
    EXPECT_GT(Decoder(b).Info().frames, 0);
}

}  // namespace

namespace {

std::int64_t ReadAllFrames(Decoder& d) {
    std::vector<std::uint8_t> out;
    std::int64_t n = 0, got;
    while ((got = d.Read(100000, out)) > 0) n += got, out.clear();
    return n;
}

// A page's CRC recomputed, so the damage is in what the page says, not in its checksum.
void ResealOggPage(std::vector<std::uint8_t>& b, std::size_t at) {
    ogg_page page;
    const std::size_t segs = b[at + 26];
    std::size_t body = 0;
    for (std::size_t k = 0; k < segs; ++k) body += b[at + 27 + k];
    page.header = b.data() + at;
    page.header_len = static_cast<long>(27 + segs);
    page.body = b.data() + at + 27 + segs;
    page.body_len = static_cast<long>(body);
    ogg_page_checksum_set(&page);
}

}  // namespace

// A length stated by the file (MP3 info frame, Ogg granule, ASF header) that the file cannot
// hold is not believed: the length is what decodes, and reading gives exactly that, no padding.
TEST_F(DecoderTest, StatedLengthsTheFileCannotHoldAreNotBelieved) {
    WavSpec s{44100, 2, 16, 2.0};
    s.noise = true;
    struct Row {
        const char* name;
        std::string original;
        std::function<void(std::vector<std::uint8_t>&)> damage;
        std::int64_t slack;  // how far the decodable length may lie from the undamaged one
    };
    const Row rows[] = {
        {"mp3 info frame count", testmedia::MakeMp3(dir, "v.mp3", s, 0, true),
         [](std::vector<std::uint8_t>& b) {
             const auto x = std::search(b.begin(), b.end(), std::begin("Xing"), std::end("Xing") - 1);
             ASSERT_NE(x, b.end());
             x[8] ^= 0x10;  // the high byte of the frame count
         },
         1152},
        {"ogg granule", testmedia::MakeOgg(dir, "o.ogg", s, 96),
         [](std::vector<std::uint8_t>& b) {
             const std::string magic = "OggS";
             const auto last = std::find_end(b.begin(), b.end(), magic.begin(), magic.end());
             last[6 + 3] ^= 0x02;  // 2^25 frames more
             ResealOggPage(b, static_cast<std::size_t>(last - b.begin()));
         },
         2048},
        {"asf without packets", testmedia::MakeWma(dir, "w.wma", s, 64),
         [](std::vector<std::uint8_t>& b) {
             std::uint64_t header = 0;
             for (int k = 7; k >= 0; --k) header = (header << 8) | b[16 + k];
             b.resize(header + 50);  // the header and the data object's own header
         },
         -1},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        auto bytes = testmedia::ReadAll(r.original);
        r.damage(bytes);
        const std::string damaged = testmedia::MakeFile(dir, std::string("d_") + r.name, bytes);
        std::int64_t stated = 0, got = 0;
        try {
            Decoder d(damaged);
            stated = d.Info().frames;
            got = ReadAllFrames(d);
        } catch (const MediaError&) {  // refusing a file with no audio is as good as reading none
        }
        EXPECT_EQ(got, stated);
        if (r.slack < 0) {
            EXPECT_EQ(stated, 0);
        } else {
            Decoder o(r.original);
            EXPECT_NEAR(static_cast<double>(stated), static_cast<double>(o.Info().frames), static_cast<double>(r.slack));
        }
    }
}
