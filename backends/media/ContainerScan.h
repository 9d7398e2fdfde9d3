// Exact lengths read from the containers themselves, without decoding: the MP3 info frame
// (frame count, encoder delay and padding) or a walk over the MP3 frame headers, and the
// last granule position of an Ogg stream.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kez::media {

struct Mp3Scan {
    bool ok = false;
    std::int64_t frames = 0;      // decoded frames after delay and padding
    std::int64_t audioBytes = 0;  // bytes of MPEG audio frames
    int sampleRate = 0;
    int channels = 0;
    int channelMode = 0;          // 0 stereo, 1 joint stereo, 2 dual channel, 3 mono
    bool constantBitrate = false;
    int bitrateKbps = 0;          // of the first audio frame
    bool fromInfoFrame = false;
    int samplesPerFrame = 0;
    // Decoded frames to drop before frame 0: the encoder's delay and the decoder's own
    // (529) where the info frame tells the delay, else 0.
    std::int64_t startSkip = 0;
    // Where each audio frame (not the info frame) lies in the file, in order.
    struct Frame {
        std::int64_t offset;
        std::int32_t length;
    };
    std::vector<Frame> table;
};

// Reads the file's MP3 layout: walks every frame (skipping junk between them) and takes the
// length the info frame states when the frames found can hold it, else the length they
// decode to. Never throws; ok is false when no MPEG frames are found.
Mp3Scan ScanMp3(const std::string& path);

// True when the file begins with an Ogg page carrying a Vorbis identification header.
bool StartsOggVorbis(const std::string& path);

// The granule position of the last page of the Ogg stream whose first page begins the file;
// -1 when there is none.
std::int64_t OggLastGranule(const std::string& path);

// False when a page of an Ogg Vorbis file (any link) states a granule position further on
// than the packets that end on it can decode to (at most half the long block each): a
// damaged length, to be found by decoding instead.
bool OggGranulesPlausible(const std::string& path);

// ASF File Properties: play duration minus preroll, in 100-ns units; -1 when not found.
std::int64_t AsfPlayDuration(const std::string& path);

// False when a WAV file's header chunks (those before the audio) claim more bytes than the
// file holds: a damaged header that would make the demuxer reserve memory for them.
bool WavHeaderPlausible(const std::string& path);

}  // namespace kez::media
