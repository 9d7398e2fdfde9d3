// The member tables of the two dual interfaces of this library: their dispatch and their
// type information. Records go by reference (VT_RECORD | VT_BYREF); a record get fills
// the record the caller passes.
#include "KezAudioChunksEditor3/WavChunksEditor3.h"

namespace kez::chunks {

using namespace platform;

namespace {
constexpr VARTYPE kRecord = VT_RECORD | VT_BYREF;
}

const DispInterface& WavChunksEditor3Table() {
    using I = IWavChunksEditor3;
    static const DispInterface table{
        u"IWavChunksEditor3",
        IID_IWavChunksEditor3,
        u"IWavChunksEditor3 Interface",
        {
            Method<&I::GetChunksInformation>(u"GetChunksInformation", 1, u"method GetChunksInformation",
                                             {{u"fileName", VT_BSTR, kIn}}),
            Method<&I::SetChunksInformation>(u"SetChunksInformation", 2, u"method SetChunksInformation",
                                             {{u"fileName", VT_BSTR, 0}}),
            Get<&I::get_AudioInfo>(u"AudioInfo", 20, u"property AudioInfo"),
            Get<&I::get_CartAudioExtensionEnabled>(u"CartAudioExtensionEnabled", 10,
                                                   u"property CartAudioExtensionEnabled", VT_BOOL),
            Put<&I::put_CartAudioExtensionEnabled>(u"CartAudioExtensionEnabled", 10,
                                                   u"property CartAudioExtensionEnabled", VT_BOOL),
            Get<&I::get_BroadcastAudioExtensionEnabled>(u"BroadcastAudioExtensionEnabled", 11,
                                                        u"property BroadcastAudioExtensionEnabled", VT_BOOL),
            Put<&I::put_BroadcastAudioExtensionEnabled>(u"BroadcastAudioExtensionEnabled", 11,
                                                        u"property BroadcastAudioExtensionEnabled", VT_BOOL),
            Get<&I::get_ExtraInformationEnabled>(u"ExtraInformationEnabled", 12, u"property ExtraInformationEnabled",
                                                 VT_BOOL),
            Put<&I::put_ExtraInformationEnabled>(u"ExtraInformationEnabled", 12, u"property ExtraInformationEnabled",
                                                 VT_BOOL),
            Get<&I::get_CuePointsEnabled>(u"CuePointsEnabled", 13, u"property CuePointsEnabled", VT_BOOL),
            Put<&I::put_CuePointsEnabled>(u"CuePointsEnabled", 13, u"property CuePointsEnabled", VT_BOOL),
            Get<&I::get_BroadcastAudioExtension>(u"BroadcastAudioExtension", 35, u"property BroadcastAudioExtension",
                                                 kRecord),
            Put<&I::put_BroadcastAudioExtension>(u"BroadcastAudioExtension", 35, u"property BroadcastAudioExtension",
                                                 kRecord),
            Get<&I::get_CartAudioExtension>(u"CartAudioExtension", 36, u"property CartAudioExtension", kRecord),
            Put<&I::put_CartAudioExtension>(u"CartAudioExtension", 36, u"property CartAudioExtension", kRecord),
            Get<&I::get_ExtraInformation>(u"ExtraInformation", 37, u"property ExtraInformation", kRecord),
            Put<&I::put_ExtraInformation>(u"ExtraInformation", 37, u"property ExtraInformation", kRecord),
            Get<&I::get_CuePointCount>(u"CuePointCount", 40, u"property CuePointCount"),
            Get<&I::get_CuePointNum>(u"CuePointNum", 41, u"property CuePointNum"),
            Put<&I::put_CuePointNum>(u"CuePointNum", 41, u"property CuePointNum"),
            Get<&I::get_CuePointInfo>(u"CuePointInfo", 42, u"property CuePointInfo", kRecord),
            Put<&I::put_CuePointInfo>(u"CuePointInfo", 42, u"property CuePointInfo", kRecord),
            Method<&I::InsertCuePoint>(u"InsertCuePoint", 43, u"method InsertCuePoint",
                                       {{u"newCuePoint", kRecord, kIn}}),
            Method<&I::DeleteCuePoint>(u"DeleteCuePoint", 44, u"method DeleteCuePoint"),
            Get<&I::get_Format>(u"Format", 50, u"property Format"),
            Get<&I::get_VariantTypeRangeMode>(u"VariantTypeRangeMode", 100, u"property VariantTypeRangeMode"),
            Put<&I::put_VariantTypeRangeMode>(u"VariantTypeRangeMode", 100, u"property VariantTypeRangeMode"),
            Method<&I::SetAdditionalParam>(u"SetAdditionalParam", 180, u"method SetAdditionalParam",
                                           {{u"ParamName"}, {u"ParamValue"}}),
            Method<&I::GetAdditionalParam>(u"GetAdditionalParam", 181, u"method GetAdditionalParam",
                                           {{u"ParamName"}, {u"ParamValue", VT_VARIANT, kRetval}}),
        }};
    return table;
}

const DispInterface& AudioInfoTable() {
    using I = IAudioInfo;
    static const DispInterface table{
        u"IAudioInfo",
        IID_IAudioInfo,
        u"IAudioInfo Interface",
        {
            Get<&I::get_SampleRate>(u"SampleRate", 1, u"property SampleRate"),
            Get<&I::get_Bitrate>(u"Bitrate", 2, u"property Bitrate"),
            Get<&I::get_Duration>(u"Duration", 3, u"property Duration"),
            Get<&I::get_Samples>(u"Samples", 4, u"property Samples"),
            Get<&I::get_Channels>(u"Channels", 5, u"property Channels"),
            Get<&I::get_SampleSize>(u"SampleSize", 6, u"property SampleSize"),
            Get<&I::get_FormatTag>(u"FormatTag", 7, u"property FormatTag"),
            Get<&I::get_FormatString>(u"FormatString", 8, u"property FormatString"),
            Get<&I::get_BlockAlign>(u"BlockAlign", 9, u"property BlockAlign"),
            Get<&I::get_CompressRate>(u"CompressRate", 10, u"property CompressRate"),
            Get<&I::get_Size>(u"Size", 11, u"property Size"),
            Get<&I::get_Position>(u"Position", 12, u"property Position"),
        }};
    return table;
}

}  // namespace kez::chunks
