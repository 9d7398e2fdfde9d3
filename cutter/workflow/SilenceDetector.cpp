#include "SilenceDetector.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace workflow {

namespace {

struct BlockFormat {
    int tag = 0, channels = 0, rate = 0, bits = 0;
    int BlockAlign() const { return channels * (bits / 8); }
};

bool ReadHeader(const std::uint8_t* d, std::size_t size, BlockFormat& f) {
    if (!d || size < 18) return false;
    const auto u16 = [d](int at) { return static_cast<int>(d[at] | (d[at + 1] << 8)); };
    f.tag = u16(0);
    f.channels = u16(2);
    f.rate = static_cast<int>(d[4] | (d[5] << 8) | (d[6] << 16) | (std::uint32_t(d[7]) << 24));
    f.bits = u16(14);
    if (f.channels < 1 || f.rate < 1) return false;
    if (f.tag == 3) return f.bits == 32;
    return f.tag == 1 && (f.bits == 8 || f.bits == 16 || f.bits == 24 || f.bits == 32);
}

// One sample as a fraction of full scale.
double SampleAt(const std::uint8_t* p, const BlockFormat& f) {
    switch (f.bits) {
        case 8: return (int(p[0]) - 128) / 128.0;
        case 16: return std::int16_t(p[0] | (p[1] << 8)) / 32768.0;
        case 24: return (std::int32_t((std::uint32_t(p[0]) << 8) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 24)) >> 8) / 8388608.0;
        default:
            if (f.tag == 3) {
                float v;
                std::memcpy(&v, p, 4);
                return v;
            }
            std::int32_t v;
            std::memcpy(&v, p, 4);
            return v / 2147483648.0;
    }
}

}  // namespace

std::pair<const std::uint8_t*, std::size_t> BlockBytes(const AudioBlock& block) {
    const VARIANT* v = block.Get();
    if (v->vt != (VT_ARRAY | VT_UI1) || !v->parray || !v->parray->pvData) return {nullptr, 0};
    return {static_cast<const std::uint8_t*>(v->parray->pvData), v->parray->rgsabound[0].cElements};
}

SilenceDetector::SilenceDetector(const SilenceOptions& options, std::int64_t offsetMs)
    : options_(options), offsetMs_(offsetMs) {}

std::int64_t SilenceDetector::Ms(std::int64_t frame) const {
    return offsetMs_ + (rate_ ? (frame * 1000 + rate_ / 2) / rate_ : 0);
}

void SilenceDetector::Close(std::int64_t endFrame) {
    if (runStart_ >= 0 && endFrame - runStart_ >= minFrames_) silences_.push_back({Ms(runStart_), Ms(endFrame)});
    runStart_ = -1;
}

template <typename Sample>
void SilenceDetector::Run(const Sample* s, std::int64_t frames, int channels, Sample threshold, Sample zero) {
    std::int64_t frame = frames_;
    for (std::int64_t i = 0; i < frames; ++i, ++frame, s += channels) {
        bool loud = false;
        for (int c = 0; c < channels; ++c) {
            const Sample v = s[c] > zero ? s[c] - zero : zero - s[c];
            loud |= v > threshold;
        }
        if (!loud) {
            if (runStart_ < 0) runStart_ = frame;
        } else if (runStart_ >= 0) {
            Close(frame);
        }
    }
}

std::int64_t SilenceDetector::Feed(const std::uint8_t* block, std::size_t size, std::int64_t maxFrames) {
    BlockFormat f;
    if (!ReadHeader(block, size, f)) return 0;
    if (rate_ == 0) {
        rate_ = f.rate;
        minFrames_ = std::max<std::int64_t>(1, (options_.minLengthMs * rate_ + 999) / 1000);
    } else if (f.rate != rate_) {
        return 0;
    }
    const std::uint8_t* data = block + 18;
    const std::int64_t frames = std::min<std::int64_t>(maxFrames, static_cast<std::int64_t>((size - 18) / f.BlockAlign()));
    if (frames <= 0) return 0;
    const double level = std::pow(10.0, options_.thresholdDb / 20.0);
    if (f.tag == 3) {
        std::vector<float> buf(static_cast<std::size_t>(frames * f.channels));
        std::memcpy(buf.data(), data, buf.size() * 4);
        Run<float>(buf.data(), frames, f.channels, static_cast<float>(level), 0.0f);
    } else if (f.bits == 16) {
        std::vector<std::int32_t> buf(static_cast<std::size_t>(frames * f.channels));
        for (std::size_t i = 0; i < buf.size(); ++i) buf[i] = std::int16_t(data[2 * i] | (data[2 * i + 1] << 8));
        Run<std::int32_t>(buf.data(), frames, f.channels, static_cast<std::int32_t>(level * 32768.0), 0);
    } else {
        // The rarer depths, through full-scale fractions.
        std::vector<double> buf(static_cast<std::size_t>(frames * f.channels));
        const int width = f.bits / 8;
        for (std::size_t i = 0; i < buf.size(); ++i) buf[i] = SampleAt(data + i * width, f);
        Run<double>(buf.data(), frames, f.channels, level, 0.0);
    }
    frames_ += frames;
    return frames;
}

