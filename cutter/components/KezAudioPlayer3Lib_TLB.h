// The program's side of the player component (KezAudioPlayer3): what the component
// publishes, and TAudioPlayer3, the program's wrapper that creates the component object at
// its first operation and connects the event handlers.
#pragma once

#include <functional>
#include <memory>

#include "KezAudioPlayer3/KezAudioPlayer3Lib.h"

// The program's handle on one AudioPlayer3 object. The object is created by class id at the
// first operation (or by Connect), and the event handlers below are connected to it then;
// they may be set or changed at any time. A failing operation raises EOleException with the
// component's text. Neither copyable nor movable: the connected handlers refer to it.
class TAudioPlayer3 {
public:
    TAudioPlayer3();
    ~TAudioPlayer3();
    TAudioPlayer3(const TAudioPlayer3&) = delete;
    TAudioPlayer3& operator=(const TAudioPlayer3&) = delete;

    std::function<void()> OnEndArrayPlay;
    std::function<void()> OnEndPlay;
    std::function<void(long long currentSamples)> OnTimer;

    void Connect();
    IAudioPlayer3* DefaultInterface();  // the wrapper keeps its reference

    int Mode();
    void SetMode(int mode);
    int StartMode();
    void SetStartMode(int mode);
    void Start(int sampleRate, int channels, int bitsPerSample, int flags);
    // block: a VARIANT holding a byte array (or a reference to one); it stays the caller's.
    void PlayArray(const VARIANT& block);
    void Stop();
    bool Playing();

private:
    struct Events;
    IAudioPlayer3* intf_ = nullptr;
    std::unique_ptr<Events> events_;
};
