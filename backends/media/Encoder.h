// Encoders: one per output format, each writing its file through a FileSink. An encoder
// takes interleaved samples in its InputFormat(); AudioWriter converts blocks to it.
// Settings an encoder cannot do exactly get the nearest it can (never a broken file), by
// the rules of BitrateRules.h where there are some; Effective() tells what was chosen.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "AudioBlock.h"
#include "BitrateRules.h"

namespace kez::media {

enum class OutputKind { Mp3, Ogg, Wav, Wma };

// Channel modes of MP3 and Ogg Vorbis settings.
enum ChannelMode { kMono = 1, kStereo = 2, kJointStereo = 3, kForcedJointStereo = 4, kDualChannel = 5 };

struct EncoderSettings {
    OutputKind kind = OutputKind::Wav;
    int sampleRate = 44100;
    int channelMode = kStereo;  // MP3, Ogg Vorbis
    int channels = 2;           // WAV, WMA
    int bitrateKbps = 128;      // MP3, Ogg Vorbis, WMA
    int bits = 16;              // WAV
};

class Encoder {
public:
    virtual ~Encoder() = default;
    virtual const PcmFormat& InputFormat() const = 0;
    virtual void Write(const std::uint8_t* samples, std::int64_t frames) = 0;
    // Completes the file on disk (headers, info frame, trailer). Throws on a write failure.
    virtual void Finish() = 0;
    virtual EncoderSettings Effective() const = 0;
};

std::unique_ptr<Encoder> CreateEncoder(const std::string& path, const EncoderSettings& settings);

std::unique_ptr<Encoder> MakeMp3Encoder(const std::string& path, const EncoderSettings& s);
std::unique_ptr<Encoder> MakeVorbisEncoder(const std::string& path, const EncoderSettings& s);
std::unique_ptr<Encoder> MakeWavEncoder(const std::string& path, const EncoderSettings& s);
std::unique_ptr<Encoder> MakeWmaEncoder(const std::string& path, const EncoderSettings& s);


}  // namespace kez::media
