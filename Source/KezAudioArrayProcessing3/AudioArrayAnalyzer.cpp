#include "KezAudioArrayProcessing3/AudioArrayAnalyzer.h"

#include "KezAudioArrayProcessing3/tempo.h"

namespace kez::array {

HRESULT AudioArrayAnalyzer::Construct() {
    if (!converter_.Obtain()) return ReportResource(kAnalyzerNoConverterString);
    return S_OK;
}

HRESULT AudioArrayAnalyzer::SetInputArray(SAFEARRAY** Array) {
    HRESULT hr = converter_->SetConversionFormat(44100, 1, 16, 0);
    if (SUCCEEDED(hr)) hr = converter_->SetConversionMode(20);
    if (FAILED(hr)) return hr;
    kept_.reset();
    SAFEARRAY* in = Array ? *Array : nullptr;
    SAFEARRAY* decoded = nullptr;
    hr = converter_->ConvertArray(&in, &decoded);
    if (FAILED(hr)) {
        if (decoded) SafeArrayDestroy(decoded);
        return hr;
    }
    kept_.reset(decoded);
    return S_OK;
}

HRESULT AudioArrayAnalyzer::GetEnvelope(SAFEARRAY**) { return S_OK; }

HRESULT AudioArrayAnalyzer::GetBPM(FLOAT* Result) {
    if (!Result) return E_POINTER;
    *Result = 0;
    if (!kept_.get()) return S_OK;
    ArrayView view(kept_.get());
    *Result = EstimateTempo(view.bytes());
    return S_OK;
}

}  // namespace kez::array
