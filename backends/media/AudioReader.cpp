#include "AudioReader.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>

#include "StreamLimits.h"

namespace kez::media {

namespace {
const StreamInfo kNone{};
}

void AudioReader::Open(const std::string& path) {
    Close();
    auto decoder = std::make_unique<Decoder>(path);
    CheckStreamFacts(path, decoder->Info());
    decoder_ = std::move(decoder);
}

void AudioReader::Close() {
    decoder_.reset();
    pos_ = base_ = 0;
}

const StreamInfo& AudioReader::Info() const { return decoder_ ? decoder_->Info() : kNone; }

std::int64_t AudioReader::UnitOfTime(std::int64_t ms) const {
    const StreamInfo& i = Info();
    if (i.durationMs <= 0 || i.fileSize <= 0 || ms <= 0) return 0;
    if (ms >= i.durationMs) return i.fileSize;  // the duration is rounded: its time is the end
    // The ratio and the rounding (half to even) a caller uses to turn milliseconds into units.
    const double ratio = static_cast<double>(i.fileSize) / static_cast<double>(i.durationMs);
    return std::clamp<std::int64_t>(static_cast<std::int64_t>(std::nearbyint(static_cast<double>(ms) * ratio)), 0,
                                    i.fileSize);
}

std::int64_t AudioReader::FrameOfTime(std::int64_t ms) const {
    const StreamInfo& i = Info();
    if (ms <= 0) return 0;
    if (ms >= i.durationMs) return i.frames;
    const __int128 frame = (static_cast<__int128>(ms) * i.sampleRate + 500) / 1000;
    return static_cast<std::int64_t>(std::min<__int128>(frame, i.frames));
}

std::int64_t AudioReader::FrameOfUnit(std::int64_t u) const {
    const StreamInfo& i = Info();
    const std::int64_t size = Size();
    if (size <= 0) return 0;
    u = std::clamp<std::int64_t>(u, 0, size);
    if (i.durationMs <= 0 || size < i.durationMs) {
        // Fewer units than milliseconds: a unit is the finest step there is.
        return static_cast<std::int64_t>(static_cast<__int128>(u) * i.frames / size);
    }
    // A unit stands for the millisecond whose unit is nearest, so a position reached from a
    // time, by a seek or by the caller's own ratio (give or take a unit of rounding), starts
    // and ends at that time's exact frame, and pieces cut at the same time tile.
    const std::int64_t guess = static_cast<std::int64_t>(static_cast<__int128>(u) * i.durationMs / size);
    std::int64_t best = guess, bestDist = INT64_MAX;
    for (std::int64_t t = std::max<std::int64_t>(0, guess - 1); t <= std::min(i.durationMs, guess + 2); ++t) {
        const std::int64_t d = std::llabs(UnitOfTime(t) - u);
        if (d < bestDist) best = t, bestDist = d;
    }
    return FrameOfTime(best);
}

double AudioReader::CompressRate() const {
    const StreamInfo& i = Info();
    if (!IsOpen() || i.durationMs <= 0 || i.fileSize <= 0) return 1.0;
    std::int64_t second = i.fileSize * 1000 / i.durationMs;
    if (second < 1) second = 1;
    std::int32_t bytesPerSec = static_cast<std::int32_t>(static_cast<std::int64_t>(i.sampleRate) * i.channels *
                                                         i.sourceBits / 8);
    // A quarter unit above the integer keeps both Trunc and Round of the quotient on it.
    return bytesPerSec / (static_cast<double>(second) + 0.25);
}

void AudioReader::SeekToUnit(std::int64_t u) {
    pos_ = std::clamp<std::int64_t>(u, 0, Size());
    decoder_->Seek(FrameOfUnit(pos_));
}

void AudioReader::SeekTime(std::int64_t ms) {
    if (!IsOpen()) return;
    base_ = 0;
    SeekToUnit(UnitOfTime(ms));
}

void AudioReader::SeekUnits(std::int64_t units) {
    if (!IsOpen()) return;
    SeekToUnit(units);
    base_ = pos_;
}

std::vector<std::uint8_t> AudioReader::Read(std::int64_t count) {
    std::vector<std::uint8_t> block;
    if (!IsOpen() || count <= 0) return block;
    std::int64_t next = std::min(Size(), pos_ + count);
    std::int64_t frames = FrameOfUnit(next) - decoder_->Position();
    pos_ = next;
    if (frames <= 0) return block;
    block.resize(kBlockHeaderSize);
    WriteBlockHeader(decoder_->Format(), block.data());
    block.reserve(kBlockHeaderSize + static_cast<std::size_t>(frames) * decoder_->Format().BlockAlign());
    if (decoder_->Read(frames, block) < frames) pos_ = Size();  // the audio ended early: so does the data
    if (block.size() == kBlockHeaderSize) block.clear();
    return block;
}

}  // namespace kez::media
