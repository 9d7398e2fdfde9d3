// The conversion component on arrays of the formats a WAV file can hold, made by ffmpeg
// from one known source: what comes out must be that source again, within what each
// codec loses, in the PCM format asked for.
#include <cmath>

#include "modules_util.h"
#include "wav_util.h"

namespace {

using namespace arraytest;

class Compress : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        RegisterModules();
        // One second of a 440 Hz tone at 8000 Hz, mono.
        source = std::vector<std::int16_t>(8000);
        for (int i = 0; i < 8000; ++i) source[i] = std::int16_t(12000 * std::sin(2 * M_PI * 440 * i / 8000.0));
        WriteWav16(TempDir() + "/src.wav", 8000, 1, source);
    }
    void SetUp() override {
        ASSERT_EQ(CoCreateInstance(CLSID_AudioCompress3, nullptr, CLSCTX_ALL, IID_IAudioCompress3,
                                   reinterpret_cast<void**>(&conv)),
                  S_OK);
    }
    void TearDown() override { conv->Release(); }

    Buf Convert(const Buf& in, HRESULT expect = S_OK) {
        Array a(in), out;
        EXPECT_EQ(conv->ConvertArray(a.in(), out.out()), expect);
        return out.bytes();
    }
    static std::vector<std::int16_t> Shorts(const Buf& a) {
        std::vector<std::int16_t> s(a.size() > 18 ? (a.size() - 18) / 2 : 0);
        if (!s.empty()) std::memcpy(s.data(), a.data() + 18, s.size() * 2);
        return s;
    }
    // Signal-to-error ratio in dB of a decoded copy against the source, best over small delays.
    static double Snr(const std::vector<std::int16_t>& got) {
        double best = -100;
        for (int delay = 0; delay < 64; ++delay) {
            double sig = 0, err = 0;
            for (std::size_t i = 0; i + delay < got.size() && i < source.size(); ++i) {
                sig += double(source[i]) * source[i];
                double e = double(got[i + delay]) - source[i];
                err += e * e;
            }
            best = std::max(best, 10 * std::log10(sig / std::max(err, 1.0)));
        }
        return best;
    }
    static inline std::vector<std::int16_t> source;
    IAudioCompress3* conv = nullptr;
};

TEST_F(Compress, DecodesEveryWaveFormatOfTheTable) {
    struct Row {
        const char* codec;
        const char* extra;
        WORD tag;      // the tag ffmpeg writes (0xFFFE: extensible)
        double minSnr; // dB against the source; 0: length and level only
    } rows[] = {
        {"pcm_u8", "", 1, 30},
        {"pcm_s24le", "", 0xFFFE, 90},
        {"pcm_s32le", "", 0xFFFE, 90},
        {"pcm_f32le", "", 0xFFFE, 90},
        {"pcm_alaw", "", 6, 30},
        {"pcm_mulaw", "", 7, 30},
        {"adpcm_ima_wav", "", 17, 15},
        {"adpcm_ms", "", 2, 15},
        {"libgsm_ms", "", 49, 0},
        {"mp2", "-ar 22050", 80, 0},
        {"libmp3lame", "-ar 22050", 85, 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.codec);
        std::string out = TempDir() + "/" + r.codec + ".wav";
        RunCommand("ffmpeg -v error -y -i " + TempDir() + "/src.wav " + r.extra + " -c:a " + r.codec + " " + out);
        Buf array = ReadWavAsArray(out);
        ASSERT_GE(array.size(), 18u);
        EXPECT_EQ(kez::array::WaveHeader::Read(array).formatTag, r.tag);
        conv->SetConversionFormat(8000, 1, 16, 0);
        conv->SetConversionMode(1);
        Buf pcm = Convert(array);
        ASSERT_GE(pcm.size(), 18u);
        EXPECT_EQ(Slice(pcm, 0, 18), Header(1, 1, 8000, 16));
        std::vector<std::int16_t> s = Shorts(pcm);
        EXPECT_NEAR(double(s.size()), 8000.0, r.minSnr > 0 ? 600 : 2500);  // codec blocks and frames pad
        if (r.minSnr > 0) {
            EXPECT_GE(Snr(s), r.minSnr);
        } else {
            double energy = 0;
            for (std::int16_t v : s) energy += double(v) * v;
            EXPECT_GT(std::sqrt(energy / std::max<std::size_t>(1, s.size())), 2000.0);
        }
    }
}

