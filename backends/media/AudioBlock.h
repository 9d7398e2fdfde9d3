// Audio blocks: what readers return and writers take. An 18-byte WAVEFORMATEX header
// (format tag 1 PCM or 3 IEEE float) followed by interleaved little-endian samples.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kez::media {

struct PcmFormat {
    int sampleRate = 0;
    int channels = 0;
    int bits = 0;         // 8 (unsigned), 16, 24, 32 integer; 32 with isFloat
    bool isFloat = false;

    int BlockAlign() const { return channels * (bits / 8); }
    bool Valid() const;
    bool operator==(const PcmFormat&) const = default;
};

inline constexpr std::size_t kBlockHeaderSize = 18;
inline constexpr int kWaveFormatPcm = 1;
inline constexpr int kWaveFormatFloat = 3;
inline constexpr int kWaveFormatExtensible = 0xFFFE;

// Writes the 18 header bytes of fmt to out.
void WriteBlockHeader(const PcmFormat& fmt, std::uint8_t* out);
// A new block holding the header and room for frames frames (zeroed).
std::vector<std::uint8_t> NewBlock(const PcmFormat& fmt, std::int64_t frames);
// Reads a block header; false when the bytes are not a usable PCM or float block.
bool ParseBlockHeader(const std::uint8_t* data, std::size_t size, PcmFormat* fmt);

}  // namespace kez::media
