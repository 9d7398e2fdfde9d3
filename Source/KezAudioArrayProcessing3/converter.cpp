#include "KezAudioArrayProcessing3/converter.h"

#include "com/combase.h"

namespace kez::array {

namespace {

HRESULT CreateRegistered(IAudioCompress3** out) {
    return CoCreateInstance(CLSID_AudioCompress3, nullptr, CLSCTX_ALL, IID_IAudioCompress3,
                            reinterpret_cast<void**>(out));
}

ConverterFactory g_factory = nullptr;

}  // namespace

void SetConverterFactory(ConverterFactory factory) { g_factory = factory; }

HRESULT CreateConverter(IAudioCompress3** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    HRESULT hr = g_factory ? g_factory(out) : CreateRegistered(out);
    if (SUCCEEDED(hr) && !*out) hr = E_NOINTERFACE;
    return hr;
}

bool Converter::Obtain() {
    if (!p_) {
        IAudioCompress3* c = nullptr;
        if (SUCCEEDED(CreateConverter(&c))) p_ = c;
    }
    return p_ != nullptr;
}

void WorkArray::UseInput(SAFEARRAY* input) {
    view_.reset();
    converted_.reset();
    array_ = input;
    view_ = std::make_unique<ArrayView>(input);
}

void WorkArray::UseConverted(SAFEARRAY* converted) {
    view_.reset();
    converted_.reset(converted);
    array_ = converted;
    view_ = std::make_unique<ArrayView>(converted);
}

HRESULT DecodeToPcm16(IAudioCompress3* converter, SAFEARRAY* input, WorkArray& work) {
    ArrayView in(input);
    WaveHeader h = in.Header();
    if (h.formatTag == kFormatPcm) {
        work.UseInput(input);
        return S_OK;
    }
    HRESULT hr = converter->SetConversionFormat(LONG(h.samplesPerSec), h.channels, 16, 0);
    if (SUCCEEDED(hr)) hr = converter->SetConversionMode(1);
    SAFEARRAY* out = nullptr;
    if (SUCCEEDED(hr)) hr = converter->ConvertArray(&input, &out);
    if (FAILED(hr)) {
        if (out) SafeArrayDestroy(out);
        return hr;
    }
    work.UseConverted(out);
    return S_OK;
}

}  // namespace kez::array
