#include "CutJob.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <cmath>
#include <optional>
#include <stdexcept>

#include "LosslessCopy.h"
#include "OutputFile.h"
#include "SafeName.h"

namespace workflow {

QString OutputPath(const QString& folder, const QString& name, FormatCode code) {
    QString path = folder;
    if (!path.endsWith(u'/')) path += u'/';
    return path + SafeName(name) + FormatExtension(code);
}

namespace {

bool SamePath(const QString& a, const QString& b) {
    const QFileInfo fa(a), fb(b);
    if (!fa.exists() || !fb.exists()) return false;
    return fa.canonicalFilePath() == fb.canonicalFilePath() || SameFileOnDisk(a, b);
}

// One second of audio in reader units, the way the copy loop counts it (64 bits: a damaged
// header's rate must not wrap the block).
std::int64_t OneSecond(const StreamInfo& info) {
    const std::int64_t bytes = (std::int64_t{info.sampleRate} * info.channels * info.sampleSize) / 8;
    if (info.compressRate <= 0) return bytes;
    return static_cast<std::int64_t>(std::trunc(static_cast<double>(bytes) / info.compressRate));
}

class CutRunner {
public:
    CutRunner(const QString& source, const SegmentList& rows, const JobOptions& options, JobComponents& c,
              JobHost& host)
        : source_(source), rows_(rows), options_(options), c_(c), host_(host) {}

    void Segment(int row, const QString& path, FormatCode out, CutJobResult& result);

private:
    AudioWriter* WriterFor(FormatCode f) const {
        if (f == fcWma) return c_.wmaWriter;
        if (f == fcUnknown) return nullptr;
        return c_.writer;
    }
    struct Span {
        std::int64_t start = 0, end = 0, length = 0;  // reader units
    };
    Span ComputeSpan(FormatCode in, std::int64_t startMs, std::int64_t endMs);
    void CopyFileSpan(std::int64_t startMs, const Span& span, AudioWriter* w);
    void CopyWmaSpan(const Span& span, AudioWriter* w);
    bool TryCopy(int row, FormatCode in, FormatCode out, const QString& path, std::int64_t startMs, std::int64_t endMs,
                 CutJobResult& result);
    // Tags that cannot be stored are reported under `shownPath`; the job goes on.
    void WriteTags(int row, FormatCode out, const QString& path, const QString& shownPath);

