// Lossless copies of real encodes, checked by independent decoders: every piece decodes
// to exactly the source's decode over its span, and checkers find nothing wrong.
#include <gtest/gtest.h>

#include <QString>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "LosslessCopy.h"
#include "TestMedia.h"

using namespace workflow;
using testmedia::Quote;
using testmedia::Run;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Output(const std::string& cmd) {
    std::string out;
    EXPECT_EQ(0, testmedia::Run(cmd, &out)) << cmd;
    return Bytes(out.begin(), out.end());
}

// Decoders: float samples, so no dither can differ between two decodes.
Bytes Ffmpeg(const std::string& f) { return Output("ffmpeg -nostdin -v error -i " + Quote(f) + " -f f32le -"); }
Bytes Mpg123(const std::string& f) { return Output("mpg123 -q -e f32 -s " + Quote(f) + " 2>/dev/null"); }
Bytes Oggdec(const std::string& f) { return Output("oggdec -Q -R -b 16 -o - " + Quote(f)); }

struct Source {
    std::string path;
    int rate = 44100, channels = 2;
};

struct Decoder {
    const char* name;
    Bytes (*decode)(const std::string&);
    // The largest difference allowed. mpg123's synthesis sums its window in an order set by
    // how many one-granule frames it decoded before, so it rounds the last float bit
    // differently when it starts at an odd frame of an MPEG-2 stream: the same bytes.
    float tolerance = 0;
    std::size_t sampleBytes = 4;
};

bool Same(const Bytes& want, const Bytes& got, float tolerance) {
    if (want.size() != got.size()) return false;
    if (tolerance == 0) return want == got;
    for (std::size_t i = 0; i + 4 <= want.size(); i += 4) {
        float w, g;
        std::memcpy(&w, &want[i], 4);
        std::memcpy(&g, &got[i], 4);
        if (std::abs(w - g) > tolerance) return false;
    }
    return true;
}

// Cuts `src` into three adjacent pieces (the last ending at its end) and compares each
// piece's decode with the source's decode over the piece's frames.
void CheckPieces(const Source& src, const std::string& dir, const char* ext,
                 CopyResult (*copy)(const QString&, const QString&, std::int64_t, std::int64_t, const CopyTick&),
                 const std::vector<Decoder>& decoders, const std::vector<std::int64_t>& cutsMs) {
    for (const Decoder& d : decoders) {
        const std::size_t frameBytes = d.sampleBytes * static_cast<std::size_t>(src.channels);
        const Bytes whole = d.decode(src.path);
        ASSERT_FALSE(whole.empty()) << d.name << " " << src.path;
        const std::int64_t total = static_cast<std::int64_t>(whole.size() / frameBytes);
        std::vector<std::int64_t> bounds = cutsMs;
        bounds.push_back(total * 1000 / src.rate + 1);  // past the end: the piece ends at the end
        std::int64_t joined = 0;
        for (std::size_t i = 0; i + 1 < bounds.size(); ++i) {
            const std::string piece = dir + "/piece" + std::to_string(i) + ext;
            const CopyResult r = copy(QString::fromStdString(src.path), QString::fromStdString(piece), bounds[i],
                                      bounds[i + 1], {});
            ASSERT_EQ(CopyResult::Copied, r.outcome) << r.reason.toStdString();
            const std::int64_t a = FrameOfTime(bounds[i], src.rate);
            const std::int64_t b = std::min(FrameOfTime(bounds[i + 1], src.rate), total);
            EXPECT_EQ(b - a, r.frames);
            const Bytes got = d.decode(piece);
            const Bytes want(whole.begin() + a * frameBytes, whole.begin() + b * frameBytes);
            ASSERT_EQ(want.size(), got.size()) << d.name << " piece " << i << " of " << src.path;
            EXPECT_TRUE(Same(want, got, d.tolerance)) << d.name << " piece " << i << " of " << src.path << " differs";
            joined += b - a;
        }
        EXPECT_EQ(total, joined) << d.name;
    }
}

// mp3val, where Debian has it, finds nothing but the missing tags (written after the copy).
void ExpectMp3valClean(const std::string& path) {
    std::string report;
    if (testmedia::Run("command -v mp3val >/dev/null") != 0) return;
    testmedia::Run("mp3val " + Quote(path), &report);
    for (const char* bad : {"ERROR", "WARNING"})
        for (std::size_t at = report.find(bad); at != std::string::npos; at = report.find(bad, at + 1))
            EXPECT_NE(std::string::npos, report.find("No supported tags", at)) << report;
}

