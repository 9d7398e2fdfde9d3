// AudioArrayInfo: the header's figures, the description text, and the variant widths.
#include "array_test_util.h"

namespace {

using namespace arraytest;

class Information : public ::testing::Test {
protected:
    void SetUp() override { obj = Create<IAudioArrayInfo>(CLSID_AudioArrayInfo, IID_IAudioArrayInfo); }
    void TearDown() override { obj->Release(); }
    void Read(const Buf& b) {
        Array a(b);
        ASSERT_EQ(obj->GetAudioInformation(a.in()), S_OK);
    }
    LONG Long(HRESULT (STDMETHODCALLTYPE IAudioArrayInfo::*get)(LONG*)) {
        LONG v = -1;
        EXPECT_EQ((obj->*get)(&v), S_OK);
        return v;
    }
    LONGLONG Wide(HRESULT (STDMETHODCALLTYPE IAudioArrayInfo::*get)(VARIANT*), VARTYPE vt = VT_I8) {
        VARIANT v;
        VariantInit(&v);
        EXPECT_EQ((obj->*get)(&v), S_OK);
        EXPECT_EQ(v.vt, vt);
        return vt == VT_I4 ? v.lVal : v.llVal;
    }
    std::u16string Text() {
        BSTR b = nullptr;
        EXPECT_EQ(obj->get_FormatString(&b), S_OK);
        std::u16string s = b ? std::u16string(b) : u"<null>";
        SysFreeString(b);
        return s;
    }
    IAudioArrayInfo* obj = nullptr;
};

TEST_F(Information, StereoPcmFigures) {
    Read(Pcm16(2, 44100, 1764000));
    EXPECT_EQ(Long(&IAudioArrayInfo::get_SampleRate), 44100);
    EXPECT_EQ(Long(&IAudioArrayInfo::get_Bitrate), 1411);
    EXPECT_EQ(Long(&IAudioArrayInfo::get_Channels), 2);
    EXPECT_EQ(Long(&IAudioArrayInfo::get_SampleSize), 16);
    EXPECT_EQ(Long(&IAudioArrayInfo::get_FormatTag), 1);
    EXPECT_EQ(Long(&IAudioArrayInfo::get_BlockAlign), 4);
    EXPECT_EQ(Wide(&IAudioArrayInfo::get_Duration), 10000);
    EXPECT_EQ(Wide(&IAudioArrayInfo::get_Samples), 441000);
    EXPECT_EQ(Wide(&IAudioArrayInfo::get_Size), 1764000);
    EXPECT_EQ(Wide(&IAudioArrayInfo::get_Position), 0);
    EXPECT_EQ(Text(), u"PCM: 44100 Hz;  Stereo; 1411.20 kbps; ");
    double rate = 0;
    obj->get_CompressRate(&rate);
    EXPECT_EQ(rate, 1.0);
    obj->put_VariantTypeRangeMode(1);
    EXPECT_EQ(Wide(&IAudioArrayInfo::get_Samples, VT_I4), 441000);
}

TEST_F(Information, DescriptionsByTagRateAndChannels) {
    struct Row {
        WORD tag, channels;
        DWORD rate, avg;
        const char16_t* text;
        LONG kbps;
    } rows[] = {
        {85, 1, 22050, 8000, u"MPEG 2.0 layer-3: 22050 Hz;  Mono; 64.00 kbps; ", 64},
        {85, 2, 44100, 16000, u"MPEG 2.5 layer-3: 44100 Hz;  Stereo; 128.00 kbps; ", 128},
        {0xFFFE, 6, 48000, 576000, u"48000 Hz;  Quadro stereo; 4608.00 kbps; ", 4608},
        {49, 1, 8000, 1625, u"MS GSM 6.10 8000 Hz;  Mono; 13.00 kbps; ", 13},
        {2, 12, 8000, 0, u"Microsoft ADPCM 4:1 8000 Hz;  Channels 7.1; ", 0},
        {26447, 13, 44100, 1, u"Ogg Vorbis: 44100 Hz; 0.01 kbps; ", 0},
        {7, 0, 8000, 8000, u"CCITT u-law 2:1 8000 Hz; 64.00 kbps; ", 64},
        {1234, 3, 0x80000000u, 125, u"-2147483648 Hz;  Stereo+LFE; 1.00 kbps; ", 1},
    };
    for (const Row& r : rows) {
        Read(WithData(Header(r.tag, r.channels, r.rate, 16, 4, r.avg), 100));
        EXPECT_EQ(Text(), r.text) << r.tag;
        EXPECT_EQ(Long(&IAudioArrayInfo::get_Bitrate), r.kbps) << r.tag;
    }
}

TEST_F(Information, TooShortOrRatelessArraysGiveZeros) {
    Read(Pcm16(2, 44100, 100));
    Read(Buf(17));
    EXPECT_EQ(Long(&IAudioArrayInfo::get_SampleRate), 0);
    EXPECT_EQ(Long(&IAudioArrayInfo::get_BlockAlign), 1);
    EXPECT_EQ(Wide(&IAudioArrayInfo::get_Size), 0);
    EXPECT_EQ(Text(), u"<null>");
    double rate = 0;
    obj->get_CompressRate(&rate);
    EXPECT_EQ(rate, 1.0);
    // No byte rate: duration and frames cannot be computed and read 0.
    Read(WithData(Header(1, 2, 44100, 16, 4, 0), 400));
    EXPECT_EQ(Wide(&IAudioArrayInfo::get_Duration), 0);
    EXPECT_EQ(Wide(&IAudioArrayInfo::get_Samples), 0);
    EXPECT_EQ(Wide(&IAudioArrayInfo::get_Size), 400);
    EXPECT_EQ(Long(&IAudioArrayInfo::get_Bitrate), 0);
    EXPECT_EQ(Text(), u"PCM: 44100 Hz;  Stereo; ");
    // Extra bytes count out of the data size; claimed beyond the end they wrap as 32 bits.
    Read(WithData(Header(2, 1, 8000, 4, 256, 4096, 32), 10));
    EXPECT_EQ(Wide(&IAudioArrayInfo::get_Size), 4294967274LL);
    // Rate and size near 2^32 each: their product needs all 64 bits, unsigned.
    Read(WithData(Header(1, 1, 0xFFFFFFFFu, 16, 2, 1000, 40), 10));
    EXPECT_EQ(Wide(&IAudioArrayInfo::get_Samples), LONGLONG(double(0xFFFFFFFFull * 4294967266ull) / 1000.0));
}

}  // namespace
