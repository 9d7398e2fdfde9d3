// The frames of an MPEG audio Layer III file as the lossless copy sees them: where each
// frame lies, its bitrate and where its main data begins, and what the info frame states.
#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <vector>

namespace workflow {

struct Mp3Frame {
    std::int64_t offset = 0;  // in the file
    std::uint32_t header = 0;
    int length = 0;
    int headerBytes = 4;      // header and CRC
    int sideInfo = 0;
    int bitrateIndex = 0;
    int mainDataBegin = 0;    // bytes of earlier frames' main data this frame starts in
    int mainSize() const { return length - headerBytes - sideInfo; }
};

struct Mp3Stream {
    int version = 3;  // header bits: 3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5
    int rateIndex = 0;
    int sampleRate = 0;
    int samplesPerFrame = 1152;
    int sideInfo = 32;  // of the stream's channel count
    bool mono = false;
    std::vector<Mp3Frame> frames;  // audio frames, the info frame left out
    bool hasLame = false;          // an encoder tag with delay and padding
    int delay = 0, padding = 0;
    std::int64_t decodedFrames = 0;     // what a gapless decoder gives
    std::array<std::uint8_t, 36> lameTag{};  // the source's encoder tag, kept in the copy's
    std::uint32_t quality = 0;
    std::int64_t damagedAt = -1;  // where the frames stop short of the file's end for no tag
    QString problem;              // why the file cannot be copied; empty when it can
};

// Reads the frames of a file's bytes (after an ID3v2 tag, before ID3v1, APE or Lyrics tags).
Mp3Stream ScanMp3(const std::uint8_t* data, std::int64_t size);

// The length of a frame of the stream at a bitrate index and padding.
int Mp3FrameLength(const Mp3Stream& s, int bitrateIndex, int padding);
// Writes a header of the stream's kind, mode and flags taken from `like`, without CRC or
// padding, at a bitrate index.
void Mp3WriteHeader(std::uint8_t* out, const Mp3Stream& s, const Mp3Frame& like, int bitrateIndex);
int Mp3BitrateIndex(const std::uint8_t* header);
// The bitrate in kbit/s of a bitrate index in the stream's MPEG version.
int Mp3Kbps(const Mp3Stream& s, int bitrateIndex);

// The last `count` bytes of main data before frame `h`, as the bit reservoir hands them to it.
std::vector<std::uint8_t> Mp3ReservoirBefore(const std::uint8_t* data, const Mp3Stream& s, int h, int count);

// What the info frame of a copy states.
struct Mp3InfoFacts {
    int delay = 0, padding = 0;
    std::int64_t audioBytes = 0;              // the frames after the info frame
    std::vector<std::int64_t> frameOffsets;   // of each of those frames, from the first
    bool constantBitrate = false;
    std::uint16_t musicCrc = 0;
};
std::vector<std::uint8_t> Mp3InfoFrame(const Mp3Stream& s, const Mp3Frame& like, const Mp3InfoFacts& facts);

// The frames a span of decoded frames a..b needs, and the info frame's trim for them.
struct Mp3CopyPlan {
    std::int64_t first = 0, last = 0;  // source frames copied
    std::vector<std::uint8_t> silent;  // the made frame before them
    int delay = 0, padding = 0;
    QString problem;
};
Mp3CopyPlan PlanMp3Copy(const std::uint8_t* data, const Mp3Stream& s, std::int64_t a, std::int64_t b);

}  // namespace workflow
