// The audio values the editor's AudioInfo reports, the variants of VariantTypeRangeMode,
// and what the audio format component is handed.
#include "chunks_test_util.h"

#include <cmath>

namespace {

using namespace chunkstest;

using Audio = ChunksTest;

struct Figures {
    LONG rate, bitrate, channels, sampleSize, tag, align;
    double compress;
};

Figures Read(IAudioInfo* a) {
    Figures f{};
    a->get_SampleRate(&f.rate);
    a->get_Bitrate(&f.bitrate);
    a->get_Channels(&f.channels);
    a->get_SampleSize(&f.sampleSize);
    a->get_FormatTag(&f.tag);
    a->get_BlockAlign(&f.align);
    a->get_CompressRate(&f.compress);
    return f;
}

LONGLONG Value(const VARIANT& v) { return v.vt == VT_I4 ? v.lVal : v.llVal; }

TEST_F(Audio, FiguresOfPcmAndAdpcm) {
    IAudioInfo* a = nullptr;
    ASSERT_EQ(editor_->get_AudioInfo(&a), S_OK);
    IAudioInfo* again = nullptr;
    editor_->get_AudioInfo(&again);
    EXPECT_EQ(a, again) << "the same object every time";
    again->Release();

    std::string path = Write("p.wav", Riff(Fmt(1, 2, 44100, 0, 0, 16) + Chunk("data", Samples(400))));
    ASSERT_EQ(Get(path), S_OK);
    Figures f = Read(a);
    EXPECT_EQ(f.align, 4);
    EXPECT_EQ(f.bitrate, 1411);
    EXPECT_EQ(f.sampleSize, 16);
    EXPECT_EQ(f.compress, 1.0);
    VARIANT v;
    a->get_Samples(&v);
    EXPECT_EQ(Value(v), 0) << "PCM without fact: no samples";
    a->get_Size(&v);
    EXPECT_EQ(v.vt, VT_I8);
    EXPECT_EQ(Value(v), 400);

    Bytes two("\xF9\x01", 2);
    path = Write("i.wav", Riff(Fmt(0x11, 1, 22050, 11100, 512, 4, &two) + Chunk("fact", U32(220500)) + Chunk("data", Samples(8))));
    ASSERT_EQ(Get(path), S_OK);
    f = Read(a);
    EXPECT_EQ(f.sampleSize, 16);
    EXPECT_EQ(f.bitrate, 88);
    EXPECT_NEAR(f.compress, 2.0 * 22050 / 11100, 1e-12);
    EXPECT_NEAR(f.compress, 3.97, 0.005);
    a->get_Samples(&v);
    EXPECT_EQ(Value(v), 220500);
    a->get_Duration(&v);
    EXPECT_EQ(Value(v), 10000);
    a->get_Position(&v);
    EXPECT_EQ(Value(v), 0);
    Str sentinel("x");
    BSTR s = sentinel.get();  // overwritten, not freed: an [out] value
    a->get_FormatString(&s);
    EXPECT_EQ(s, nullptr) << "always absent";

    // A missing file: every value 0, block align 1, compression 1.0.
    ASSERT_EQ(Get(dir_ + "/missing.wav"), S_OK);
    f = Read(a);
    EXPECT_EQ(f.rate, 0);
    EXPECT_EQ(f.bitrate, 0);
    EXPECT_EQ(f.align, 1);
    EXPECT_EQ(f.compress, 1.0);
    a->get_Duration(&v);
    EXPECT_EQ(Value(v), 0);
    a->Release();
}

TEST_F(Audio, LargeDataSizeInBothRangeModes) {
    // The data chunk declares 4000000000 bytes; the file holds a few.
    Bytes body = PcmFmt() + "data" + U32(4000000000u) + Samples(16);
    const std::string path = Write("big.wav", Riff(body, 4 + 24 + 8 + 4000000000ll));
    ASSERT_EQ(Get(path), S_OK);
    IAudioInfo* a = nullptr;
    editor_->get_AudioInfo(&a);
    VARIANT v;
    editor_->put_VariantTypeRangeMode(1);
    a->get_Size(&v);
    EXPECT_EQ(v.vt, VT_I4);
    EXPECT_EQ(v.lVal, -294967296);
    editor_->put_VariantTypeRangeMode(2);
    a->get_Size(&v);
    EXPECT_EQ(v.vt, VT_I8);
    EXPECT_EQ(v.llVal, 4000000000ll);
    a->Release();
}

TEST_F(Audio, FormatComponentReceivesTheFormat) {
    Bytes two("\xF9\x01", 2);
    const std::string path =
        Write("i.wav", Riff(Fmt(0x11, 1, 22050, 11100, 512, 4, &two) + Chunk("data", Samples(8))));
    ASSERT_EQ(Get(path), S_OK);
    IAudioFormat* fmt = nullptr;
    ASSERT_EQ(editor_->get_Format(&fmt), S_OK);
    ASSERT_NE(fmt, nullptr);
    LONG tag = 0, rate = 0, avg = 0, align = 0, bits = 0, extra = 0, ch = 0;
    fmt->get_FormatTag(&tag);
    fmt->get_SampleRate(&rate);
    fmt->get_AvgBytesPerSec(&avg);
    fmt->get_BlockAlign(&align);
    fmt->get_SampleSize(&bits);
    fmt->get_ExtraDataSize(&extra);
    fmt->get_Channels(&ch);
    EXPECT_EQ(std::vector<LONG>({tag, rate, avg, align, bits, extra, ch}),
              std::vector<LONG>({0x11, 22050, 11100, 512, 4, 2, 1}));
    SAFEARRAY* bytes = nullptr;
    fmt->get_ExtraData(&bytes);
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(bytes->rgsabound[0].cElements, 2u);
    EXPECT_EQ(static_cast<unsigned char*>(bytes->pvData)[0], 0xF9);
    SafeArrayDestroy(bytes);

    // A file without a format chunk leaves the component as it was.
    ASSERT_EQ(Get(Write("n.wav", Riff(Chunk("data", Samples(2))))), S_OK);
    fmt->get_FormatTag(&tag);
    EXPECT_EQ(tag, 0x11);

    // The component reads a WAV file's format on its own.
    VARIANT_BOOL ok = 0;
    Str pcm(Write("p.wav", Riff(Fmt(1, 2, 48000, 192000, 4, 16) + Chunk("data", Samples(8)))));
    fmt->SetFromFile(pcm.get(), &ok);
    EXPECT_EQ(ok, VARIANT_TRUE);
    fmt->get_SampleRate(&rate);
    EXPECT_EQ(rate, 48000);
    Str missing(dir_ + "/none.wav");
    fmt->SetFromFile(missing.get(), &ok);
    EXPECT_EQ(ok, VARIANT_FALSE);
    fmt->Release();
}

TEST_F(Audio, StandaloneAudioInfoAndTheEditorsInterfaces) {
    IClassFactory* f = nullptr;
    ASSERT_EQ(kez::frame::Module::Instance().GetClassObject(CLSID_AudioInfo, IID_IClassFactory,
                                                            reinterpret_cast<void**>(&f)),
              S_OK);
    IAudioInfo* a = nullptr;
    ASSERT_EQ(f->CreateInstance(nullptr, IID_IAudioInfo, reinterpret_cast<void**>(&a)), S_OK);
    f->Release();
    Figures fig = Read(a);
    EXPECT_EQ(fig.rate, 0);
    EXPECT_EQ(fig.align, 1);
    IUnknown* sei = nullptr;
    EXPECT_EQ(a->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&sei)), E_NOINTERFACE);
    a->Release();

    ISupportErrorInfo* info = nullptr;
    ASSERT_EQ(editor_->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&info)), S_OK);
    EXPECT_EQ(info->InterfaceSupportsErrorInfo(IID_IWavChunksEditor3), S_OK);
    info->Release();
    LONG mode = 0;
    editor_->get_VariantTypeRangeMode(&mode);
    EXPECT_EQ(mode, 2);
}

}  // namespace

namespace {

// Without the audio format component the editor cannot be built: the host ends with the
// library's stop message and exit code 1.
TEST(AudioDeath, MissingFormatComponentEndsTheHost) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const std::string empty = testmedia::MakeTempDir("noreg");
    EXPECT_EXIT(
        {
            PlatformSetRegistryDir(empty.c_str());
            IClassFactory* f = nullptr;
            kez::frame::Module::Instance().GetClassObject(CLSID_WavChunksEditor3, IID_IClassFactory,
                                                          reinterpret_cast<void**>(&f));
            IWavChunksEditor3* e = nullptr;
            if (f) f->CreateInstance(nullptr, IID_IWavChunksEditor3, reinterpret_cast<void**>(&e));
            std::exit(0);
        },
        ::testing::ExitedWithCode(1), "KezAudioChunksEditor3: AudioInfo no registred");
    testmedia::RemoveTree(empty);
}

}  // namespace
