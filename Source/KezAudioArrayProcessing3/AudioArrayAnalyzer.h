// AudioArrayAnalyzer: keeps an audio array decoded to 44100 Hz mono 16-bit PCM and
// estimates its tempo in beats per minute.
#pragma once

#include "KezAudioArrayProcessing3/KezAudioArrayProcessing3Lib_TLB.h"
#include "KezAudioArrayProcessing3/converter.h"
#include "frame/object.h"

namespace kez::array {

const platform::DispInterface& AudioArrayAnalyzerTable();

// The string resource an analyzer without converter reports; the library holds no such
// string, so the record says "Unknown Error".
inline constexpr unsigned kAnalyzerNoConverterString = 65514;

class AudioArrayAnalyzer final : public frame::ComObject<IAudioArrayAnalyzer> {
public:
    using ComObject::ComObject;

    HRESULT Construct() override;

    STDMETHOD(SetInputArray)(SAFEARRAY** Array) override;
    STDMETHOD(GetEnvelope)(SAFEARRAY** Array) override;
    STDMETHOD(GetBPM)(FLOAT* Result) override;

private:
    Converter converter_;
    OwnedArray kept_;
};

}  // namespace kez::array
