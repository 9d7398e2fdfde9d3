// AudioChannelsProcessing3: the split into channel arrays, the per-channel output queues
// and the join into interleaved PCM.
#include <cmath>

#include "KezAudioArrayProcessing3/channels.h"
#include "array_test_util.h"

namespace {

using namespace arraytest;
using kez::array::WaveHeader;

Buf ChannelArray(const std::vector<double>& values, DWORD rate = 44100, WORD bits = 16) {
    WaveHeader h;
    h.formatTag = 0x9999;
    h.channels = 1;
    h.samplesPerSec = rate;
    h.blockAlign = WORD(bits / 8);
    h.bitsPerSample = bits;
    h.avgBytesPerSec = rate * h.blockAlign;
    Buf b(18 + 8 * values.size());
    h.Write(b.data());
    if (!values.empty()) std::memcpy(b.data() + 18, values.data(), 8 * values.size());
    return b;
}

std::vector<double> Values(const Buf& channel) {
    std::vector<double> v((channel.size() - 18) / 8);
    if (!v.empty()) std::memcpy(v.data(), channel.data() + 18, 8 * v.size());
    return v;
}

std::vector<std::int16_t> Shorts(const Buf& a) {
    std::vector<std::int16_t> v((a.size() - 18) / 2);
    if (!v.empty()) std::memcpy(v.data(), a.data() + 18, 2 * v.size());
    return v;
}

class Channels : public ::testing::Test {
protected:
    void SetUp() override {
        obj = Create<IAudioChannelsProcessing3>(CLSID_AudioChannelsProcessing3, IID_IAudioChannelsProcessing3);
        ASSERT_NE(obj, nullptr);
    }
    void TearDown() override { obj->Release(); }
    LONG Split(const Buf& b) {
        Array a(b);
        LONG count = -1;
        EXPECT_EQ(obj->SetInputArray(a.in(), &count), S_OK);
        return count;
    }
    Buf Single(LONG n) {
        Array out;
        EXPECT_EQ(obj->GetSingleChannel(n, out.out()), S_OK);
        return out.bytes();
    }
    void Put(LONG n, const Buf& b) {
        Array a(b);
        EXPECT_EQ(obj->SetSingleChannel(n, a.in()), S_OK);
    }
    Buf Join() {
        Array out;
        EXPECT_EQ(obj->GetOutputArray(out.out()), S_OK);
        return out.bytes();
    }
    ConverterScope scope;
    IAudioChannelsProcessing3* obj = nullptr;
};

TEST_F(Channels, StereoSplitGivesTwoChannelArrays) {
    Buf in = Header(1, 2, 44100, 16);
    for (int i = 0; i < 100; ++i)
        for (int c = 0; c < 2; ++c) {
            std::int16_t v = std::int16_t(c == 0 ? i * 100 - 1234 : -i);
            in.push_back(std::uint8_t(v));
            in.push_back(std::uint8_t(std::uint16_t(v) >> 8));
        }
    EXPECT_EQ(Split(in), 2);
    // PCM in its own container size is read directly; the converter is only configured.
    EXPECT_EQ(scope.fake.calls, (std::vector<std::string>{"format 44100 2 16 0", "mode 20"}));
    Buf one = Single(1);
    ASSERT_EQ(one.size(), 18u + 800u);
    WaveHeader h = WaveHeader::Read(one);
    EXPECT_EQ(h.formatTag, 0x9999);
    EXPECT_EQ(h.channels, 1);
    EXPECT_EQ(h.blockAlign, 2);
    EXPECT_EQ(h.bitsPerSample, 16);
    EXPECT_EQ(h.avgBytesPerSec, 88200u);
    std::vector<double> v = Values(one);
    EXPECT_EQ(v[0], -1234.0);
    EXPECT_EQ(v[99], 9900.0 - 1234.0);
    EXPECT_EQ(Values(Single(2))[7], -7.0);
    EXPECT_EQ(Single(0), one);
    EXPECT_TRUE(Single(3).empty());
    EXPECT_TRUE(Single(-1).empty());  // taken as unsigned: far above the count

    // The same format again reconfigures nothing; mode 20 stays set.
    scope.fake.calls.clear();
    EXPECT_EQ(Split(in), 2);
    EXPECT_TRUE(scope.fake.calls.empty());
    // A compressed input of that format is decoded by it.
    in[0] = 0x55;
    Split(in);
    EXPECT_EQ(scope.fake.calls, (std::vector<std::string>{"format 44100 2 16 0", "mode 20", "convert"}));
}

TEST_F(Channels, ContainerAndChannelCountFollowTheInputHeader) {
    EXPECT_EQ(Split(WithData(Header(1, 1, 48000, 24), 30)), 1);
    EXPECT_EQ(scope.fake.calls.front(), "format 48000 1 32 0");
    WaveHeader h = WaveHeader::Read(Single(1));
    EXPECT_EQ(h.bitsPerSample, 32);
    EXPECT_EQ(h.blockAlign, 4);

    struct Row {
        WORD n;
        LONG count;
    } rows[] = {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 3}, {5, 4}, {6, 4}, {7, 5}, {8, 5}, {9, 6}, {12, 6}, {13, 13}};
    for (Row r : rows) EXPECT_EQ(kez::array::ChannelsState::ChannelsFor(1, r.n), r.count) << r.n;
    EXPECT_EQ(kez::array::ChannelsState::ChannelsFor(0xFFFE, 6), 6);

