// The audio blocks readers return (an 18-byte WAVEFORMATEX header, then interleaved
// samples, in a byte array variant), seen as samples: their format, their frame count, and
// a block cut short at a frame.
#pragma once

#include <cstdint>
#include <functional>

#include "AudioIo.h"

namespace workflow {

struct PcmFormat {
    int formatTag = 0;  // 1 integer PCM, 3 IEEE float
    int channels = 0;
    int sampleRate = 0;
    int bits = 0;
    int BytesPerFrame() const { return channels * (bits / 8); }
    // Integer PCM of 8, 16, 24 or 32 bits, or float of 32 or 64 bits, with channels.
    bool Usable() const;
};

// Calls `use` with the block's format and its sample bytes (whole frames only) while the
// array is locked. False, and `use` not called, for an empty block or one that is not
// usable PCM.
bool WithSamples(const VARIANT& block,
                 const std::function<void(const PcmFormat&, const std::uint8_t* samples, std::int64_t frames)>& use);

// Frames the block holds; 0 for an empty or unusable block.
std::int64_t FrameCount(const VARIANT& block);

// Cuts the block down to its first `frames` frames (nothing when it holds no more). The
// header keeps its format; a count of 0 or less leaves an empty block.
void KeepFrames(AudioBlock& block, std::int64_t frames);

}  // namespace workflow
