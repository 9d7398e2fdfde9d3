// The waveform of a source: the lowest and highest sample of every bucket of frames, all
// channels folded into one, built from the blocks a reader returns. The builder reads in
// short steps, so the user interface can drive it from its idle loop on its own thread
// and draw what is there so far.
#pragma once

#include <QElapsedTimer>
#include <QString>
#include <cstdint>
#include <vector>

#include "AudioIo.h"
#include "PcmBlock.h"

namespace workflow {

inline constexpr int kPeakBucketFrames = 256;

struct PeakData {
    int sampleRate = 0;  // of the frames counted here; 0 until the first block
    int bucketFrames = kPeakBucketFrames;
    std::int64_t firstFrame = 0;  // frame of the source where bucket 0 begins
    std::int64_t frames = 0;      // frames folded in so far
    // Per bucket, full scale at +-32767. The last bucket may be partial.
    std::vector<std::int16_t> lo, hi;
    bool complete = false;  // the whole source (or span) has been read

    std::int64_t Buckets() const { return std::int64_t(lo.size()); }
    std::int64_t FrameOfMs(double ms) const;
    double MsOfFrame(std::int64_t frame) const;
    // Lowest and highest value (-1..1) of the frames [from, to) that are known; false when
    // none of them is.
    bool Range(std::int64_t fromFrame, std::int64_t toFrame, float& low, float& high) const;
    // Folds interleaved samples in; a block of another sample rate than the first is refused.
    bool Fold(const PcmFormat& format, const std::uint8_t* samples, std::int64_t frames);
    bool Fold(const VARIANT& block);
};

// Builds the peaks of one file through a reader it keeps open between steps.
class PeakBuilder {
public:
    explicit PeakBuilder(AudioReader& reader) : reader_(reader) {}
    ~PeakBuilder();
    PeakBuilder(const PeakBuilder&) = delete;
    PeakBuilder& operator=(const PeakBuilder&) = delete;

    // Opens `path` for a new build; the reader's errors are raised.
    void Begin(const QString& path);
    // Reads blocks for about `budgetMs` (at least one block); true once the source is
    // exhausted, when the reader is closed and the data complete. A read error ends the
    // build with what was read and Failed() true.
    bool Step(int budgetMs);
    // Stops a build under way and closes the reader.
    void Abort();

    bool Running() const { return open_; }
    bool Failed() const { return failed_; }
    const QString& Path() const { return path_; }
    const PeakData& Data() const { return data_; }
    PeakData TakeData() { return std::move(data_); }

private:
    void Finish();

    AudioReader& reader_;
    PeakData data_;
    QString path_;
    std::int64_t chunk_ = 0;  // reader units of one read
    bool open_ = false;
    bool failed_ = false;
};

// The frames of [fromMs, toMs) of `path`, one bucket a frame (for drawing single
// samples): opens, seeks, reads and closes the reader. Errors are raised.
PeakData ReadDetail(AudioReader& reader, const QString& path, std::int64_t fromMs, std::int64_t toMs);

}  // namespace workflow
