// Interface file of the WMA format-settings component (KezAudioFormatSettings3): the
// IAudioFormatWMA interface in vtable order, its identifiers, and TAudioFormatWMA, the
// program's wrapper that creates the component object at its first operation.
//
// The component offers a fixed list of WMA output formats (one group, number 0). A client
// sets FormatGroup to 0, then FormatIndex, and reads the chosen entry: its text
// (FormatName, e.g. "128 kbps, 44 kHz, stereo") and the values a writer needs to encode it
// (FormatSampleRate in Hz, FormatChannels, FormatBitrate in bits per second, the value to
// hand to the encoder). The list runs from the lowest to the highest quality; its last
// entry is the one to use by default.
#pragma once

#include <string>

#include "automation/oleauto.h"

inline constexpr CLSID CLASS_AudioFormatWMA =
    PLATFORM_GUID(0xB0639356, 0x335C, 0x4E47, 0xB6, 0x3C, 0x12, 0x53, 0x1A, 0x7A, 0x52, 0x06);
inline constexpr IID IID_IAudioFormatWMA =
    PLATFORM_GUID(0x28883B8D, 0xBA7B, 0x41AC, 0xA2, 0x49, 0x7C, 0x85, 0x40, 0x5F, 0xF8, 0x2B);

// Dispatch ids of IAudioFormatWMA (late binding uses the names; these are its table).
enum AudioFormatWMADispId : DISPID {
    DISPID_AudioFormatWMA_FormatGroup = 1,
    DISPID_AudioFormatWMA_FormatCount = 2,
    DISPID_AudioFormatWMA_FormatIndex = 3,
    DISPID_AudioFormatWMA_FormatName = 4,
    DISPID_AudioFormatWMA_FormatSampleRate = 5,
    DISPID_AudioFormatWMA_FormatChannels = 6,
    DISPID_AudioFormatWMA_FormatBitrate = 7,
};

// Dual interface. Every getter writes its out value only on success; FormatName hands out a
// new BSTR that the caller frees. put_FormatGroup accepts 0 only and put_FormatIndex
// 0..FormatCount-1; anything else fails with E_INVALIDARG and an error-information record,
// leaving the current choice as it was.
struct IAudioFormatWMA : IDispatch {
    STDMETHOD(get_FormatGroup)(LONG* value) = 0;
    STDMETHOD(put_FormatGroup)(LONG value) = 0;
    STDMETHOD(get_FormatCount)(LONG* value) = 0;
    STDMETHOD(get_FormatIndex)(LONG* value) = 0;
    STDMETHOD(put_FormatIndex)(LONG value) = 0;
    STDMETHOD(get_FormatName)(BSTR* value) = 0;
    STDMETHOD(get_FormatSampleRate)(LONG* value) = 0;
    STDMETHOD(get_FormatChannels)(LONG* value) = 0;
    STDMETHOD(get_FormatBitrate)(LONG* value) = 0;
};

// The program's handle on one AudioFormatWMA object. The object is created by class id
// (CoCreateInstance) at the first operation, or at once by Connect. A failing operation
// raises EOleException carrying the component's text (or the system's text when the class
// cannot be created). Not copyable; movable.
class TAudioFormatWMA {
public:
    TAudioFormatWMA() = default;
    // Takes a reference on an existing object instead of creating one.
    explicit TAudioFormatWMA(IAudioFormatWMA* existing);
    ~TAudioFormatWMA();
    TAudioFormatWMA(const TAudioFormatWMA&) = delete;
    TAudioFormatWMA& operator=(const TAudioFormatWMA&) = delete;
    TAudioFormatWMA(TAudioFormatWMA&& other) noexcept;
    TAudioFormatWMA& operator=(TAudioFormatWMA&& other) noexcept;

    // Creates the component object now if it does not exist yet.
    void Connect();
    // The interface of the object (created if needed); the wrapper keeps its reference, so
    // the caller must AddRef to keep it beyond the wrapper's life. For SetFormat of a writer.
    IAudioFormatWMA* DefaultInterface();

    int FormatGroup();
    void SetFormatGroup(int group);
    int FormatCount();
    int FormatIndex();
    void SetFormatIndex(int index);
    std::u16string FormatName();
    int FormatSampleRate();
    int FormatChannels();
    int FormatBitrate();

private:
    IAudioFormatWMA* intf_ = nullptr;
};