    EXPECT_EQ(Split(WithData(Header(1, 6, 48000, 16), 120)), 4);
    // Extensible: its own channel count, and its channel mask goes to the converter.
    Buf ext = Header(0xFFFE, 6, 48000, 16, 12, kComputed, 22);
    Buf extra(22, 0);
    extra[2] = 0x3F;  // 5.1 mask
    extra[6] = 1;     // PCM sub-format
    ext = WithData(Concat(ext, extra), 120);
    scope.fake.calls.clear();
    EXPECT_EQ(Split(ext), 6);
    EXPECT_EQ(scope.fake.calls.front(), "format 48000 6 16 63");
    EXPECT_EQ(Split(ext), 6);

    EXPECT_EQ(Split(Buf(18)), 0);
    EXPECT_TRUE(Single(1).empty());
}

TEST_F(Channels, JoinTakesOutTheFramesOfTheFirstChannel) {
    std::vector<double> a(100), b(60);
    for (int i = 0; i < 100; ++i) a[i] = i;
    for (int i = 0; i < 60; ++i) b[i] = -i - 1;
    Put(1, ChannelArray(a));
    Put(2, ChannelArray(b));
    Buf out = Join();
    WaveHeader h = WaveHeader::Read(out);
    EXPECT_EQ(h.formatTag, 1);
    EXPECT_EQ(h.channels, 2);
    EXPECT_EQ(h.blockAlign, 4);
    EXPECT_EQ(h.avgBytesPerSec, 176400u);
    std::vector<std::int16_t> s = Shorts(out);
    ASSERT_EQ(s.size(), 200u);
    EXPECT_EQ(s[2 * 59], 59);
    EXPECT_EQ(s[2 * 59 + 1], -60);
    EXPECT_EQ(s[2 * 60 + 1], 0);  // channel 2 padded
    EXPECT_EQ(s[2 * 99 + 1], 0);
    // Both queues are empty now: 0 frames of 2 channels.
    EXPECT_EQ(Join().size(), 18u);
}

