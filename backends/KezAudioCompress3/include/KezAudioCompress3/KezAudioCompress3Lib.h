// The interface of the conversion component KezAudioCompress3: it turns an audio array
// (an 18-byte WAVEFORMATEX header, any extra format bytes, then the audio data) of any
// format it can decode into a PCM audio array in the format last set.
//
// Conversion modes (SetConversionMode):
//   1  (editing)  the resampler's standard filter; no dither. The default.
//   20 (analysis) a longer resampling filter (64 taps, cut-off 0.97) for the cleaner
//      spectrum that channel processing and tempo analysis want; no dither, so results
//      stay reproducible.
//   Any other value is kept and read back; values of 20 and more convert as 20, the rest
//   as 1.
//
// Conversion format (SetConversionFormat): samples per second, channels, bits per sample
// (8, 16, 24 or 32, integer PCM) and channel mask (0: the standard layout for the channel
// count). A value of 0 or below keeps the input's own (bits: 16). ConvertArray then
// delivers a new array with a PCM header (cbSize 0) and the data from byte 18; the caller
// owns it. An input shorter than 18 bytes gives an empty array (0 elements) and S_OK;
// an input whose format cannot be decoded fails with E_INVALIDARG, leaving an error record.
// Data that stops decoding part way gives the audio decoded up to that point.
#pragma once

#include "com/interfaces.h"

inline constexpr GUID LIBID_KezAudioCompress3Lib =
    PLATFORM_GUID(0xF91AEDD6, 0xF912, 0x4869, 0xB9, 0x05, 0xC3, 0xFF, 0x39, 0x25, 0xAF, 0xD2);
inline constexpr CLSID CLSID_AudioCompress3 =
    PLATFORM_GUID(0xE774388C, 0x1AE3, 0x44FD, 0x82, 0xE2, 0x7E, 0x04, 0xD9, 0x60, 0x85, 0xA3);
inline constexpr IID IID_IAudioCompress3 =
    PLATFORM_GUID(0xA188C1D6, 0x9B77, 0x4A20, 0xBE, 0x9C, 0x6B, 0x4B, 0xF8, 0x38, 0x14, 0x9E);

struct IAudioCompress3 : IDispatch {
    STDMETHOD(SetConversionMode)(LONG Mode) = 0;                                      // 1
    STDMETHOD(ConvertArray)(SAFEARRAY** ArrayInp, SAFEARRAY** ArrayOut) = 0;          // 2
    STDMETHOD(get_ConversionMode)(LONG* Value) = 0;                                   // 3
    STDMETHOD(GetConversionFormat)(LONG* SamplesPerSec, LONG* Channels, LONG* BitsPerSample,
                                   LONG* ChannelMask) = 0;                            // 4
    STDMETHOD(SetConversionFormat)(LONG SamplesPerSec, LONG Channels, LONG BitsPerSample,
                                   LONG ChannelMask) = 0;                             // 5
};
