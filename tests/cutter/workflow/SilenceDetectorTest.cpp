// Silence detection on generated audio with known quiet spans, and the pieces made from
// what it finds.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "SilenceDetector.h"

using namespace workflow;

namespace {

// An audio block: the 18-byte header and 16-bit samples.
std::vector<std::uint8_t> Block16(const std::vector<std::int16_t>& samples, int rate, int channels) {
    std::vector<std::uint8_t> b(18 + samples.size() * 2);
    const auto put16 = [&](int at, int v) { b[at] = v & 0xFF, b[at + 1] = (v >> 8) & 0xFF; };
    put16(0, 1);
    put16(2, channels);
    put16(4, rate & 0xFFFF);
    put16(6, rate >> 16);
    put16(12, channels * 2);
    put16(14, 16);
    for (std::size_t i = 0; i < samples.size(); ++i) put16(static_cast<int>(18 + 2 * i), samples[i]);
    return b;
}

// Stereo tone at -12 dB with quiet spans (noise at -70 dB) at the given ms.
std::vector<std::int16_t> ToneWithGaps(int rate, std::int64_t lengthMs, const std::vector<TimeSpan>& gaps) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> hiss(-1, 1);
    std::vector<std::int16_t> s;
    const std::int64_t frames = lengthMs * rate / 1000;
    for (std::int64_t f = 0; f < frames; ++f) {
        const std::int64_t ms = f * 1000 / rate;
        bool quiet = false;
        for (const TimeSpan& g : gaps) quiet |= ms >= g.start && ms < g.end;
        const double v = quiet ? hiss(rng) * 32768 * 0.0003 : std::sin(f * 2 * M_PI * 220 / rate) * 32768 * 0.25;
        s.push_back(static_cast<std::int16_t>(v));
        s.push_back(static_cast<std::int16_t>(-v));
    }
    return s;
}

std::vector<TimeSpan> Detect(const std::vector<std::int16_t>& samples, int rate, SilenceOptions o, std::size_t blockFrames) {
    SilenceDetector d(o, 1000);
    for (std::size_t at = 0; at < samples.size(); at += blockFrames * 2) {
        const std::vector<std::int16_t> part(samples.begin() + at, samples.begin() + std::min(samples.size(), at + blockFrames * 2));
        const auto b = Block16(part, rate, 2);
        EXPECT_EQ(d.Feed(b.data(), b.size()), static_cast<std::int64_t>(part.size() / 2));
    }
    d.Finish();
    return d.Silences();
}

}  // namespace

TEST(SilenceDetector, FindsKnownSpansAcrossBlockEdgesToTenMilliseconds) {
    const std::vector<TimeSpan> gaps = {{0, 700}, {2000, 2600}, {4000, 4300}, {5100, 6000}};
    const auto samples = ToneWithGaps(44100, 6000, gaps);
    // Blocks of odd sizes, so runs cross block edges.
    for (std::size_t block : {std::size_t(1000), std::size_t(44100), std::size_t(4 * 44100 + 17)}) {
        const auto found = Detect(samples, 44100, {-50.0, 500}, block);
        // The 300 ms gap is shorter than the minimum length; offsets are the scan's start.
        ASSERT_EQ(found.size(), 3u) << block;
        const TimeSpan want[] = {{1000, 1700}, {3000, 3600}, {6100, 7000}};
        for (int i = 0; i < 3; ++i) {
            EXPECT_NEAR(found[i].start, want[i].start, 10) << block << " #" << i;
            EXPECT_NEAR(found[i].end, want[i].end, 10) << block << " #" << i;
        }
    }
    // A threshold below the hiss finds nothing.
    EXPECT_TRUE(Detect(samples, 44100, {-80.0, 500}, 44100).empty());
}

TEST(SilenceDetector, ContinuousNoiseHasNoSilence) {
    std::mt19937 rng(3);
    std::normal_distribution<double> noise(0, 32768 * 0.05);  // about -26 dB
    std::vector<std::int16_t> s(48000 * 2 * 10);
    for (auto& v : s) v = static_cast<std::int16_t>(std::clamp(noise(rng), -32768.0, 32767.0));
    EXPECT_TRUE(Detect(s, 48000, {-40.0, 200}, 48000).empty());
    EXPECT_TRUE(Detect(s, 48000, {-30.0, 100}, 4800).empty());
}

TEST(SilenceDetector, RejectsBlocksItCannotRead) {
    SilenceDetector d({});
    const std::uint8_t junk[18] = {9, 0, 2, 0};
    EXPECT_EQ(d.Feed(junk, sizeof junk), 0);
    const auto a = Block16(std::vector<std::int16_t>(200), 8000, 2), b = Block16(std::vector<std::int16_t>(200), 16000, 2);
    EXPECT_EQ(d.Feed(a.data(), a.size()), 100);
    EXPECT_EQ(d.Feed(b.data(), b.size()), 0);  // another rate mid-stream
    EXPECT_EQ(d.Feed(a.data(), a.size(), 30), 30);
}

TEST(SilenceDetector, PartsAndMiddlesOfASpan) {
    const std::vector<TimeSpan> silences = {{0, 500}, {3000, 4000}, {7000, 7600}, {9500, 10000}};
    EXPECT_EQ(SoundParts(silences, 0, 10000), (std::vector<TimeSpan>{{500, 3000}, {4000, 7000}, {7600, 9500}}));
    EXPECT_EQ(SoundParts(silences, 3500, 8000), (std::vector<TimeSpan>{{4000, 7000}, {7600, 8000}}));
    EXPECT_EQ(SoundParts({}, 100, 200), (std::vector<TimeSpan>{{100, 200}}));
    EXPECT_EQ(PiecesAtSilenceMiddles(silences, 0, 10000),
              (std::vector<TimeSpan>{{0, 250}, {250, 3500}, {3500, 7300}, {7300, 9750}, {9750, 10000}}));
    EXPECT_EQ(PiecesAtSilenceMiddles(silences, 3600, 9000), (std::vector<TimeSpan>{{3600, 7300}, {7300, 9000}}));
}

TEST(SilenceDetector, QuietestPointOfAWindow) {
    // One second of tone with a 30 ms dip at 700 ms.
    const auto s = ToneWithGaps(8000, 1000, {{700, 730}});
    const auto b = Block16(s, 8000, 2);
    EXPECT_NEAR(QuietestPointMs(b.data(), b.size()), 715, 10);
    // All quiet: the middle stays.
    const auto q = Block16(std::vector<std::int16_t>(16000), 8000, 2);
    EXPECT_EQ(QuietestPointMs(q.data(), q.size()), 500);
}
