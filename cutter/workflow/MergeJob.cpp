#include "MergeJob.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <cmath>
#include <optional>

#include "OutputFile.h"

#include "LosslessCopy.h"

namespace workflow {

FormatCode MergeFormatOfIndex(int index) {
    switch (index) {
        case 0: return fcMp3;
        case 1: return fcOggVorbis;
        case 2: return fcWav;
        case 3: return fcWma;
        default: return fcUnknown;
    }
}

namespace {

enum class FileState { Running = 1, Finished = 2, Failed = 3 };

bool SameFile(const QString& a, const QString& b) {
    const QFileInfo fa(a), fb(b);
    if (fa.exists() && fb.exists())
        return fa.canonicalFilePath() == fb.canonicalFilePath() || SameFileOnDisk(a, b);
    return fa.absoluteFilePath() == fb.absoluteFilePath();
}

int RoundedPercent(std::int64_t position, std::int64_t size) {
    if (size <= 0) return 100;
    return static_cast<int>(std::nearbyint(static_cast<double>(position) / static_cast<double>(size) * 100.0));
}

void NoAudio(const QString& path, JobHost& host) {
    host.ShowMessage(QStringLiteral("Error: The file ") + path + QStringLiteral(" holds no audio that can be read."));
}

// Copies one listed file into the open writer.
FileState MergeFile(const QString& path, FormatCode out, const OutputFile& file, JobComponents& c, JobHost& host) {
    if (!QFileInfo::exists(path)) return FileState::Failed;
    const FormatCode in = FormatFromFileName(path);
    AudioReader* r = in == fcWma ? c.wmaReader : (in == fcUnknown ? nullptr : c.reader);
    if (!r) return FileState::Failed;
    AudioWriter* w = out == fcWma ? c.wmaWriter : c.writer;
    r->Open(path);
    if (r->Info().size == 0 || r->Info().duration == 0) {
        r->Close();
        NoAudio(path, host);
        return FileState::Failed;
    }
    bool wroteAudio = false;
    try {
        host.SetFileLabel(path);
        host.ProcessEvents();
        if (in != fcWma) {
            int stall = 0;
            for (;;) {
                const StreamInfo info = r->Info();
                // One second of audio, in 64 bits so that a damaged rate cannot wrap it.
                const std::int64_t bytes = (std::int64_t{info.sampleRate} * info.channels * info.sampleSize) / 8;
                const auto block = static_cast<std::int64_t>(
                    info.compressRate > 0 ? std::trunc(static_cast<double>(bytes) / info.compressRate) : bytes);
                if (r->Position() >= info.size || host.Cancelled()) break;
                const std::int64_t last = r->Position();
                AudioBlock data = r->Read(block);
                if (!data.Empty()) {
                    w->Write(data);
                    wroteAudio = true;
                }
                // A reader that stops short must not hang the job.
                if (r->Position() != last) stall = 0;
                if (++stall > 5) break;
                host.ProcessEvents();
                host.SetFileProgress(std::min(100, RoundedPercent(r->Position(), r->Info().size)));
                host.ProcessEvents();
            }
        } else {
            int stall = 0;
            for (;;) {
                if (host.Cancelled()) break;
                const std::int64_t last = r->Position();
                AudioBlock data = r->Read(6000);
                if (!data.Empty()) {
                    w->Write(data);
                    wroteAudio = true;
                }
                const std::int64_t size = r->Info().size;
                if (r->Position() >= size) break;
                if (r->Position() != last) stall = 0;
                if (++stall > 5) break;
                host.ProcessEvents();
                host.SetFileProgress(RoundedPercent(r->Position(), size));
                host.ProcessEvents();
            }
        }
        r->Close();
    } catch (const std::exception& e) {
        try {
            r->Close();
        } catch (...) {
        }
        host.ShowMessage(QCoreApplication::translate("MergeJob", "Error: %1")
                             .arg(OutputErrorText(file, QString::fromUtf8(e.what()))));
        return FileState::Failed;
    }
    if (!wroteAudio && !host.Cancelled()) {
        NoAudio(path, host);
        return FileState::Failed;
    }
    return FileState::Finished;
}

// Joins the inputs without encoding when the user asked for it and they can be: MP3 files
// whose frames line up (a few frames encoded anew at joins that are not adjacent pieces of
// one encode), WAV files of one sample format, Ogg Vorbis files of one rate and channel
// count. Otherwise it tells the user the
// output is encoded, and why, and answers false.
bool CopiedJoin(const MergeRequest& request, const JobOptions& options, FormatCode out, JobComponents& c,
                JobHost& host, MergeJobResult& result) {
    const auto notice = [&](const QString& why) {
        host.ShowInformation(
            QStringLiteral("Tarvel Free Audio Cutter"),
            QCoreApplication::translate(
                "MergeJob", "%1 is encoded: the files cannot be joined without re-encoding because %2.")
                .arg(result.outputPath, why));
        return false;
    };
    for (const QString& input : request.inputs)
        if (FormatFromFileName(input) != out)
            return notice(
                QCoreApplication::translate("MergeJob", "not every file is of the output's format"));
    host.BeginProgress(QCoreApplication::translate("MergeJob", "Merge progress"));
    host.SetFileLabel(result.outputPath);
    // Audio, then tags, into the temporary file; the target is replaced by the whole.
    OutputFile file(result.outputPath);
    CopyResult r;
    try {
        const CopyTick tick = [&](int percent) {
            host.SetFileProgress(percent);
            host.ProcessEvents();
            return !host.Cancelled();
        };
        r = out == fcMp3 ? JoinMp3Files(request.inputs, file.TempPath(), tick)
            : out == fcWav ? JoinWavFiles(request.inputs, file.TempPath(), tick)
                           : JoinOggFiles(request.inputs, file.TempPath(), tick);
    } catch (const std::exception& e) {
        file.Discard();
        host.EndProgress();
        throw std::runtime_error(OutputErrorText(file, QString::fromUtf8(e.what())).toStdString());
    }
    if (r.outcome == CopyResult::NotCopyable) {
        host.EndProgress();
        return notice(r.reason);
    }
    result.cancelled = r.outcome == CopyResult::Cancelled;
    if (!result.cancelled) {
        result.filesCopied = static_cast<int>(request.inputs.size());
        const int count = result.filesCopied;
        host.SetTotal(QCoreApplication::translate("MergeJob", "File of Total: %1/%2").arg(count).arg(count),
                      100);
        // Tags that cannot be stored are reported instead of "Success"; the audio is kept.
        QString tagError;
        try {
            if (c.tags) c.tags->WriteTags(out, file.TempPath(), request.tags);
        } catch (const std::exception& e) {
            tagError = OutputErrorText(file, QString::fromUtf8(e.what()));
        }
        result.tagsStored = tagError.isEmpty();
        try {
            file.Commit();
        } catch (...) {
            host.EndProgress();
            throw;
        }
        if (r.encodedJoins > 0)
            host.ShowInformation(
                QStringLiteral("Tarvel Free Audio Cutter"),
                (r.encodedJoins == 1
                     ? QCoreApplication::translate("MergeJob",
                                                   "%1: the audio is copied; the few frames around one join "
                                                   "were encoded anew, as the files there are not pieces of "
                                                   "one encoding.")
                           .arg(result.outputPath)
                     : QCoreApplication::translate("MergeJob",
                                                   "%1: the audio is copied; the few frames around %2 joins "
                                                   "were encoded anew, as the files there are not pieces of "
                                                   "one encoding.")
                           .arg(result.outputPath)
                           .arg(r.encodedJoins)));
        if (!result.tagsStored)
            host.ShowMessage(QCoreApplication::translate("MergeJob", "Error: %1").arg(tagError));
        else if (options.showSuccess)
            host.ShowInformation(
                QCoreApplication::translate("MergeJob", "Success"),
                QCoreApplication::translate("MergeJob", "Task complete. File: %1").arg(result.outputPath));
        if (options.openDestination) host.ExploreFolder(request.folder);
    }
    host.EndProgress();
    result.outcome = MergeOutcome::Finished;
    return true;
}

}  // namespace

MergeJobResult RunMergeJob(const MergeRequest& request, const JobOptions& options, JobComponents& c,
                           JobHost& host) {
    MergeJobResult result;
    if (!QFileInfo(request.folder).isDir() && (request.folder.isEmpty() || !QDir().mkpath(request.folder))) {
        host.ShowInformation(
            QStringLiteral("Tarvel Free Audio Cutter"),
            QCoreApplication::translate("MergeJob", "Access \"%1\" failed, please select another folder!")
                .arg(request.folder));
        result.outcome = MergeOutcome::FolderRefused;
        return result;
    }
    if (c.stopPlayback) c.stopPlayback();
    const FormatCode out = MergeFormatOfIndex(request.formatIndex);
    result.outputPath = OutputPath(request.folder, request.fileName, out);
    if (out == fcUnknown) {
        result.outcome = MergeOutcome::Stopped;
        return result;
    }
    // The writer would truncate an input that is still to be read.
    for (const QString& input : request.inputs) {
        if (SameFile(input, result.outputPath)) {
            host.ShowInformation(
                QStringLiteral("Tarvel Free Audio Cutter"),
                QCoreApplication::translate(
                    "MergeJob",
                    "The output file %1 is one of the files to merge. Please choose another name.")
                    .arg(result.outputPath));
            result.outcome = MergeOutcome::OutputIsInput;
            return result;
        }
    }
    if (options.promptOverwrite && QFileInfo::exists(result.outputPath) &&
        !host.AskYesNo(
            QCoreApplication::translate("MergeJob", "Confirm Overwrite"),
            QCoreApplication::translate("MergeJob", "%1 already exists. Do you want to replace it?")
                .arg(result.outputPath))) {
        result.outcome = MergeOutcome::OverwriteDeclined;
        return result;
    }
    if (options.copyAudio && out != fcWma) {
        if (CopiedJoin(request, options, out, c, host, result)) return result;
    }
    if (c.configureWriter) c.configureWriter(out);
    AudioWriter* w = out == fcWma ? c.wmaWriter : c.writer;
    OutputFile file(result.outputPath);
    w->Create(file.TempPath(), out);

    bool progressShown = false;
    FileState state = FileState::Running;
    try {
        host.BeginProgress(QCoreApplication::translate("MergeJob", "Merge progress"));
        progressShown = true;
        const int count = static_cast<int>(request.inputs.size());
        for (int i = 0; i < count; ++i) {
            state = MergeFile(request.inputs[i], out, file, c, host);
            if (state == FileState::Finished) ++result.filesCopied;
            if (host.Cancelled() || state == FileState::Failed) break;
            host.SetTotal(
                QCoreApplication::translate("MergeJob", "File of Total: %1/%2").arg(i + 1).arg(count),
                static_cast<int>(std::trunc(static_cast<double>(i + 1) / count * 100)));
            host.ProcessEvents();
        }
        result.cancelled = host.Cancelled();
        // The output is closed and tagged before the outcome is told, so a tag writer that
        // cannot store the tags is reported instead of "Success".
        w->Close();
        // An input that failed leaves the old output as it was; a cancel keeps what was
        // copied, tagged. Tags that cannot be stored are reported instead of "Success"; the
        // audio is complete and kept.
        if (state == FileState::Finished) {
            QString tagError;
            try {
                if (c.tags) c.tags->WriteTags(out, file.TempPath(), request.tags);
            } catch (const std::exception& e) {
                tagError = OutputErrorText(file, QString::fromUtf8(e.what()));
            }
            result.tagsStored = tagError.isEmpty();
            file.Commit();
            if (!result.tagsStored)
                host.ShowMessage(QCoreApplication::translate("MergeJob", "Error: %1").arg(tagError));
            else if (options.showSuccess && !result.cancelled)
                host.ShowInformation(QCoreApplication::translate("MergeJob", "Success"),
                                     QCoreApplication::translate("MergeJob", "Task complete. File: %1")
                                         .arg(result.outputPath));
            if (options.openDestination) host.ExploreFolder(request.folder);
        }
    } catch (const std::exception& e) {
        try {
            w->Close();
        } catch (...) {
        }
        if (state != FileState::Failed)
            host.ShowMessage(QStringLiteral("Error: ") + OutputErrorText(file, QString::fromUtf8(e.what())));
        state = FileState::Failed;
    } catch (...) {
        try {
            w->Close();
        } catch (...) {
        }
        state = FileState::Failed;
    }
    if (state == FileState::Failed) file.Discard();
    if (progressShown) host.EndProgress();
    result.outcome = state == FileState::Failed ? MergeOutcome::Stopped : MergeOutcome::Finished;
    return result;
}

}  // namespace workflow
