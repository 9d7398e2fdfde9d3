// MP3 span copy. The decoder output of a Layer III frame depends on the frame before it
// (the transform overlap and the synthesis filter, both shorter than two granules) and on
// the bytes the bit reservoir borrows from earlier frames. So the copy holds, in order:
// an info frame; one silent frame we make, whose spare bytes carry the reservoir bytes the
// first copied frame points back to; the history frames (one of two granules, two of one
// granule); then the frames of the span. The info frame's encoder delay and padding tell
// a gapless decoder to drop everything outside the span.
#include <QCoreApplication>
#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "CopyTarget.h"
#include "Mp3Stream.h"

namespace workflow {

namespace {

constexpr int kDecoderDelay = 529;  // what gapless decoders add to the stated encoder delay

// The silent frame: a header like `like`'s with another bitrate, side information all zero
// (no main data of its own), and its main data area ending with `reservoir`.
std::vector<std::uint8_t> SilentFrame(const Mp3Stream& s, const Mp3Frame& like, const std::vector<std::uint8_t>& reservoir) {
    int index = -1;
    const int room = s.sideInfo + 4;
    // The copied frame's own bitrate when the reservoir fits, so a constant stream stays one.
    if (Mp3FrameLength(s, like.bitrateIndex, 0) - room >= static_cast<int>(reservoir.size()))
        index = like.bitrateIndex;
    for (int i = 1; i < 15 && index < 0; ++i)
        if (Mp3FrameLength(s, i, 0) - room >= static_cast<int>(reservoir.size())) index = i;
    if (index < 0) return {};
    std::vector<std::uint8_t> f(static_cast<std::size_t>(Mp3FrameLength(s, index, 0)), 0);
    Mp3WriteHeader(f.data(), s, like, index);
    std::copy(reservoir.begin(), reservoir.end(), f.end() - static_cast<std::ptrdiff_t>(reservoir.size()));
    return f;
}

void Put32(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v >> 24);
    p[1] = static_cast<std::uint8_t>(v >> 16);
    p[2] = static_cast<std::uint8_t>(v >> 8);
    p[3] = static_cast<std::uint8_t>(v);
}

}  // namespace

std::vector<std::uint8_t> Mp3ReservoirBefore(const std::uint8_t* data, const Mp3Stream& s, int h, int count) {
    std::vector<std::uint8_t> out(static_cast<std::size_t>(count), 0);
    int need = count;
    for (int j = h - 1; j >= 0 && need > 0; --j) {
        const Mp3Frame& f = s.frames[static_cast<std::size_t>(j)];
        const int take = std::min(need, f.mainSize());
        std::memcpy(out.data() + (need - take), data + f.offset + f.length - take, static_cast<std::size_t>(take));
        need -= take;
    }
    return out;
}

std::vector<std::uint8_t> Mp3InfoFrame(const Mp3Stream& s, const Mp3Frame& like, const Mp3InfoFacts& facts) {
    const int xing = 4 + s.sideInfo;
    const int lame = xing + 120;
    const int needed = lame + 36;
    int index = 1;
    while (index < 14 && Mp3FrameLength(s, index, 0) < needed) ++index;
    std::vector<std::uint8_t> f(static_cast<std::size_t>(Mp3FrameLength(s, index, 0)), 0);
    Mp3WriteHeader(f.data(), s, like, index);
    std::uint8_t* x = f.data() + xing;
    std::memcpy(x, facts.constantBitrate ? "Info" : "Xing", 4);
    Put32(x + 4, 0x0F);  // frames, bytes, table of contents, quality
    Put32(x + 8, static_cast<std::uint32_t>(facts.frameOffsets.size()));
    const std::int64_t bytes = facts.audioBytes + static_cast<std::int64_t>(f.size());
    Put32(x + 12, static_cast<std::uint32_t>(bytes));
    const std::size_t n = facts.frameOffsets.size();
    for (int i = 0; i < 100; ++i) {
        const std::size_t frame = std::min(n - 1, static_cast<std::size_t>(i) * n / 100);
        const std::int64_t at = static_cast<std::int64_t>(f.size()) + facts.frameOffsets[frame];
        x[16 + i] = static_cast<std::uint8_t>(std::min<std::int64_t>(255, at * 256 / bytes));
    }
    Put32(x + 116, static_cast<std::uint32_t>(s.quality));
    std::uint8_t* t = f.data() + lame;
    std::memcpy(t, s.lameTag.data(), s.lameTag.size());
    // Decoders take the delay and padding only after an encoder name they know.
    if (!s.hasLame) std::memcpy(t, "LAME", 4);
    std::memset(t + 11, 0, 8);  // peak and replay gain: the source's do not hold for a part of it
    t[21] = static_cast<std::uint8_t>(facts.delay >> 4);
    t[22] = static_cast<std::uint8_t>(((facts.delay & 15) << 4) | (facts.padding >> 8));
    t[23] = static_cast<std::uint8_t>(facts.padding);
    t[25] = 0;
    Put32(t + 28, static_cast<std::uint32_t>(bytes));
    t[32] = static_cast<std::uint8_t>(facts.musicCrc >> 8);
    t[33] = static_cast<std::uint8_t>(facts.musicCrc);
    const std::uint16_t crc = Crc16(f.data(), lame + 34);
    t[34] = static_cast<std::uint8_t>(crc >> 8);
    t[35] = static_cast<std::uint8_t>(crc);
    return f;
}

