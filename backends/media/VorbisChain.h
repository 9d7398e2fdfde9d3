// VorbisChain: an Ogg Vorbis file read as one stream, every logical stream of a chain one
// after another, through the reference decoding library. A link whose rate or channels
// differ from the first link's is converted to the first link's format, so the chain reads
// as one format throughout. Lengths are exact: each link's own granule length, and a
// converted link's length scaled to the first link's rate.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kez::media {

class VorbisChain {
public:
    // Opens path; throws MediaError when it is not a readable Ogg Vorbis stream.
    explicit VorbisChain(const std::string& path);
    ~VorbisChain();
    VorbisChain(const VorbisChain&) = delete;
    VorbisChain& operator=(const VorbisChain&) = delete;

    int SampleRate() const;
    int Channels() const;
    int Links() const;
    int NominalBitrateKbps() const;  // of the first link; 0 when it states none
    // Frames of the whole chain at the first link's rate; as the pages state them.
    std::int64_t Frames() const;
    // Frames that actually decode, found by decoding the whole chain (for a length that the
    // file cannot hold); leaves the position at 0.
    std::int64_t CountDecodedFrames();

    std::int64_t Position() const;
    // Continues at frame (clamped to [0, Frames()]), exact to the frame.
    void Seek(std::int64_t frame);
    // Appends up to count frames of interleaved 32-bit float samples to out; fewer where
    // the stream ends (or its decoding fails) first. Returns the frames appended.
    std::int64_t Read(std::int64_t count, std::vector<std::uint8_t>& out);

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

}  // namespace kez::media
