// The file a job writes: the writer creates a temporary file beside the target, the tags
// go into it, and only then is it renamed over the target. Until then an existing file of
// that name is untouched; a failure removes the temporary file.
#pragma once

#include <QString>

#include "file/SafeSave.h"

namespace workflow {

class OutputFile {
public:
    explicit OutputFile(const QString& target);
    const QString& Target() const { return target_; }
    // The name the writer and the tag writers are given.
    const QString& TempPath() const { return temp_; }
    // Puts the finished file in place. Throws std::runtime_error naming the target.
    void Commit();
    void Discard() { save_.Discard(); }

private:
    QString target_, temp_;
    platform::file::SafeSave save_;
};

// Same device and inode: the same file by any name, hard links included.
bool SameFileOnDisk(const QString& a, const QString& b);

// A component's error text about the temporary file, told about the target instead.
QString OutputErrorText(const OutputFile& out, const QString& text);

}  // namespace workflow
