// WAV output: PCM 8, 16, 24 or 32 bits; the header's sizes are fixed at Finish. The RIFF
// sizes are 32-bit, so a file that would pass 4 GB is refused before it does.
#include <cstring>

#include "Encoder.h"
#include "FileSink.h"
#include "MediaError.h"

namespace kez::media {
namespace {

constexpr std::int64_t kHeaderSize = 44;
constexpr std::int64_t kMaxRiff = 0xFFFFFFFFll;

void Le(std::uint8_t* p, std::uint32_t v, int n) {
    for (int i = 0; i < n; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

class WavEncoder : public Encoder {
public:
    WavEncoder(const std::string& path, const EncoderSettings& s) : sink_(path), s_(s) {
        s_.channels = s.channels <= 1 ? 1 : 2;
        s_.bits = s.bits <= 8 ? 8 : s.bits <= 16 ? 16 : s.bits <= 24 ? 24 : 32;
        s_.sampleRate = s.sampleRate < 1000 ? 1000 : s.sampleRate > 384000 ? 384000 : s.sampleRate;
        fmt_ = PcmFormat{s_.sampleRate, s_.channels, s_.bits, false};
        std::uint8_t h[kHeaderSize];
        Header(h, 0);
        sink_.Write(h, sizeof h);
    }
    const PcmFormat& InputFormat() const override { return fmt_; }
    EncoderSettings Effective() const override { return s_; }

    void Write(const std::uint8_t* samples, std::int64_t frames) override {
        std::int64_t bytes = frames * fmt_.BlockAlign();
        if (kHeaderSize - 8 + data_ + bytes + 1 > kMaxRiff)
            throw MediaError("The WAV file " + Quoted(sink_.Path()) +
                             " cannot grow past 4 GB; the audio beyond that was not written.");
        sink_.Write(samples, static_cast<std::size_t>(bytes));
        data_ += bytes;
    }

    void Finish() override {
        if (data_ & 1) {
            std::uint8_t pad = 0;
            sink_.Write(&pad, 1);
        }
        std::uint8_t h[kHeaderSize];
        Header(h, data_);
        sink_.WriteAt(0, h, sizeof h);
        sink_.Close();
    }

private:
    void Header(std::uint8_t* h, std::int64_t data) const {
        std::memcpy(h, "RIFF", 4);
        Le(h + 4, static_cast<std::uint32_t>(kHeaderSize - 8 + data + (data & 1)), 4);
        std::memcpy(h + 8, "WAVEfmt ", 8);
        Le(h + 16, 16, 4);
        Le(h + 20, 1, 2);
        Le(h + 22, static_cast<std::uint32_t>(fmt_.channels), 2);
        Le(h + 24, static_cast<std::uint32_t>(fmt_.sampleRate), 4);
        Le(h + 28, static_cast<std::uint32_t>(fmt_.sampleRate * fmt_.BlockAlign()), 4);
        Le(h + 32, static_cast<std::uint32_t>(fmt_.BlockAlign()), 2);
        Le(h + 34, static_cast<std::uint32_t>(fmt_.bits), 2);
        std::memcpy(h + 36, "data", 4);
        Le(h + 40, static_cast<std::uint32_t>(data), 4);
    }

    FileSink sink_;
    EncoderSettings s_;
    PcmFormat fmt_;
    std::int64_t data_ = 0;
};

}  // namespace

std::unique_ptr<Encoder> MakeWavEncoder(const std::string& path, const EncoderSettings& s) {
    return std::make_unique<WavEncoder>(path, s);
}

std::unique_ptr<Encoder> CreateEncoder(const std::string& path, const EncoderSettings& s) {
    switch (s.kind) {
        case OutputKind::Mp3: return MakeMp3Encoder(path, s);
        case OutputKind::Ogg: return MakeVorbisEncoder(path, s);
        case OutputKind::Wma: return MakeWmaEncoder(path, s);
        case OutputKind::Wav: break;
    }
    return MakeWavEncoder(path, s);
}

}  // namespace kez::media
