// Exact lengths read from the containers themselves, without decoding: the MP3 info frame
// (frame count, encoder delay and padding) or a walk over the MP3 frame headers, and the
// last granule position of an Ogg stream.
#pragma once

#include <cstdint>
#include <string>

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
};

// Reads the file's MP3 layout: the LAME/Xing info frame when present and consistent with
// the file, else counts the frames. Never throws; ok is false when no MPEG frames are found.
Mp3Scan ScanMp3(const std::string& path);

// The granule position of the last page of the Ogg stream whose first page begins the file;
// -1 when there is none.
std::int64_t OggLastGranule(const std::string& path);

// ASF File Properties: play duration minus preroll, in 100-ns units; -1 when not found.
std::int64_t AsfPlayDuration(const std::string& path);

// False when a WAV file's header chunks (those before the audio) claim more bytes than the
// file holds: a damaged header that would make the demuxer reserve memory for them.
bool WavHeaderPlausible(const std::string& path);

}  // namespace kez::media
