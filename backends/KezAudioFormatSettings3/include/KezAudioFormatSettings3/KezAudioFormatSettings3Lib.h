// The published interface of the WMA format-settings component (KezAudioFormatSettings3):
// IAudioFormatWMA in vtable order, its identifiers and dispatch ids.
//
// The component offers a fixed list of WMA output formats (one group, number 0). A client
// sets FormatGroup to 0, then FormatIndex, and reads the chosen entry: its text
// (FormatName, e.g. "128 kbps, 44 kHz, stereo") and the values a writer needs to encode it
// (FormatSampleRate in Hz, FormatChannels, FormatBitrate in bits per second, the value to
// hand to the encoder). The list runs from the lowest to the highest quality; its last
// entry is the one to use by default.
#pragma once

#include "automation/oleauto.h"

inline constexpr CLSID CLASS_AudioFormatWMA =
    PLATFORM_GUID(0xB0639356, 0x335C, 0x4E47, 0xB6, 0x3C, 0x12, 0x53, 0x1A, 0x7A, 0x52, 0x06);
inline constexpr IID IID_IAudioFormatWMA =
    PLATFORM_GUID(0x28883B8D, 0xBA7B, 0x41AC, 0xA2, 0x49, 0x7C, 0x85, 0x40, 0x5F, 0xF8, 0x2B);

// Dispatch ids of IAudioFormatWMA (late binding uses the names; these are its table).
enum AudioFormatWMADispId : DISPID {
    DISPID_AudioFormatWMA_FormatGroup = 1,
    DISPID_AudioFormatWMA_FormatCount = 2,
    DISPID_AudioFormatWMA_FormatIndex = 3,
    DISPID_AudioFormatWMA_FormatName = 4,
    DISPID_AudioFormatWMA_FormatSampleRate = 5,
    DISPID_AudioFormatWMA_FormatChannels = 6,
    DISPID_AudioFormatWMA_FormatBitrate = 7,
};

// Dual interface. Every getter writes its out value only on success; FormatName hands out a
// new BSTR that the caller frees. put_FormatGroup accepts 0 only and put_FormatIndex
// 0..FormatCount-1; anything else fails with E_INVALIDARG and an error-information record,
// leaving the current choice as it was.
struct IAudioFormatWMA : IDispatch {
    STDMETHOD(get_FormatGroup)(LONG* value) = 0;
    STDMETHOD(put_FormatGroup)(LONG value) = 0;
    STDMETHOD(get_FormatCount)(LONG* value) = 0;
    STDMETHOD(get_FormatIndex)(LONG* value) = 0;
    STDMETHOD(put_FormatIndex)(LONG value) = 0;
    STDMETHOD(get_FormatName)(BSTR* value) = 0;
    STDMETHOD(get_FormatSampleRate)(LONG* value) = 0;
    STDMETHOD(get_FormatChannels)(LONG* value) = 0;
    STDMETHOD(get_FormatBitrate)(LONG* value) = 0;
};
