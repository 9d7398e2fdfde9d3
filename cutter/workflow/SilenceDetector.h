// Silence in decoded audio: runs of frames in which no channel rises above a threshold,
// kept when they last at least a minimum length. The detector takes the reader's audio
// blocks as they come; SilenceScan drives a reader over a span in slices, so the GUI can
// run it from its idle loop and the command-line front end in one go.
#pragma once

#include <QString>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "AudioIo.h"

namespace workflow {

struct SilenceOptions {
    double thresholdDb = -40.0;      // dB below full scale
    std::int64_t minLengthMs = 500;  // shorter quiet runs are not silences
};

struct TimeSpan {
    std::int64_t start = 0, end = 0;  // ms
    bool operator==(const TimeSpan&) const = default;
};

class SilenceDetector {
public:
    // offsetMs: the source time of the first frame fed.
    explicit SilenceDetector(const SilenceOptions& options, std::int64_t offsetMs = 0);

    // Feeds an audio block (an 18-byte WAVEFORMATEX header and interleaved samples), at
    // most maxFrames of its frames. Returns the frames taken; 0 for bytes that are not a
    // PCM or float block, or a block whose rate differs from the first one.
    std::int64_t Feed(const std::uint8_t* block, std::size_t size, std::int64_t maxFrames = INT64_MAX);
    // Ends the input: a silence that runs to the end counts.
    void Finish();

    std::int64_t Frames() const { return frames_; }
    int SampleRate() const { return rate_; }
    const std::vector<TimeSpan>& Silences() const { return silences_; }

private:
    template <typename Sample>
    void Run(const Sample* samples, std::int64_t frames, int channels, Sample threshold, Sample zero);
    void Close(std::int64_t endFrame);
    std::int64_t Ms(std::int64_t frame) const;

    SilenceOptions options_;
    std::int64_t offsetMs_;
    int rate_ = 0;
    std::int64_t minFrames_ = 0;
    std::int64_t frames_ = 0;
    std::int64_t runStart_ = -1;  // first frame of the quiet run under way
    std::vector<TimeSpan> silences_;
};

// Reads [fromMs, toMs) of a source through a reader and finds its silences. The reader is
// opened at construction and closed by Finish or the destructor; reader errors propagate.
class SilenceScan {
public:
    SilenceScan(AudioReader& reader, const QString& path, std::int64_t fromMs, std::int64_t toMs,
                const SilenceOptions& options);
    ~SilenceScan();
    SilenceScan(const SilenceScan&) = delete;
    SilenceScan& operator=(const SilenceScan&) = delete;

    // Reads about sliceMs of audio; false once the span (or the source) is done.
    bool Step(std::int64_t sliceMs);
    int Percent() const;
    // Closes the reader and returns the silences found.
    std::vector<TimeSpan> Finish();

private:
    AudioReader& reader_;
    SilenceDetector detector_;
    std::int64_t fromMs_, toMs_;
    std::int64_t unitsPerSecond_ = 0;
    std::int64_t wantFrames_ = -1;  // known from the first block's rate
    int stalls_ = 0;
    bool open_ = false, done_ = false;
};

// The parts of [from, to) between silences (each silence's ends are cut points).
std::vector<TimeSpan> SoundParts(const std::vector<TimeSpan>& silences, std::int64_t from, std::int64_t to);
// Pieces of [from, to) cut in the middle of each silence that lies inside the span.
std::vector<TimeSpan> PiecesAtSilenceMiddles(const std::vector<TimeSpan>& silences, std::int64_t from, std::int64_t to);

// The quietest point of a block of audio (10 ms windows by their power, the one nearest the
// middle among equals), in ms from the block's first frame; -1 for no audio.
std::int64_t QuietestPointMs(const std::uint8_t* block, std::size_t size);

// The bytes of a reader block (a variant holding a byte array); empty when it holds none.
std::pair<const std::uint8_t*, std::size_t> BlockBytes(const AudioBlock& block);

}  // namespace workflow