struct LosslessCopyTest : ::testing::Test {
    std::string dir;
    void SetUp() override { dir = testmedia::MakeTempDir("lossless"); }
    void TearDown() override { testmedia::RemoveTree(dir); }

    // A real recording mixed with noise, at a rate and channel count.
    std::string Wav(int rate, int channels, double seconds) {
        const std::string out = dir + "/src-" + std::to_string(rate) + "-" + std::to_string(channels) + ".wav";
        const std::string cmd = "ffmpeg -nostdin -v error -y -i /usr/share/sounds/alsa/Front_Center.wav -f lavfi -i "
                                "anoisesrc=a=0.05:seed=7 -filter_complex '[0][1]amix=inputs=2:duration=first,"
                                "aloop=loop=-1:size=200000' -t " + std::to_string(seconds) + " -ar " +
                                std::to_string(rate) + " -ac " + std::to_string(channels) + " " + Quote(out);
        EXPECT_EQ(0, testmedia::Run(cmd)) << cmd;
        return out;
    }
};

TEST_F(LosslessCopyTest, Mp3PiecesDecodeToTheSourceSpan) {
    struct Case {
        int rate, channels;
        std::string encode;  // the encoder's command, in and out appended
    } cases[] = {
        {44100, 2, "lame --quiet -b 128"},
        {44100, 2, "lame --quiet -V 2"},
        {22050, 1, "lame --quiet -b 32"},
        {22050, 2, "lame --quiet -V 5"},
        {48000, 2, "ffmpeg -nostdin -v error -y -c:a libmp3lame -b:a 96k -f mp3 - -i"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.encode + " at " + std::to_string(c.rate));
        const std::string wav = Wav(c.rate, c.channels, 7.3);
        Source src{dir + "/src.mp3", c.rate, c.channels};
        const std::string cmd = c.encode.rfind("ffmpeg", 0) == 0
                                    ? "ffmpeg -nostdin -v error -y -i " + Quote(wav) + " -c:a libmp3lame -b:a 96k " +
                                          Quote(src.path)
                                    : c.encode + " " + Quote(wav) + " " + Quote(src.path);
        ASSERT_EQ(0, testmedia::Run(cmd)) << cmd;
        const float mpg123Tolerance = c.rate < 32000 ? 1e-7f : 0;
        CheckPieces(src, dir, ".mp3", CopyMp3Span, {{"ffmpeg", Ffmpeg}, {"mpg123", Mpg123, mpg123Tolerance}},
                    {0, 1234, 4017});
        for (int i = 0; i < 3; ++i) ExpectMp3valClean(dir + "/piece" + std::to_string(i) + ".mp3");
    }
}

