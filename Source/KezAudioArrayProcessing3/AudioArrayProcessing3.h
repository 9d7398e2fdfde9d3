// AudioArrayProcessing3: cuts and joins audio arrays, converts between frame counts and
// milliseconds and between audio and sample arrays.
#pragma once

#include "KezAudioArrayProcessing3/KezAudioArrayProcessing3Lib_TLB.h"
#include "KezAudioArrayProcessing3/converter.h"
#include "frame/object.h"
#include "frame/range_mode.h"

namespace kez::array {

const platform::DispInterface& AudioArrayProcessing3Table();

class AudioArrayProcessing3 final : public frame::ComObject<IAudioArrayProcessing3> {
public:
    using ComObject::ComObject;

    STDMETHOD(ArrayDuplicate)(SAFEARRAY** ArrayInp, SAFEARRAY** ArrayOut) override;
    STDMETHOD(ArrayCrop)(SAFEARRAY** ArrayInp, LONG FirstSample, LONG LastSample, SAFEARRAY** ArrayOut) override;
    STDMETHOD(ArraySplit)(SAFEARRAY** ArrayInp, LONG SplitSample, SAFEARRAY** ArrayOut1,
                          SAFEARRAY** ArrayOut2) override;
    STDMETHOD(ArrayMerge)(SAFEARRAY** ArrayInp1, SAFEARRAY** ArrayInp2, SAFEARRAY** ArrayOut) override;
    STDMETHOD(ArrayDelete)(SAFEARRAY** ArrayInp, LONG FirstSample, LONG LastSample, SAFEARRAY** ArrayOut) override;
    STDMETHOD(ArrayInsert)(SAFEARRAY** ArrayInp, SAFEARRAY** ArrayIns, LONG InsertSample,
                           SAFEARRAY** ArrayOut) override;
    STDMETHOD(ArrayTrim)(SAFEARRAY** ArrayInp, FLOAT dbTrimLevel, FLOAT FadeTime, LONG TrimType,
                         SAFEARRAY** ArrayOut) override;
    STDMETHOD(ArrayDeleteSilence)(SAFEARRAY** ArrayInp, FLOAT dbThreshold, FLOAT AttackTime, FLOAT ReleaseTime,
                                  SAFEARRAY** ArrayOut) override;
    STDMETHOD(ConvertSmplToMs)(LONG SampleRate, VARIANT Samples, VARIANT* Milliseconds) override;
    STDMETHOD(ConvertMsToSmpl)(LONG SampleRate, VARIANT Milliseconds, VARIANT* Samples) override;
    STDMETHOD(ConvertArray3To2)(SAFEARRAY** ArrayInp, LONG SampleRateOut, LONG ChannelsOut,
                                SAFEARRAY** ArrayOut) override;
    STDMETHOD(ConvertArray2To3)(SAFEARRAY** ArrayInp, LONG SampleRateInp, LONG ChannelsInp,
                                SAFEARRAY** ArrayOut) override;
    STDMETHOD(get_VariantTypeRangeMode)(LONG* Value) override;
    STDMETHOD(put_VariantTypeRangeMode)(LONG Value) override;

private:
    // out = made, or an empty array and -11 when made could not be created.
    HRESULT Deliver(SAFEARRAY* made, SAFEARRAY** out);
    void ScaleTime(LONG sampleRate, const VARIANT& value, bool toMilliseconds, VARIANT* out) const;

    frame::VariantRangeMode mode_;
    Converter crop_;
    Converter split_;
    Converter insertMain_;
    Converter insertPart_;
    Converter sample_;
};

}  // namespace kez::array
