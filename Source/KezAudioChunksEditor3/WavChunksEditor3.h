// The editor: reads the metadata chunks and the format of a WAV file into its state, lets
// a client change them, and writes a new file (the source's name with ".wav" appended)
// carrying the source's audio with the metadata it holds.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "KezAudioChunksEditor3/AudioInfo.h"
#include "KezAudioChunksEditor3/bext.h"
#include "KezAudioChunksEditor3/cart.h"
#include "KezAudioChunksEditor3/cue_points.h"
#include "KezAudioChunksEditor3/info_list.h"
#include "frame/object.h"
#include "frame/range_mode.h"

PLATFORM_INTERFACE_ID(IAudioInfo, IID_IAudioInfo);
PLATFORM_INTERFACE_ID(IAudioFormat, IID_IAudioFormat);

namespace kez::chunks {

const platform::DispInterface& WavChunksEditor3Table();

// A file's format chunk as WAVEFORMATEX: 18 bytes and at most 342 extra bytes.
struct FormatRecord {
    static constexpr std::size_t kMaxExtra = 342;
    std::uint16_t formatTag = 0, channels = 0;
    std::uint32_t samplesPerSec = 0, avgBytesPerSec = 0;
    std::uint16_t blockAlign = 0, bitsPerSample = 0, extraSize = 0;
    std::array<char, kMaxExtra> extra{};

    // The fmt chunk at the current position. The extra bytes are never more than the chunk
    // or the record holds; extraSize says how many were kept.
    bool Read(const Source& src, const MMCKINFO& ck);
    // PCM: block align and average bytes per second from channels, bits and rate.
    void RecomputePcm();
    std::string Bytes() const;  // as written: 18 bytes, plus the extra bytes unless PCM
};

// The audio values of a format, a data size and a fact sample count.
AudioValues ComputeAudioValues(const FormatRecord& f, std::uint32_t dataSize, std::uint32_t factSamples);
// mext frame size: avg x 1152 / rate in 32 bits, cut to 16 bits, halved below 32000 Hz;
// 0 without a rate.
std::uint16_t MextFrameSize(std::uint32_t avgBytesPerSec, std::uint32_t samplesPerSec);

class WavChunksEditor3 final : public kez::frame::ComObject<IWavChunksEditor3> {
public:
    WavChunksEditor3(const kez::frame::ClassInfo& info, IUnknown* outer);
    HRESULT Construct() override;

    STDMETHOD(GetChunksInformation)(BSTR fileName) override;
    STDMETHOD(SetChunksInformation)(BSTR fileName) override;
    STDMETHOD(get_AudioInfo)(IAudioInfo** Value) override;
    STDMETHOD(get_CartAudioExtensionEnabled)(VARIANT_BOOL* Value) override;
    STDMETHOD(put_CartAudioExtensionEnabled)(VARIANT_BOOL Value) override;
    STDMETHOD(get_BroadcastAudioExtensionEnabled)(VARIANT_BOOL* Value) override;
    STDMETHOD(put_BroadcastAudioExtensionEnabled)(VARIANT_BOOL Value) override;
    STDMETHOD(get_ExtraInformationEnabled)(VARIANT_BOOL* Value) override;
    STDMETHOD(put_ExtraInformationEnabled)(VARIANT_BOOL Value) override;
    STDMETHOD(get_CuePointsEnabled)(VARIANT_BOOL* Value) override;
    STDMETHOD(put_CuePointsEnabled)(VARIANT_BOOL Value) override;
    STDMETHOD(get_BroadcastAudioExtension)(BroadcastAudioExtension* Value) override;
    STDMETHOD(put_BroadcastAudioExtension)(BroadcastAudioExtension* Value) override;
    STDMETHOD(get_CartAudioExtension)(CartAudioExtension* Value) override;
    STDMETHOD(put_CartAudioExtension)(CartAudioExtension* Value) override;
    STDMETHOD(get_ExtraInformation)(ExtraInformation* Value) override;
    STDMETHOD(put_ExtraInformation)(ExtraInformation* Value) override;
    STDMETHOD(get_CuePointCount)(LONG* Value) override;
    STDMETHOD(get_CuePointNum)(LONG* Value) override;
    STDMETHOD(put_CuePointNum)(LONG Value) override;
    STDMETHOD(get_CuePointInfo)(CuePoint* Value) override;
    STDMETHOD(put_CuePointInfo)(CuePoint* Value) override;
    STDMETHOD(InsertCuePoint)(CuePoint* newCuePoint) override;
    STDMETHOD(DeleteCuePoint)() override;
    STDMETHOD(get_Format)(IAudioFormat** Value) override;
    STDMETHOD(get_VariantTypeRangeMode)(LONG* Value) override;
    STDMETHOD(put_VariantTypeRangeMode)(LONG Value) override;
    STDMETHOD(SetAdditionalParam)(BSTR ParamName, VARIANT ParamValue) override;
    STDMETHOD(GetAdditionalParam)(BSTR ParamName, VARIANT* ParamValue) override;

private:
    ~WavChunksEditor3() override;
    void Reset();
    void HandToFormat(const FormatRecord& f);
    HRESULT Write(const char16_t* source, const std::u16string& output);

    VARIANT_BOOL extraEnabled_ = 0, bextEnabled_ = 0, cartEnabled_ = 0, cueEnabled_ = 0;
    InfoList info_;
    CueList cues_;
    BextBlock bext_;
    CartBlock cart_;
    AudioValues values_;
    kez::frame::VariantRangeMode mode_;
    IUnknown* audioInfoUnknown_ = nullptr;  // the AudioInfo object's own unknown
    IAudioInfo* audioInfo_ = nullptr;
    IAudioFormat* format_ = nullptr;
};

}  // namespace kez::chunks