// Three adjacent pieces of a lame encode joined again give the source's decode back, sample
// for sample, and as long. With the middle piece taken from another encode (the same audio
// at half the level) the frames around each join are encoded anew: everything else is the
// pieces' own decode, and within those frames the difference stays well below the signal.
TEST_F(LosslessCopyTest, Mp3PiecesJoinByTheirFrames) {
    const std::vector<std::int64_t> cutsMs = {0, 1234, 3017, 5000};
    struct Case {
        int rate, channels;
        std::string encode;
        float mpg123Tolerance;  // as for the pieces: the last float bit at one-granule frames
    } cases[] = {
        {44100, 2, "lame --quiet -b 128", 0},
        {44100, 2, "lame --quiet -V 2", 0},
        {44100, 2, "lame --quiet -b 320", 0},  // frames too full to carry the borrowed bytes
        {22050, 1, "lame --quiet -b 32", 1e-7f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.encode);
        const std::string wav = Wav(c.rate, c.channels, 4.6), quiet = dir + "/quiet.wav";
        ASSERT_EQ(0, testmedia::Run("ffmpeg -nostdin -v error -y -i " + Quote(wav) + " -af volume=0.5 " + Quote(quiet)));
        QStringList pieces, mixed;
        for (const std::string& in : {wav, quiet}) {
            const std::string src = in + ".mp3";
            ASSERT_EQ(0, testmedia::Run(c.encode + " " + Quote(in) + " " + Quote(src)));
            for (std::size_t i = 0; i + 1 < cutsMs.size(); ++i) {
                const QString piece = QString::fromStdString(src + std::to_string(i) + ".mp3");
                ASSERT_EQ(CopyResult::Copied,
                          CopyMp3Span(QString::fromStdString(src), piece, cutsMs[i], cutsMs[i + 1]).outcome);
                (in == wav ? pieces : mixed) << piece;
            }
        }
        mixed = {pieces[0], mixed[1], pieces[2]};
        const std::string joined = dir + "/joined.mp3", joinedMixed = dir + "/mixed.mp3";
        CopyResult r = JoinMp3Files(pieces, QString::fromStdString(joined));
        ASSERT_EQ(CopyResult::Copied, r.outcome) << r.reason.toStdString();
        EXPECT_EQ(r.encodedJoins, 0) << "pieces of one encode splice";
        r = JoinMp3Files(mixed, QString::fromStdString(joinedMixed));
        ASSERT_EQ(CopyResult::Copied, r.outcome) << r.reason.toStdString();
        EXPECT_EQ(r.encodedJoins, 2) << "both joins of the mixed pieces are encoded anew";
        // Around each join of the mixed pieces: the frames encoded anew, at most two frames
        // before the join and one after, and the copied frames whose overlap they feed (one
        // of two granules, two of one granule).
        const std::int64_t spf = c.rate >= 32000 ? 1152 : 576, after = spf == 1152 ? 3 : 4;
        for (const Decoder& d : {Decoder{"ffmpeg", Ffmpeg}, Decoder{"mpg123", Mpg123, c.mpg123Tolerance}}) {
            const Bytes whole = d.decode(wav + ".mp3");
            EXPECT_TRUE(Same(whole, d.decode(joined), d.tolerance)) << d.name << ": pieces of one encode";
            Bytes want;
            for (const QString& piece : mixed) {
                const Bytes part = d.decode(piece.toStdString());
                want.insert(want.end(), part.begin(), part.end());
            }
            const Bytes got = d.decode(joinedMixed);
            ASSERT_EQ(want.size(), got.size()) << d.name;
            ASSERT_EQ(whole.size(), got.size()) << d.name;
            std::vector<bool> near(want.size() / 4, false);
            for (std::size_t i = 1; i + 1 < cutsMs.size(); ++i) {
                const std::int64_t at = FrameOfTime(cutsMs[i], c.rate);
                for (std::int64_t f = (at - 2 * spf) * c.channels; f < (at + after * spf) * c.channels; ++f)
                    near[static_cast<std::size_t>(f)] = true;
            }
            double signal = 0, noise = 0;
            std::size_t differ = 0;
            for (std::size_t i = 0; i < near.size(); ++i) {
                float w, g;
                std::memcpy(&w, &want[4 * i], 4);
                std::memcpy(&g, &got[4 * i], 4);
                if (!near[i]) {
                    differ += std::abs(w - g) > d.tolerance;
                } else {
                    signal += double{w} * w;
                    noise += double{w - g} * (w - g);
                }
            }
            EXPECT_EQ(0u, differ) << d.name << ": samples away from the joins differ";
            const double snr = 10 * std::log10(signal / std::max(noise, 1e-30));
            std::printf("%s %s: %.1f dB around the encoded joins\n", c.encode.c_str(), d.name, snr);
            EXPECT_GT(snr, 12.0) << d.name;
        }
        ExpectMp3valClean(joined);
        ExpectMp3valClean(joinedMixed);
    }
    // Files of different rates are not joined so (the merge encodes them instead).
    const CopyResult r = JoinMp3Files({QString::fromStdString(dir + "/src-44100-2.wav.mp30.mp3"),
                                       QString::fromStdString(dir + "/src-22050-1.wav.mp31.mp3")},
                                      QString::fromStdString(dir + "/rates.mp3"));
    EXPECT_EQ(CopyResult::NotCopyable, r.outcome);
    EXPECT_TRUE(r.reason.contains("differ in sample rate")) << r.reason.toStdString();
}

