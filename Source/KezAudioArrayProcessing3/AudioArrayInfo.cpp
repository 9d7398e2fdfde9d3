#include "KezAudioArrayProcessing3/AudioArrayInfo.h"

#include <string>

namespace kez::array {

HRESULT AudioArrayInfo::GetAudioInformation(SAFEARRAY** Array) {
    ArrayView view(Array ? *Array : nullptr);
    info_ = ReadInformation(view.bytes());
    return S_OK;
}

HRESULT AudioArrayInfo::Give(LONG v, LONG* out) const {
    if (!out) return E_POINTER;
    *out = v;
    return S_OK;
}

HRESULT AudioArrayInfo::Give64(LONGLONG v, VARIANT* out) const {
    if (!out) return E_POINTER;
    mode_.Store(v, out);
    return S_OK;
}

HRESULT AudioArrayInfo::get_SampleRate(LONG* Value) { return Give(info_.sampleRate, Value); }
HRESULT AudioArrayInfo::get_Bitrate(LONG* Value) { return Give(LONG(info_.bitrateKbps), Value); }
HRESULT AudioArrayInfo::get_Duration(VARIANT* Value) { return Give64(info_.duration, Value); }
HRESULT AudioArrayInfo::get_Samples(VARIANT* Value) { return Give64(info_.frames, Value); }
HRESULT AudioArrayInfo::get_Channels(LONG* Value) { return Give(info_.channels, Value); }
HRESULT AudioArrayInfo::get_SampleSize(LONG* Value) { return Give(info_.bitsPerSample, Value); }
HRESULT AudioArrayInfo::get_FormatTag(LONG* Value) { return Give(info_.formatTag, Value); }
HRESULT AudioArrayInfo::get_BlockAlign(LONG* Value) { return Give(info_.blockAlign ? info_.blockAlign : 1, Value); }
HRESULT AudioArrayInfo::get_Size(VARIANT* Value) { return Give64(info_.dataSize, Value); }
HRESULT AudioArrayInfo::get_Position(VARIANT* Value) { return Give64(info_.position, Value); }

HRESULT AudioArrayInfo::get_CompressRate(DOUBLE* Value) {
    if (!Value) return E_POINTER;
    *Value = info_.compressRate < 1 ? 1.0 : info_.compressRate;
    return S_OK;
}

HRESULT AudioArrayInfo::get_FormatString(BSTR* Value) {
    if (!Value) return E_POINTER;
    *Value = nullptr;
    if (info_.description.empty()) return S_OK;
    // The description is plain ASCII (prefixes, digits, "Hz", "kbps"), the same in every
    // ANSI code page, so widening each byte is its conversion.
    std::u16string wide(info_.description.begin(), info_.description.end());
    *Value = SysAllocStringLen(wide.data(), UINT(wide.size()));
    return *Value ? S_OK : Report(-11);
}

HRESULT AudioArrayInfo::get_VariantTypeRangeMode(LONG* Value) { return Give(mode_.Get(), Value); }

HRESULT AudioArrayInfo::put_VariantTypeRangeMode(LONG Value) {
    mode_.Put(Value);
    return S_OK;
}

}  // namespace kez::array