    const QString& source_;
    const SegmentList& rows_;
    const JobOptions& options_;
    JobComponents& c_;
    JobHost& host_;
};

CutRunner::Span CutRunner::ComputeSpan(FormatCode in, std::int64_t startMs, std::int64_t endMs) {
    Span span;
    if (in == fcWma) {
        AudioReader& r = *c_.wmaReader;
        r.Open(source_);
        const StreamInfo info = r.Info();
        const double ratio = info.duration > 0 ? static_cast<double>(info.size) / info.duration : 0.0;
        // Rounded half to even, the default rounding mode.
        const auto units = [&](double ms) { return static_cast<std::int64_t>(std::nearbyint(ms * ratio)); };
        span.start = units(static_cast<double>(startMs));
        span.end = units(static_cast<double>(endMs));
        span.length = units(static_cast<double>(endMs - startMs));
        r.Close();
    } else if (in != fcUnknown) {
        AudioReader& r = *c_.reader;
        r.Open(source_);
        r.SeekTime(startMs);
        span.start = r.Position();
        r.Close();
        r.Open(source_);
        r.SeekTime(endMs);
        span.end = r.Position();
        r.Close();
        span.length = span.end - span.start;
    }
    return span;
}

void CutRunner::CopyFileSpan(std::int64_t startMs, const Span& span, AudioWriter* w) {
    const std::int64_t endUnits = span.end;
    AudioReader& r = *c_.reader;
    r.Open(source_);
    r.SeekTime(startMs);
    int stall = 0;
    for (;;) {
        std::int64_t block = OneSecond(r.Info());
        if (endUnits - r.Position() < block) block = endUnits - r.Position();
        if (r.Position() >= endUnits) break;
        const std::int64_t last = r.Position();
        if (host_.Cancelled()) break;
        AudioBlock data = r.Read(block);
        if (w && !data.Empty()) w->Write(data);
        if (r.Position() != last) stall = 0;
        if (++stall > 5) break;
        const double ratio = endUnits > 0 ? static_cast<double>(r.Position()) / endUnits * 100.0 : 100.0;
        host_.SetFileProgress(static_cast<int>(std::min(100.0, std::trunc(ratio))));
        host_.ProcessEvents();
    }
    r.Close();
}

void CutRunner::CopyWmaSpan(const Span& span, AudioWriter* w) {
    const std::int64_t lengthUnits = span.length;
    AudioReader& r = *c_.wmaReader;
    r.Open(source_);
    r.SeekUnits(span.start);
    std::int64_t last = 0;
    int stall = 0;
    for (;;) {
        if (host_.Cancelled()) break;
        std::int64_t block = 6000;
        const std::int64_t left = lengthUnits - r.Position();
        if (left > 0 && left < 6000) block = left;
        AudioBlock data = r.Read(block);
        if (w && !data.Empty()) w->Write(data);
        if (r.Position() != last) stall = 0;
        if (r.Position() >= lengthUnits) break;
        last = r.Position();
        if (++stall > 5) break;
        const double percent = lengthUnits > 0 ? static_cast<double>(r.Position()) / lengthUnits * 100.0 : 100.0;
        host_.SetFileProgress(static_cast<int>(std::trunc(percent)));
        host_.ProcessEvents();
    }
    r.Close();
}

// Copies the row's span without encoding when the user asked for it and the output is
// the source's format; true when the row is done (copied or cancelled). A source that
// cannot be copied exactly is encoded, and the user is told why.
bool CutRunner::TryCopy(int row, FormatCode in, FormatCode out, const QString& path, std::int64_t startMs,
                        std::int64_t endMs, CutJobResult& result) {
    if (!options_.copyAudio || in != out || (in != fcMp3 && in != fcOggVorbis && in != fcWav)) return false;
    if (in == fcWav) {
        AudioReader& r = *c_.reader;
        r.Open(source_);
        const StreamInfo info = r.Info();
        r.Close();
        const auto& w = options_.wavOutput;
        if (info.sampleRate != w.rate || info.channels != w.channels || info.sampleSize != w.bits) return false;
    }
    const CopyTick tick = [this](int percent) {
        host_.SetFileProgress(percent);
        host_.ProcessEvents();
        return !host_.Cancelled();
    };
    const auto copy = in == fcMp3 ? CopyMp3Span : in == fcOggVorbis ? CopyOggSpan : CopyWavSpan;
    // Audio, then tags, into the temporary file; the target is replaced by the whole.
    OutputFile file(path);
    try {
        const CopyResult r = copy(source_, file.TempPath(), startMs, endMs, tick);
        if (r.outcome == CopyResult::NotCopyable) {
            host_.ShowInformation(QStringLiteral("Tarvel Free Audio Cutter"),
                                  QCoreApplication::translate(
                                      "CutJob", "%1 is encoded: the audio cannot be copied exactly because %2.")
                                      .arg(path, r.reason));
            return false;
        }
        if (r.outcome != CopyResult::Copied) return true;  // cancelled: the copy left nothing
        WriteTags(row, out, file.TempPath(), path);
        file.Commit();
    } catch (const std::exception& e) {
        file.Discard();
        throw std::runtime_error(OutputErrorText(file, QString::fromUtf8(e.what())).toStdString());
    }
    ++result.filesWritten;
    return true;
}

void CutRunner::WriteTags(int row, FormatCode out, const QString& path, const QString& shownPath) {
    TagValues tags;
    tags.title = rows_.Text(row, colTitle);
    tags.artist = rows_.Text(row, colArtist);
    tags.album = rows_.Text(row, colAlbum);
    tags.genre = rows_.Text(row, colGenre);
    tags.year = rows_.Text(row, colYear);
    // Tags that cannot be stored are reported; the audio is complete and the job goes on.
    try {
        if (c_.tags) c_.tags->WriteTags(out, path, tags);
    } catch (const std::exception& e) {
        host_.ShowMessage(QCoreApplication::translate("CutJob", "Error: %1")
                              .arg(QString::fromUtf8(e.what()).replace(path, shownPath)));
    }
}

void CutRunner::Segment(int row, const QString& path, FormatCode out, CutJobResult& result) {
    if (out != fcUnknown) {
        // The writer would truncate the source while it is still to be read.
        if (SamePath(path, source_)) {
            host_.ShowMessage(
                QCoreApplication::translate(
                    "CutJob", "The output file %1 is the source file itself; this segment is skipped.")
                    .arg(path));
            return;
        }
        if (options_.promptOverwrite && QFileInfo::exists(path) &&
            !host_.AskYesNo(
                QCoreApplication::translate("CutJob", "Confirm Overwrite"),
                QCoreApplication::translate("CutJob", "%1 already exists. Do you want to replace it?")
                    .arg(path)))
            return;
    }
    const std::int64_t startMs = rows_.ReadTime(colStart, row);
    const std::int64_t endMs = rows_.ReadTime(colEnd, row);
    const FormatCode in = FormatFromFileName(source_);
    if (TryCopy(row, in, out, path, startMs, endMs, result)) return;

    const Span span = ComputeSpan(in, startMs, endMs);

    if (out != fcUnknown && c_.configureWriter) c_.configureWriter(out);
    AudioWriter* w = WriterFor(out);
    std::optional<OutputFile> file;
    if (w) {
        file.emplace(path);
        w->Create(file->TempPath(), out);
    }
    try {
        try {
            if (in == fcWma)
                CopyWmaSpan(span, w);
            else if (in != fcUnknown)
                CopyFileSpan(startMs, span, w);
        } catch (...) {
            if (w) {
                try {
                    w->Close();
                } catch (...) {
                }
            }
            throw;
        }
        if (!w) return;
        w->Close();
        // A cancelled or stalled segment is kept as far as it was copied, tagged.
        WriteTags(row, out, file->TempPath(), path);
        file->Commit();
    } catch (const std::exception& e) {
        if (!file) throw;
        file->Discard();
        throw std::runtime_error(OutputErrorText(*file, QString::fromUtf8(e.what())).toStdString());
    }
    ++result.filesWritten;
}

}  // namespace

CutJobResult RunCutJob(const QString& sourcePath, const SegmentList& rows, const QString& targetFolder,
                       const JobOptions& options, JobComponents& components, JobHost& host) {
    CutJobResult result;
    if (targetFolder.isEmpty() || !QDir().mkpath(targetFolder))
        throw std::runtime_error("Unable to create directory");
    if (FormatFromFileName(sourcePath) == fcUnknown) {
        // Such a source would give only empty files.
        host.ShowMessage(
            QCoreApplication::translate(
                "CutJob", "The file %1 is not an MP3, Ogg Vorbis, WAV or WMA file and cannot be cut.")
                .arg(sourcePath));
        return result;
    }
    if (components.stopPlayback) components.stopPlayback();
    for (int i = 0; i < rows.rowCount(); ++i)
        if (rows.Checked(i)) ++result.checkedRows;
    if (result.checkedRows == 0) return result;

    CutRunner runner(sourcePath, rows, options, components, host);
    host.BeginProgress(QCoreApplication::translate("CutJob", "Task progress"));
    host.ProcessEvents();
    try {
        // A header alone, a one-sample WAV or an undecodable WMA has nothing to cut: pieces
        // of it would be empty files reported as written.
        if (AudioReader* r = FormatFromFileName(sourcePath) == fcWma ? components.wmaReader : components.reader) {
            r->Open(sourcePath);
            const std::int64_t duration = r->Info().duration;
            r->Close();
            if (duration <= 0)
                throw std::runtime_error(
                    QCoreApplication::translate("CutJob", "The file %1 holds no audio that can be read.")
                        .arg(sourcePath)
                        .toStdString());
        }
        for (int row = 0; row < rows.rowCount(); ++row) {
            if (!rows.Checked(row)) continue;
            const FormatCode out = rows.ReadFormat(row);
            QString path;
            if (out != fcUnknown) {
                path = OutputPath(targetFolder, rows.Text(row, colName), out);
                host.SetFileLabel(path);
            }
            runner.Segment(row, path, out, result);
            ++result.rowsDone;
            host.SetTotal(QStringLiteral(" %1/%2").arg(result.rowsDone).arg(result.checkedRows),
                          static_cast<int>(std::trunc(static_cast<double>(result.rowsDone) / result.checkedRows * 100)));
            host.ProcessEvents();
            if (host.Cancelled()) break;
        }
        result.cancelled = host.Cancelled();
        if (!result.cancelled && options.showSuccess)
            host.ShowInformation(
                QCoreApplication::translate("CutJob", "Success"),
                QCoreApplication::translate("CutJob", "Task complete. File: %1").arg(sourcePath));
        if (options.openDestination) host.ExploreFolder(targetFolder);
    } catch (...) {
        host.EndProgress();
        throw;
    }
    host.EndProgress();
    return result;
}

}  // namespace workflow
