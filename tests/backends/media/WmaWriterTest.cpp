// WMA output: the file's size keeps to the bitrate at every format the program offers, and a
// piece's decoded output holds all of its audio, however short its last codec frame.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "AudioWriter.h"
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

// Every offered format: the file holds bitrate x duration of audio, plus its header
// objects, within 5% (packets sized for the codec's blocks, not padded out).
TEST_F(WmaWriterTest, SizeKeepsToTheBitrate) {
    const double seconds = 8.0;
    for (const kezwma::WmaFormat& f : kezwma::kWmaFormats) {
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
        const double expected = f.bitrate * seconds / 8 + header;
        const double ratio = static_cast<double>(bytes.size()) / expected;
        std::printf("%-28s %9zu bytes, %.1f kbps on disk, %.3f of the bitrate\n", label.c_str(), bytes.size(),
                    static_cast<double>(bytes.size()) * 8 / seconds / 1000, ratio);
        EXPECT_NEAR(ratio, 1.0, 0.05);
        EXPECT_EQ(testmedia::Ffprobe(out).codec, "wmav2");
    }
}

}  // namespace
