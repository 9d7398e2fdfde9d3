// What AudioArrayInfo reads from the header of an audio array: format fields, bit rate,
// sizes and the one-line description of the format. Never decodes audio.
#pragma once

#include <string>

#include "KezAudioArrayProcessing3/audio_array.h"

namespace kez::array {

struct ArrayInformation {
    LONG sampleRate = 0;
    LONG channels = 0;
    LONG bitsPerSample = 0;
    LONG formatTag = 0;
    LONG blockAlign = 0;
    double bitrateKbps = 0;
    LONGLONG dataSize = 0;
    LONGLONG duration = 0;  // milliseconds
    LONGLONG frames = 0;
    double compressRate = 0;
    LONGLONG position = 0;
    std::string description;  // 8-bit text
};

// A too-short array (fewer than 18 bytes) gives all zeros and an empty description.
ArrayInformation ReadInformation(Bytes array);

// The description: format prefix, rate part, channel part, bit-rate part.
std::string DescribeFormat(WORD formatTag, DWORD samplesPerSec, WORD channels, double bitrateKbps);

}  // namespace kez::array
