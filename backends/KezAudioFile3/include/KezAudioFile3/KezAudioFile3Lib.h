// The published interface of the audio file component library (KezAudioFile3): class and
// interface identifiers, the interfaces in vtable order and their dispatch ids. The module
// implements these declarations; a client includes them to create and call its objects.
//
// Reader units: Size is the file's size in bytes and Position runs from 0 to exactly Size;
// one second of audio is Trunc(((SampleRate * Channels * SampleSize) div 8) / CompressRate)
// units. Positions, durations and sizes cross as variants (VT_I4 when the value fits, else
// VT_I8); inputs accept any integer or real variant. A block is a variant holding a byte
// array (VT_ARRAY | VT_UI1): an 18-byte WAVEFORMATEX header (tag 1 PCM or 3 float), then
// interleaved samples; VT_EMPTY when nothing was read.
#pragma once

#include "automation/oleauto.h"

inline constexpr CLSID CLASS_AudioFile3 =
    PLATFORM_GUID(0xCD5175E2, 0x7CC1, 0x418C, 0xB6, 0x6C, 0x0A, 0xB9, 0x5D, 0xAD, 0x41, 0x03);
inline constexpr IID IID_IAudioFile3 =
    PLATFORM_GUID(0xA56CF6A5, 0xA4B8, 0x4005, 0xB3, 0x2E, 0xAE, 0xF6, 0xEF, 0x26, 0x1A, 0xFA);
inline constexpr CLSID CLASS_AudioFileInformation3 =
    PLATFORM_GUID(0xB162A975, 0x6C7C, 0x4202, 0x91, 0x67, 0x30, 0x60, 0x28, 0x91, 0x3A, 0x3D);
inline constexpr IID IID_IAudioFileInformation3 =
    PLATFORM_GUID(0xB0C99786, 0xBE00, 0x421A, 0xA4, 0x5E, 0xD3, 0x30, 0x06, 0x03, 0x36, 0x43);
inline constexpr IID IID_IAudioInfo =
    PLATFORM_GUID(0xE464B10D, 0x3EE1, 0x4A4F, 0xA6, 0xFC, 0xD1, 0x88, 0x1F, 0x27, 0x48, 0x07);

// File-type codes of IAudioFile3::Create.
inline constexpr LONG kFileTypeMp3 = 2;
inline constexpr LONG kFileTypeOgg = 4;
inline constexpr LONG kFileTypeWav = 20;

// Stream information of an open (or last read) file. Read-only; zeros when no file.
struct IAudioInfo : IDispatch {
    STDMETHOD(get_SampleRate)(LONG* value) = 0;     // Hz
    STDMETHOD(get_Bitrate)(LONG* value) = 0;        // kbps
    STDMETHOD(get_Duration)(VARIANT* value) = 0;    // ms
    STDMETHOD(get_Channels)(LONG* value) = 0;
    STDMETHOD(get_SampleSize)(LONG* value) = 0;     // bits per sample
    STDMETHOD(get_FormatTag)(LONG* value) = 0;      // 1 PCM, 85 MP3, 26447 Ogg Vorbis, 111 WMA
    STDMETHOD(get_CompressRate)(double* value) = 0;
    STDMETHOD(get_Size)(VARIANT* value) = 0;        // bytes
    STDMETHOD(get_Position)(VARIANT* value) = 0;    // reader units
};

enum AudioInfoDispId : DISPID {
    DISPID_AudioInfo_SampleRate = 1,
    DISPID_AudioInfo_Bitrate,
    DISPID_AudioInfo_Duration,
    DISPID_AudioInfo_Channels,
    DISPID_AudioInfo_SampleSize,
    DISPID_AudioInfo_FormatTag,
    DISPID_AudioInfo_CompressRate,
    DISPID_AudioInfo_Size,
    DISPID_AudioInfo_Position,
};