Mp3CopyPlan PlanMp3Copy(const std::uint8_t* data, const Mp3Stream& s, std::int64_t a, std::int64_t b) {
    Mp3CopyPlan plan;
    const std::int64_t spf = s.samplesPerFrame;
    const std::int64_t lead = s.hasLame ? s.delay + kDecoderDelay : 0;
    const std::int64_t A = a + lead, B = b + lead;
    const std::int64_t n = static_cast<std::int64_t>(s.frames.size());
    if (b <= a) {
        plan.problem = QCoreApplication::translate("LosslessCopy", "the span is empty");
        return plan;
    }
    const std::int64_t last = (B - 1) / spf;
    if (last >= n) {
        plan.problem =
            QCoreApplication::translate("LosslessCopy", "the span reaches past the last whole frame");
        return plan;
    }
    const int history = spf == 1152 ? 1 : 2;
    const std::int64_t first = std::max<std::int64_t>(0, A / spf - history);
    const Mp3Frame& f = s.frames[static_cast<std::size_t>(first)];
    plan.silent = SilentFrame(s, f, Mp3ReservoirBefore(data, s, static_cast<int>(first), f.mainDataBegin));
    if (plan.silent.empty()) {
        plan.problem =
            QCoreApplication::translate("LosslessCopy", "the bit reservoir does not fit in one frame");
        return plan;
    }
    plan.first = first;
    plan.last = last;
    const std::int64_t origin = (first - 1) * spf;  // source position of the silent frame's first sample
    plan.delay = static_cast<int>(A - origin - kDecoderDelay);
    plan.padding = static_cast<int>((last + 1) * spf + kDecoderDelay - B);
    return plan;
}

CopyResult CopyMp3Span(const QString& source, const QString& target, std::int64_t startMs, std::int64_t endMs,
                       const CopyTick& tick) {
    CopyResult result;
    MappedSource src(source);
    if (!src.ok()) {
        result.reason = QCoreApplication::translate("LosslessCopy", "the source cannot be read");
        return result;
    }
    const Mp3Stream s = ScanMp3(src.data(), src.size());
    if (!s.problem.isEmpty()) {
        result.reason = s.problem;
        return result;
    }
    const std::int64_t a = FrameOfTime(startMs, s.sampleRate);
    const std::int64_t b = std::min(FrameOfTime(endMs, s.sampleRate), s.decodedFrames);
    const Mp3CopyPlan plan = PlanMp3Copy(src.data(), s, a, b);
    if (!plan.problem.isEmpty()) {
        result.reason = plan.problem;
        return result;
    }
    if (s.damagedAt >= 0 && plan.last >= static_cast<std::int64_t>(s.frames.size()) - 1) {
        result.reason = QCoreApplication::translate("LosslessCopy", "the frames end in damaged data");
        return result;
    }
    const Mp3Frame& firstFrame = s.frames[static_cast<std::size_t>(plan.first)];
    const Mp3Frame& lastFrame = s.frames[static_cast<std::size_t>(plan.last)];
    const std::uint8_t* body = src.data() + firstFrame.offset;
    const std::int64_t bodySize = lastFrame.offset + lastFrame.length - firstFrame.offset;

    Mp3InfoFacts facts;
    facts.delay = plan.delay;
    facts.padding = plan.padding;
    facts.audioBytes = static_cast<std::int64_t>(plan.silent.size()) + bodySize;
    facts.frameOffsets.push_back(0);
    bool constant = true;
    for (std::int64_t i = plan.first; i <= plan.last; ++i) {
        const Mp3Frame& fr = s.frames[static_cast<std::size_t>(i)];
        facts.frameOffsets.push_back(static_cast<std::int64_t>(plan.silent.size()) + fr.offset - firstFrame.offset);
        constant = constant && fr.bitrateIndex == firstFrame.bitrateIndex;
    }
    facts.constantBitrate = constant && Mp3BitrateIndex(plan.silent.data()) == firstFrame.bitrateIndex;
    facts.musicCrc = Crc16(body, bodySize, Crc16(plan.silent.data(), static_cast<std::int64_t>(plan.silent.size())));
    const std::vector<std::uint8_t> info = Mp3InfoFrame(s, firstFrame, facts);

    CopyTarget out(target, static_cast<std::int64_t>(info.size()) + facts.audioBytes, tick);
    if (!out.Write(info.data(), static_cast<std::int64_t>(info.size())) ||
        !out.Write(plan.silent.data(), static_cast<std::int64_t>(plan.silent.size())) || !out.Write(body, bodySize)) {
        result.outcome = CopyResult::Cancelled;
        return result;
    }
    out.Commit();
    result.outcome = CopyResult::Copied;
    result.frames = b - a;
    return result;
}

}  // namespace workflow
