// Decoding of an audio array (WAVEFORMATEX header, extra bytes, data) of any format FFmpeg
// knows by its WAVE format tag, delivered as interleaved integer PCM in a chosen layout.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "automation/wintypes.h"

namespace kez::compress {

struct PcmFormat {
    int samplesPerSec = 0;  // 0 or below: the input's
    int channels = 0;       // 0 or below: the input's
    int bitsPerSample = 16; // 8, 16, 24 or 32 (anything else: 16)
    std::uint32_t channelMask = 0;
};

struct Decoded {
    PcmFormat format;            // what the data holds
    std::vector<std::uint8_t> data;
};

// mode 20 and above selects the longer resampling filter. Fails with E_INVALIDARG (and a
// reason in *why) for a header no decoder can take; audio that stops decoding part way
// gives what was decoded up to there.
HRESULT DecodeArray(std::span<const std::uint8_t> array, const PcmFormat& target, int mode, Decoded& out,
                    std::string* why);

}  // namespace kez::compress
