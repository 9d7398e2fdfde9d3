// AudioArrayProcessing3's conversions: frames and milliseconds through the variant
// arithmetic, and audio arrays to and from 16-bit sample arrays.
#include "array_test_util.h"

namespace {

using namespace arraytest;

class Conversions : public ::testing::Test {
protected:
    void SetUp() override {
        obj = Create<IAudioArrayProcessing3>(CLSID_AudioArrayProcessing3, IID_IAudioArrayProcessing3);
        ASSERT_NE(obj, nullptr);
    }
    void TearDown() override { obj->Release(); }
    ConverterScope scope;
    IAudioArrayProcessing3* obj = nullptr;
};

VARIANT I4(LONG v) {
    VARIANT x;
    VariantInit(&x);
    x.vt = VT_I4;
    x.lVal = v;
    return x;
}

TEST_F(Conversions, TimeRoundsHalfToEvenInTheModesType) {
    struct Row {
        bool toMs;
        LONG rate, value, mode;
        VARTYPE vt;
        LONGLONG expect;
    } rows[] = {
        {true, 44100, 441, 2, VT_I8, 10},
        {true, 44100, 22, 2, VT_I8, 0},   // 0.4988...
        {true, 2000, 1, 2, VT_I8, 0},     // 0.5 to even
        {true, 2000, 3, 2, VT_I8, 2},     // 1.5 to even
        {true, 2000, 5, 1, VT_I4, 2},     // 2.5 to even
        {true, 0, 12345, 2, VT_I8, 0},    // no rate: an empty quotient changes to 0
        {false, 22050, 1, 2, VT_I8, 22},  // 22.05
        {false, 22050, 1, 1, VT_I4, 22},
        {false, 44100, 60000, 2, VT_I8, 2646000},
        {false, 48000, 0x7FFFFFFF, 2, VT_I8, 103079215056},  // the product needs 64 bits
    };
    for (const Row& r : rows) {
        obj->put_VariantTypeRangeMode(r.mode);
        VARIANT out;
        VariantInit(&out);
        HRESULT hr = r.toMs ? obj->ConvertSmplToMs(r.rate, I4(r.value), &out) : obj->ConvertMsToSmpl(r.rate, I4(r.value), &out);
        EXPECT_EQ(hr, S_OK);
        EXPECT_EQ(out.vt, r.vt) << r.rate << " " << r.value;
        EXPECT_EQ(r.vt == VT_I4 ? LONGLONG(out.lVal) : out.llVal, r.expect) << r.rate << " " << r.value;
        VariantClear(&out);
    }
}

TEST_F(Conversions, QuotientTooLargeForModeOneStaysAQuotient) {
    obj->put_VariantTypeRangeMode(1);
    VARIANT in, out;
    VariantInit(&in);
    in.vt = VT_I8;
    in.llVal = 1LL << 40;
    ASSERT_EQ(obj->ConvertSmplToMs(1000, in, &out), S_OK);
    EXPECT_EQ(out.vt, VT_R8);
    EXPECT_DOUBLE_EQ(out.dblVal, double(1LL << 40));
    VARIANT null;
    VariantInit(&null);
    null.vt = VT_NULL;
    ASSERT_EQ(obj->ConvertMsToSmpl(44100, null, &out), S_OK);
    EXPECT_EQ(out.vt, VT_NULL);
}

TEST_F(Conversions, RangeModeClampsPerObject) {
    LONG m = 0;
    obj->get_VariantTypeRangeMode(&m);
    EXPECT_EQ(m, 2);
    obj->put_VariantTypeRangeMode(0);
    obj->get_VariantTypeRangeMode(&m);
    EXPECT_EQ(m, 1);
    obj->put_VariantTypeRangeMode(7);
    obj->get_VariantTypeRangeMode(&m);
    EXPECT_EQ(m, 2);
}

std::vector<SHORT> Samples(SAFEARRAY* a) {
    kez::array::ArrayView v(a);
    std::vector<SHORT> s(v.size() / 2);
    if (!s.empty()) std::memcpy(s.data(), v.bytes().data(), s.size() * 2);
    return s;
}

TEST_F(Conversions, AudioArrayToSamples) {
    SAFEARRAY* out = nullptr;
    Buf mono = WithData(Header(1, 1, 8000, 16), 7);
    Array in(mono);
    ASSERT_EQ(obj->ConvertArray3To2(in.in(), 44100, 2, &out), S_OK);
    VARTYPE vt = 0;
    SafeArrayGetVartype(out, &vt);
    EXPECT_EQ(vt, VT_I2);
    EXPECT_EQ(Samples(out), (std::vector<SHORT>{0x0100, 0x0302, 0x0504}));  // odd byte dropped
    SafeArrayDestroy(out);
    EXPECT_TRUE(scope.fake.calls.empty());  // 16-bit PCM is used as it is, rate and channels kept

    for (const Buf& b : {Buf(), Buf(18), Buf(17)}) {
        Array tiny(b);
        ASSERT_EQ(obj->ConvertArray3To2(tiny.in(), 44100, 2, &out), S_OK);
        ASSERT_NE(out, nullptr);
        EXPECT_TRUE(Samples(out).empty());
        SafeArrayDestroy(out);
    }
    // 8-bit PCM goes through the converter in mode 20 at the asked rate and channels.
    Array eight(WithData(Header(1, 1, 8000, 8), 4));
    scope.fake.useData = true;
    scope.fake.data = {1, 0, 2, 0, 3};
    ASSERT_EQ(obj->ConvertArray3To2(eight.in(), 22050, 2, &out), S_OK);
    EXPECT_EQ(Samples(out), (std::vector<SHORT>{1, 2}));
    EXPECT_EQ(scope.fake.calls, (std::vector<std::string>{"format 22050 2 16 0", "mode 20", "convert"}));
    SafeArrayDestroy(out);
}

TEST(ConversionsWithoutConverter, CompressedInputGivesEmptySamplesAndSuccess) {
    ConverterScope none(false);
    auto* obj = Create<IAudioArrayProcessing3>(CLSID_AudioArrayProcessing3, IID_IAudioArrayProcessing3);
    Array in(WithData(Header(7, 1, 8000, 8), 10));
    SAFEARRAY* out = nullptr;
    EXPECT_EQ(obj->ConvertArray3To2(in.in(), 8000, 1, &out), S_OK);
    EXPECT_TRUE(Samples(out).empty());
    SafeArrayDestroy(out);
    obj->Release();
}

TEST_F(Conversions, SamplesToAudioArray) {
    SAFEARRAY* samples = SafeArrayCreateVector(VT_I2, 0, 3);
    SHORT values[] = {-1, 2, 300};
    std::memcpy(samples->pvData, values, 6);
    Array out;
    ASSERT_EQ(obj->ConvertArray2To3(&samples, 44100, 2, out.out()), S_OK);
    Buf expect = Header(1, 2, 44100, 16);
    EXPECT_EQ(kez::array::WaveHeader::Read(expect).blockAlign, 4);
    EXPECT_EQ(kez::array::WaveHeader::Read(expect).avgBytesPerSec, 176400u);
    expect.insert(expect.end(), {0xFF, 0xFF, 2, 0, 0x2C, 1});
    EXPECT_EQ(out.bytes(), expect);
    SafeArrayDestroy(samples);

    SAFEARRAY* empty = SafeArrayCreateVector(VT_I2, 0, 0);
    ASSERT_EQ(obj->ConvertArray2To3(&empty, 8000, 1, out.out()), S_OK);
    EXPECT_EQ(out.bytes(), Header(1, 1, 8000, 16));
    SafeArrayDestroy(empty);
    SAFEARRAY* none = nullptr;
    ASSERT_EQ(obj->ConvertArray2To3(&none, 8000, 1, out.out()), S_OK);
    EXPECT_TRUE(out.bytes().empty());
    EXPECT_FALSE(out.isNull());
}

}  // namespace
