#include "Peaks.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace workflow {

namespace {

// One sample as -32768..32767, whatever its stored form.
template <int Tag, int Bits>
inline int SampleAt(const std::uint8_t* p) {
    if constexpr (Tag == 1 && Bits == 8) return (int(p[0]) - 128) << 8;
    if constexpr (Tag == 1 && Bits == 16) {
        std::int16_t v;
        std::memcpy(&v, p, 2);
        return v;
    }
    if constexpr (Tag == 1 && Bits == 24) return std::int16_t(std::uint16_t(p[1] | (p[2] << 8)));
    if constexpr (Tag == 1 && Bits == 32) {
        std::int32_t v;
        std::memcpy(&v, p, 4);
        return v >> 16;
    }
    if constexpr (Tag == 3) {
        double v;
        if constexpr (Bits == 32) {
            float f;
            std::memcpy(&f, p, 4);
            v = f;
        } else {
            std::memcpy(&v, p, 8);
        }
        if (!(v == v)) return 0;  // NaN
        return int(std::clamp(v, -1.0, 1.0) * 32767.0);
    }
    return 0;
}

template <int Tag, int Bits>
void FoldAs(PeakData& d, int channels, const std::uint8_t* p, std::int64_t frames) {
    constexpr int step = Bits / 8;
    std::int64_t done = 0;
    while (done < frames) {
        const std::int64_t inBucket = d.frames % d.bucketFrames;
        if (inBucket == 0) {
            d.lo.push_back(32767);
            d.hi.push_back(-32768);
        }
        const std::int64_t n = std::min<std::int64_t>(frames - done, d.bucketFrames - inBucket);
        int lo = d.lo.back(), hi = d.hi.back();
        const std::uint8_t* q = p + done * channels * step;
        for (std::int64_t i = 0, count = n * channels; i < count; ++i, q += step) {
            const int v = SampleAt<Tag, Bits>(q);
            lo = v < lo ? v : lo;
            hi = v > hi ? v : hi;
        }
        d.lo.back() = std::int16_t(std::max(lo, -32767));
        d.hi.back() = std::int16_t(std::max(hi, -32767));
        d.frames += n;
        done += n;
    }
}

}  // namespace

std::int64_t PeakData::FrameOfMs(double ms) const { return std::llround(ms * sampleRate / 1000.0); }

double PeakData::MsOfFrame(std::int64_t frame) const { return sampleRate > 0 ? frame * 1000.0 / sampleRate : 0.0; }

bool PeakData::Range(std::int64_t fromFrame, std::int64_t toFrame, float& low, float& high) const {
    const std::int64_t b0 = std::max<std::int64_t>(0, (fromFrame - firstFrame) / bucketFrames);
    const std::int64_t end = toFrame - firstFrame;
    const std::int64_t b1 = std::min<std::int64_t>(Buckets(), end <= 0 ? 0 : (end + bucketFrames - 1) / bucketFrames);
    if (b0 >= b1) return false;
    const auto [l, h] = std::pair(*std::min_element(lo.begin() + b0, lo.begin() + b1),
                                  *std::max_element(hi.begin() + b0, hi.begin() + b1));
    low = l / 32767.0f;
    high = h / 32767.0f;
    return true;
}

bool PeakData::Fold(const PcmFormat& f, const std::uint8_t* p, std::int64_t n) {
    if (sampleRate == 0) sampleRate = f.sampleRate;
    if (f.sampleRate != sampleRate || !f.Usable()) return false;
    if (n <= 0) return true;
    const int c = f.channels;
    switch (f.formatTag * 100 + f.bits) {
        case 108: FoldAs<1, 8>(*this, c, p, n); break;
        case 116: FoldAs<1, 16>(*this, c, p, n); break;
        case 124: FoldAs<1, 24>(*this, c, p, n); break;
        case 132: FoldAs<1, 32>(*this, c, p, n); break;
        case 332: FoldAs<3, 32>(*this, c, p, n); break;
        case 364: FoldAs<3, 64>(*this, c, p, n); break;
        default: return false;
    }
    return true;
}

bool PeakData::Fold(const VARIANT& block) {
    bool folded = false;
    WithSamples(block, [&](const PcmFormat& f, const std::uint8_t* p, std::int64_t n) { folded = Fold(f, p, n); });
    return folded;
}

PeakBuilder::~PeakBuilder() { Abort(); }

void PeakBuilder::Begin(const QString& path) {
    Abort();
    data_ = PeakData();
    failed_ = false;
    path_ = path;
    reader_.Open(path);
    open_ = true;
    try {
        const StreamInfo info = reader_.Info();
        // About 100 ms of audio a read: few enough calls that their cost does not count,
        // short enough that one read stays far below the step's budget.
        chunk_ = std::max<std::int64_t>(1, PlayBlockUnits(info.sampleRate, info.channels, info.sampleSize,
                                                          info.compressRate) / 10);
    } catch (...) {
        Abort();
        throw;
    }
}

void PeakBuilder::Finish() {
    open_ = false;
    try {
        reader_.Close();
    } catch (...) {
    }
}

bool PeakBuilder::Step(int budgetMs) {
    if (!open_) return true;
    QElapsedTimer clock;
    clock.start();
    try {
        do {
            AudioBlock block = reader_.Read(chunk_);
            if (block.Empty()) {
                data_.complete = true;
                Finish();
                return true;
            }
            data_.Fold(*block.Get());
        } while (clock.elapsed() < budgetMs);
    } catch (...) {
        failed_ = true;
        Finish();
        return true;
    }
    return false;
}

void PeakBuilder::Abort() {
    if (open_) Finish();
}

PeakData ReadDetail(AudioReader& reader, const QString& path, std::int64_t fromMs, std::int64_t toMs) {
    PeakData d;
    d.bucketFrames = 1;
    reader.Open(path);
    try {
        const StreamInfo info = reader.Info();
        d.sampleRate = info.sampleRate;
        d.firstFrame = d.FrameOfMs(double(fromMs));
        const std::int64_t want = std::max<std::int64_t>(0, d.FrameOfMs(double(toMs)) - d.firstFrame);
        if (fromMs > 0) reader.SeekTime(fromMs);
        const std::int64_t chunk = std::max<std::int64_t>(
            1, PlayBlockUnits(info.sampleRate, info.channels, info.sampleSize, info.compressRate) / 10);
        while (d.frames < want) {
            AudioBlock block = reader.Read(chunk);
            if (block.Empty()) break;
            KeepFrames(block, want - d.frames);
            if (!d.Fold(*block.Get())) break;
        }
    } catch (...) {
        reader.Close();
        throw;
    }
    reader.Close();
    d.complete = true;
    return d;
}

}  // namespace workflow
