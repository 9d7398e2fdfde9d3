// The audio block a player is handed: a byte array whose first 18 bytes are a WAVEFORMATEX
// header (PCM or IEEE float, or the extensible form of either) followed by interleaved
// samples, and its conversion to the format the player was started with.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct SwrContext;

namespace kezplayer {

enum class SampleKind { Pcm, Float };

struct BlockFormat {
    SampleKind kind = SampleKind::Pcm;
    int sampleRate = 0;
    int channels = 0;
    int bitsPerSample = 0;  // PCM 8, 16, 24 or 32; float 32 or 64

    int FrameBytes() const { return channels * bitsPerSample / 8; }
    bool operator==(const BlockFormat&) const = default;
};

struct ParsedBlock {
    BlockFormat format;
    const std::uint8_t* samples = nullptr;  // points into the parsed bytes
    std::size_t frames = 0;                 // whole frames only; a partial last frame is dropped
};

// Reads the header of bytes[0..size). Returns an empty string and fills out, or the reason
// the block cannot be played (short header, zero channels, unsupported sample format...).
std::string ParseBlock(const std::uint8_t* bytes, std::size_t size, ParsedBlock& out);

// The format the player produces: interleaved signed PCM of 8 (unsigned), 16, 24 or 32 bits.
bool IsPlayableOutput(const BlockFormat& f);

// Converts blocks of any format to one output format. Consecutive blocks of one input format
// share the resampler, so its state carries over between them and the joins stay smooth.
class BlockConverter {
public:
    explicit BlockConverter(BlockFormat output);
    ~BlockConverter();
    BlockConverter(const BlockConverter&) = delete;
    BlockConverter& operator=(const BlockConverter&) = delete;

    const BlockFormat& Output() const { return output_; }
    // Appends the converted samples of block to out. Returns an empty string, or a reason.
    std::string Convert(const ParsedBlock& block, std::vector<std::uint8_t>& out);

private:
    std::string Prepare(const BlockFormat& input);

    BlockFormat output_;
    BlockFormat input_;
    SwrContext* swr_ = nullptr;
    std::vector<std::int32_t> widened_;  // 24-bit input widened to 32 bits
};

}  // namespace kezplayer
