// A script host's view: every class created by ProgID and driven only through
// IDispatch::Invoke, names looked up with GetIDsOfNames, with error information after a
// failure. The conversion component is the real one.
#include <cstring>

#include "array_test_util.h"
#include "modules_util.h"

namespace {

using namespace arraytest;

class Client : public ::testing::Test {
protected:
    static void SetUpTestSuite() { RegisterModules(); }

    IDispatch* New(const char16_t* progId) {
        CLSID clsid{};
        EXPECT_EQ(CLSIDFromProgID(progId, &clsid), S_OK);
        IDispatch* d = nullptr;
        EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IDispatch, reinterpret_cast<void**>(&d)), S_OK);
        return d;
    }

    // Calls a member by name; args in call order. A VARIANT* arg of VT_EMPTY passed
    // by pointer receives an [out] value.
    HRESULT Call(IDispatch* d, const char16_t* name, WORD flags, std::vector<VARIANT> args, VARIANT* result,
                 EXCEPINFO* ex = nullptr) {
        DISPID id = 0;
        LPOLESTR n = const_cast<LPOLESTR>(name);
        HRESULT hr = d->GetIDsOfNames(GUID_NULL, &n, 1, 0, &id);
        if (FAILED(hr)) return hr;
        std::vector<VARIANT> rev(args.rbegin(), args.rend());
        DISPID put = DISPID_PROPERTYPUT;
        DISPPARAMS p{rev.data(), flags == DISPATCH_PROPERTYPUT ? &put : nullptr, UINT(rev.size()),
                     flags == DISPATCH_PROPERTYPUT ? 1u : 0u};
        if (result) VariantInit(result);
        return d->Invoke(id, GUID_NULL, 0, flags, &p, result, ex, nullptr);
    }
};

VARIANT I4(LONG v) {
    VARIANT x;
    VariantInit(&x);
    x.vt = VT_I4;
    x.lVal = v;
    return x;
}
VARIANT Bytes(SAFEARRAY* a) {
    VARIANT x;
    VariantInit(&x);
    x.vt = VT_ARRAY | VT_UI1;
    x.parray = a;
    return x;
}
VARIANT OutBytes(SAFEARRAY** slot) {
    VARIANT x;
    VariantInit(&x);
    x.vt = VT_BYREF | VT_ARRAY | VT_UI1;
    x.pparray = slot;
    *slot = nullptr;
    return x;
}
Buf Read(SAFEARRAY* a) {
    kez::array::ArrayView v(a);
    return Buf(v.bytes().begin(), v.bytes().end());
}

