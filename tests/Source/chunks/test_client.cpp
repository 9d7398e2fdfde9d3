// A script host's view: the editor created by ProgID from the registered module and driven
// only through IDispatch, records passed by reference as VT_RECORD | VT_BYREF.
#include "chunks_test_util.h"

#include <vector>

namespace {

using namespace chunkstest;

VARIANT I4(LONG v) {
    VARIANT x;
    VariantInit(&x);
    x.vt = VT_I4;
    x.lVal = v;
    return x;
}
VARIANT Bool(bool v) {
    VARIANT x;
    VariantInit(&x);
    x.vt = VT_BOOL;
    x.boolVal = v ? VARIANT_TRUE : VARIANT_FALSE;
    return x;
}
VARIANT String(BSTR b) {
    VARIANT x;
    VariantInit(&x);
    x.vt = VT_BSTR;
    x.bstrVal = b;
    return x;
}
VARIANT Record(void* r) {
    VARIANT x;
    VariantInit(&x);
    x.vt = VT_RECORD | VT_BYREF;
    x.brecVal.pvRecord = r;
    x.brecVal.pRecInfo = nullptr;
    return x;
}

class Client : public ChunksTest {
protected:
    static void SetUpTestSuite() {
        ASSERT_EQ(RegisterModule("AudioFormat"), S_OK);
        ASSERT_EQ(RegisterModule("KezAudioChunksEditor3"), S_OK);
    }
    IDispatch* New(const char16_t* progId) {
        CLSID clsid{};
        EXPECT_EQ(CLSIDFromProgID(progId, &clsid), S_OK) << "ProgID registered";
        IDispatch* d = nullptr;
        EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IDispatch, reinterpret_cast<void**>(&d)), S_OK);
        return d;
    }
    // A member by name; args in call order.
    HRESULT Call(IDispatch* d, const char16_t* name, WORD flags, std::vector<VARIANT> args, VARIANT* result = nullptr,
                 EXCEPINFO* ex = nullptr) {
        DISPID id = 0;
        LPOLESTR n = const_cast<LPOLESTR>(name);
        HRESULT hr = d->GetIDsOfNames(GUID_NULL, &n, 1, 0, &id);
        if (FAILED(hr)) return hr;
        std::vector<VARIANT> rev(args.rbegin(), args.rend());
        DISPID put = DISPID_PROPERTYPUT;
        const bool isPut = flags == DISPATCH_PROPERTYPUT;
        DISPPARAMS p{rev.data(), isPut ? &put : nullptr, UINT(rev.size()), isPut ? 1u : 0u};
        VARIANT ignored;
        VariantInit(&ignored);
        HRESULT r = d->Invoke(id, GUID_NULL, 0, flags, &p, result ? result : &ignored, ex, nullptr);
        VariantClear(&ignored);
        return r;
    }
};

