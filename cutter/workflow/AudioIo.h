// The readers, writers and tag writers a job drives, seen the way the jobs use them.
// The program binds them to the outside components; tests bind them to fakes.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

#include "SegmentList.h"
#include "automation/oleauto.h"

namespace workflow {

// A block of audio as a reader returned it (a variant holding a byte array), handed to a
// writer or a player unchanged. Owns its variant.
class AudioBlock {
public:
    AudioBlock() { VariantInit(&v_); }
    ~AudioBlock() { VariantClear(&v_); }
    AudioBlock(AudioBlock&& o) noexcept : v_(o.v_) { VariantInit(&o.v_); }
    AudioBlock& operator=(AudioBlock&& o) noexcept {
        if (this != &o) {
            VariantClear(&v_);
            v_ = o.v_;
            VariantInit(&o.v_);
        }
        return *this;
    }
    AudioBlock(const AudioBlock&) = delete;
    AudioBlock& operator=(const AudioBlock&) = delete;

    VARIANT* Get() { return &v_; }
    const VARIANT* Get() const { return &v_; }
    bool Empty() const { return v_.vt == VT_EMPTY || v_.vt == VT_NULL; }

private:
    VARIANT v_;
};

// The stream facts of the open file, taken afresh at each use.
struct StreamInfo {
    std::int32_t sampleRate = 0;
    std::int32_t channels = 0;
    std::int32_t sampleSize = 0;
    double compressRate = 1.0;
    std::int64_t size = 0;      // bytes
    std::int64_t duration = 0;  // ms
};

// Reader units of one second of audio by the reader's facts, rounded half to even: the
// block the players are fed with. A compress rate of 0 or less counts as PCM.
std::int64_t PlayBlockUnits(int sampleRate, int channels, int sampleSize, double compressRate);

// A source reader; errors are raised as exceptions carrying the component's text.
class AudioReader {
public:
    virtual ~AudioReader() = default;
    virtual void Open(const QString& path) = 0;
    virtual void SeekTime(std::int64_t ms) = 0;
    virtual void SeekUnits(std::int64_t units) = 0;
    virtual AudioBlock Read(std::int64_t count) = 0;
    virtual void Close() = 0;
    virtual StreamInfo Info() = 0;
    virtual std::int64_t Position() = 0;
};

// An output writer, configured beforehand by the writer configuration.
class AudioWriter {
public:
    virtual ~AudioWriter() = default;
    virtual void Create(const QString& path, FormatCode format) = 0;
    virtual void Write(const AudioBlock& block) = 0;
    virtual void Close() = 0;
};

struct TagValues {
    QString title, artist, album, genre, year;
    // Only the merge job writes these.
    std::optional<QString> comment;
    std::optional<QString> track;  // as shown on the merge page
};

class TagWriter {
public:
    virtual ~TagWriter() = default;
    // Writes the tags of a closed output file by its format (none for WAV).
    virtual void WriteTags(FormatCode format, const QString& path, const TagValues& tags) = 0;
};

// Everything a job drives. The writer configuration answers false after it has shown
// its own error.
struct JobComponents {
    AudioReader* reader = nullptr;     // MP3, Ogg Vorbis, WAV sources
    AudioReader* wmaReader = nullptr;  // WMA sources
    AudioWriter* writer = nullptr;     // MP3, Ogg Vorbis, WAV outputs
    AudioWriter* wmaWriter = nullptr;  // WMA outputs
    TagWriter* tags = nullptr;
    std::function<bool(FormatCode)> configureWriter;
    std::function<void()> stopPlayback;  // the page's player, when it plays
};

// folder + "/" (unless it ends with one) + safe name + extension.
QString OutputPath(const QString& folder, const QString& name, FormatCode code);

}  // namespace workflow
