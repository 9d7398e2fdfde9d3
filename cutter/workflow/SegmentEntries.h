// Segment rows as files of split points hold them (cue sheets, label files, the kept
// list): times in milliseconds, an output name and tags. Text files of split points are
// read whole before anything is added, so a bad line leaves the list as it was.
#pragma once

#include <QString>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "SegmentList.h"

namespace workflow {

struct SegmentEntry {
    std::int64_t start = 0, end = 0;  // ms
    QString name;                     // empty: the default name
    // Empty tags keep the source's tags that new rows copy.
    QString title, artist, album, genre, year;
    bool operator==(const SegmentEntry&) const = default;
};

// A file of split points that cannot be read; the text names the line.
class SegmentFileError : public std::runtime_error {
public:
    SegmentFileError(int line, const QString& text)
        : std::runtime_error(QStringLiteral("Line %1: %2").arg(line).arg(text).toStdString()), line_(line) {}
    int Line() const { return line_; }

private:
    int line_;
};

// The rows' times, names and tags, in list order.
std::vector<SegmentEntry> EntriesOf(const SegmentList& list);

// Appends one row per entry (filled as a new row, then given the entry's name and its
// non-empty tags); returns the index of the first row added.
int AppendEntries(SegmentList& list, const std::vector<SegmentEntry>& entries);

// The text of a file of split points: UTF-8 after a byte-order mark, UTF-16 after its
// marks, otherwise the ANSI code page (UTF-8, or Windows-1252 for other bytes).
QString DecodeSheetText(const QByteArray& bytes);

// The whole file; throws std::runtime_error naming the file when it cannot be read.
QByteArray ReadWholeFile(const QString& path);
// Writes a new file beside `path` and renames it over `path` only when complete; throws
// std::runtime_error (the old file left as it was) when anything fails.
void SaveFileAtomically(const QString& path, const QByteArray& bytes);

}  // namespace workflow