TEST_F(Client, ProcessingByLateBinding) {
    IDispatch* d = New(u"KezAudioArrayProcessing3.AudioArrayProc");  // the version-independent ProgID
    ASSERT_NE(d, nullptr);
    Buf pcm = Pcm16(2, 44100, 40);
    Array in(pcm);
    SAFEARRAY* out = nullptr;
    VARIANT r;
    ASSERT_EQ(Call(d, u"arraycrop", DISPATCH_METHOD, {Bytes(in.get()), I4(1), I4(3), OutBytes(&out)}, &r), S_OK);
    EXPECT_EQ(Read(out), Concat(Slice(pcm, 0, 18), Slice(pcm, 22, 30)));
    SafeArrayDestroy(out);

    // A compressed array is decoded by the conversion component: mu-law to 16-bit PCM.
    Buf ulaw = WithData(Header(7, 1, 8000, 8, 1, 8000), 100);
    Array u(ulaw);
    ASSERT_EQ(Call(d, u"ArrayCrop", DISPATCH_METHOD, {Bytes(u.get()), I4(0), I4(10), OutBytes(&out)}, &r), S_OK);
    Buf cropped = Read(out);
    SafeArrayDestroy(out);
    ASSERT_EQ(cropped.size(), 18u + 20u);
    EXPECT_EQ(Slice(cropped, 0, 18), Header(1, 1, 8000, 16));

    ASSERT_EQ(Call(d, u"ConvertSmplToMs", DISPATCH_METHOD, {I4(44100), I4(441)}, &r), S_OK);
    EXPECT_EQ(r.vt, VT_I8);
    EXPECT_EQ(r.llVal, 10);
    ASSERT_EQ(Call(d, u"VariantTypeRangeMode", DISPATCH_PROPERTYPUT, {I4(0)}, nullptr), S_OK);
    ASSERT_EQ(Call(d, u"VariantTypeRangeMode", DISPATCH_PROPERTYGET, {}, &r), S_OK);
    EXPECT_EQ(r.lVal, 1);
    ASSERT_EQ(Call(d, u"ConvertMsToSmpl", DISPATCH_METHOD | DISPATCH_PROPERTYGET, {I4(22050), I4(1)}, &r), S_OK);
    EXPECT_EQ(r.vt, VT_I4);
    EXPECT_EQ(r.lVal, 22);

    SAFEARRAY* samples = nullptr;
    VARIANT sv;
    VariantInit(&sv);
    sv.vt = VT_BYREF | VT_ARRAY | VT_I2;
    sv.pparray = &samples;
    ASSERT_EQ(Call(d, u"ConvertArray3To2", DISPATCH_METHOD, {Bytes(in.get()), I4(0), I4(0), sv}, &r), S_OK);
    EXPECT_EQ(Read(samples), Slice(pcm, 18, 58));
    SAFEARRAY* back = nullptr;
    VARIANT samplesIn;
    VariantInit(&samplesIn);
    samplesIn.vt = VT_ARRAY | VT_I2;
    samplesIn.parray = samples;
    ASSERT_EQ(Call(d, u"ConvertArray2To3", DISPATCH_METHOD, {samplesIn, I4(44100), I4(2), OutBytes(&back)}, &r),
              S_OK);
    EXPECT_EQ(Read(back), pcm);
    SafeArrayDestroy(back);
    SafeArrayDestroy(samples);

    SAFEARRAY *o1 = nullptr, *o2 = nullptr;
    ASSERT_EQ(Call(d, u"ArraySplit", DISPATCH_METHOD, {Bytes(in.get()), I4(11), OutBytes(&o1), OutBytes(&o2)}, &r),
              S_OK);
    EXPECT_EQ(Read(o1), pcm);
    EXPECT_TRUE(Read(o2).empty());
    SafeArrayDestroy(o1);
    SafeArrayDestroy(o2);
    EXPECT_EQ(Call(d, u"ArrayCut", DISPATCH_METHOD, {}, &r), DISP_E_UNKNOWNNAME);
    d->Release();
}

