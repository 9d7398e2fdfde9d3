// The published interface of the WMA file component library (KezAudioFileWMA3): class and
// interface identifiers, the interfaces in vtable order and their dispatch ids.
//
// Units, variants and blocks as in KezAudioFile3's interface. SeekUnits(u) goes on reading
// at unit u, and Position then counts the units read since that point.
#pragma once

#include "KezAudioFormatSettings3/KezAudioFormatSettings3Lib.h"
#include "automation/oleauto.h"

inline constexpr CLSID CLASS_AudioFileWMA3 =
    PLATFORM_GUID(0x87CD3140, 0xEEC0, 0x463F, 0x88, 0x72, 0x6E, 0x56, 0x4D, 0x9D, 0xED, 0xE5);
inline constexpr IID IID_IAudioFileWMA3 =
    PLATFORM_GUID(0xFE7E2174, 0xA740, 0x47E5, 0x8D, 0x02, 0xF8, 0xD5, 0xAC, 0x09, 0xDF, 0x03);
inline constexpr CLSID CLASS_AudioFileWMAInformation3 =
    PLATFORM_GUID(0xD8BFC514, 0x1135, 0x4393, 0xB0, 0x9A, 0x19, 0x3D, 0x2A, 0xAC, 0x50, 0x37);
inline constexpr IID IID_IAudioFileWMAInformation3 =
    PLATFORM_GUID(0xB95BC3B4, 0xD2A6, 0x4152, 0xBD, 0xB5, 0x91, 0x4D, 0x9A, 0x4F, 0x85, 0xE8);
// The library's own IAudioInfo: the same members as KezAudioFile3's, another identifier.
inline constexpr IID IID_IAudioInfoWMA =
    PLATFORM_GUID(0x8F188A7D, 0x9C9C, 0x4646, 0x8D, 0xEB, 0x21, 0x9E, 0x33, 0xC8, 0x63, 0x7C);

struct IAudioInfoWMA : IDispatch {
    STDMETHOD(get_SampleRate)(LONG* value) = 0;
    STDMETHOD(get_Bitrate)(LONG* value) = 0;
    STDMETHOD(get_Duration)(VARIANT* value) = 0;
    STDMETHOD(get_Channels)(LONG* value) = 0;
    STDMETHOD(get_SampleSize)(LONG* value) = 0;
    STDMETHOD(get_FormatTag)(LONG* value) = 0;
    STDMETHOD(get_CompressRate)(double* value) = 0;
    STDMETHOD(get_Size)(VARIANT* value) = 0;
    STDMETHOD(get_Position)(VARIANT* value) = 0;
};

namespace KezAudioFileWMA3Lib {
using IAudioInfo = IAudioInfoWMA;  // its name in the library
}

struct IAudioFileWMA3 : IDispatch {
    STDMETHOD(Open)(BSTR fileName) = 0;
    STDMETHOD(SeekUnits)(VARIANT units, LONG mode, VARIANT* result) = 0;
    STDMETHOD(SeekTime)(VARIANT timeMs, LONG mode, VARIANT* result) = 0;
    STDMETHOD(Read)(LONG count, VARIANT* data) = 0;
    STDMETHOD(Close)() = 0;
    // The format chosen on the object (its FormatIndex) applies to the next Create.
    STDMETHOD(SetFormat)(IAudioFormatWMA* format) = 0;
    STDMETHOD(Create)(BSTR fileName) = 0;
    STDMETHOD(Write)(VARIANT data) = 0;
    STDMETHOD(get_AudioInfo)(IAudioInfoWMA** value) = 0;
};

enum AudioFileWMA3DispId : DISPID {
    DISPID_AudioFileWMA3_Open = 1,
    DISPID_AudioFileWMA3_SeekUnits,
    DISPID_AudioFileWMA3_SeekTime,
    DISPID_AudioFileWMA3_Read,
    DISPID_AudioFileWMA3_Close,
    DISPID_AudioFileWMA3_SetFormat,
    DISPID_AudioFileWMA3_Create,
    DISPID_AudioFileWMA3_Write,
    DISPID_AudioFileWMA3_AudioInfo,
};

// Reads the attributes of a WMA file (Title, Author, Description, WM/AlbumTitle, WM/Genre,
// WM/Year, WM/TrackNumber) and its stream values.
struct IAudioFileWMAInformation3 : IDispatch {
    STDMETHOD(ReadFromFile)(BSTR fileName) = 0;
    STDMETHOD(get_AudioInfo)(IAudioInfoWMA** value) = 0;
    STDMETHOD(get_Title)(BSTR* value) = 0;
    STDMETHOD(get_Artist)(BSTR* value) = 0;
    STDMETHOD(get_Album)(BSTR* value) = 0;
    STDMETHOD(get_Comments)(BSTR* value) = 0;
    STDMETHOD(get_Genre)(BSTR* value) = 0;
    STDMETHOD(get_Year)(LONG* value) = 0;
    STDMETHOD(get_Track)(LONG* value) = 0;
};

enum AudioFileWMAInformation3DispId : DISPID {
    DISPID_AudioFileWMAInformation3_ReadFromFile = 1,
    DISPID_AudioFileWMAInformation3_AudioInfo,
    DISPID_AudioFileWMAInformation3_Title,
    DISPID_AudioFileWMAInformation3_Artist,
    DISPID_AudioFileWMAInformation3_Album,
    DISPID_AudioFileWMAInformation3_Comments,
    DISPID_AudioFileWMAInformation3_Genre,
    DISPID_AudioFileWMAInformation3_Year,
    DISPID_AudioFileWMAInformation3_Track,
};
