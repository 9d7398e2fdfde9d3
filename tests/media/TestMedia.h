// Test media made at test time: WAV files written directly, and MP3, Ogg Vorbis and WMA
// files encoded from them with the ffmpeg command-line tool. Every function writes into
// the folder it is given and returns the full path of the file it made; a failure throws
// std::runtime_error with the command or the reason, so a test stops with a clear text.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testmedia {

struct WavSpec {
    int sampleRate = 44100;
    int channels = 2;
    int bits = 16;           // 8, 16, 24 or 32 (integer PCM), or 32 with floatSamples
    double seconds = 1.0;
    std::int64_t frames = -1;  // exact frame count; overrides seconds when >= 0
    bool noise = false;      // white noise instead of a sine
    double frequency = 440.0;
    bool extensible = false;  // WAVE_FORMAT_EXTENSIBLE header
    bool floatSamples = false;
    unsigned seed = 1;
};

struct Tags {
    std::string title, artist, album, genre, comment;
    int year = 0;
    int track = 0;
};

// A new empty folder under $TMPDIR (or /tmp); the caller removes it with RemoveTree.
std::string MakeTempDir(const std::string& prefix = "kez");
void RemoveTree(const std::string& path);

// The samples MakeWav writes for a shape, interleaved, in the file's own byte layout.
std::vector<std::uint8_t> WavSamples(const WavSpec& shape);
std::int64_t FrameCount(const WavSpec& shape);

std::string MakeWav(const std::string& dir, const std::string& name, const WavSpec& shape);
// MP3 through ffmpeg's LAME encoder: CBR at bitrateKbps, or VBR (quality 2) when vbr is
// set. Tags go into ID3v2.3 and ID3v1 when given.
std::string MakeMp3(const std::string& dir, const std::string& name, const WavSpec& shape,
                    int bitrateKbps = 128, bool vbr = false, const Tags* tags = nullptr);
std::string MakeOgg(const std::string& dir, const std::string& name, const WavSpec& shape,
                    int bitrateKbps = 128, const Tags* tags = nullptr);
std::string MakeWma(const std::string& dir, const std::string& name, const WavSpec& shape,
                    int bitrateKbps = 128, const Tags* tags = nullptr);
// Any bytes, for inputs that are not audio.
std::string MakeFile(const std::string& dir, const std::string& name, const std::vector<std::uint8_t>& bytes);

// Runs a shell command; returns its exit status and, when out is given, its standard output.
int Run(const std::string& command, std::string* out = nullptr);
// Quotes a string for /bin/sh.
std::string Quote(const std::string& s);

std::vector<std::uint8_t> ReadAll(const std::string& path);
std::int64_t FileSize(const std::string& path);

// Independent reader: the number of frames ffmpeg decodes from a file (after its own
// gapless trimming), and the stream values ffprobe reports.
std::int64_t FfmpegDecodedFrames(const std::string& path);
struct ProbeResult {
    std::string codec;
    int sampleRate = 0;
    int channels = 0;
    double duration = 0;
};
ProbeResult Ffprobe(const std::string& path);

}  // namespace testmedia
