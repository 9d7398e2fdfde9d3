// Label files: one label a line, start and end in seconds and the label text, separated
// by tabs. A label with no length marks a point: its row runs to the next label's start
// (or the end of the source).
#pragma once

#include <QByteArray>
#include <vector>

#include "SegmentEntries.h"

namespace workflow {

// Throws SegmentFileError naming the first bad line; lines that begin with a backslash
// (frequency ranges of spectral labels) are passed over.
std::vector<SegmentEntry> ParseLabelFile(const QByteArray& bytes, std::int64_t durationMs);

// start<TAB>end<TAB>name with six decimals of seconds, UTF-8, LF lines.
QByteArray WriteLabelFile(const std::vector<SegmentEntry>& entries);

}  // namespace workflow
