// Cue sheets: the tracks of one or more audio files as FILE, TRACK and INDEX lines, with
// titles, performers, dates and genres at the sheet's or the track's level. Times are in
// frames of 1/75 s; a sheet we write also keeps each track's exact span in milliseconds
// on a REM line, so rows come back to the millisecond.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

#include "FormatCode.h"
#include "SegmentEntries.h"

namespace workflow {

struct CueTrack {
    int number = 0;
    int file = 0;            // index into CueSheet::files
    int line = 0;            // the TRACK line, for messages
    std::int64_t pregap = -1;  // INDEX 00 in frames; -1 none
    std::int64_t index1 = -1;  // INDEX 01 in frames
    QString title, performer, date, genre, name;
    std::int64_t exactStart = -1, exactEnd = -1;  // ms, from our REM line
};

struct CueSheet {
    QString title, performer, date, genre;
    QStringList files;
    std::vector<CueTrack> tracks;
};

// Reads a sheet (any encoding DecodeSheetText knows, LF or CRLF lines); throws
// SegmentFileError naming the first bad line.
CueSheet ParseCueSheet(const QByteArray& bytes);

// The FILE of the sheet that a source is: the only one, else the one with the same file
// name (without regard to case, then without extension). -1 when none fits.
int CueFileFor(const CueSheet& sheet, const QString& sourcePath);

// The rows of one FILE's tracks: each runs from its INDEX 01 to the next track's INDEX 00
// (or INDEX 01), the last to the end of the source. Tags missing at a track's level come
// from the sheet's. Throws SegmentFileError for a track that starts at or past durationMs.
std::vector<SegmentEntry> CueEntries(const CueSheet& sheet, int file, std::int64_t durationMs);

// The rows as a sheet for one audio file, UTF-8 (with a byte-order mark when the text is
// not plain ASCII) and CRLF lines. Rows are written in order of their start. Throws
// SegmentFileError (line 0) for more than 99 rows.
QByteArray WriteCueSheet(std::vector<SegmentEntry> entries, const QString& audioFileName);

// mm:ss:ff <-> milliseconds (a frame is 1/75 s; milliseconds round to the nearest frame).
QString CueTimeText(std::int64_t frames);
std::int64_t CueFramesToMs(std::int64_t frames);
std::int64_t MsToCueFrames(std::int64_t ms);

}  // namespace workflow
