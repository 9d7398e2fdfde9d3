// The merge job: the listed files are copied, in list order, into one output file,
// which is then tagged.
#pragma once

#include <QStringList>

#include "AudioIo.h"
#include "CutJob.h"
#include "JobHost.h"

namespace workflow {

// The merge page's output format choice, by item index: MP3, Ogg Vorbis, WAV, WMA.
FormatCode MergeFormatOfIndex(int index);

struct MergeRequest {
    QStringList inputs;  // file paths in list order
    QString folder;
    QString fileName;    // without extension
    int formatIndex = 0;
    TagValues tags;      // comment and track set
};

enum class MergeOutcome {
    FolderRefused,     // folder missing and not creatable: the caller opens the folder chooser
    OutputIsInput,     // the output path is one of the inputs: refused before anything is made
    OverwriteDeclined,
    Finished,          // every file copied, or a cancel
    Stopped,           // an input was missing, empty or failed
};

struct MergeJobResult {
    MergeOutcome outcome = MergeOutcome::Finished;
    QString outputPath;
    int filesCopied = 0;
    bool cancelled = false;
    bool tagsStored = true;  // false when the tag writer raised an error
};

// Runs the job. Errors while creating the output propagate; errors after it are caught,
// the writer is closed and the partial output kept and tagged. Tags that cannot be stored
// are reported with "Error: " through the host in place of the success message.
MergeJobResult RunMergeJob(const MergeRequest& request, const JobOptions& options, JobComponents& components,
                           JobHost& host);

}  // namespace workflow
