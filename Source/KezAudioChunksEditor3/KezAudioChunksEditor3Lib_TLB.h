// The automation classes, dual interfaces and records of KezAudioChunksEditor3, for clients
// that bind early. Records cross the interface by reference: a get fills the caller's
// record with new strings (the caller frees them), a put copies what it needs.
#pragma once

#include "com/interfaces.h"

inline constexpr GUID LIBID_KezAudioChunksEditor3Lib =
    PLATFORM_GUID(0x063C9EBD, 0x49D8, 0x446A, 0x9E, 0x11, 0xF9, 0x32, 0xBC, 0xBD, 0x9B, 0x63);
inline constexpr GUID APPID_KezAudioChunksEditor3 =
    PLATFORM_GUID(0xB0409E57, 0x1E14, 0x4374, 0xBF, 0xC4, 0xCC, 0xC8, 0x23, 0x7F, 0xD1, 0x08);

inline constexpr CLSID CLSID_WavChunksEditor3 =
    PLATFORM_GUID(0x1F1BA2AE, 0xA996, 0x4B17, 0x94, 0xFD, 0xF0, 0xD7, 0x8E, 0xD0, 0xFF, 0x65);
inline constexpr IID IID_IWavChunksEditor3 =
    PLATFORM_GUID(0xDF7E2519, 0x0B26, 0x4A51, 0xBE, 0x8D, 0x54, 0xF4, 0xCD, 0x2F, 0xD5, 0xF8);
inline constexpr CLSID CLSID_AudioInfo =
    PLATFORM_GUID(0x4BA7C669, 0xBDCD, 0x4C6E, 0xBE, 0xFC, 0x68, 0x45, 0x81, 0xA0, 0xE2, 0x88);
inline constexpr IID IID_IAudioInfo =
    PLATFORM_GUID(0x951749EA, 0x9B84, 0x4500, 0x8B, 0x6D, 0xC3, 0x5C, 0x0F, 0xC2, 0x4A, 0xBC);
inline constexpr IID IID_IAudioFormat =
    PLATFORM_GUID(0xB7EE3E6B, 0xD84B, 0x4DDD, 0x8B, 0x91, 0xBD, 0x97, 0x4C, 0xC6, 0xCA, 0x89);
// The outside audio format component that answers IAudioFormat.
inline constexpr CLSID CLSID_AudioFormat =
    PLATFORM_GUID(0x6BC38BF4, 0xE84D, 0x46E1, 0x92, 0x0B, 0x42, 0xD3, 0x1A, 0xEA, 0x61, 0x7E);

struct ExtraInformation {
    BSTR Copyright;
    BSTR Title;
    BSTR Artist;
    BSTR Album;
    BSTR Comments;
    BSTR EncodedBy;
    BSTR Genre;
    LONG Year;
    SHORT Track;
    BSTR ArchivalLocation;
    BSTR Commissioned;
    BSTR Cropped;
    BSTR Dimensions;
    BSTR DotsPerInch;
    BSTR Engineer;
    BSTR Keywords;
    BSTR Lightness;
    BSTR Medium;
    BSTR Name;
    BSTR PaletteSetting;
    BSTR Product;
    BSTR Subject;
    BSTR Sharpness;
    BSTR Source;
    BSTR SourceForm;
    BSTR Technician;
};

struct CuePoint {
    LONG Position;
    LONG Length;
    LONG Country;
    LONG Language;
    LONG Dialect;
    LONG CodePage;
    BSTR Note;
    BSTR Label;
    BSTR Text;
};

struct BroadcastAudioExtension {
    BSTR Description;
    BSTR Originator;
    BSTR OriginatorReference;
    BSTR OriginationDate;
    BSTR OriginationTime;
    LONG TimeReferenceLow;
    LONG TimeReferenceHigh;
    SHORT Version;
    BSTR CodingHistory;
};

enum BasicTimerConstants : LONG {
    NONE_TIMERS = 0,
    SEGs = 1,
    SEGe = 2,
    AUDs = 3,
    AUDe = 4,
    INTs = 5,
    INTe = 6,
    OUTs = 7,
    OUTe = 8,
    SECs = 9,
    SECe = 10,
    TERs = 11,
    TERe = 12,
    MRK = 13,
    EOD = 14,
};

struct CartAudioTimer {
    BasicTimerConstants Usage;
    LONG Value;
};

struct CartAudioExtension {
    BSTR Version;
    BSTR Title;
    BSTR Artist;
    BSTR CutID;
    BSTR ClientID;
    BSTR Category;
    BSTR Classification;
    BSTR OutCue;
    BSTR StartDate;
    BSTR StartTime;
    BSTR EndDate;
    BSTR EndTime;
    BSTR ProducerAppID;
    BSTR ProducerAppVersion;
    BSTR UserDef;
    LONG LevelReference;
    CartAudioTimer PostTimer1;
    CartAudioTimer PostTimer2;
    CartAudioTimer PostTimer3;
    CartAudioTimer PostTimer4;
    CartAudioTimer PostTimer5;
    CartAudioTimer PostTimer6;
    CartAudioTimer PostTimer7;
    CartAudioTimer PostTimer8;
    BSTR URL;
    BSTR TagText;
};

