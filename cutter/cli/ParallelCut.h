// tarvelcut cut --jobs N: the cut job's checked rows written by worker processes at the
// same time. Only the command-line front end does this; the job itself stays sequential.
#pragma once

#include <QString>

#include "workflow/CutJob.h"

namespace cli {

// The worker count --jobs defaults to: the processors online.
int DefaultJobs();

// Runs the cut job of `rows` as workflow::RunCutJob does, with up to `jobs` rows at once,
// each cut by workflow::RunCutJob in a forked worker (which inherits `components`) into a
// staging folder inside `outDir`. Finished outputs are renamed into `outDir` in row order,
// so the folder ends as the sequential job leaves it: the same bytes, the same overwrite
// questions through `host`, and on a component error the rows before it written, none
// after it, and the error thrown. Rows with the same output path run one after another.
// SIGINT or SIGTERM stops every worker, removes the staging folder (so no partial output
// is left) and ends the process by that signal, as the sequential job ends.
workflow::CutJobResult RunParallelCut(const QString& sourcePath, workflow::SegmentList& rows,
                                      const QString& outDir, const workflow::JobOptions& options,
                                      workflow::JobComponents& components, workflow::JobHost& host, int jobs);

}  // namespace cli
