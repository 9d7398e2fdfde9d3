#include "CopyTarget.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <stdexcept>

namespace workflow {

std::int64_t FrameOfTime(std::int64_t ms, int sampleRate) {
    return static_cast<std::int64_t>((static_cast<__int128>(ms) * sampleRate + 500) / 1000);
}

MappedSource::MappedSource(const QString& path) : file_(path) {
    if (!file_.open(QIODevice::ReadOnly)) return;
    size_ = file_.size();
    if (size_ <= 0) return;
    data_ = file_.map(0, size_);
}

CopyTarget::CopyTarget(const QString& path, std::int64_t total, const CopyTick& tick)
    : out_(path), file_(out_.TempPath()), total_(std::max<std::int64_t>(total, 1)), tick_(tick) {
    if (!file_.open(QIODevice::WriteOnly))
        throw std::runtime_error("Unable to create the file " + path.toStdString() + ": " +
                                 file_.errorString().toStdString());
}

bool CopyTarget::Write(const std::uint8_t* bytes, std::int64_t count) {
    constexpr std::int64_t kPiece = 1 << 20;
    while (count > 0) {
        const std::int64_t n = std::min(count, kPiece);
        if (file_.write(reinterpret_cast<const char*>(bytes), n) != n)
            throw std::runtime_error("Unable to write the file " + out_.Target().toStdString() + ": " +
                                     file_.errorString().toStdString());
        bytes += n;
        count -= n;
        written_ += n;
        const int percent = static_cast<int>(std::min<std::int64_t>(100, written_ * 100 / total_));
        if (tick_ && !tick_(percent)) {
            file_.close();
            out_.Discard();
            return false;
        }
    }
    return true;
}

void CopyTarget::Commit() {
    const bool flushed = file_.flush();
    file_.close();
    if (!flushed || file_.error() != QFileDevice::NoError)
        throw std::runtime_error("Unable to write the file " + out_.Target().toStdString() + ": " +
                                 file_.errorString().toStdString());
    out_.Commit();
}

std::uint16_t Crc16(const std::uint8_t* p, std::int64_t n, std::uint16_t crc) {
    static const auto table = [] {
        std::array<std::uint16_t, 256> t{};
        for (unsigned i = 0; i < 256; ++i) {
            unsigned c = i;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ 0xA001 : c >> 1;
            t[i] = static_cast<std::uint16_t>(c);
        }
        return t;
    }();
    for (std::int64_t i = 0; i < n; ++i) crc = static_cast<std::uint16_t>((crc >> 8) ^ table[(crc ^ p[i]) & 0xff]);
    return crc;
}

}  // namespace workflow
