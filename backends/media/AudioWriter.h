// AudioWriter: an output file being written from blocks. Each block is converted to the
// encoder's own layout (libswresample), so blocks of any rate, channel count and sample
// type may follow one another.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "Converter.h"
#include "Encoder.h"

namespace kez::media {

class AudioWriter {
public:
    ~AudioWriter();
    // Creates path (replacing it) for settings. Throws MediaError.
    void Create(const std::string& path, const EncoderSettings& settings);
    // Appends a block (18-byte header and samples). Throws MediaError for a block that is
    // not audio, or when writing fails.
    void Write(const std::uint8_t* block, std::size_t size);
    // Completes the file. A writer that is not open does nothing.
    void Close();
    bool IsOpen() const { return encoder_ != nullptr; }

    const EncoderSettings& Effective() const { return effective_; }
    const PcmFormat& Format() const { return format_; }
    std::int64_t FramesWritten() const { return frames_; }
    const std::string& Path() const { return path_; }

private:
    void FlushConverter();
    std::unique_ptr<Encoder> encoder_;
    std::unique_ptr<Converter> converter_;
    EncoderSettings effective_;
    PcmFormat format_;
    std::int64_t frames_ = 0;
    std::string path_;
    std::vector<std::uint8_t> buf_;
};

}  // namespace kez::media
