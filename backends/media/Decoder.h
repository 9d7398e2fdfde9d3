// Decoder: opens an audio file (WAV, MP3, Ogg, ASF/WMA), tells its stream values and its
// exact length, and hands out its samples from any frame on, sample-accurately.
// Lossy sources come out as 32-bit float, PCM WAV keeps its own bit depth, so a WAV copied
// at its own format is bit-exact. Frames are counted after encoder delay and padding.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "AudioBlock.h"

namespace kez::media {

enum class Container { Wav, Mp3, Ogg, Asf };

struct StreamInfo {
    Container container = Container::Wav;
    std::string codec;          // FFmpeg's codec name: "mp3", "vorbis", "wmav2", "pcm_s16le" ...
    int formatTag = 0;          // 1 PCM, 3 float, 85 MP3, 26447 Ogg Vorbis, 111 WMA
    int sampleRate = 0;
    int channels = 0;
    int sourceBits = 0;         // bits per sample of a PCM source, 16 for lossy ones
    int bitrateKbps = 0;        // as a user reads it: nominal for CBR, average otherwise
    std::int64_t frames = 0;    // exact decoded length
    std::int64_t durationMs = 0;
    std::int64_t fileSize = 0;
};

// Milliseconds of a frame count, rounded. Less than half a millisecond (a one-sample WAV)
// is 0: no time the program can show or cut, so such a file counts as holding no audio.
std::int64_t FramesToMs(std::int64_t frames, int sampleRate);

class Decoder {
public:
    // Opens path (UTF-8). Throws MediaError with a readable text when the file is missing,
    // unreadable, not audio, or holds nothing decodable.
    explicit Decoder(const std::string& path);
    ~Decoder();
    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;

    const StreamInfo& Info() const;
    // The sample layout Read appends.
    const PcmFormat& Format() const;
    // Next frame Read returns.
    std::int64_t Position() const;
    // Continues reading at frame (clamped to [0, frames]); exact to the frame.
    void Seek(std::int64_t frame);
    // Appends up to count frames to out; returns the frames appended. The stream is cut at
    // Info().frames; a stream whose decoding ends before that ends there (fewer frames).
    std::int64_t Read(std::int64_t count, std::vector<std::uint8_t>& out);

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

// Probes without keeping the file open (the same values Decoder::Info gives).
StreamInfo ProbeFile(const std::string& path);

}  // namespace kez::media