TEST_F(LosslessCopyTest, OggPiecesDecodeToTheSourceSpanAndPassTheCheckers) {
    struct Case {
        int rate, channels;
        std::string encode;
    } cases[] = {
        {44100, 2, "oggenc -Q -q 5"},
        {44100, 1, "oggenc -Q -q -1"},
        {22050, 2, "oggenc -Q -q 9"},
        {48000, 2, "ffmpeg -nostdin -v error -y -c:a libvorbis -q:a 3 -i"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.encode + " at " + std::to_string(c.rate));
        const std::string wav = Wav(c.rate, c.channels, 6.1);
        Source src{dir + "/src.ogg", c.rate, c.channels};
        const std::string cmd = c.encode.rfind("ffmpeg", 0) == 0
                                    ? "ffmpeg -nostdin -v error -y -i " + Quote(wav) + " -c:a libvorbis -q:a 3 " +
                                          Quote(src.path)
                                    : c.encode + " -o " + Quote(src.path) + " " + Quote(wav);
        ASSERT_EQ(0, testmedia::Run(cmd)) << cmd;
        CheckPieces(src, dir, ".ogg", CopyOggSpan, {{"oggdec", Oggdec, 0, 2}}, {0, 1234, 4017});
        // The three pieces joined without encoding give the source's decode back, in one
        // stream; pieces that do not play on from each other are chained.
        const auto piece = [&](int i) { return dir + "/piece" + std::to_string(i) + ".ogg"; };
        QStringList pieces;
        for (int i = 0; i < 3; ++i) pieces << QString::fromStdString(piece(i));
        ASSERT_EQ(CopyResult::Copied, JoinOggFiles(pieces, QString::fromStdString(piece(3))).outcome);
        EXPECT_TRUE(Oggdec(src.path) == Oggdec(piece(3)));
        ASSERT_EQ(CopyResult::Copied, JoinOggFiles({pieces[2], pieces[0]}, QString::fromStdString(piece(4))).outcome);
        Bytes chained = Oggdec(piece(2));
        const Bytes first = Oggdec(piece(0));
        chained.insert(chained.end(), first.begin(), first.end());
        EXPECT_TRUE(chained == Oggdec(piece(4)));
        for (int i = 0; i < 5; ++i) {
            std::string report;
            EXPECT_EQ(0, testmedia::Run("ogginfo " + Quote(piece(i)) + " 2>&1", &report)) << report;
            EXPECT_EQ(std::string::npos, report.find("WARNING")) << report;
            std::size_t streams = 0;
            for (std::size_t at = report.find("New logical stream"); at != std::string::npos;
                 at = report.find("New logical stream", at + 1))
                ++streams;
            EXPECT_EQ(i == 4 ? 2u : 1u, streams) << report;
            EXPECT_EQ(0, testmedia::Run("oggz-validate " + Quote(piece(i)) + " 2>&1", &report)) << report;
        }
    }
}

TEST_F(LosslessCopyTest, WavPiecesHoldTheSourceFrames) {
    for (const char* codec : {"pcm_s16le", "pcm_s24le", "pcm_f32le"}) {
        SCOPED_TRACE(codec);
        Source src{dir + "/src.wav", 44100, 2};
        const std::string cmd =
            "ffmpeg -nostdin -v error -y -i " + Quote(Wav(44100, 2, 3.3)) + " -c:a " + codec + " " + Quote(src.path);
        ASSERT_EQ(0, testmedia::Run(cmd)) << cmd;
        CheckPieces(src, dir, ".wav", CopyWavSpan, {{"ffmpeg", Ffmpeg}}, {0, 1234, 2017});
        // The pieces joined again hold the source's samples, bit for bit.
        QStringList pieces;
        for (int i = 0; i < 3; ++i) pieces << QString::fromStdString(dir + "/piece" + std::to_string(i) + ".wav");
        const std::string joined = dir + "/joined.wav";
        ASSERT_EQ(CopyResult::Copied, JoinWavFiles(pieces, QString::fromStdString(joined)).outcome);
        EXPECT_TRUE(Ffmpeg(src.path) == Ffmpeg(joined));
        // A file of another sample format is not joined so.
        if (std::string(codec) != "pcm_s16le") {
            pieces << QString::fromStdString(dir + "/s16.wav");
            EXPECT_EQ(CopyResult::NotCopyable, JoinWavFiles(pieces, QString::fromStdString(joined)).outcome);
        } else {
            testmedia::Run("cp " + Quote(src.path) + " " + Quote(dir + "/s16.wav"));
        }
    }
}

}  // namespace
