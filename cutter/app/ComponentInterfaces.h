// The views of the outside components that the settings page and the writer
// configuration work with. The program binds them to the component wrappers of
// cutter/components (ComponentSet); tests bind them to fakes. Every operation may raise
// the wrapper's error (EOleException, a std::exception) when the component fails.
#pragma once

#include <QString>
#include <functional>

#include "automation/variant.h"

// The WMA format list (WmaFormatSettings).
class IWmaFormatList {
public:
    virtual ~IWmaFormatList() = default;
    virtual void SetFormatGroup(int group) = 0;
    virtual int FormatCount() = 0;
    virtual void SetFormatIndex(int index) = 0;
    virtual QString FormatName() = 0;
};

// The format calls of the file writer (OutputWriter); each applies to its next Create.
class IAudioWriterFormat {
public:
    virtual ~IAudioWriterFormat() = default;
    virtual void SetMp3Format(int sampleRate, int bitrate, int channelMode) = 0;
    virtual void SetOggFormat(int sampleRate, int channelMode, int bitrate, int a, int b, int c) = 0;
    virtual void SetWavFormat(int sampleRate, int channels, int sampleSize, int flags) = 0;
};

// The format call of the WMA writer (WmaOutputWriter): takes the format chosen on the list.
class IWmaWriterFormat {
public:
    virtual ~IWmaWriterFormat() = default;
    virtual void SetFormat(IWmaFormatList& settings) = 0;
};

// A player (CutPlayer, MergePlayer). Its two events are connected by assigning the
// handlers before the player is constructed; they arrive on the creating thread.
class IAudioPlayer {
public:
    virtual ~IAudioPlayer() = default;
    virtual void SetStartMode(int mode) = 0;
    virtual void Start(int sampleRate, int channels, int bitsPerSample, int flags) = 0;
    virtual void PlayArray(const VARIANT& block) = 0;  // the block stays the caller's
    virtual void Stop() = 0;
    virtual bool Playing() = 0;
};

struct TPlayerEvents {
    std::function<void()> OnEndArrayPlay;
    std::function<void()> OnEndPlay;
};