TEST_F(Client, ReadChangeAndWriteByLateBinding) {
    const std::string path = Write("late.wav", Riff(PcmFmt() + Chunk("data", Samples(40)) +
                                                    List("INFO", Chunk("IART", Bytes("Someone\0", 8)))));
    IDispatch* d = New(u"KezAudioChunksEditor3.WavChunksEditor");
    ASSERT_NE(d, nullptr);
    Str file(path);
    ASSERT_EQ(Call(d, u"getchunksinformation", DISPATCH_METHOD, {String(file.get())}), S_OK);

    VARIANT v;
    ASSERT_EQ(Call(d, u"ExtraInformationEnabled", DISPATCH_PROPERTYGET, {}, &v), S_OK);
    EXPECT_EQ(v.vt, VT_BOOL);
    EXPECT_EQ(v.boolVal, 1);

    ExtraInformation info{};
    ASSERT_EQ(Call(d, u"ExtraInformation", DISPATCH_PROPERTYGET, {Record(&info)}), S_OK);
    EXPECT_EQ(Text(info.Artist), "Someone");
    Free(info);
    Str album("By name");
    info.Album = album.get();
    info.Year = 1999;
    ASSERT_EQ(Call(d, u"ExtraInformation", DISPATCH_PROPERTYPUT, {Record(&info)}), S_OK);

    CuePoint cue{};
    cue.Position = 123;
    Str label("mark");
    cue.Label = label.get();
    ASSERT_EQ(Call(d, u"InsertCuePoint", DISPATCH_METHOD, {Record(&cue)}), S_OK);
    ASSERT_EQ(Call(d, u"CuePointsEnabled", DISPATCH_PROPERTYPUT, {Bool(true)}), S_OK);
    ASSERT_EQ(Call(d, u"CuePointCount", DISPATCH_PROPERTYGET, {}, &v), S_OK);
    EXPECT_EQ(v.lVal, 1);
    CuePoint back{};
    ASSERT_EQ(Call(d, u"CuePointInfo", DISPATCH_PROPERTYGET, {Record(&back)}), S_OK);
    EXPECT_EQ(back.Position, 123);
    EXPECT_EQ(Text(back.Label), "mark");
    Free(back);

    VARIANT param = I4(5);
    EXPECT_EQ(Call(d, u"SetAdditionalParam", DISPATCH_METHOD, {String(file.get()), param}), S_OK);

    ASSERT_EQ(Call(d, u"SetChunksInformation", DISPATCH_METHOD, {String(file.get())}), S_OK);
    auto out = ListFile(path + ".wav");
    EXPECT_EQ(Ids(out), (std::vector<std::string>{"fmt ", "fact", "data", "LIST/INFO", "cue ", "LIST/adtl"}));
    const Listed* list = Find(out, "LIST/INFO");
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(Find(list->items, "INAM")->data, Bytes("By name\0", 8));
    EXPECT_EQ(Find(list->items, "ICRD")->data, Bytes("1999\0", 5));

    // The AudioInfo object by late binding too.
    ASSERT_EQ(Call(d, u"AudioInfo", DISPATCH_PROPERTYGET, {}, &v), S_OK);
    ASSERT_EQ(v.vt, VT_DISPATCH);
    IDispatch* info2 = v.pdispVal;
    VARIANT rate;
    ASSERT_EQ(Call(info2, u"Bitrate", DISPATCH_PROPERTYGET, {}, &rate), S_OK);
    EXPECT_EQ(rate.lVal, 1411);
    ASSERT_EQ(Call(d, u"VariantTypeRangeMode", DISPATCH_PROPERTYPUT, {I4(1)}), S_OK);
    ASSERT_EQ(Call(info2, u"Size", DISPATCH_PROPERTYGET, {}, &rate), S_OK);
    EXPECT_EQ(rate.vt, VT_I4);
    EXPECT_EQ(rate.lVal, 40);
    info2->Release();

    ASSERT_EQ(Call(d, u"Format", DISPATCH_PROPERTYGET, {}, &v), S_OK);
    ASSERT_EQ(v.vt, VT_DISPATCH);
    VARIANT tag;
    ASSERT_EQ(Call(v.pdispVal, u"SampleRate", DISPATCH_PROPERTYGET, {}, &tag), S_OK);
    EXPECT_EQ(tag.lVal, 44100);
    VariantClear(&v);

    // A failure comes back with its message.
    Str missing(dir_ + "/missing.wav");
    EXCEPINFO ex{};
    EXPECT_EQ(Call(d, u"SetChunksInformation", DISPATCH_METHOD, {String(missing.get())}, nullptr, &ex),
              DISP_E_EXCEPTION);
    EXPECT_EQ(ex.scode, HRESULT(0x80040303));
    EXPECT_EQ(Text(ex.bstrDescription), "File access error.");
    EXPECT_EQ(Text(ex.bstrSource), "KezAudioChunksEditor3.WavChunksEditor.1");
    SysFreeString(ex.bstrDescription);
    SysFreeString(ex.bstrSource);
    SysFreeString(ex.bstrHelpFile);
    d->Release();
}

TEST_F(Client, AudioInfoClassIsCreatableOnItsOwn) {
    IDispatch* a = New(u"KezAudioChunksEditor3.AudioInfo.1");
    ASSERT_NE(a, nullptr);
    VARIANT v;
    ASSERT_EQ(Call(a, u"CompressRate", DISPATCH_PROPERTYGET, {}, &v), S_OK);
    EXPECT_EQ(v.vt, VT_R8);
    EXPECT_EQ(v.dblVal, 1.0);
    a->Release();
}

}  // namespace
