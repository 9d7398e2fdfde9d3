// Converter: turns interleaved samples of one PCM/float layout into another (rate,
// channels, sample type) with libswresample. The same layout passes through untouched.
#pragma once

#include <cstdint>
#include <vector>

#include "AudioBlock.h"

struct SwrContext;

namespace kez::media {

class Converter {
public:
    Converter(const PcmFormat& in, const PcmFormat& out);
    ~Converter();
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    const PcmFormat& In() const { return in_; }
    // Appends the converted frames of data (frames frames of In()) to out.
    void Convert(const std::uint8_t* data, std::int64_t frames, std::vector<std::uint8_t>& out);
    // Appends what the resampler still holds.
    void Flush(std::vector<std::uint8_t>& out);

private:
    void Run(const std::uint8_t* data, int frames, std::vector<std::uint8_t>& out);
    PcmFormat in_, out_;
    SwrContext* swr_ = nullptr;
    std::vector<std::uint8_t> wide_;  // 24-bit samples widened to 32
    std::vector<std::uint8_t> tmp_;
};

}  // namespace kez::media
