// The program's side of the WMA format-settings component (KezAudioFormatSettings3): what
// the component publishes, and TAudioFormatWMA, the program's wrapper that creates the
// component object at its first operation.
#pragma once

#include <string>

#include "KezAudioFormatSettings3/KezAudioFormatSettings3Lib.h"

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
