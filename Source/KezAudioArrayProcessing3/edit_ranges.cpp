#include "KezAudioArrayProcessing3/edit_ranges.h"

#include <algorithm>
#include <utility>

namespace kez::array {

namespace {

std::int64_t FrameOffset(LONG frames, WORD blockAlign) { return std::int64_t(frames) * blockAlign; }

std::int64_t Clamp(std::int64_t v, std::int64_t dataSize) { return std::max<std::int64_t>(0, std::min(v, dataSize)); }

// Data byte offsets [a, b) of a frame range, ordered and clamped.
std::pair<std::size_t, std::size_t> FrameRange(Bytes array, LONG first, LONG last) {
    WORD ba = WaveHeader::Read(array).blockAlign;
    std::int64_t d = std::int64_t(array.size() - kHeaderSize);
    std::int64_t a = FrameOffset(first, ba), b = FrameOffset(last, ba);
    if (a > b) std::swap(a, b);
    return {std::size_t(Clamp(a, d)), std::size_t(Clamp(b, d))};
}

Bytes Data(Bytes array) { return array.subspan(kHeaderSize); }

}  // namespace

Pieces CropRanges(Bytes array, LONG firstSample, LONG lastSample) {
    auto [a, b] = FrameRange(array, firstSample, lastSample);
    Pieces p;
    p.Add(array.first(kHeaderSize));
    p.Add(Data(array).subspan(a, b - a));
    return p;
}

Pieces DeleteRanges(Bytes array, LONG firstSample, LONG lastSample) {
    auto [a, b] = FrameRange(array, firstSample, lastSample);
    Pieces p;
    p.Add(array.first(kHeaderSize));
    p.Add(Data(array).first(a));
    p.Add(Data(array).subspan(b));
    return p;
}

SplitRanges SplitAt(Bytes array, LONG splitSample) {
    SplitRanges r;
    std::int64_t d = std::int64_t(array.size() - kHeaderSize);
    std::int64_t pos = std::max<std::int64_t>(0, FrameOffset(splitSample, WaveHeader::Read(array).blockAlign));
    if (pos > d) {
        r.beyondEnd = true;
        r.first.Add(array);
        return r;
    }
    r.first.Add(array.first(kHeaderSize));
    r.first.Add(Data(array).first(std::size_t(pos)));
    r.second.Add(array.first(kHeaderSize));
    r.second.Add(Data(array).subspan(std::size_t(pos)));
    return r;
}

std::optional<Pieces> MergeRanges(Bytes first, Bytes second) {
    if (first.size() < kHeaderSize || second.size() < kHeaderSize) return std::nullopt;
    WaveHeader h1 = WaveHeader::Read(first), h2 = WaveHeader::Read(second);
    // Average byte rate and block align may differ between two pieces of one stream.
    if (h1.formatTag != h2.formatTag || h1.channels != h2.channels || h1.samplesPerSec != h2.samplesPerSec ||
        h1.bitsPerSample != h2.bitsPerSample || h1.cbSize != h2.cbSize)
        return std::nullopt;
    std::size_t skip = std::min(second.size(), kHeaderSize + h2.cbSize);
    Pieces p;
    p.Add(first);
    p.Add(second.subspan(skip));
    return p;
}

Pieces InsertRanges(Bytes main, Bytes inserted, LONG insertSample) {
    std::int64_t d = std::int64_t(main.size() - kHeaderSize);
    std::size_t pos = std::size_t(Clamp(FrameOffset(insertSample, WaveHeader::Read(main).blockAlign), d));
    Pieces p;
    p.Add(main.first(kHeaderSize));
    p.Add(Data(main).first(pos));
    p.Add(inserted.size() > kHeaderSize ? Data(inserted) : Bytes{});
    p.Add(Data(main).subspan(pos));
    return p;
}

}  // namespace kez::array
