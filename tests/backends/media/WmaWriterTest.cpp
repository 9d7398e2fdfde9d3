// WMA output: the file's size keeps to the bitrate at every format the program offers, and a
// piece's decoded output holds all of its audio, however short its last codec frame.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "AudioWriter.h"
#include "Decoder.h"
#include "TestMedia.h"
#include "WmaFormatList.h"

using namespace kez::media;
using testmedia::WavSpec;

namespace {

class WmaWriterTest : public ::testing::Test {
protected:
    void SetUp() override { dir = testmedia::MakeTempDir("wma"); }
    void TearDown() override { testmedia::RemoveTree(dir); }
    std::string dir;
};

// Writes float frames (interleaved, at rate and channels) through an AudioWriter.
void WriteFloat(const std::string& out, const std::vector<float>& samples, int rate, int channels, int kbps) {
    std::vector<std::uint8_t> block(18 + samples.size() * 4);
    const std::uint16_t tag = 3, ch = static_cast<std::uint16_t>(channels), bits = 32, align = ch * 4, cb = 0;
    const std::uint32_t sr = static_cast<std::uint32_t>(rate), bps = sr * align;
    std::uint8_t* h = block.data();
    std::memcpy(h, &tag, 2), std::memcpy(h + 2, &ch, 2), std::memcpy(h + 4, &sr, 4), std::memcpy(h + 8, &bps, 4);
    std::memcpy(h + 12, &align, 2), std::memcpy(h + 14, &bits, 2), std::memcpy(h + 16, &cb, 2);
    std::memcpy(h + 18, samples.data(), samples.size() * 4);
    AudioWriter w;
    w.Create(out, EncoderSettings{OutputKind::Wma, rate, 0, channels, kbps, 0});
    w.Write(block.data(), block.size());
    w.Close();
}

std::uint64_t Le64(const std::vector<std::uint8_t>& b, std::size_t at) {
    std::uint64_t v = 0;
    for (int k = 7; k >= 0; --k) v = (v << 8) | b[at + static_cast<std::size_t>(k)];
    return v;
}

// Several codec blocks to a data packet, packets sized for the bitrate: over half a minute
// the file is bitrate x duration plus its header objects, within 5%, at high, middle and
// low rates, mono and stereo (blocks of 96 bytes at 24 kbps once carried 17 bytes of
// payload header each). ffmpeg decodes exactly the frames our reader counts, and mediainfo
// reads the file.
TEST_F(WmaWriterTest, SizeKeepsToTheBitrate) {
    const double seconds = 30.0;
    const kezwma::WmaFormat formats[] = {{320000, 44100, 2}, {256000, 48000, 2}, {192000, 44100, 2},
                                         {128000, 44100, 1}, {96000, 44100, 2},  {80000, 32000, 2},
                                         {32000, 22050, 2},  {24000, 16000, 1}};
    for (const kezwma::WmaFormat& f : formats) {
        const std::string label = std::to_string(f.bitrate / 1000) + " kbps " + std::to_string(f.sampleRate) + " Hz " +
                                  std::to_string(f.channels) + " ch";
        SCOPED_TRACE(label);
        std::vector<float> noise(static_cast<std::size_t>(seconds * f.sampleRate) * f.channels);
        unsigned x = 12345;
        for (float& s : noise) s = static_cast<float>(((x = x * 1103515245u + 12345u) >> 9) % 2001u) / 2000.0f - 0.5f;
        const std::string out = dir + "/o.wma";
        WriteFloat(out, noise, f.sampleRate, f.channels, f.bitrate / 1000);
        const std::vector<std::uint8_t> bytes = testmedia::ReadAll(out);
        ASSERT_GT(bytes.size(), 30u);
        const double header = static_cast<double>(Le64(bytes, 16));  // the header object's size
        const double ratio = static_cast<double>(bytes.size()) / (f.bitrate * seconds / 8 + header);
        EXPECT_GT(ratio, 0.98) << bytes.size() << " bytes";
        EXPECT_LT(ratio, 1.05) << bytes.size() << " bytes";

        EXPECT_EQ(testmedia::Ffprobe(out).codec, "wmav2");
        const StreamInfo ours = ProbeFile(out);
        EXPECT_EQ(ours.frames, testmedia::FfmpegDecodedFrames(out));
        std::string shown;
        ASSERT_EQ(testmedia::Run("mediainfo --Inform='Audio;%Format%|%SamplingRate%|%Channel(s)%|%Duration%' " +
                                     testmedia::Quote(out),
                                 &shown),
                  0);
        const std::string expected = "WMA|" + std::to_string(f.sampleRate) + "|" + std::to_string(f.channels) + "|";
        ASSERT_EQ(shown.rfind(expected, 0), 0u) << shown;
        EXPECT_NEAR(std::stod(shown.substr(expected.size())), static_cast<double>(ours.durationMs), 150.0) << shown;
    }
}

// Samples (interleaved float) that ffmpeg decodes from any file, at rate and channels.
std::vector<float> DecodeWithFfmpeg(const std::string& path, int rate, int channels, const std::string& dir) {
    const std::string raw = dir + "/decoded.f32";
    const std::string cmd = "ffmpeg -nostdin -v error -y -i " + testmedia::Quote(path) + " -ar " + std::to_string(rate) +
                            " -ac " + std::to_string(channels) + " -f f32le " + testmedia::Quote(raw);
    if (testmedia::Run(cmd) != 0) throw std::runtime_error(cmd);
    const std::vector<std::uint8_t> bytes = testmedia::ReadAll(raw);
    std::vector<float> out(bytes.size() / 4);
    std::memcpy(out.data(), bytes.data(), out.size() * 4);
    return out;
}

// A 2.000 s piece of speech written to WMA decodes (ffmpeg) to the whole piece: aligned by
// cross-correlation, it starts after the codec's delay alone (at most a frame, silent) and
// every part of it is there, the last milliseconds included, followed by less than a frame.
TEST_F(WmaWriterTest, ShortPieceDecodesWhole) {
    const std::string speech = dir + "/speech.wav";
    ASSERT_EQ(testmedia::Run("espeak-ng -w " + testmedia::Quote(speech) +
                             " 'Seven sailors carried the heavy boxes across the narrow bridge at noon.'"),
              0);
    struct Row {
        int rate, channels, kbps, frameLength;
    };
    for (const Row& r : {Row{44100, 2, 128, 2048}, Row{8000, 1, 24, 512}}) {
        SCOPED_TRACE(std::to_string(r.rate) + " Hz");
        const int ch = r.channels;
        const std::vector<float> source = DecodeWithFfmpeg(speech, r.rate, ch, dir);
        const std::size_t first = static_cast<std::size_t>(r.rate) / 2, span = 2 * static_cast<std::size_t>(r.rate);
        ASSERT_GE(source.size() / ch, first + span);
        const std::vector<float> piece(source.begin() + static_cast<long>(first * ch),
                                       source.begin() + static_cast<long>((first + span) * ch));
        const std::string out = dir + "/piece.wma";
        WriteFloat(out, piece, r.rate, ch, r.kbps);
        const std::vector<float> decoded = DecodeWithFfmpeg(out, r.rate, ch, dir);
        const std::size_t got = decoded.size() / ch;

        // Lag of the best normalised correlation over the first half second (channel 0).
        auto at = [&](const std::vector<float>& v, std::size_t i) { return static_cast<double>(v[i * ch]); };
        const std::size_t probe = span / 4;
        std::size_t lag = 0;
        double best = -2;
        for (std::size_t l = 0; l <= static_cast<std::size_t>(r.frameLength) && l + probe <= got; ++l) {
            double xy = 0, yy = 1e-12, xx = 1e-12;
            for (std::size_t i = 0; i < probe; ++i) {
                xy += at(piece, i) * at(decoded, l + i), yy += at(decoded, l + i) * at(decoded, l + i);
                xx += at(piece, i) * at(piece, i);
            }
            const double c = xy / std::sqrt(xx * yy);
            if (c > best) best = c, lag = l;
        }
        EXPECT_GT(best, 0.9);
        EXPECT_LE(lag, static_cast<std::size_t>(r.frameLength)) << "more than the codec's delay before the audio";
        double before = 0, level = 0;
        for (std::size_t i = 0; i < lag; ++i) before = std::max(before, std::fabs(at(decoded, i)));
        for (std::size_t i = 0; i < span; ++i) level = std::max(level, std::fabs(at(piece, i)));
        EXPECT_LT(before, 0.01 * level) << "audio before the piece";
        ASSERT_GE(got, lag + span) << "the end of the piece is missing";
        EXPECT_LT(got - lag - span, static_cast<std::size_t>(r.frameLength)) << "more than a frame after the piece";

        // Every 5 ms of the piece is found in place: the error stays well below the signal
        // wherever the piece is not near silence, and the last 20 ms are among them.
        const std::size_t win = static_cast<std::size_t>(r.rate) / 200;
        std::size_t lastChecked = 0;
        for (std::size_t w = 0; w + win <= span; w += win) {
            double sig = 0, err = 0;
            for (std::size_t i = w; i < w + win; ++i) {
                const double d = at(decoded, lag + i) - at(piece, i);
                sig += at(piece, i) * at(piece, i), err += d * d;
            }
            if (sig < win * (0.02 * level) * (0.02 * level)) continue;
            lastChecked = w + win;
            EXPECT_LT(err, 0.5 * sig) << "window at " << w << " of " << span;
        }
        EXPECT_GE(lastChecked, span - win * 4) << "the piece's end is too quiet to show anything";
    }
}

}  // namespace