// A reader (Open, SeekTime, Read, Close) or a writer (Set...Format, Create, Write, Close).
// Data: [out] block. Result of SeekTime: [out] the new Position.
struct IAudioFile3 : IDispatch {
    STDMETHOD(Open)(BSTR fileName) = 0;
    STDMETHOD(SeekTime)(VARIANT timeMs, LONG mode, VARIANT* result) = 0;
    STDMETHOD(Read)(LONG count, VARIANT* data) = 0;
    STDMETHOD(Close)() = 0;
    // Channel modes: 1 mono, 2 stereo, 3 joint stereo, 4 forced joint stereo, 5 dual channel.
    STDMETHOD(SetMp3Format)(LONG sampleRate, LONG bitrate, LONG channelMode) = 0;
    // The last three are unused (-1).
    STDMETHOD(SetOggFormat)(LONG sampleRate, LONG channelMode, LONG bitrate, LONG minBitrate, LONG maxBitrate,
                            LONG quality) = 0;
    STDMETHOD(SetWavFormat)(LONG sampleRate, LONG channels, LONG sampleSize, LONG flags) = 0;
    STDMETHOD(Create)(BSTR fileName, LONG fileType) = 0;
    STDMETHOD(Write)(VARIANT data) = 0;
    STDMETHOD(get_AudioInfo)(IAudioInfo** value) = 0;
};

enum AudioFile3DispId : DISPID {
    DISPID_AudioFile3_Open = 1,
    DISPID_AudioFile3_SeekTime,
    DISPID_AudioFile3_Read,
    DISPID_AudioFile3_Close,
    DISPID_AudioFile3_SetMp3Format,
    DISPID_AudioFile3_SetOggFormat,
    DISPID_AudioFile3_SetWavFormat,
    DISPID_AudioFile3_Create,
    DISPID_AudioFile3_Write,
    DISPID_AudioFile3_AudioInfo,
};

// Tags of MP3, Ogg Vorbis and WAV files. TagType 1 reads the main tag (ID3v2 for MP3, the
// native tag otherwise), 2 the ID3v1 tag of an MP3. WriteToFile stores ID3v2.3 and ID3v1.
struct IAudioFileInformation3 : IDispatch {
    STDMETHOD(ReadFromFile)(BSTR fileName, VARIANT_BOOL* result) = 0;
    STDMETHOD(WriteToFile)(BSTR fileName, VARIANT_BOOL* result) = 0;
    STDMETHOD(get_Title)(BSTR* value) = 0;
    STDMETHOD(put_Title)(BSTR value) = 0;
    STDMETHOD(get_Artist)(BSTR* value) = 0;
    STDMETHOD(put_Artist)(BSTR value) = 0;
    STDMETHOD(get_Album)(BSTR* value) = 0;
    STDMETHOD(put_Album)(BSTR value) = 0;
    STDMETHOD(get_Comments)(BSTR* value) = 0;
    STDMETHOD(put_Comments)(BSTR value) = 0;
    STDMETHOD(get_Genre)(BSTR* value) = 0;
    STDMETHOD(put_Genre)(BSTR value) = 0;
    STDMETHOD(get_Year)(LONG* value) = 0;
    STDMETHOD(put_Year)(LONG value) = 0;
    STDMETHOD(get_Track)(LONG* value) = 0;
    STDMETHOD(put_Track)(LONG value) = 0;
    STDMETHOD(get_TagType)(SHORT* value) = 0;
    STDMETHOD(put_TagType)(SHORT value) = 0;
    STDMETHOD(get_Mode)(LONG* value) = 0;
    STDMETHOD(put_Mode)(LONG value) = 0;
    STDMETHOD(get_AudioInfo)(IAudioInfo** value) = 0;
};

enum AudioFileInformation3DispId : DISPID {
    DISPID_AudioFileInformation3_ReadFromFile = 1,
    DISPID_AudioFileInformation3_WriteToFile,
    DISPID_AudioFileInformation3_Title,
    DISPID_AudioFileInformation3_Artist,
    DISPID_AudioFileInformation3_Album,
    DISPID_AudioFileInformation3_Comments,
    DISPID_AudioFileInformation3_Genre,
    DISPID_AudioFileInformation3_Year,
    DISPID_AudioFileInformation3_Track,
    DISPID_AudioFileInformation3_TagType,
    DISPID_AudioFileInformation3_Mode,
    DISPID_AudioFileInformation3_AudioInfo,
};
