// The state of AudioChannelsProcessing3: an interleaved audio array held for taking apart
// into channels of 64-bit values, and processed channels queued per channel until they are
// joined into an interleaved PCM array again.
#pragma once

#include <array>
#include <memory>
#include <vector>

#include "KezAudioArrayProcessing3/audio_array.h"
#include "KezAudioArrayProcessing3/channel_samples.h"
#include "KezAudioArrayProcessing3/converter.h"
#include "KezAudioCompress3/KezAudioCompress3Lib.h"

namespace kez::array {

// Returned when a channel buffer or a result array cannot be made (reported as -11).
inline constexpr HRESULT kNoMemory = E_OUTOFMEMORY;

// Channel numbers above this cannot name a channel of any header (nChannels is 16 bits);
// such a number is treated as a buffer that cannot be allocated.
inline constexpr LONG kMaxChannelNumber = 65535;

class ChannelsState {
public:
    // The converter is borrowed; it must outlive the state.
    explicit ChannelsState(IAudioCompress3* converter) : converter_(converter) {}

    HRESULT SetInputArray(SAFEARRAY* array, LONG* channelsCount);
    HRESULT GetSingleChannel(LONG numChannel, SAFEARRAY** out);
    HRESULT SetSingleChannel(LONG numChannel, SAFEARRAY* array);
    HRESULT GetOutputArray(SAFEARRAY** out);

    // The number of channels the split gives for a header's channel count.
    static LONG ChannelsFor(WORD formatTag, WORD channels);

    std::size_t InputChannels() const { return inputChannels_; }
    std::size_t OutputChannels() const { return output_.size(); }
    int ContainerSize() const { return containerSize_; }

private:
    IAudioCompress3* converter_;
    bool modeSet_ = false;
    std::array<std::uint8_t, kHeaderSize> inputFormat_{};
    std::array<std::uint8_t, kHeaderSize> decodedHeader_{};
    std::array<std::uint8_t, kHeaderSize> channelHeader_{};
    int containerSize_ = 0;
    std::uint32_t converterMask_ = 0;  // the channel mask the converter was last given

    // The split's samples, interleaved in their own coding: a copy of a PCM input read
    // directly (kept for the next split of the same size), or the converter's result.
    // Channel c's value j is sample j x inputChannels_ + c.
    std::unique_ptr<std::uint8_t[]> copy_;
    std::size_t copyCapacity_ = 0;
    void ReleaseCopy() {
        copy_.reset();
        copyCapacity_ = 0;
    }
    WorkArray decoded_;
    const std::uint8_t* samples_ = nullptr;
    SampleCoding coding_ = SampleCoding::S16;
    std::size_t inputChannels_ = 0;
    std::size_t perChannel_ = 0;

    // Joined values are kept truncated: that is all the join ever uses of them.
    std::vector<std::vector<std::int32_t>> output_;
};

}  // namespace kez::array
