// Copying a span of a source into a new file of the same format without decoding it:
// MP3 frames, Ogg Vorbis packets or WAV sample frames. A span t1..t2 ms holds exactly the
// source's decoded frames round(t1 x rate / 1000) to round(t2 x rate / 1000), as an
// encoded cut does, told to the decoder by the container (MP3: the info frame's encoder
// delay and padding; Ogg: granule positions).
//
// Each function writes the target through a temporary file in its folder that is renamed
// over the target only when complete; a cancel or a failure leaves an existing target as
// it was. A write or rename failure throws std::runtime_error. A source that cannot be
// copied exactly (free format, damaged frames, chained streams...) is not touched: the
// answer says why, and the caller encodes the span instead.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <vector>

namespace workflow {

// Called as the copy goes with the percentage done; answers false to cancel.
using CopyTick = std::function<bool(int percent)>;

struct CopyResult {
    enum Outcome { Copied, Cancelled, NotCopyable } outcome = NotCopyable;
    QString reason;  // NotCopyable: why, for the message that the span is encoded instead
    std::int64_t frames = 0;  // Copied: decoded frames the new file holds
    int encodedJoins = 0;     // Copied: joins whose few frames around them were encoded anew
};

CopyResult CopyMp3Span(const QString& source, const QString& target, std::int64_t startMs, std::int64_t endMs,
                       const CopyTick& tick = {});
CopyResult CopyOggSpan(const QString& source, const QString& target, std::int64_t startMs, std::int64_t endMs,
                       const CopyTick& tick = {});
CopyResult CopyWavSpan(const QString& source, const QString& target, std::int64_t startMs, std::int64_t endMs,
                       const CopyTick& tick = {});

// Joins Ogg Vorbis files of one sample rate and channel count, so every input's exact
// samples are kept at each join: into one stream when they play on from each other
// (adjacent pieces of one encode), otherwise into a chained file, one stream per input,
// each keeping its own positions.
CopyResult JoinOggFiles(const QStringList& inputs, const QString& target, const CopyTick& tick = {});

// Joins WAV files of one sample format (their format chunks byte for byte the same) by
// copying their samples.
CopyResult JoinWavFiles(const QStringList& inputs, const QString& target, const CopyTick& tick = {});

// Joins MP3 files of one MPEG version, sample rate and channel mode by copying their
// frames. Where adjacent pieces of one encode meet, the frames carry on as in the encode
// and the join is exact; around any other join a few frames are decoded and encoded again
// with the files' settings, and every input's exact samples are kept elsewhere. Only files
// whose frames line up at the joins (as pieces of one encode do) can be joined so.
CopyResult JoinMp3Files(const QStringList& inputs, const QString& target, const CopyTick& tick = {});

// The frame of a time, as the readers seek it: round(ms x rate / 1000), halves up.
std::int64_t FrameOfTime(std::int64_t ms, int sampleRate);

}  // namespace workflow
