// The bitrate rules the program shows the user hold for the encoders themselves: the Ogg
// Vorbis ranges are libvorbis's own, and an MP3 file comes out at the bitrate the rules name.
#include <gtest/gtest.h>
#include <vorbis/vorbisenc.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "AudioWriter.h"
#include "BitrateRules.h"
#include "TestMedia.h"

using namespace kez::media;

namespace {

// What the Ogg Vorbis writer asks of libvorbis: a managed average bitrate.
bool VorbisTakes(int rate, int channels, int kbps) {
    vorbis_info vi;
    vorbis_info_init(&vi);
    int r = vorbis_encode_setup_managed(&vi, channels, rate, -1, kbps * 1000L, -1);
    if (r == 0) r = vorbis_encode_ctl(&vi, OV_ECTL_RATEMANAGE2_SET, nullptr);
    if (r == 0) r = vorbis_encode_setup_init(&vi);
    vorbis_info_clear(&vi);
    return r == 0;
}

TEST(EncoderRules, VorbisRangesAreTheEncodersOwn) {
    for (int rate : {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000}) {
        for (int channels : {1, 2}) {
            SCOPED_TRACE(std::to_string(rate) + " Hz, " + std::to_string(channels) + " ch");
            const BitrateRange r = VorbisBitrateRange(rate, channels);
            ASSERT_GT(r.lowest, 0);
            EXPECT_TRUE(VorbisTakes(rate, channels, r.lowest));
            EXPECT_TRUE(VorbisTakes(rate, channels, (r.lowest + r.highest) / 2));
            EXPECT_TRUE(VorbisTakes(rate, channels, r.highest));
            EXPECT_FALSE(VorbisTakes(rate, channels, r.lowest - 1));
            EXPECT_FALSE(VorbisTakes(rate, channels, r.highest + 1));
        }
    }
}

// Eight seconds of noise to MP3: the writer reports the rule's bitrate and the file's audio
// is written at it (its size over its length), including the pairs MPEG cannot carry.
TEST(EncoderRules, Mp3FilesComeOutAtTheRulesBitrate) {
    const std::string dir = testmedia::MakeTempDir("rules");
    const struct {
        int rate, asked, used;
    } rows[] = {{22050, 320, 160}, {24000, 192, 160}, {11025, 96, 64}, {8000, 64, 64}, {16000, 8, 8},
                {44100, 8, 32},    {44100, 32, 32},   {48000, 320, 320}, {32000, 112, 112}};
    for (const auto& r : rows) {
        SCOPED_TRACE(std::to_string(r.rate) + " Hz at " + std::to_string(r.asked) + " kbps");
        EXPECT_EQ(NearestMp3Bitrate(r.rate, r.asked), r.used);
        const std::int64_t frames = 8 * r.rate;
        std::vector<std::uint8_t> block(18 + static_cast<std::size_t>(frames) * 8);
        const std::uint16_t tag = 3, ch = 2, bits = 32, align = 8, cb = 0;
        const std::uint32_t sr = static_cast<std::uint32_t>(r.rate), bps = sr * align;
        std::uint8_t* h = block.data();
        std::memcpy(h, &tag, 2), std::memcpy(h + 2, &ch, 2), std::memcpy(h + 4, &sr, 4), std::memcpy(h + 8, &bps, 4);
        std::memcpy(h + 12, &align, 2), std::memcpy(h + 14, &bits, 2), std::memcpy(h + 16, &cb, 2);
        unsigned x = 7;
        for (std::int64_t i = 0; i < frames * 2; ++i) {
            const float v = static_cast<float>(((x = x * 1103515245u + 12345u) >> 9) % 2001u) / 2000.0f - 0.5f;
            std::memcpy(h + 18 + i * 4, &v, 4);
        }
        const std::string out = dir + "/o.mp3";
        AudioWriter w;
        w.Create(out, EncoderSettings{OutputKind::Mp3, r.rate, kStereo, 2, r.asked, 0});
        w.Write(block.data(), block.size());
        w.Close();
        EXPECT_EQ(w.Effective().bitrateKbps, r.used);
        const double kbps = static_cast<double>(testmedia::FileSize(out)) * 8 / 8.0 / 1000;
        EXPECT_NEAR(kbps / r.used, 1.0, 0.08) << kbps << " kbps on disk";
    }
    testmedia::RemoveTree(dir);
}

}  // namespace
