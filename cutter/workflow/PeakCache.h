// Peaks kept between runs: one file per source under the user's cache folder, keyed by
// the source's path, size and modification time, so a second open draws at once. An
// entry that does not match its source or fails its checksum is ignored (and rebuilt).
#pragma once

#include <QString>

#include "Peaks.h"

namespace workflow {

// $XDG_CACHE_HOME (or ~/.cache) + "/TarvelCutter/peaks".
QString DefaultPeakCacheDir();

class PeakCache {
public:
    explicit PeakCache(QString dir) : dir_(std::move(dir)) {}

    // The complete peaks stored for `source` as it is now; false when there are none,
    // or they belong to another state of the file, or the entry is damaged.
    bool Load(const QString& source, PeakData& out) const;
    // Stores complete peaks (a new file renamed into place); false when nothing was stored.
    bool Save(const QString& source, const PeakData& data) const;
    // The entry file of a source (whether or not it exists).
    QString EntryPath(const QString& source) const;

private:
    QString dir_;
};

}  // namespace workflow
