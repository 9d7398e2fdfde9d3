// The pieces every lossless copy shares: the source mapped into memory, and the target
// written to a temporary file in its folder and renamed over it only when complete.
#pragma once

#include <QFile>
#include <QString>
#include <cstdint>

#include "LosslessCopy.h"
#include "OutputFile.h"

namespace workflow {

// A source file mapped for reading; empty when it cannot be opened or mapped.
class MappedSource {
public:
    explicit MappedSource(const QString& path);
    const std::uint8_t* data() const { return data_; }
    std::int64_t size() const { return size_; }
    bool ok() const { return data_ != nullptr; }

private:
    QFile file_;
    const std::uint8_t* data_ = nullptr;
    std::int64_t size_ = 0;
};

// The new target, written through the jobs' OutputFile (a temporary file beside it, renamed
// over it by Commit). Every write is checked; a failure throws std::runtime_error naming the
// target. Nothing reaches the target's name until Commit.
class CopyTarget {
public:
    // total: the bytes the copy will write, for the progress it reports.
    CopyTarget(const QString& path, std::int64_t total, const CopyTick& tick);
    // Writes in pieces, reporting progress between them; false when the user cancelled.
    bool Write(const std::uint8_t* bytes, std::int64_t count);
    void Commit();

private:
    OutputFile out_;
    QFile file_;
    std::int64_t total_, written_ = 0;
    const CopyTick& tick_;
};

// CRC-16 with the reflected polynomial 0xA001, as the MP3 info frame stores it.
std::uint16_t Crc16(const std::uint8_t* p, std::int64_t n, std::uint16_t crc = 0);

}  // namespace workflow
