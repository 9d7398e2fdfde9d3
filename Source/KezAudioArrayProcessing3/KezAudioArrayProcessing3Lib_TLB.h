// The automation classes and dual interfaces of KezAudioArrayProcessing3, for clients that
// bind early. Audio arrays are SAFEARRAY(unsigned char) passed by reference; results are
// new arrays owned by the caller; input arrays are never changed.
#pragma once

#include "com/interfaces.h"

inline constexpr GUID LIBID_KezAudioArrayProcessing3Lib =
    PLATFORM_GUID(0x8EA0D77E, 0x6A8C, 0x4526, 0xB5, 0xB8, 0xFF, 0xC9, 0xCB, 0xF6, 0x80, 0x20);
inline constexpr GUID APPID_KezAudioArrayProcessing3 =
    PLATFORM_GUID(0xAB4EC6B9, 0x13C8, 0x4D4F, 0x91, 0x93, 0x79, 0xBB, 0x7E, 0xE8, 0x30, 0x3B);

inline constexpr CLSID CLSID_AudioArrayProcessing3 =
    PLATFORM_GUID(0xD4355793, 0xA7D6, 0x462B, 0x8D, 0x94, 0x80, 0xE4, 0x2D, 0x0D, 0xB0, 0x60);
inline constexpr IID IID_IAudioArrayProcessing3 =
    PLATFORM_GUID(0xB421D7EC, 0xF531, 0x4BF4, 0xAD, 0xDE, 0xC6, 0xAD, 0x54, 0x47, 0xBB, 0x94);
inline constexpr CLSID CLSID_AudioChannelsProcessing3 =
    PLATFORM_GUID(0xC494FBDF, 0x6C91, 0x4CEB, 0xAA, 0xAB, 0xF7, 0xD3, 0xAA, 0xB6, 0xEF, 0x87);
inline constexpr IID IID_IAudioChannelsProcessing3 =
    PLATFORM_GUID(0x09ECDDC5, 0x2D75, 0x4EE0, 0x90, 0x0A, 0xCB, 0x05, 0xEF, 0xC9, 0x7E, 0x2B);
inline constexpr CLSID CLSID_AudioArrayInfo =
    PLATFORM_GUID(0x2B64118B, 0x3B21, 0x4135, 0xAC, 0x8C, 0x18, 0x34, 0x71, 0x84, 0x95, 0x50);
inline constexpr IID IID_IAudioArrayInfo =
    PLATFORM_GUID(0x062D53FA, 0xBE00, 0x4751, 0xBA, 0xAB, 0x13, 0xEF, 0xBE, 0xA0, 0xCD, 0x7B);
inline constexpr CLSID CLSID_AudioArrayAnalyzer =
    PLATFORM_GUID(0x5A43CD39, 0x2EC9, 0x49F3, 0x91, 0x14, 0x3A, 0x9E, 0x28, 0xE3, 0xC6, 0xD4);
inline constexpr IID IID_IAudioArrayAnalyzer =
    PLATFORM_GUID(0x77B81A9A, 0x611F, 0x40B3, 0x92, 0x9E, 0x75, 0xA2, 0xAD, 0x8D, 0x68, 0x87);

struct IAudioArrayProcessing3 : IDispatch {
    STDMETHOD(ArrayDuplicate)(SAFEARRAY** ArrayInp, SAFEARRAY** ArrayOut) = 0;
    STDMETHOD(ArrayCrop)(SAFEARRAY** ArrayInp, LONG FirstSample, LONG LastSample, SAFEARRAY** ArrayOut) = 0;
    STDMETHOD(ArraySplit)(SAFEARRAY** ArrayInp, LONG SplitSample, SAFEARRAY** ArrayOut1, SAFEARRAY** ArrayOut2) = 0;
    STDMETHOD(ArrayMerge)(SAFEARRAY** ArrayInp1, SAFEARRAY** ArrayInp2, SAFEARRAY** ArrayOut) = 0;
    STDMETHOD(ArrayDelete)(SAFEARRAY** ArrayInp, LONG FirstSample, LONG LastSample, SAFEARRAY** ArrayOut) = 0;
    STDMETHOD(ArrayInsert)(SAFEARRAY** ArrayInp, SAFEARRAY** ArrayIns, LONG InsertSample, SAFEARRAY** ArrayOut) = 0;
    STDMETHOD(ArrayTrim)(SAFEARRAY** ArrayInp, FLOAT dbTrimLevel, FLOAT FadeTime, LONG TrimType,
                         SAFEARRAY** ArrayOut) = 0;
    STDMETHOD(ArrayDeleteSilence)(SAFEARRAY** ArrayInp, FLOAT dbThreshold, FLOAT AttackTime, FLOAT ReleaseTime,
                                  SAFEARRAY** ArrayOut) = 0;
    STDMETHOD(ConvertSmplToMs)(LONG SampleRate, VARIANT Samples, VARIANT* Milliseconds) = 0;
    STDMETHOD(ConvertMsToSmpl)(LONG SampleRate, VARIANT Milliseconds, VARIANT* Samples) = 0;
    STDMETHOD(ConvertArray3To2)(SAFEARRAY** ArrayInp, LONG SampleRateOut, LONG ChannelsOut, SAFEARRAY** ArrayOut) = 0;
    STDMETHOD(ConvertArray2To3)(SAFEARRAY** ArrayInp, LONG SampleRateInp, LONG ChannelsInp, SAFEARRAY** ArrayOut) = 0;
    STDMETHOD(get_VariantTypeRangeMode)(LONG* Value) = 0;
    STDMETHOD(put_VariantTypeRangeMode)(LONG Value) = 0;
};

struct IAudioChannelsProcessing3 : IDispatch {
    STDMETHOD(SetInputArray)(SAFEARRAY** Array, LONG* ChannelsCount) = 0;
    STDMETHOD(GetOutputArray)(SAFEARRAY** Array) = 0;
    STDMETHOD(GetSingleChannel)(LONG NumChannel, SAFEARRAY** Array) = 0;
    STDMETHOD(SetSingleChannel)(LONG NumChannel, SAFEARRAY** Array) = 0;
};

struct IAudioArrayInfo : IDispatch {
    STDMETHOD(GetAudioInformation)(SAFEARRAY** Array) = 0;
    STDMETHOD(get_SampleRate)(LONG* Value) = 0;
    STDMETHOD(get_Bitrate)(LONG* Value) = 0;
    STDMETHOD(get_Duration)(VARIANT* Value) = 0;
    STDMETHOD(get_Samples)(VARIANT* Value) = 0;
    STDMETHOD(get_Channels)(LONG* Value) = 0;
    STDMETHOD(get_SampleSize)(LONG* Value) = 0;
    STDMETHOD(get_FormatTag)(LONG* Value) = 0;
    STDMETHOD(get_FormatString)(BSTR* Value) = 0;
    STDMETHOD(get_BlockAlign)(LONG* Value) = 0;
    STDMETHOD(get_CompressRate)(DOUBLE* Value) = 0;
    STDMETHOD(get_Size)(VARIANT* Value) = 0;
    STDMETHOD(get_Position)(VARIANT* Value) = 0;
    STDMETHOD(get_VariantTypeRangeMode)(LONG* Value) = 0;
    STDMETHOD(put_VariantTypeRangeMode)(LONG Value) = 0;
};

struct IAudioArrayAnalyzer : IDispatch {
    STDMETHOD(SetInputArray)(SAFEARRAY** Array) = 0;
    STDMETHOD(GetEnvelope)(SAFEARRAY** Array) = 0;
    STDMETHOD(GetBPM)(FLOAT* Result) = 0;
};
