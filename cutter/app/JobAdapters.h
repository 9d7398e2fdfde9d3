// The readers, writers and tag writers of the jobs bound to the component wrappers and
// the program's own tag writers. The GUI and the command-line front end share them.
#pragma once

#include "app/ProgramComponents.h"
#include "components/KezAudioFile3Lib_TLB.h"
#include "components/KezAudioFileWMA3Lib_TLB.h"
#include "workflow/AudioIo.h"

// A reader on the file component (MP3, Ogg Vorbis, WAV) or the writer's counterpart.
class TFileReaderAdapter : public workflow::AudioReader {
public:
    explicit TFileReaderAdapter(TAudioFile3& file) : f_(file) {}
    void Open(const QString& path) override;
    void SeekTime(std::int64_t ms) override;
    void SeekUnits(std::int64_t units) override;
    workflow::AudioBlock Read(std::int64_t count) override;
    void Close() override;
    workflow::StreamInfo Info() override;
    std::int64_t Position() override;

private:
    TAudioFile3& f_;
};

class TWmaReaderAdapter : public workflow::AudioReader {
public:
    explicit TWmaReaderAdapter(TAudioFileWMA3& file) : f_(file) {}
    void Open(const QString& path) override;
    void SeekTime(std::int64_t ms) override;
    void SeekUnits(std::int64_t units) override;
    workflow::AudioBlock Read(std::int64_t count) override;
    void Close() override;
    workflow::StreamInfo Info() override;
    std::int64_t Position() override;

private:
    TAudioFileWMA3& f_;
};

class TFileWriterAdapter : public workflow::AudioWriter {
public:
    explicit TFileWriterAdapter(TAudioFile3& file) : f_(file) {}
    void Create(const QString& path, workflow::FormatCode format) override;
    void Write(const workflow::AudioBlock& block) override;
    void Close() override;

private:
    TAudioFile3& f_;
};

class TWmaWriterAdapter : public workflow::AudioWriter {
public:
    explicit TWmaWriterAdapter(TAudioFileWMA3& file) : f_(file) {}
    void Create(const QString& path, workflow::FormatCode format) override;
    void Write(const workflow::AudioBlock& block) override;
    void Close() override;

private:
    TAudioFileWMA3& f_;
};

// MP3 tags through the tag editor (main tag), Ogg Vorbis comments and WMA attributes
// through the program's own writers; WAV outputs are not tagged.
class TTagWriterAdapter : public workflow::TagWriter {
public:
    explicit TTagWriterAdapter(TAudioFileInformation3& editor) : editor_(editor) {}
    void WriteTags(workflow::FormatCode format, const QString& path, const workflow::TagValues& tags) override;

private:
    TAudioFileInformation3& editor_;
};

// The jobs' readers, writers and tag writer on the program's component instances.
struct TJobAdapters {
    explicit TJobAdapters(TProgramComponents::TWrappers& w)
        : reader(w.SourceReader), wmaReader(w.WmaSourceReader), writer(w.OutputWriter),
          wmaWriter(w.WmaOutputWriter), tags(w.TagEditor) {}
    TFileReaderAdapter reader;
    TWmaReaderAdapter wmaReader;
    TFileWriterAdapter writer;
    TWmaWriterAdapter wmaWriter;
    TTagWriterAdapter tags;

    // A job's components on these adapters; the writer configuration and the playback
    // stop are the caller's.
    workflow::JobComponents Components() {
        workflow::JobComponents c;
        c.reader = &reader;
        c.wmaReader = &wmaReader;
        c.writer = &writer;
        c.wmaWriter = &wmaWriter;
        c.tags = &tags;
        return c;
    }
    // The reader of a source format: the WMA reader for WMA, the file reader otherwise.
    workflow::AudioReader& ReaderFor(workflow::FormatCode code) {
        if (code == workflow::fcWma) return wmaReader;
        return reader;
    }
};

// The tags a new segment row copies from its source: the WMA tag reader for WMA sources,
// the tag editor's main tag for the others (an MP3 with an empty main tag falls back to
// the second tag kind); empty texts where a tag is absent.
workflow::SourceTags ReadSourceTags(TAudioFileInformation3& editor, TAudioFileWMAInformation3& wmaReader,
                                    const QString& path, workflow::FormatCode in);
