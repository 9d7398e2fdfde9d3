// Arbitrary arrays and parameters for every member of the four classes of the array
// library, with the real conversion component (loaded from beside the fuzzer, no registry
// needed) decoding whatever the arrays claim to be.
//
// Input: 12 bytes of parameters, one byte that splits the rest into two arrays, the arrays.
#include <cstdint>
#include <cstring>

#include "KezAudioArrayProcessing3/KezAudioArrayProcessing3Lib_TLB.h"
#include "KezAudioArrayProcessing3/audio_array.h"
#include "KezAudioArrayProcessing3/converter.h"
#include "com/combase.h"
#include "frame/module.h"

namespace {

HRESULT LoadConverter(IAudioCompress3** out) {
    static DllGetClassObjectFn get = [] {
        HMODULE m = LoadLibraryA("KezAudioCompress3.DLL");
        return m ? reinterpret_cast<DllGetClassObjectFn>(GetProcAddress(m, "DllGetClassObject")) : nullptr;
    }();
    if (!get) return REGDB_E_CLASSNOTREG;
    IClassFactory* f = nullptr;
    HRESULT hr = get(CLSID_AudioCompress3, IID_IClassFactory, reinterpret_cast<void**>(&f));
    if (FAILED(hr)) return hr;
    hr = f->CreateInstance(nullptr, IID_IAudioCompress3, reinterpret_cast<void**>(out));
    f->Release();
    return hr;
}

template <class I>
I* New(REFCLSID clsid, REFIID iid) {
    IClassFactory* f = nullptr;
    if (FAILED(kez::frame::Module::Instance().GetClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(&f))))
        return nullptr;
    I* obj = nullptr;
    f->CreateInstance(nullptr, iid, reinterpret_cast<void**>(&obj));
    f->Release();
    return obj;
}

LONG Read32(const std::uint8_t* p) {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return LONG(v);
}

void Drop(SAFEARRAY*& a) {
    if (a) SafeArrayDestroy(a);
    a = nullptr;
}

void Clear(VARIANT& v) { VariantClear(&v); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 13) return 0;
    kez::array::SetConverterFactory(&LoadConverter);
    LONG a = Read32(data), b = Read32(data + 4), c = Read32(data + 8);
    std::size_t rest = size - 13;
    std::size_t cut = rest ? data[12] * rest / 255 : 0;
    kez::array::Bytes first(data + 13, cut), second(data + 13 + cut, rest - cut);
    SAFEARRAY* in1 = kez::array::AssembleBytes({first});
    SAFEARRAY* in2 = kez::array::AssembleBytes({second});
    SAFEARRAY* out = nullptr;
    SAFEARRAY* out2 = nullptr;
    // Small frame counts reach inside the arrays; the raw values test the clamping.
    LONG small1 = LONG(std::uint32_t(a) % 4096) - 64, small2 = LONG(std::uint32_t(b) % 4096) - 64;

    if (auto* p = New<IAudioArrayProcessing3>(CLSID_AudioArrayProcessing3, IID_IAudioArrayProcessing3)) {
        p->put_VariantTypeRangeMode(c);
        for (LONG x : {a, small1}) {
            LONG y = x == a ? b : small2;
            p->ArrayDuplicate(&in1, &out), Drop(out);
            p->ArrayCrop(&in1, x, y, &out), Drop(out);
            p->ArraySplit(&in1, x, &out, &out2), Drop(out), Drop(out2);
            p->ArrayMerge(&in1, &in2, &out), Drop(out);
            p->ArrayDelete(&in1, x, y, &out), Drop(out);
            p->ArrayInsert(&in1, &in2, x, &out), Drop(out);
        }
        p->ArrayTrim(&in1, 1.f, 2.f, a, &out);
        p->ArrayDeleteSilence(&in1, 1.f, 2.f, 3.f, &out);
        VARIANT v, r;
        VariantInit(&v);
        v.vt = VT_I4;
        v.lVal = b;
        p->ConvertSmplToMs(a, v, &r), Clear(r);
        p->ConvertMsToSmpl(a, v, &r), Clear(r);
        v.vt = VT_R8;
        std::memcpy(&v.dblVal, data + 4, 8);
        p->ConvertSmplToMs(a, v, &r), Clear(r);
        p->ConvertArray3To2(&in1, small1, small2 & 7, &out), Drop(out);
        p->ConvertArray2To3(&in1, a, b, &out), Drop(out);
        p->Release();
    }
    if (auto* info = New<IAudioArrayInfo>(CLSID_AudioArrayInfo, IID_IAudioArrayInfo)) {
        info->put_VariantTypeRangeMode(a);
        info->GetAudioInformation(&in1);
        LONG l;
        double d;
        BSTR s = nullptr;
        VARIANT r;
        info->get_SampleRate(&l), info->get_Bitrate(&l), info->get_Channels(&l), info->get_SampleSize(&l);
        info->get_FormatTag(&l), info->get_BlockAlign(&l), info->get_CompressRate(&d);
        info->get_FormatString(&s), SysFreeString(s);
        info->get_Duration(&r), info->get_Samples(&r), info->get_Size(&r), info->get_Position(&r);
        info->Release();
    }
    if (auto* ch = New<IAudioChannelsProcessing3>(CLSID_AudioChannelsProcessing3, IID_IAudioChannelsProcessing3)) {
        LONG count = 0;
        ch->SetInputArray(&in1, &count);
        ch->GetSingleChannel(small1 & 7, &out), Drop(out);
        ch->GetSingleChannel(a, &out), Drop(out);
        ch->SetSingleChannel(small2 & 7, &in2);
        // Up to 64 output channels: the join's size grows with channels x container x frames,
        // and a legitimate 4 GB result says nothing. Other numbers only where they name no channel.
        ch->SetSingleChannel(b & 63, &in2);
        if (b < 1 || b > 65535) ch->SetSingleChannel(b, &in2);
        ch->SetSingleChannel(1, &in1);
        ch->GetOutputArray(&out), Drop(out);
        ch->GetOutputArray(&out), Drop(out);
        ch->Release();
    }
    if (auto* an = New<IAudioArrayAnalyzer>(CLSID_AudioArrayAnalyzer, IID_IAudioArrayAnalyzer)) {
        FLOAT bpm;
        an->SetInputArray(&in1);
        an->GetBPM(&bpm);
        an->GetEnvelope(&out);
        an->Release();
    }
    Drop(in1);
    Drop(in2);
    SetErrorInfo(0, nullptr);
    return 0;
}