void SilenceDetector::Finish() { Close(frames_); }

SilenceScan::SilenceScan(AudioReader& reader, const QString& path, std::int64_t fromMs, std::int64_t toMs,
                         const SilenceOptions& options)
    : reader_(reader), detector_(options, fromMs), fromMs_(fromMs), toMs_(toMs) {
    reader_.Open(path);
    open_ = true;
    const StreamInfo info = reader_.Info();
    unitsPerSecond_ = info.duration > 0 ? std::max<std::int64_t>(1, info.size * 1000 / info.duration) : 1;
    reader_.SeekTime(fromMs);
    done_ = toMs <= fromMs;
}

SilenceScan::~SilenceScan() {
    if (open_) {
        try {
            reader_.Close();
        } catch (...) {
        }
    }
}

bool SilenceScan::Step(std::int64_t sliceMs) {
    if (done_) return false;
    std::int64_t readMs = 0;
    while (!done_ && readMs < sliceMs) {
        // Blocks of two seconds: few enough calls, small enough for the slices.
        const std::int64_t before = reader_.Position();
        AudioBlock block = reader_.Read(unitsPerSecond_ * 2);
        const auto [bytes, size] = BlockBytes(block);
        std::int64_t left = INT64_MAX;
        if (wantFrames_ >= 0) left = wantFrames_ - detector_.Frames();
        const std::int64_t took = detector_.Feed(bytes, size, left);
        if (wantFrames_ < 0 && detector_.SampleRate() > 0) {
            wantFrames_ = ((toMs_ - fromMs_) * detector_.SampleRate() + 500) / 1000;
            // The first block was taken whole: what lies past the span is not looked at again.
            if (detector_.Frames() > wantFrames_) wantFrames_ = detector_.Frames();
        }
        readMs += detector_.SampleRate() > 0 ? took * 1000 / detector_.SampleRate() : 2000;
        if (reader_.Position() == before || took == 0) ++stalls_;
        else stalls_ = 0;
        if ((wantFrames_ >= 0 && detector_.Frames() >= wantFrames_) || stalls_ > 2) done_ = true;
    }
    return !done_;
}

int SilenceScan::Percent() const {
    if (done_) return 100;
    if (wantFrames_ <= 0) return 0;
    return static_cast<int>(std::min<std::int64_t>(100, detector_.Frames() * 100 / wantFrames_));
}

std::vector<TimeSpan> SilenceScan::Finish() {
    detector_.Finish();
    if (open_) {
        open_ = false;
        reader_.Close();
    }
    std::vector<TimeSpan> out = detector_.Silences();
    for (TimeSpan& s : out) s.end = std::min(s.end, toMs_);
    return out;
}

std::vector<TimeSpan> SoundParts(const std::vector<TimeSpan>& silences, std::int64_t from, std::int64_t to) {
    std::vector<TimeSpan> parts;
    std::int64_t at = from;
    for (const TimeSpan& s : silences) {
        if (s.end <= from || s.start >= to) continue;
        if (s.start > at) parts.push_back({at, std::min(s.start, to)});
        at = std::max(at, s.end);
    }
    if (at < to) parts.push_back({at, to});
    return parts;
}

std::vector<TimeSpan> PiecesAtSilenceMiddles(const std::vector<TimeSpan>& silences, std::int64_t from, std::int64_t to) {
    std::vector<TimeSpan> pieces;
    std::int64_t at = from;
    for (const TimeSpan& s : silences) {
        const std::int64_t middle = s.start + (s.end - s.start) / 2;
        if (middle <= at || middle >= to) continue;
        pieces.push_back({at, middle});
        at = middle;
    }
    if (at < to) pieces.push_back({at, to});
    return pieces;
}

std::int64_t QuietestPointMs(const std::uint8_t* block, std::size_t size) {
    BlockFormat f;
    if (!ReadHeader(block, size, f) || f.BlockAlign() == 0) return -1;
    const std::int64_t frames = static_cast<std::int64_t>((size - 18) / f.BlockAlign());
    const std::int64_t window = std::max(1, f.rate / 100);
    if (frames < window) return frames > 0 ? frames * 500 / f.rate : -1;
    const std::uint8_t* data = block + 18;
    const int width = f.bits / 8;
    std::int64_t best = -1;
    double bestPower = 0;
    const std::int64_t middle = frames / 2;
    // Windows overlap by half, so a short quiet spot between two windows is not missed.
    for (std::int64_t w = 0; w + window <= frames; w += window / 2 > 0 ? window / 2 : 1) {
        double power = 0;
        for (std::int64_t i = w * f.channels; i < (w + window) * f.channels; ++i) {
            const double v = SampleAt(data + i * width, f);
            power += v * v;
        }
        const std::int64_t centre = w + window / 2;
        if (best < 0 || power < bestPower * (1 - 1e-9) ||
            (power <= bestPower * (1 + 1e-9) && std::llabs(centre - middle) < std::llabs(best - middle))) {
            best = centre;
            bestPower = power;
        }
    }
    return best * 1000 / f.rate;
}

}  // namespace workflow
