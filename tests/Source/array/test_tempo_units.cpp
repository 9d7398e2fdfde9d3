// AudioArrayAnalyzer: what reaches the detector, and the answers without usable input.
#include "KezAudioArrayProcessing3/tempo.h"
#include "array_test_util.h"

namespace {

using namespace arraytest;

TEST(Tempo, ValuesGoToTheDetectorInBlocksOf2048) {
    Buf mono = Pcm16(1, 44100, 10000);  // 5000 values
    std::vector<std::size_t> blocks;
    kez::array::EstimateTempo(kez::array::Bytes(mono), [&](std::size_t n) { blocks.push_back(n); });
    EXPECT_EQ(blocks, (std::vector<std::size_t>{2048, 2048, 904}));
    // Three channels: blocks of whole frames only, the partial last frame left out.
    Buf three = Pcm16(3, 44100, 2 * 2050);
    blocks.clear();
    kez::array::EstimateTempo(kez::array::Bytes(three), [&](std::size_t n) { blocks.push_back(n); });
    EXPECT_EQ(blocks, (std::vector<std::size_t>{2046, 3}));
    blocks.clear();
    kez::array::EstimateTempo(kez::array::Bytes(Header(1, 1, 44100, 16)), [&](std::size_t n) { blocks.push_back(n); });
    EXPECT_TRUE(blocks.empty());
}

TEST(Tempo, AnalyzerWithoutUsableInputAnswersZero) {
    ConverterScope scope;
    auto* obj = Create<IAudioArrayAnalyzer>(CLSID_AudioArrayAnalyzer, IID_IAudioArrayAnalyzer);
    ASSERT_NE(obj, nullptr);
    FLOAT bpm = -1;
    EXPECT_EQ(obj->GetBPM(&bpm), S_OK);
    EXPECT_EQ(bpm, 0.f);
    Array header(Buf(18));
    EXPECT_EQ(obj->SetInputArray(header.in()), S_OK);
    EXPECT_EQ(scope.fake.calls, (std::vector<std::string>{"format 44100 1 16 0", "mode 20", "convert"}));
    bpm = -1;
    EXPECT_EQ(obj->GetBPM(&bpm), S_OK);
    EXPECT_EQ(bpm, 0.f);
    // A kept array that is not PCM.
    scope.fake.giveRaw = true;
    scope.fake.raw = WithData(Header(3, 1, 44100, 32), 4000);
    Array any(Pcm16(1, 44100, 100));
    obj->SetInputArray(any.in());
    bpm = -1;
    obj->GetBPM(&bpm);
    EXPECT_EQ(bpm, 0.f);
    Array env(Buf{4, 5});
    SAFEARRAY* before = env.get();
    EXPECT_EQ(obj->GetEnvelope(env.in()), S_OK);
    EXPECT_EQ(env.get(), before);
    obj->Release();
}

TEST(Tempo, AnalyzerWithoutConverterCannotBeCreated) {
    ConverterScope none(false);
    HRESULT hr = S_OK;
    auto* obj = Create<IAudioArrayAnalyzer>(CLSID_AudioArrayAnalyzer, IID_IAudioArrayAnalyzer, &hr);
    EXPECT_EQ(obj, nullptr);
    EXPECT_EQ(hr, HRESULT(0x8004FFEA));
    ErrorRecord r;
    ASSERT_TRUE(TakeError(r));
    EXPECT_EQ(r.description, u"Unknown Error");
    EXPECT_EQ(r.iid, GUID_NULL);
    EXPECT_EQ(r.source, u"KezAudioArrayProcessing3.AudioArrayAn.1");
    EXPECT_EQ(kez::frame::Module::Instance().CanUnloadNow(), S_OK);
}

}  // namespace