TEST_F(Client, InformationChannelsAndTempoByLateBinding) {
    IDispatch* info = New(u"KezAudioArrayProcessing3.AudioArrayIn.1");
    ASSERT_NE(info, nullptr);
    Array pcm(Pcm16(2, 44100, 1764000));
    VARIANT r;
    ASSERT_EQ(Call(info, u"GetAudioInformation", DISPATCH_METHOD, {Bytes(pcm.get())}, &r), S_OK);
    ASSERT_EQ(Call(info, u"FormatString", DISPATCH_PROPERTYGET, {}, &r), S_OK);
    ASSERT_EQ(r.vt, VT_BSTR);
    EXPECT_EQ(std::u16string(r.bstrVal), u"PCM: 44100 Hz;  Stereo; 1411.20 kbps; ");
    VariantClear(&r);
    ASSERT_EQ(Call(info, u"Duration", DISPATCH_PROPERTYGET, {}, &r), S_OK);
    EXPECT_EQ(r.vt, VT_I8);
    EXPECT_EQ(r.llVal, 10000);
    info->Release();

    IDispatch* ch = New(u"KezAudioArrayProcessing3.AudioChannel.1");
    ASSERT_NE(ch, nullptr);
    Buf stereo = Pcm16(2, 44100, 400);
    Array s(stereo);
    ASSERT_EQ(Call(ch, u"SetInputArray", DISPATCH_METHOD, {Bytes(s.get())}, &r), S_OK);
    EXPECT_EQ(r.vt, VT_I4);
    EXPECT_EQ(r.lVal, 2);
    for (LONG c = 1; c <= 2; ++c) {
        SAFEARRAY* one = nullptr;
        ASSERT_EQ(Call(ch, u"GetSingleChannel", DISPATCH_METHOD, {I4(c), OutBytes(&one)}, &r), S_OK);
        EXPECT_EQ(Read(one).size(), 818u);
        ASSERT_EQ(Call(ch, u"SetSingleChannel", DISPATCH_METHOD, {I4(c), Bytes(one)}, &r), S_OK);
        SafeArrayDestroy(one);
    }
    SAFEARRAY* joined = nullptr;
    ASSERT_EQ(Call(ch, u"GetOutputArray", DISPATCH_METHOD, {OutBytes(&joined)}, &r), S_OK);
    EXPECT_EQ(Read(joined), stereo);  // split and join give the input back
    SafeArrayDestroy(joined);
    ch->Release();

    IDispatch* an = New(u"KezAudioArrayProcessing3.AudioArrayAn.1");
    ASSERT_NE(an, nullptr);
    ASSERT_EQ(Call(an, u"GetBPM", DISPATCH_METHOD, {}, &r), S_OK);
    EXPECT_EQ(r.vt, VT_R4);
    EXPECT_EQ(r.fltVal, 0.f);
    an->Release();
}

TEST_F(Client, FailureLeavesErrorInformation) {
    ASSERT_EQ(CallModule("KezAudioCompress3", "DllUnregisterServer"), S_OK);
    IDispatch* d = New(u"KezAudioArrayProcessing3.AudioArrayPr.1");
    ASSERT_NE(d, nullptr);
    ISupportErrorInfo* sei = nullptr;
    ASSERT_EQ(d->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&sei)), S_OK);
    EXPECT_EQ(sei->InterfaceSupportsErrorInfo(IID_IAudioArrayProcessing3), S_OK);
    EXPECT_EQ(sei->InterfaceSupportsErrorInfo(IID_IDispatch), S_FALSE);
    sei->Release();
    Array in(Pcm16(1, 8000, 10));
    SAFEARRAY* out = nullptr;
    VARIANT r;
    EXCEPINFO ex{};
    EXPECT_EQ(Call(d, u"ArrayCrop", DISPATCH_METHOD, {Bytes(in.get()), I4(0), I4(1), OutBytes(&out)}, &r, &ex),
              DISP_E_EXCEPTION);
    EXPECT_EQ(std::uint32_t(ex.scode), 0x8004030Du);
    EXPECT_EQ(std::u16string(ex.bstrDescription), u"Control not installed.");
    EXPECT_EQ(std::u16string(ex.bstrSource), u"KezAudioArrayProcessing3.AudioArrayPr.1");
    SysFreeString(ex.bstrDescription);
    SysFreeString(ex.bstrSource);
    SysFreeString(ex.bstrHelpFile);
    ErrorRecord rec;
    ASSERT_TRUE(TakeError(rec));
    EXPECT_EQ(rec.iid, IID_IAudioArrayProcessing3);
    EXPECT_EQ(rec.description, u"Control not installed.");
    d->Release();

    // The analyzer cannot be created without its converter.
    CLSID clsid{};
    ASSERT_EQ(CLSIDFromProgID(u"KezAudioArrayProcessing3.AudioArrayAnal", &clsid), S_OK);
    IDispatch* an = nullptr;
    EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IDispatch, reinterpret_cast<void**>(&an)),
              HRESULT(0x8004FFEA));
    ASSERT_TRUE(TakeError(rec));
    EXPECT_EQ(rec.description, u"Unknown Error");
    ASSERT_EQ(CallModule("KezAudioCompress3", "DllRegisterServer"), S_OK);
}

}  // namespace
