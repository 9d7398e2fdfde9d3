#include "KezAudioArrayProcessing3/AudioArrayProcessing3.h"

#include "KezAudioArrayProcessing3/edit_ranges.h"

namespace kez::array {

namespace {

SAFEARRAY* In(SAFEARRAY** p) { return p ? *p : nullptr; }

constexpr int kControlNotInstalled = -22;
constexpr int kNoMemoryCode = -11;

// Bits for converting a second array to the first one's PCM layout: its own width where
// the converter can deliver it, 16 otherwise.
LONG MatchingBits(WORD bits) { return bits == 8 || bits == 24 || bits == 32 ? bits : 16; }

}  // namespace

HRESULT AudioArrayProcessing3::Deliver(SAFEARRAY* made, SAFEARRAY** out) {
    if (made) {
        *out = made;
        return S_OK;
    }
    *out = NewByteArray(0);
    return Report(kNoMemoryCode);
}

HRESULT AudioArrayProcessing3::ArrayDuplicate(SAFEARRAY** ArrayInp, SAFEARRAY** ArrayOut) {
    if (!ArrayOut) return E_POINTER;
    *ArrayOut = CopyArray(In(ArrayInp));
    return S_OK;
}

HRESULT AudioArrayProcessing3::ArrayCrop(SAFEARRAY** ArrayInp, LONG FirstSample, LONG LastSample,
                                         SAFEARRAY** ArrayOut) {
    if (!ArrayOut) return E_POINTER;
    if (!crop_.Obtain()) return Report(kControlNotInstalled);
    SAFEARRAY* in = In(ArrayInp);
    if (ArrayView(in).TooShort()) {
        if (HRESULT hr = crop_->SetConversionMode(1); FAILED(hr)) return hr;
        return Deliver(NewByteArray(0), ArrayOut);
    }
    WorkArray work;
    if (HRESULT hr = DecodeToPcm16(crop_.get(), in, work); FAILED(hr)) return hr;
    if (work.TooShort()) return Deliver(NewByteArray(0), ArrayOut);
    return Deliver(AssembleBytes(CropRanges(work.bytes(), FirstSample, LastSample).span()), ArrayOut);
}

HRESULT AudioArrayProcessing3::ArraySplit(SAFEARRAY** ArrayInp, LONG SplitSample, SAFEARRAY** ArrayOut1,
                                          SAFEARRAY** ArrayOut2) {
    if (!ArrayOut1 || !ArrayOut2) return E_POINTER;
    if (!split_.Obtain()) return Report(kControlNotInstalled);
    SAFEARRAY* in = In(ArrayInp);
    auto both = [&](SAFEARRAY* a, SAFEARRAY* b) -> HRESULT {
        if (!a || !b) {
            if (a) SafeArrayDestroy(a);
            if (b) SafeArrayDestroy(b);
            *ArrayOut1 = NewByteArray(0);
            *ArrayOut2 = NewByteArray(0);
            return Report(kNoMemoryCode);
        }
        *ArrayOut1 = a;
        *ArrayOut2 = b;
        return S_OK;
    };
    if (ArrayView(in).TooShort()) {
        if (HRESULT hr = split_->SetConversionMode(1); FAILED(hr)) return hr;
        return both(NewByteArray(0), NewByteArray(0));
    }
    WorkArray work;
    if (HRESULT hr = DecodeToPcm16(split_.get(), in, work); FAILED(hr)) return hr;
    if (work.TooShort()) return both(NewByteArray(0), NewByteArray(0));
    SplitRanges r = SplitAt(work.bytes(), SplitSample);
    if (r.beyondEnd) return both(CopyArray(work.array()), NewByteArray(0));
    return both(AssembleBytes(r.first.span()), AssembleBytes(r.second.span()));
}

HRESULT AudioArrayProcessing3::ArrayMerge(SAFEARRAY** ArrayInp1, SAFEARRAY** ArrayInp2, SAFEARRAY** ArrayOut) {
    if (!ArrayOut) return E_POINTER;
    ArrayView a(In(ArrayInp1)), b(In(ArrayInp2));
    std::optional<Pieces> p = MergeRanges(a.bytes(), b.bytes());
    return Deliver(p ? AssembleBytes(p->span()) : NewByteArray(0), ArrayOut);
}

HRESULT AudioArrayProcessing3::ArrayDelete(SAFEARRAY** ArrayInp, LONG FirstSample, LONG LastSample,
                                           SAFEARRAY** ArrayOut) {
    if (!ArrayOut) return E_POINTER;
    SAFEARRAY* in = In(ArrayInp);
    ArrayView view(in);
    if (view.TooShort()) {
        if (!split_.Obtain()) return Report(kControlNotInstalled);
        if (HRESULT hr = split_->SetConversionMode(1); FAILED(hr)) return hr;
        return Deliver(NewByteArray(0), ArrayOut);
    }
    WorkArray work;
    if (view.Header().formatTag == kFormatPcm) {
        work.UseInput(in);
    } else {
        if (!split_.Obtain()) return Report(kControlNotInstalled);
        if (HRESULT hr = DecodeToPcm16(split_.get(), in, work); FAILED(hr)) return hr;
        if (work.TooShort()) return Deliver(NewByteArray(0), ArrayOut);
    }
    return Deliver(AssembleBytes(DeleteRanges(work.bytes(), FirstSample, LastSample).span()), ArrayOut);
}

HRESULT AudioArrayProcessing3::ArrayInsert(SAFEARRAY** ArrayInp, SAFEARRAY** ArrayIns, LONG InsertSample,
                                           SAFEARRAY** ArrayOut) {
    if (!ArrayOut) return E_POINTER;
    if (!insertMain_.Obtain() || !insertPart_.Obtain()) return Report(kControlNotInstalled);
    SAFEARRAY* mainIn = In(ArrayInp);
    SAFEARRAY* partIn = In(ArrayIns);
    if (ArrayView(mainIn).TooShort()) {
        if (HRESULT hr = insertMain_->SetConversionMode(1); FAILED(hr)) return hr;
        return Deliver(NewByteArray(0), ArrayOut);
    }
    WaveHeader partHeader;
    {
        ArrayView part(partIn);
        if (part.TooShort()) {
            if (HRESULT hr = insertPart_->SetConversionMode(1); FAILED(hr)) return hr;
            return Deliver(CopyArray(mainIn), ArrayOut);
        }
        partHeader = part.Header();
    }
    WorkArray main;
    if (HRESULT hr = DecodeToPcm16(insertMain_.get(), mainIn, main); FAILED(hr)) return hr;
    if (main.TooShort()) return Deliver(NewByteArray(0), ArrayOut);
    WaveHeader h1 = main.Header();
    WorkArray part;
    if (partHeader.formatTag == kFormatPcm && partHeader.channels == h1.channels &&
        partHeader.samplesPerSec == h1.samplesPerSec && partHeader.bitsPerSample == h1.bitsPerSample) {
        part.UseInput(partIn);
    } else {
        HRESULT hr = insertPart_->SetConversionFormat(LONG(h1.samplesPerSec), h1.channels,
                                                      MatchingBits(h1.bitsPerSample), 0);
        if (SUCCEEDED(hr)) hr = insertPart_->SetConversionMode(1);
        SAFEARRAY* converted = nullptr;
        if (SUCCEEDED(hr)) hr = insertPart_->ConvertArray(&partIn, &converted);
        if (FAILED(hr)) {
            if (converted) SafeArrayDestroy(converted);
            return hr;
        }
        part.UseConverted(converted);
        if (part.TooShort()) return Deliver(NewByteArray(0), ArrayOut);
    }
    return Deliver(AssembleBytes(InsertRanges(main.bytes(), part.bytes(), InsertSample).span()), ArrayOut);
}

// Declared for level-driven editing; this library gives them no behaviour.
HRESULT AudioArrayProcessing3::ArrayTrim(SAFEARRAY**, FLOAT, FLOAT, LONG, SAFEARRAY**) { return S_OK; }
HRESULT AudioArrayProcessing3::ArrayDeleteSilence(SAFEARRAY**, FLOAT, FLOAT, FLOAT, SAFEARRAY**) { return S_OK; }

void AudioArrayProcessing3::ScaleTime(LONG sampleRate, const VARIANT& value, bool toMilliseconds,
                                      VARIANT* out) const {
    // Statuses of the arithmetic are not passed on: a failed step leaves its result empty.
    VARIANT arg = value, multiplier, divisor, product, quotient, copy;
    VariantInit(&multiplier);
    VariantInit(&divisor);
    VariantInit(&product);
    VariantInit(&quotient);
    VariantInit(&copy);
    multiplier.vt = divisor.vt = VT_I8;
    multiplier.llVal = toMilliseconds ? 1000 : LONGLONG(sampleRate);
    divisor.llVal = toMilliseconds ? LONGLONG(sampleRate) : 1000;
    VarMul(&arg, &multiplier, &product);
    VarDiv(&product, &divisor, &quotient);
    if (HRESULT hr = VariantCopy(&copy, &quotient); FAILED(hr)) {
        VariantInit(&copy);
        copy.vt = VT_ERROR;
        copy.scode = hr;
    }
    mode_.Narrow(&copy);
    VariantClear(&product);
    VariantClear(&quotient);
    if (out)
        *out = copy;
    else
        VariantClear(&copy);
}

HRESULT AudioArrayProcessing3::ConvertSmplToMs(LONG SampleRate, VARIANT Samples, VARIANT* Milliseconds) {
    ScaleTime(SampleRate, Samples, true, Milliseconds);
    return S_OK;
}

HRESULT AudioArrayProcessing3::ConvertMsToSmpl(LONG SampleRate, VARIANT Milliseconds, VARIANT* Samples) {
    ScaleTime(SampleRate, Milliseconds, false, Samples);
    return S_OK;
}

HRESULT AudioArrayProcessing3::ConvertArray3To2(SAFEARRAY** ArrayInp, LONG SampleRateOut, LONG ChannelsOut,
                                                SAFEARRAY** ArrayOut) {
    if (!ArrayOut) return E_POINTER;
    auto samples = [&](Bytes data) -> HRESULT {
        std::size_t n = data.size() >= 2 ? data.size() / 2 : 0;
        SAFEARRAY* a = n <= 0xFFFFFFFFu ? SafeArrayCreateVector(VT_I2, 0, ULONG(n)) : nullptr;
        if (!a) {
            *ArrayOut = SafeArrayCreateVector(VT_I2, 0, 0);
            return Report(kNoMemoryCode);
        }
        if (n) std::memcpy(a->pvData, data.data(), n * 2);
        *ArrayOut = a;
        return S_OK;
    };
    SAFEARRAY* in = In(ArrayInp);
    ArrayView view(in);
    if (view.size() < kHeaderSize + 1) return samples({});
    WaveHeader h = view.Header();
    if (h.formatTag == kFormatPcm && h.bitsPerSample == 16 && h.cbSize == 0)
        return samples(view.bytes().subspan(kHeaderSize));
    if (!sample_.Obtain()) return samples({});
    HRESULT hr = sample_->SetConversionFormat(SampleRateOut, ChannelsOut, 16, 0);
    if (SUCCEEDED(hr)) hr = sample_->SetConversionMode(20);
    OwnedArray converted;
    if (SUCCEEDED(hr)) hr = sample_->ConvertArray(&in, converted.out());
    if (FAILED(hr)) return hr;
    ArrayView cv(converted.get());
    return samples(cv.TooShort() ? Bytes{} : cv.bytes().subspan(kHeaderSize));
}

HRESULT AudioArrayProcessing3::ConvertArray2To3(SAFEARRAY** ArrayInp, LONG SampleRateInp, LONG ChannelsInp,
                                                SAFEARRAY** ArrayOut) {
    if (!ArrayOut) return E_POINTER;
    SAFEARRAY* in = In(ArrayInp);
    if (!in) return Deliver(NewByteArray(0), ArrayOut);
    ArrayView view(in);
    Bytes samples = view.bytes().first(view.size() / 2 * 2);
    WaveHeader h;
    h.formatTag = kFormatPcm;
    h.channels = WORD(ChannelsInp);
    h.samplesPerSec = DWORD(SampleRateInp);
    h.blockAlign = WORD(2 * WORD(ChannelsInp));
    h.avgBytesPerSec = DWORD(SampleRateInp) * h.blockAlign;
    h.bitsPerSample = 16;
    h.cbSize = 0;
    std::uint8_t header[kHeaderSize];
    h.Write(header);
    return Deliver(AssembleBytes({Bytes(header), samples}), ArrayOut);
}

HRESULT AudioArrayProcessing3::get_VariantTypeRangeMode(LONG* Value) {
    if (!Value) return E_POINTER;
    *Value = mode_.Get();
    return S_OK;
}

HRESULT AudioArrayProcessing3::put_VariantTypeRangeMode(LONG Value) {
    mode_.Put(Value);
    return S_OK;
}

}  // namespace kez::array
