// AudioFile3: the reader and writer of MP3, Ogg Vorbis and WAV files (IAudioFile3).
#include "AudioFile3.h"

#include "MediaError.h"

namespace kezfilecom {
namespace {

using kez::media::EncoderSettings;
using kez::media::MediaError;
using kez::media::OutputKind;

constexpr const char16_t* kSource = u"KezAudioFile3.AudioFile3";

const platform::DispInterface& AudioFile3Table() {
    using namespace platform;
    static const DispInterface table{u"IAudioFile3", IID_IAudioFile3, u"Audio file reader and writer", {
        Method<&IAudioFile3::Open>(u"Open", DISPID_AudioFile3_Open, u"Opens a file for reading", {{u"FileName"}}),
        Method<&IAudioFile3::SeekTime>(u"SeekTime", DISPID_AudioFile3_SeekTime, u"Goes to a time in ms",
                                       {{u"Time"}, {u"Mode"}, {u"Result", VT_VARIANT, kOut}}),
        Method<&IAudioFile3::Read>(u"Read", DISPID_AudioFile3_Read, u"Reads up to Count units",
                                   {{u"Count"}, {u"Data", VT_VARIANT, kOut}}),
        Method<&IAudioFile3::Close>(u"Close", DISPID_AudioFile3_Close, u"Closes the file"),
        Method<&IAudioFile3::SetMp3Format>(u"SetMp3Format", DISPID_AudioFile3_SetMp3Format, u"MP3 output format",
                                           {{u"SampleRate"}, {u"Bitrate"}, {u"ChannelMode"}}),
        Method<&IAudioFile3::SetOggFormat>(u"SetOggFormat", DISPID_AudioFile3_SetOggFormat,
                                           u"Ogg Vorbis output format",
                                           {{u"SampleRate"}, {u"ChannelMode"}, {u"Bitrate"}, {u"MinBitrate"},
                                            {u"MaxBitrate"}, {u"Quality"}}),
        Method<&IAudioFile3::SetWavFormat>(u"SetWavFormat", DISPID_AudioFile3_SetWavFormat, u"WAV output format",
                                           {{u"SampleRate"}, {u"Channels"}, {u"SampleSize"}, {u"Flags"}}),
        Method<&IAudioFile3::Create>(u"Create", DISPID_AudioFile3_Create, u"Creates an output file",
                                     {{u"FileName"}, {u"FileType"}}),
        Method<&IAudioFile3::Write>(u"Write", DISPID_AudioFile3_Write, u"Appends a block", {{u"Data"}}),
        Get<&IAudioFile3::get_AudioInfo>(u"AudioInfo", DISPID_AudioFile3_AudioInfo, u"Stream information"),
    }};
    return table;
}

}  // namespace

AudioFile3::AudioFile3() : ComObject(AudioFile3Table(), IID_IAudioFile3) {
    mp3_.kind = OutputKind::Mp3;
    ogg_.kind = OutputKind::Ogg;
    wav_.kind = OutputKind::Wav;
}

AudioFile3::~AudioFile3() {
    try {
        session_.Close();
    } catch (...) {
    }
}

template <class F>
HRESULT AudioFile3::Guard(F&& f) {
    try {
        f();
        return S_OK;
    } catch (const MediaError& e) {
        return Fail(E_FAIL, kSource, e.what(), IID_IAudioFile3);
    } catch (const std::bad_alloc&) {
        return Fail(E_OUTOFMEMORY, kSource, "Not enough memory.", IID_IAudioFile3);
    } catch (const std::exception& e) {
        return Fail(E_FAIL, kSource, e.what(), IID_IAudioFile3);
    }
}

HRESULT AudioFile3::Open(BSTR fileName) {
    return Guard([&] { session_.Open(Utf8(fileName)); });
}

HRESULT AudioFile3::SeekTime(VARIANT timeMs, LONG, VARIANT* result) {
    std::int64_t ms = 0;
    if (!GetInt64(timeMs, &ms)) return Fail(DISP_E_TYPEMISMATCH, kSource, "The time is not a number.", IID_IAudioFile3);
    HRESULT hr = Guard([&] { session_.SeekTime(ms); });
    if (SUCCEEDED(hr) && result) PutInt64(result, session_.Values().position);
    return hr;
}

HRESULT AudioFile3::Read(LONG count, VARIANT* data) {
    if (!data) return E_POINTER;
    VariantInit(data);
    std::vector<std::uint8_t> block;
    HRESULT hr = Guard([&] { block = session_.Read(count); });
    return SUCCEEDED(hr) ? PutBlock(data, block) : hr;
}

HRESULT AudioFile3::Close() {
    return Guard([&] { session_.Close(); });
}

HRESULT AudioFile3::SetMp3Format(LONG sampleRate, LONG bitrate, LONG channelMode) {
    mp3_.sampleRate = sampleRate;
    mp3_.bitrateKbps = bitrate;
    mp3_.channelMode = channelMode;
    return S_OK;
}

HRESULT AudioFile3::SetOggFormat(LONG sampleRate, LONG channelMode, LONG bitrate, LONG, LONG, LONG) {
    ogg_.sampleRate = sampleRate;
    ogg_.channelMode = channelMode;
    ogg_.bitrateKbps = bitrate;
    return S_OK;
}

HRESULT AudioFile3::SetWavFormat(LONG sampleRate, LONG channels, LONG sampleSize, LONG) {
    wav_.sampleRate = sampleRate;
    wav_.channels = channels;
    wav_.bits = sampleSize;
    return S_OK;
}

HRESULT AudioFile3::Create(BSTR fileName, LONG fileType) {
    const EncoderSettings* s = fileType == kFileTypeMp3   ? &mp3_
                               : fileType == kFileTypeOgg ? &ogg_
                               : fileType == kFileTypeWav ? &wav_
                                                          : nullptr;
    if (!s)
        return Fail(E_INVALIDARG, kSource, "Unknown output file type " + std::to_string(fileType) + ".",
                    IID_IAudioFile3);
    return Guard([&] { session_.Create(Utf8(fileName), *s); });
}

HRESULT AudioFile3::Write(VARIANT data) {
    const std::uint8_t* p = nullptr;
    std::size_t n = 0;
    SAFEARRAY* locked = nullptr;
    if (!BlockBytes(data, &p, &n, &locked))
        return Fail(DISP_E_TYPEMISMATCH, kSource, "The data handed to the writer is not an audio block.",
                    IID_IAudioFile3);
    HRESULT hr = Guard([&] { session_.Write(p, n); });
    if (locked) SafeArrayUnaccessData(locked);
    return hr;
}

HRESULT AudioFile3::get_AudioInfo(IAudioInfo** value) { return NewAudioInfo(*this, IID_IAudioInfo, value); }

}  // namespace kezfilecom