TEST_F(Channels, LongerChannelsKeepTheirRestForTheNextJoin) {
    std::vector<double> a(100, 1.0), b(150);
    for (int i = 0; i < 150; ++i) b[i] = i;
    Put(1, ChannelArray(a));
    Put(2, ChannelArray(b));
    EXPECT_EQ(Join().size(), 18u + 400u);
    Put(1, ChannelArray(std::vector<double>(50, 2.0)));
    std::vector<std::int16_t> s = Shorts(Join());
    ASSERT_EQ(s.size(), 100u);
    EXPECT_EQ(s[0], 2);
    EXPECT_EQ(s[1], 100);
    EXPECT_EQ(s[99], 149);
}

TEST_F(Channels, SixteenBitJoinWrapsAndTruncates) {
    Put(1, ChannelArray({40000.0, -1.9, 1.9, 65536.0 + 7, 1e300, -1e300, std::nan("")}));
    std::vector<std::int16_t> s = Shorts(Join());
    EXPECT_EQ(s, (std::vector<std::int16_t>{-25536, -1, 1, 7, -1, 0, 0}));
    Put(1, ChannelArray({40000.0, -3e9}, 44100, 32));
    Buf out = Join();
    std::int32_t v[2];
    std::memcpy(v, out.data() + 18, 8);
    EXPECT_EQ(v[0], 40000);
    EXPECT_EQ(v[1], -2147483647 - 1);
}

TEST_F(Channels, JoinWithoutOutputGivesTheDecodedHeader) {
    EXPECT_EQ(Join(), Buf(18, 0));
    Split(Pcm16(2, 8000, 40));
    EXPECT_EQ(Join(), Header(1, 2, 8000, 16));
}

TEST_F(Channels, OddChannelNumbersAndArraysTouchNothing) {
    Put(0, ChannelArray({1, 2, 3}));
    Put(-5, ChannelArray({1, 2, 3}));
    Put(1, Buf(18));
    Put(1, ChannelArray({}));
    EXPECT_EQ(Join(), Buf(18, 0));
    Array a(ChannelArray({1.0}));
    EXPECT_EQ(obj->SetSingleChannel(1 << 30, a.in()), HRESULT(0x80040302));
    ErrorRecord r;
    ASSERT_TRUE(TakeError(r));
    EXPECT_EQ(r.description, u"Exceeded available memory.");
    EXPECT_EQ(r.iid, IID_IAudioChannelsProcessing3);
    // A trailing partial value is not taken.
    Buf partial = ChannelArray({5.0});
    partial.push_back(1);
    Put(1, partial);
    EXPECT_EQ(Shorts(Join()), (std::vector<std::int16_t>{5}));
}

TEST_F(Channels, ConvertedArraysShorterThanAHeaderGiveNoChannels) {
    auto mp3 = [](WORD channels, std::size_t n) { return WithData(Header(0x55, channels, 8000, 0, 1), n); };
    scope.fake.giveRaw = true;
    scope.fake.raw = Buf(7, 1);
    EXPECT_EQ(Split(mp3(2, 40)), 2);
    EXPECT_TRUE(Single(1).empty());
    // Extra bytes in the decoded header are skipped before the samples.
    Buf decoded = Concat(Header(1, 1, 8000, 16, 2, kComputed, 2), Buf{0xAA, 0xBB, 5, 0, 6, 0});
    scope.fake.raw = decoded;
    EXPECT_EQ(Split(mp3(1, 40)), 1);
    EXPECT_EQ(Values(Single(1)), (std::vector<double>{5, 6}));
    scope.fake.giveRaw = false;
    scope.fake.failOn = "convert";
    scope.fake.failWith = E_FAIL;
    Array in(mp3(1, 4));
    LONG count = 0;
    EXPECT_EQ(obj->SetInputArray(in.in(), &count), E_FAIL);
}

TEST(ChannelsWithoutConverter, CreationEndsTheHost) {
    EXPECT_EXIT(
        {
            ConverterScope none(false);
            Create<IAudioChannelsProcessing3>(CLSID_AudioChannelsProcessing3, IID_IAudioChannelsProcessing3);
        },
        ::testing::ExitedWithCode(1), "KezAudioCompress3 not registred");
}

}  // namespace
