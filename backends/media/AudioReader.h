// AudioReader: a Decoder seen in reader units, the units the file components count in.
// Size is the file's size in bytes; Position runs from 0 to exactly Size. SeekTime(t) puts
// Position at round(t * Size / Duration), and Read returns exactly the frames between the old
// and the new position, so spans cut at any positions join to the whole file, frame for frame.
// A unit stands for the exact frame of the millisecond it is nearest to (round(t * rate /
// 1000)), so a span between two times holds exactly those times' frames in every format.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Decoder.h"

namespace kez::media {

class AudioReader {
public:
    void Open(const std::string& path);  // throws MediaError
    void Close();
    bool IsOpen() const { return decoder_ != nullptr; }

    const StreamInfo& Info() const;  // of the open file; zeros when none
    std::int64_t Size() const { return IsOpen() ? Info().fileSize : 0; }
    // Position relative to the last SeekUnits base (0 unless SeekUnits was used).
    std::int64_t Position() const { return pos_ - base_; }
    std::int64_t AbsolutePosition() const { return pos_; }
    int SampleSize() const { return IsOpen() ? Info().sourceBits : 0; }
    // Chosen so that Trunc(((SampleRate * Channels * SampleSize) div 8) / CompressRate) is
    // Size * 1000 div Duration: one second in units.
    double CompressRate() const;

    void SeekTime(std::int64_t ms);
    // Continues at unit offset units; Position then counts the units read since.
    void SeekUnits(std::int64_t units);
    // Consumes min(count, Size - pos) units; the block (header and samples) of the frames
    // they cover, or empty when none.
    std::vector<std::uint8_t> Read(std::int64_t count);

    std::int64_t FrameOfUnit(std::int64_t u) const;
    // The unit of a time (ms), with the ratio Size / Duration rounded half to even.
    std::int64_t UnitOfTime(std::int64_t ms) const;
    // round(ms * rate / 1000); the last frame from Duration on.
    std::int64_t FrameOfTime(std::int64_t ms) const;

private:
    void SeekToUnit(std::int64_t u);
    std::unique_ptr<Decoder> decoder_;
    std::int64_t pos_ = 0;
    std::int64_t base_ = 0;
};

}  // namespace kez::media
