// Peaks from reader blocks (every sample layout the readers hand out), the builder's
// steps, cutting a block at a frame, and the peak cache's checks of its entries.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstring>

#include "PeakCache.h"
#include "Peaks.h"

namespace {

using namespace workflow;

// A block as readers return it: the 18-byte header, then the samples.
AudioBlock MakeBlock(int tag, int bits, int channels, int rate, const std::vector<std::uint8_t>& samples) {
    std::vector<std::uint8_t> b(18, 0);
    const auto put = [&](int at, std::uint32_t v, int n) {
        for (int i = 0; i < n; ++i) b[size_t(at + i)] = std::uint8_t(v >> (8 * i));
    };
    put(0, std::uint32_t(tag), 2);
    put(2, std::uint32_t(channels), 2);
    put(4, std::uint32_t(rate), 4);
    put(12, std::uint32_t(channels * bits / 8), 2);
    put(14, std::uint32_t(bits), 2);
    b.insert(b.end(), samples.begin(), samples.end());
    AudioBlock out;
    SAFEARRAY* sa = SafeArrayCreateVector(VT_UI1, 0, ULONG(b.size()));
    void* data = nullptr;
    SafeArrayAccessData(sa, &data);
    std::memcpy(data, b.data(), b.size());
    SafeArrayUnaccessData(sa);
    out.Get()->vt = VT_ARRAY | VT_UI1;
    out.Get()->parray = sa;
    return out;
}

template <class T>
std::vector<std::uint8_t> Bytes(std::initializer_list<T> values) {
    std::vector<std::uint8_t> out(values.size() * sizeof(T));
    std::memcpy(out.data(), values.begin(), out.size());
    return out;
}

std::vector<std::uint8_t> Int16Frames(std::int64_t frames, int channels, const std::function<int(std::int64_t, int)>& v) {
    std::vector<std::uint8_t> out(size_t(frames * channels * 2));
    for (std::int64_t f = 0; f < frames; ++f)
        for (int c = 0; c < channels; ++c) {
            const std::int16_t s = std::int16_t(v(f, c));
            std::memcpy(&out[size_t((f * channels + c) * 2)], &s, 2);
        }
    return out;
}

TEST(Peaks, EveryReaderLayoutFoldsBothChannelsToTheSameScale) {
    // Left peaks at +half scale, right at -quarter: the folded bucket spans both.
    const std::int32_t i32hi = 0x40000000, i32lo = -0x20000000;
    const struct {
        const char* name;
        int tag, bits;
        std::vector<std::uint8_t> samples;
    } rows[] = {
        {"pcm8", 1, 8, {192, 96, 128, 128}},
        {"pcm16", 1, 16, Bytes<std::int16_t>({16384, -8192, 0, 0})},
        {"pcm24", 1, 24, {0, 0, 0x40, 0, 0, 0xE0, 0, 0, 0, 0, 0, 0}},
        {"pcm32", 1, 32, Bytes<std::int32_t>({i32hi, i32lo, 0, 0})},
        {"float32", 3, 32, Bytes<float>({0.5f, -0.25f, 0.f, 0.f})},
        {"float64", 3, 64, Bytes<double>({0.5, -0.25, 0., 0.})},
    };
    for (const auto& r : rows) {
        PeakData d;
        AudioBlock b = MakeBlock(r.tag, r.bits, 2, 8000, r.samples);
        ASSERT_TRUE(d.Fold(*b.Get())) << r.name;
        EXPECT_EQ(d.frames, 2) << r.name;
        float lo = 0, hi = 0;
        ASSERT_TRUE(d.Range(0, 2, lo, hi)) << r.name;
        EXPECT_NEAR(hi, 0.5f, 0.01f) << r.name;
        EXPECT_NEAR(lo, -0.25f, 0.01f) << r.name;
    }
    // Not PCM, a changed rate, or no header: refused.
    PeakData d;
    AudioBlock adpcm = MakeBlock(2, 4, 2, 8000, {1, 2});
    EXPECT_FALSE(d.Fold(*adpcm.Get()));
    AudioBlock first = MakeBlock(1, 16, 1, 8000, Bytes<std::int16_t>({1}));
    AudioBlock other = MakeBlock(1, 16, 1, 16000, Bytes<std::int16_t>({1}));
    EXPECT_TRUE(d.Fold(*first.Get()));
    EXPECT_FALSE(d.Fold(*other.Get()));
    EXPECT_EQ(d.frames, 1);
}

TEST(Peaks, RangesFollowBucketsAcrossBlockBoundaries) {
    // 1000 frames: loud from 300 to 600, silent elsewhere; fed in uneven blocks.
    PeakData d;
    const auto wave = [](std::int64_t f, int c) { return f >= 300 && f < 600 ? (c ? -20000 : 20000) : 0; };
    const std::vector<std::uint8_t> all = Int16Frames(1000, 2, wave);
    std::size_t at = 0;
    for (std::size_t n : {100u * 4, 333u * 4, 567u * 4}) {
        AudioBlock b = MakeBlock(1, 16, 2, 1000, std::vector<std::uint8_t>(all.begin() + long(at), all.begin() + long(at + n)));
        ASSERT_TRUE(d.Fold(*b.Get()));
        at += n;
    }
    EXPECT_EQ(d.frames, 1000);
    EXPECT_EQ(d.Buckets(), (1000 + kPeakBucketFrames - 1) / kPeakBucketFrames);
    float lo = 1, hi = -1;
    ASSERT_TRUE(d.Range(0, 256, lo, hi));  // bucket 0 is all silence
    EXPECT_EQ(hi, 0.f);
    ASSERT_TRUE(d.Range(256, 512, lo, hi));
    EXPECT_NEAR(hi, 20000 / 32767.f, 1e-4);
    EXPECT_NEAR(lo, -20000 / 32767.f, 1e-4);
    EXPECT_FALSE(d.Range(1024, 2000, lo, hi));  // nothing known there yet
}

TEST(PcmBlock, KeepFramesCutsAtAFrameAndKeepsTheHeader) {
    AudioBlock b = MakeBlock(1, 16, 2, 44100, Int16Frames(10, 2, [](std::int64_t f, int) { return int(f); }));
    EXPECT_EQ(FrameCount(*b.Get()), 10);
    KeepFrames(b, 20);  // more than it holds: unchanged
    EXPECT_EQ(FrameCount(*b.Get()), 10);
    KeepFrames(b, 3);
    ASSERT_EQ(FrameCount(*b.Get()), 3);
    PeakData d;
    d.bucketFrames = 1;
    ASSERT_TRUE(d.Fold(*b.Get()));
    EXPECT_EQ(d.hi.back(), 2);  // the last kept frame is frame 2
    KeepFrames(b, 0);
    EXPECT_TRUE(b.Empty());
}

// Frames f of a mono 16-bit source hold the value f % 30000, served 100 frames a unit.
struct PcmReader : AudioReader {
    std::int64_t total = 5000, pos = 0;
    int opens = 0, closes = 0;
    std::int64_t failAt = -1;
    void Open(const QString&) override {
        ++opens;
        pos = 0;
    }
    void SeekTime(std::int64_t ms) override { pos = ms * 8; }  // 8 kHz
    void SeekUnits(std::int64_t u) override { pos = u * 100; }
    AudioBlock Read(std::int64_t count) override {
        if (failAt >= 0 && pos >= failAt) throw std::runtime_error("read error");
        const std::int64_t n = std::min(total - pos, count * 100);
        if (n <= 0) return {};
        const std::int64_t from = pos;
        pos += n;
        return MakeBlock(1, 16, 1, 8000, Int16Frames(n, 1, [from](std::int64_t f, int) { return int((from + f) % 30000); }));
    }
    void Close() override { ++closes; }
    StreamInfo Info() override { return {8000, 1, 16, 160.0, total / 100, total / 8}; }
    std::int64_t Position() override { return pos / 100; }
};

TEST(PeakBuilder, StepsToTheEndThenClosesAndAReadErrorKeepsWhatWasRead) {
    PcmReader r;
    PeakBuilder b(r);
    b.Begin("src.wav");
    int steps = 0;
    while (!b.Step(0)) ++steps;
    EXPECT_GT(steps, 1);  // a step of budget 0 reads one block
    EXPECT_TRUE(b.Data().complete);
    EXPECT_FALSE(b.Failed());
    EXPECT_EQ(b.Data().frames, 5000);
    EXPECT_EQ(r.closes, 1);
    float lo = 0, hi = 0;
    ASSERT_TRUE(b.Data().Range(4864, 5000, lo, hi));
    EXPECT_NEAR(hi, 4999 / 32767.f, 1e-4);

    r.failAt = 1000;
    b.Begin("src.wav");
    while (!b.Step(50)) {
    }
    EXPECT_TRUE(b.Failed());
    EXPECT_FALSE(b.Data().complete);
    EXPECT_EQ(b.Data().frames, 1000);
    EXPECT_EQ(r.closes, 2);
}

TEST(PeakBuilder, DetailReadsTheExactFramesOfASpan) {
    PcmReader r;
    const PeakData d = ReadDetail(r, "src.wav", 100, 125);  // frames 800..1000 at 8 kHz
    EXPECT_EQ(d.firstFrame, 800);
    ASSERT_EQ(d.frames, 200);
    EXPECT_EQ(d.lo.front(), 800);
    EXPECT_EQ(d.hi.back(), 999);
    EXPECT_EQ(r.closes, 1);
}

TEST(PeakCache, ReloadsOnlyAnIntactEntryOfTheSameFile) {
    QTemporaryDir dir;
    const QString source = dir.filePath("song.wav");
    QFile f(source);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("0123456789");
    f.close();
    PcmReader r;
    PeakBuilder b(r);
    b.Begin(source);
    while (!b.Step(100)) {
    }
    const PeakData built = b.Data();
    PeakCache cache(dir.filePath("cache"));
    PeakData loaded;
    EXPECT_FALSE(cache.Load(source, loaded));
    PeakData partial = built;
    partial.complete = false;
    EXPECT_FALSE(cache.Save(source, partial));  // never a half-built entry
    ASSERT_TRUE(cache.Save(source, built));
    ASSERT_TRUE(cache.Load(source, loaded));
    EXPECT_EQ(loaded.lo, built.lo);
    EXPECT_EQ(loaded.hi, built.hi);
    EXPECT_EQ(loaded.frames, built.frames);
    EXPECT_EQ(loaded.sampleRate, 8000);

    // A damaged entry: one byte flipped, or cut short.
    const QString entry = cache.EntryPath(source);
    QFile e(entry);
    ASSERT_TRUE(e.open(QIODevice::ReadWrite));
    QByteArray bytes = e.readAll();
    bytes[bytes.size() / 2] = char(bytes[bytes.size() / 2] ^ 0x10);
    e.seek(0);
    e.write(bytes);
    e.close();
    EXPECT_FALSE(cache.Load(source, loaded));
    ASSERT_TRUE(cache.Save(source, built));
    ASSERT_TRUE(e.resize(e.size() - 7));
    EXPECT_FALSE(cache.Load(source, loaded));

    // The source changed since: the entry is stale.
    ASSERT_TRUE(cache.Save(source, built));
    ASSERT_TRUE(f.open(QIODevice::Append));
    f.write("x");
    f.close();
    EXPECT_FALSE(cache.Load(source, loaded));
}

}  // namespace