TEST_F(Compress, ConvertsRateChannelsAndWidth) {
    Buf src = Header(1, 1, 8000, 16);
    for (std::int16_t v : source) src.insert(src.end(), {std::uint8_t(v), std::uint8_t(std::uint16_t(v) >> 8)});
    conv->SetConversionFormat(44100, 2, 24, 0);
    conv->SetConversionMode(20);
    LONG mode = 0;
    conv->get_ConversionMode(&mode);
    EXPECT_EQ(mode, 20);
    Buf out = Convert(src);
    kez::array::WaveHeader h = kez::array::WaveHeader::Read(out);
    EXPECT_EQ(h.channels, 2);
    EXPECT_EQ(h.samplesPerSec, 44100u);
    EXPECT_EQ(h.bitsPerSample, 24);
    EXPECT_EQ(h.blockAlign, 6);
    EXPECT_EQ(h.avgBytesPerSec, 264600u);
    EXPECT_NEAR(double(out.size() - 18) / 6, 44100.0, 100);
    EXPECT_EQ((out.size() - 18) % 6, 0u);
    for (std::size_t i = 18; i + 6 <= out.size(); i += 6) ASSERT_EQ(std::memcmp(&out[i], &out[i + 3], 3), 0);

    // Same format in and out: the samples come back unchanged.
    conv->SetConversionFormat(8000, 1, 16, 0);
    EXPECT_EQ(Convert(src), src);
    // Zero values keep the input's own rate and channels.
    conv->SetConversionFormat(0, 0, 16, 0);
    EXPECT_EQ(Slice(Convert(src), 0, 18), Header(1, 1, 8000, 16));
}

TEST_F(Compress, ExtensibleInputUsesItsSubFormat) {
    Buf ext = Header(0xFFFE, 2, 8000, 16, 4, kComputed, 22);
    Buf extra = {16, 0, 3, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71};
    ext = Concat(ext, extra);
    for (int i = 0; i < 100; ++i) ext.insert(ext.end(), {std::uint8_t(i), 0, std::uint8_t(i), 0x80});
    conv->SetConversionFormat(8000, 2, 16, 3);
    Buf out = Convert(ext);
    EXPECT_EQ(out, Concat(Header(1, 2, 8000, 16), Slice(ext, 40, ext.size())));
}

TEST_F(Compress, ShortAndUndecodableInputs) {
    for (std::size_t n : {0, 5, 17}) EXPECT_TRUE(Convert(Buf(n, 3)).empty());
    SAFEARRAY* none = nullptr;
    Array out;
    EXPECT_EQ(conv->ConvertArray(&none, out.out()), S_OK);
    EXPECT_TRUE(out.bytes().empty());
    SetErrorInfo(0, nullptr);
    Convert(WithData(Header(0x1234, 1, 8000, 16), 10), E_INVALIDARG);
    ErrorRecord r;
    ASSERT_TRUE(TakeError(r));
    EXPECT_EQ(r.iid, IID_IAudioCompress3);
    EXPECT_FALSE(r.description.empty());
    Convert(WithData(Header(1, 0, 8000, 16), 10), E_INVALIDARG);  // no channels
    Convert(WithData(Header(1, 1, 8000, 12), 10), E_INVALIDARG);  // no 12-bit PCM decoder
    Convert(WithData(Header(1, 1, 7, 16), 10), E_INVALIDARG);     // no usable rate
    // An MPEG array of garbage decodes to nothing, without failing.
    conv->SetConversionFormat(8000, 1, 16, 0);
    Buf junk = Header(85, 1, 22050, 0, 1, 8000);
    for (int i = 0; i < 3000; ++i) junk.push_back(std::uint8_t(i * 7919));
    Buf decoded = Convert(junk);
    EXPECT_GE(decoded.size(), 18u);
}

}  // namespace
