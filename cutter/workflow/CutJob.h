// The cut job: every checked row of the segment list is copied from the source into its
// own file in the target folder, block by block, and then tagged.
#pragma once

#include <QString>

#include "AudioIo.h"
#include "JobHost.h"
#include "SegmentList.h"

namespace workflow {

struct JobOptions {
    bool promptOverwrite = false;  // "Prompt before overwriting existing files"
    bool showSuccess = true;       // "Show 'Success' window"
    bool openDestination = false;  // "Open destination folder"
    // Rows whose output format is the source's are copied without encoding (WAV only at
    // the WAV output's own rate, channels and bits, when those are the source's).
    bool copyAudio = false;
    struct {
        int rate = 0, channels = 0, bits = 0;
    } wavOutput;
};

struct CutJobResult {
    int checkedRows = 0;
    int rowsDone = 0;
    int filesWritten = 0;
    bool cancelled = false;
};

// Runs the job on the host. Errors of the components end the job after the progress
// window is closed and propagate to the caller, who shows them. An empty or uncreatable
// target folder raises "Unable to create directory".
CutJobResult RunCutJob(const QString& sourcePath, const SegmentList& rows, const QString& targetFolder,
                       const JobOptions& options, JobComponents& components, JobHost& host);

}  // namespace workflow
