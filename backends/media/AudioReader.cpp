#include "AudioReader.h"

#include <algorithm>
#include <cmath>

#include "StreamLimits.h"

namespace kez::media {

namespace {
const StreamInfo kNone{};
}

void AudioReader::Open(const std::string& path) {
    Close();
    CheckMetadataBudget(path);
    auto decoder = std::make_unique<Decoder>(path);
    CheckStreamFacts(path, decoder->Info());
    decoder_ = std::move(decoder);
}

void AudioReader::Close() {
    decoder_.reset();
    pos_ = base_ = 0;
}

const StreamInfo& AudioReader::Info() const { return decoder_ ? decoder_->Info() : kNone; }

std::int64_t AudioReader::FrameOfUnit(std::int64_t u) const {
    std::int64_t size = Size();
    if (size <= 0) return 0;
    u = std::clamp<std::int64_t>(u, 0, size);
    return static_cast<std::int64_t>(static_cast<__int128>(u) * Info().frames / size);
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
    const StreamInfo& i = Info();
    std::int64_t u = 0;
    if (i.durationMs > 0 && ms >= i.durationMs) {
        u = i.fileSize;  // the duration is rounded: its time is the end, not a frame near it
    } else if (i.frames > 0 && i.sampleRate > 0 && ms > 0) {
        // The time's frame first, then the first unit that maps onto that frame: a cut at a
        // time falls on the same frame whatever the file's header holds.
        const __int128 frame = (static_cast<__int128>(ms) * i.sampleRate + 500) / 1000;
        u = static_cast<std::int64_t>((frame * i.fileSize + i.frames - 1) / i.frames);
    }
    base_ = 0;
    SeekToUnit(u);
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
    decoder_->Read(frames, block);
    return block;
}

}  // namespace kez::media
