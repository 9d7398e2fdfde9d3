// The channel split reads PCM inputs itself: every channel, and the decoded header the join
// uses, must be what splitting the real conversion component's output gives.
#include <cmath>
#include <limits>

#include "array_test_util.h"
#include "modules_util.h"

namespace {

using namespace arraytest;
using kez::array::WaveHeader;

template <class I>
I* Make(REFCLSID clsid, REFIID iid) {
    I* p = nullptr;
    EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_ALL, iid, reinterpret_cast<void**>(&p)), S_OK);
    return p;
}

// The split done through the conversion component alone: the channels of its output for a
// converter configured by each new input format.
struct ConverterSplit {
    IAudioCompress3* conv = Make<IAudioCompress3>(CLSID_AudioCompress3, IID_IAudioCompress3);
    WaveHeader last;
    ~ConverterSplit() { conv->Release(); }

    Buf Decode(const Buf& in) {
        WaveHeader h = WaveHeader::Read(in);
        int container = h.bitsPerSample > 16 ? 32 : 16;
        if (h.formatTag != last.formatTag || h.channels != last.channels || h.samplesPerSec != last.samplesPerSec ||
            h.bitsPerSample != last.bitsPerSample) {
            LONG mask = h.formatTag == 0xFFFE ? LONG(kez::array::ReadU32(in.data() + 20)) : 0;
            conv->SetConversionFormat(LONG(h.samplesPerSec), h.channels, container, mask);
            last = h;
        }
        conv->SetConversionMode(20);
        Array a(in), out;
        EXPECT_EQ(conv->ConvertArray(a.in(), out.out()), S_OK);
        return out.bytes();
    }
    // Value j of channel c as the channel array's 64-bit floats.
    static Buf Channel(const Buf& decoded, std::size_t count, std::size_t c) {
        int bytes = WaveHeader::Read(decoded).bitsPerSample / 8;
        std::size_t per = (decoded.size() - 18) / bytes / count;
        Buf out(per * 8);
        for (std::size_t j = 0; j < per; ++j) {
            const std::uint8_t* p = decoded.data() + 18 + (j * count + c) * bytes;
            double v = bytes == 4 ? double(std::int32_t(kez::array::ReadU32(p))) : double(std::int16_t(kez::array::ReadU16(p)));
            std::memcpy(out.data() + 8 * j, &v, 8);
        }
        return out;
    }
};

Buf Samples(WORD tag, WORD bits, std::size_t count, const std::vector<double>& specials) {
    Buf b;
    std::uint32_t seed = 12345;
    for (std::size_t i = 0; i < count; ++i) {
        seed = seed * 1664525u + 1013904223u;
        if (tag == 3) {
            double v = i < specials.size() ? specials[i] : i + 40 >= count ? specials[(count - i) % specials.size()]
                                                                           : (int(seed >> 8) % 2400000) / 2e6 - 1.2;
            if (bits == 32) {
                float f = float(v);
                b.insert(b.end(), reinterpret_cast<std::uint8_t*>(&f), reinterpret_cast<std::uint8_t*>(&f) + 4);
            } else {
                b.insert(b.end(), reinterpret_cast<std::uint8_t*>(&v), reinterpret_cast<std::uint8_t*>(&v) + 8);
            }
        } else {
            for (int k = 0; k < bits / 8; ++k) b.push_back(std::uint8_t(seed >> (8 * k + 5)));
        }
    }
    return b;
}

TEST(ChannelsDirect, EverySampleSizeSplitsAsTheConverterDecodes) {
    RegisterModules();
    const double half = 0.5 / 2147483648.0;  // halfway between two 32-bit steps
    const std::vector<double> edges = {1.0, -1.0, 1.5, -1.5, 3.0, 1000.0, -4e9, 7 * half, 9 * half, -5 * half,
                                       0.999999, 1e-12, -0.0};
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Row {
        const char* what;
        WORD tag, channels, bits, blockAlign;
        std::uint32_t mask;  // extensible when not 0
        std::size_t frames, trailing;
        std::vector<double> specials;
    } rows[] = {
        {"u8 mono", 1, 1, 8, 0, 0, 999, 0, {}},
        {"s16 stereo, partial frame", 1, 2, 16, 0, 0, 1000, 3, {}},
        {"s24 stereo", 1, 2, 24, 0, 0, 777, 0, {}},
        {"s32 three channels", 1, 3, 32, 0, 0, 500, 5, {}},
        {"s16 six channels as four", 1, 6, 16, 0, 0, 333, 0, {}},
        {"f32 stereo", 3, 2, 32, 0, 0, 1031, 0, edges},
        {"f64 mono", 3, 1, 64, 0, 0, 1031, 0, edges},
        {"f32 with NaN", 3, 2, 32, 0, 0, 100, 0, {0.25, nan}},
        {"extensible s24 5.1", 1, 6, 24, 0, 0x3F, 400, 0, {}},
        {"extensible, other mask", 1, 6, 24, 0, 0x60F, 400, 0, {}},
        {"s16, odd block align", 1, 2, 16, 6, 0, 100, 0, {}},
    };
    auto* obj = Make<IAudioChannelsProcessing3>(CLSID_AudioChannelsProcessing3, IID_IAudioChannelsProcessing3);
    ASSERT_NE(obj, nullptr);
    ConverterSplit ref;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        WORD block = r.blockAlign ? r.blockAlign : WORD(r.channels * r.bits / 8);
        Buf in = Header(r.mask ? 0xFFFE : r.tag, r.channels, 48000, r.bits, block, kComputed, r.mask ? 22 : 0);
        if (r.mask) {
            Buf extra(22, 0);
            std::memcpy(extra.data() + 2, &r.mask, 4);
            extra[6] = std::uint8_t(r.tag);
            in = Concat(in, extra);
        }
        in = Concat(in, Samples(r.tag, r.bits, r.frames * r.channels, r.specials));
        in.resize(in.size() + r.trailing, 0x5A);

        Array a(in);
        LONG count = 0;
        ASSERT_EQ(obj->SetInputArray(a.in(), &count), S_OK);
        Buf decoded = ref.Decode(in);
        for (LONG c = 1; c <= count; ++c) {
            Array one;
            ASSERT_EQ(obj->GetSingleChannel(c, one.out()), S_OK);
            Buf got = one.bytes();
            ASSERT_GE(got.size(), 18u);
            EXPECT_EQ(Buf(got.begin() + 18, got.end()), ConverterSplit::Channel(decoded, std::size_t(count), c - 1))
                << "channel " << c;
        }
        Array header;
        ASSERT_EQ(obj->GetOutputArray(header.out()), S_OK);
        EXPECT_EQ(header.bytes(), Slice(decoded, 0, 18));
        if (count == r.channels) {  // joined back, the channels give the decoded audio
            for (LONG c = 1; c <= count; ++c) {
                Array one;
                obj->GetSingleChannel(c, one.out());
                obj->SetSingleChannel(c, one.in());
            }
            Array joined;
            ASSERT_EQ(obj->GetOutputArray(joined.out()), S_OK);
            EXPECT_EQ(joined.bytes(), decoded);
        }
    }
    obj->Release();
}

}  // namespace
