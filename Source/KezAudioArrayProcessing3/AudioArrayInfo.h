// AudioArrayInfo: reads the header of an audio array once and answers its format, rates,
// sizes and description.
#pragma once

#include "KezAudioArrayProcessing3/KezAudioArrayProcessing3Lib_TLB.h"
#include "KezAudioArrayProcessing3/array_information.h"
#include "frame/object.h"
#include "frame/range_mode.h"

namespace kez::array {

const platform::DispInterface& AudioArrayInfoTable();

class AudioArrayInfo final : public frame::ComObject<IAudioArrayInfo> {
public:
    using ComObject::ComObject;

    STDMETHOD(GetAudioInformation)(SAFEARRAY** Array) override;
    STDMETHOD(get_SampleRate)(LONG* Value) override;
    STDMETHOD(get_Bitrate)(LONG* Value) override;
    STDMETHOD(get_Duration)(VARIANT* Value) override;
    STDMETHOD(get_Samples)(VARIANT* Value) override;
    STDMETHOD(get_Channels)(LONG* Value) override;
    STDMETHOD(get_SampleSize)(LONG* Value) override;
    STDMETHOD(get_FormatTag)(LONG* Value) override;
    STDMETHOD(get_FormatString)(BSTR* Value) override;
    STDMETHOD(get_BlockAlign)(LONG* Value) override;
    STDMETHOD(get_CompressRate)(DOUBLE* Value) override;
    STDMETHOD(get_Size)(VARIANT* Value) override;
    STDMETHOD(get_Position)(VARIANT* Value) override;
    STDMETHOD(get_VariantTypeRangeMode)(LONG* Value) override;
    STDMETHOD(put_VariantTypeRangeMode)(LONG Value) override;

private:
    HRESULT Give(LONG v, LONG* out) const;
    HRESULT Give64(LONGLONG v, VARIANT* out) const;

    ArrayInformation info_;
    frame::VariantRangeMode mode_;
};

}  // namespace kez::array
