// Where a player's samples go: the default audio device through Qt Multimedia, or a clocked
// silent output that consumes the data at the real-time rate, so that events come at the
// same times on a machine without sound.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "AudioBlock.h"

namespace kezplayer {

class AudioOutput {
public:
    virtual ~AudioOutput() = default;
    // Takes what it can of data[0..size) now; returns the number of bytes taken.
    virtual std::size_t Write(const std::uint8_t* data, std::size_t size) = 0;
    // Bytes heard so far (never more than written); pauses while starved of data.
    virtual std::int64_t PlayedBytes() = 0;
    // True once the output can no longer play (device lost); its unplayed data is gone.
    virtual bool Failed() = 0;
    virtual bool IsDevice() const = 0;
};

// Real-time consumer that produces no sound. It accepts a little ahead of the clock, as a
// device buffer would.
std::unique_ptr<AudioOutput> MakeSilentOutput(const BlockFormat& format);

// The default audio output device, or null when there is none or it refuses the format.
std::unique_ptr<AudioOutput> MakeDeviceOutput(const BlockFormat& format);

}  // namespace kezplayer