struct IAudioInfo : IDispatch {
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
};

struct IAudioFormat : IDispatch {
    STDMETHOD(get_FormatTag)(LONG* Value) = 0;
    STDMETHOD(put_FormatTag)(LONG Value) = 0;
    STDMETHOD(get_Channels)(LONG* Value) = 0;
    STDMETHOD(put_Channels)(LONG Value) = 0;
    STDMETHOD(get_SampleRate)(LONG* Value) = 0;
    STDMETHOD(put_SampleRate)(LONG Value) = 0;
    STDMETHOD(get_BlockAlign)(LONG* Value) = 0;
    STDMETHOD(put_BlockAlign)(LONG Value) = 0;
    STDMETHOD(get_AvgBytesPerSec)(LONG* Value) = 0;
    STDMETHOD(put_AvgBytesPerSec)(LONG Value) = 0;
    STDMETHOD(get_SampleSize)(LONG* Value) = 0;
    STDMETHOD(put_SampleSize)(LONG Value) = 0;
    STDMETHOD(get_ExtraDataSize)(LONG* Value) = 0;
    STDMETHOD(put_ExtraDataSize)(LONG Value) = 0;
    STDMETHOD(get_ExtraData)(SAFEARRAY** Value) = 0;
    STDMETHOD(put_ExtraData)(SAFEARRAY** Value) = 0;
    STDMETHOD(SetFromQuickTimeMenu)(VARIANT_BOOL* Result) = 0;
    STDMETHOD(SetFromACMMenu)(VARIANT_BOOL* Result) = 0;
    STDMETHOD(SetFromFile)(BSTR fileName, VARIANT_BOOL* Result) = 0;
};

struct IWavChunksEditor3 : IDispatch {
    STDMETHOD(GetChunksInformation)(BSTR fileName) = 0;
    STDMETHOD(SetChunksInformation)(BSTR fileName) = 0;
    STDMETHOD(get_AudioInfo)(IAudioInfo** Value) = 0;
    STDMETHOD(get_CartAudioExtensionEnabled)(VARIANT_BOOL* Value) = 0;
    STDMETHOD(put_CartAudioExtensionEnabled)(VARIANT_BOOL Value) = 0;
    STDMETHOD(get_BroadcastAudioExtensionEnabled)(VARIANT_BOOL* Value) = 0;
    STDMETHOD(put_BroadcastAudioExtensionEnabled)(VARIANT_BOOL Value) = 0;
    STDMETHOD(get_ExtraInformationEnabled)(VARIANT_BOOL* Value) = 0;
    STDMETHOD(put_ExtraInformationEnabled)(VARIANT_BOOL Value) = 0;
    STDMETHOD(get_CuePointsEnabled)(VARIANT_BOOL* Value) = 0;
    STDMETHOD(put_CuePointsEnabled)(VARIANT_BOOL Value) = 0;
    STDMETHOD(get_BroadcastAudioExtension)(BroadcastAudioExtension* Value) = 0;
    STDMETHOD(put_BroadcastAudioExtension)(BroadcastAudioExtension* Value) = 0;
    STDMETHOD(get_CartAudioExtension)(CartAudioExtension* Value) = 0;
    STDMETHOD(put_CartAudioExtension)(CartAudioExtension* Value) = 0;
    STDMETHOD(get_ExtraInformation)(ExtraInformation* Value) = 0;
    STDMETHOD(put_ExtraInformation)(ExtraInformation* Value) = 0;
    STDMETHOD(get_CuePointCount)(LONG* Value) = 0;
    STDMETHOD(get_CuePointNum)(LONG* Value) = 0;
    STDMETHOD(put_CuePointNum)(LONG Value) = 0;
    STDMETHOD(get_CuePointInfo)(CuePoint* Value) = 0;
    STDMETHOD(put_CuePointInfo)(CuePoint* Value) = 0;
    STDMETHOD(InsertCuePoint)(CuePoint* newCuePoint) = 0;
    STDMETHOD(DeleteCuePoint)() = 0;
    STDMETHOD(get_Format)(IAudioFormat** Value) = 0;
    STDMETHOD(get_VariantTypeRangeMode)(LONG* Value) = 0;
    STDMETHOD(put_VariantTypeRangeMode)(LONG Value) = 0;
    STDMETHOD(SetAdditionalParam)(BSTR ParamName, VARIANT ParamValue) = 0;
    STDMETHOD(GetAdditionalParam)(BSTR ParamName, VARIANT* ParamValue) = 0;
};
