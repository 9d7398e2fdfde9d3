// The member tables of the four dual interfaces: their dispatch and their type library.
#include "KezAudioArrayProcessing3/AudioArrayAnalyzer.h"
#include "KezAudioArrayProcessing3/AudioArrayInfo.h"
#include "KezAudioArrayProcessing3/AudioArrayProcessing3.h"
#include "KezAudioArrayProcessing3/AudioChannelsProcessing3.h"

namespace kez::array {

namespace {
constexpr VARTYPE kBytes = VT_ARRAY | VT_UI1;
constexpr VARTYPE kShorts = VT_ARRAY | VT_I2;
}  // namespace

using namespace platform;

const DispInterface& AudioArrayProcessing3Table() {
    using I = IAudioArrayProcessing3;
    static const DispInterface table{
        u"IAudioArrayProcessing3",
        IID_IAudioArrayProcessing3,
        u"IAudioArrayProcessing3 Interface",
        {
            Method<&I::ArrayDuplicate>(u"ArrayDuplicate", 1, u"method ArrayDuplicate",
                                       {{u"ArrayInp", kBytes, kIn}, {u"ArrayOut", kBytes, kOut}}),
            Method<&I::ArrayCrop>(u"ArrayCrop", 2, u"method ArrayCrop",
                                  {{u"ArrayInp", kBytes, kIn},
                                   {u"FirstSample"},
                                   {u"LastSample"},
                                   {u"ArrayOut", kBytes, kOut}}),
            Method<&I::ArraySplit>(u"ArraySplit", 3, u"method ArraySplit",
                                   {{u"ArrayInp", kBytes, kIn},
                                    {u"SplitSample"},
                                    {u"ArrayOut1", kBytes, kOut},
                                    {u"ArrayOut2", kBytes, kOut}}),
            Method<&I::ArrayMerge>(
                u"ArrayMerge", 4, u"method ArrayMerge",
                {{u"ArrayInp1", kBytes, kIn}, {u"ArrayInp2", kBytes, kIn}, {u"ArrayOut", kBytes, kOut}}),
            Method<&I::ArrayDelete>(u"ArrayDelete", 5, u"method ArrayDelete",
                                    {{u"ArrayInp", kBytes, kIn},
                                     {u"FirstSample"},
                                     {u"LastSample"},
                                     {u"ArrayOut", kBytes, kOut}}),
            Method<&I::ArrayInsert>(u"ArrayInsert", 6, u"method ArrayInsert",
                                    {{u"ArrayInp", kBytes, kIn},
                                     {u"ArrayInsert", kBytes, kIn},
                                     {u"InsertSample"},
                                     {u"ArrayOut", kBytes, kOut}}),
            Method<&I::ArrayTrim>(u"ArrayTrim", 7, u"method ArrayTrim",
                                  {{u"ArrayInp", kBytes, kIn},
                                   {u"dbTrimLevel"},
                                   {u"FadeTime"},
                                   {u"TrimType"},
                                   {u"ArrayOut", kBytes, kOut}}),
            Method<&I::ArrayDeleteSilence>(u"ArrayDeleteSilence", 8, u"method ArrayDeleteSilence",
                                           {{u"ArrayInp", kBytes, kIn},
                                            {u"dbThreshold"},
                                            {u"AttackTime"},
                                            {u"ReleaseTime"},
                                            {u"ArrayOut", kBytes, kOut}}),
            Method<&I::ConvertSmplToMs>(u"ConvertSmplToMs", 30, u"method ConvertSmplToMs",
                                        {{u"SampleRate"}, {u"Samples"}, {u"Milliseconds", VT_VARIANT, kRetval}}),
            Method<&I::ConvertMsToSmpl>(u"ConvertMsToSmpl", 31, u"method ConvertMsToSmpl",
                                        {{u"SampleRate"}, {u"Milliseconds"}, {u"Samples", VT_VARIANT, kRetval}}),
            Method<&I::ConvertArray3To2>(u"ConvertArray3To2", 40, u"method ConvertArray3To2",
                                         {{u"ArrayInp", kBytes, kIn},
                                          {u"SampleRateOut"},
                                          {u"ChannelsOut"},
                                          {u"ArrayOut", kShorts, kOut}}),
            Method<&I::ConvertArray2To3>(u"ConvertArray2To3", 41, u"method ConvertArray2To3",
                                         {{u"ArrayInp", kShorts, kIn},
                                          {u"SampleRateInp"},
                                          {u"ChannelsInp"},
                                          {u"ArrayOut", kBytes, kOut}}),
            Get<&I::get_VariantTypeRangeMode>(u"VariantTypeRangeMode", 100, u"property VariantTypeRangeMode"),
            Put<&I::put_VariantTypeRangeMode>(u"VariantTypeRangeMode", 100, u"property VariantTypeRangeMode"),
        }};
    return table;
}

const DispInterface& AudioChannelsProcessing3Table() {
    using I = IAudioChannelsProcessing3;
    static const DispInterface table{
        u"IAudioChannelsProcessing3",
        IID_IAudioChannelsProcessing3,
        u"IAudioChannelsProcessing3 Interface",
        {
            Method<&I::SetInputArray>(u"SetInputArray", 1, u"SetInputArray",
                                      {{u"Array", kBytes, kIn}, {u"ChannelsCount", VT_EMPTY, kRetval}}),
            Method<&I::GetOutputArray>(u"GetOutputArray", 2, u"GetOutputArray", {{u"Array", kBytes, kOut}}),
            Method<&I::GetSingleChannel>(u"GetSingleChannel", 3, u"GetSingleChannel",
                                         {{u"NumChannel"}, {u"Array", kBytes, kOut}}),
            Method<&I::SetSingleChannel>(u"SetSingleChannel", 4, u"SetSingleChannel",
                                         {{u"NumChannel"}, {u"Array", kBytes, kIn}}),
        }};
    return table;
}

const DispInterface& AudioArrayInfoTable() {
    using I = IAudioArrayInfo;
    static const DispInterface table{
        u"IAudioArrayInfo",
        IID_IAudioArrayInfo,
        u"IAudioArrayInfo Interface",
        {
            Method<&I::GetAudioInformation>(u"GetAudioInformation", 0, u"method GetAudioInformation",
                                            {{u"Array", kBytes, kIn}}),
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
            Get<&I::get_VariantTypeRangeMode>(u"VariantTypeRangeMode", 100, u"property VariantTypeRangeMode"),
            Put<&I::put_VariantTypeRangeMode>(u"VariantTypeRangeMode", 100, u"property VariantTypeRangeMode"),
        }};
    return table;
}

const DispInterface& AudioArrayAnalyzerTable() {
    using I = IAudioArrayAnalyzer;
    static const DispInterface table{
        u"IAudioArrayAnalyzer",
        IID_IAudioArrayAnalyzer,
        u"IAudioArrayAnalyzer Interface",
        {
            Method<&I::SetInputArray>(u"SetInputArray", 1, u"method SetInputArray", {{u"Array", kBytes, kIn}}),
            Method<&I::GetEnvelope>(u"GetEnvelope", 2, u"method GetEnvelope", {{u"Array", kBytes, kOut}}),
            Method<&I::GetBPM>(u"GetBPM", 3, u"method GetBPM", {{u"Result", VT_EMPTY, kRetval}}),
        }};
    return table;
}

}  // namespace kez::array
