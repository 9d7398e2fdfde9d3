// The published interface of the player component (KezAudioPlayer3): IAudioPlayer3 in
// vtable order, its event interface, the identifiers and dispatch ids.
//
// The player plays the audio blocks handed to it (a byte array: an 18-byte WAVEFORMATEX
// header, PCM or IEEE float, then interleaved samples, any rate and channel count) one after
// the other, converted to the format given to Start. Its events come on the thread that
// created it: OnEndArrayPlay once per block played, OnEndPlay when everything handed over
// has been played, OnTimer now and then with the frames played since Start.
#pragma once

#include "automation/oleauto.h"

inline constexpr CLSID CLASS_AudioPlayer3 =
    PLATFORM_GUID(0xE2BBC47D, 0xC47E, 0x4A9B, 0xB2, 0xC2, 0x05, 0x82, 0x3C, 0x52, 0xE2, 0x0B);
inline constexpr IID IID_IAudioPlayer3 =
    PLATFORM_GUID(0x53A3813B, 0xF1E5, 0x476D, 0x91, 0x3F, 0xAC, 0x5C, 0xCC, 0x97, 0x49, 0xE7);
inline constexpr IID DIID_IAudioPlayer3Events =
    PLATFORM_GUID(0x830AB160, 0xFDAA, 0x4A4E, 0xBC, 0xCC, 0x2D, 0x3C, 0x3F, 0xAC, 0x09, 0x15);

enum AudioPlayer3DispId : DISPID {
    DISPID_AudioPlayer3_Mode = 1,
    DISPID_AudioPlayer3_StartMode = 2,
    DISPID_AudioPlayer3_Start = 3,
    DISPID_AudioPlayer3_PlayArray = 4,
    DISPID_AudioPlayer3_Stop = 5,
    DISPID_AudioPlayer3_Playing = 6,
};

// Dispatch ids of the events.
enum AudioPlayer3EventDispId : DISPID {
    DISPID_AudioPlayer3Events_OnEndArrayPlay = 1,
    DISPID_AudioPlayer3Events_OnTimer = 3,  // (VARIANT CurrentSamples)
    DISPID_AudioPlayer3Events_OnRequestOnLoadArray = 4,
    DISPID_AudioPlayer3Events_OnEndPlay = 5,
};

// Mode: which output the next Start uses. 1 (the default): the default audio device, or a
// clocked silent output when there is none. 0: always the clocked silent output (same event
// timing, no sound). Other values fail with E_INVALIDARG.
inline constexpr LONG AudioPlayer3ModeSilent = 0;
inline constexpr LONG AudioPlayer3ModeDevice = 1;

// Dual interface.
// - Start(sampleRate, channels, bitsPerSample, flags): starts (or restarts) playback with an
//   empty queue; 8000..192000 Hz, 1..8 channels, 8/16/32 bits; flags are reserved (0).
// - PlayArray(block): converts the block and queues it behind those handed over before. A
//   block that is not a byte array, has a short header, no channels or an unsupported sample
//   format fails with E_INVALIDARG; PlayArray before Start fails with E_UNEXPECTED.
// - Stop: stops at once; queued blocks are dropped and raise no event afterwards.
// - Playing: VARIANT_TRUE from Start until Stop (also while OnEndPlay is being handled).
// - StartMode is kept as set (the player always begins with the first block handed over).
struct IAudioPlayer3 : IDispatch {
    STDMETHOD(get_Mode)(LONG* value) = 0;
    STDMETHOD(put_Mode)(LONG value) = 0;
    STDMETHOD(get_StartMode)(LONG* value) = 0;
    STDMETHOD(put_StartMode)(LONG value) = 0;
    STDMETHOD(Start)(LONG sampleRate, LONG channels, LONG bitsPerSample, LONG flags) = 0;
    STDMETHOD(PlayArray)(VARIANT block) = 0;
    STDMETHOD(Stop)() = 0;
    STDMETHOD(get_Playing)(VARIANT_BOOL* value) = 0;
};

// The outgoing interface: a pure dispinterface, fired through IDispatch::Invoke.
struct IAudioPlayer3Events : IDispatch {};
