// MP3 join. Each input brings its own encoder delay and padding, which one info frame
// cannot trim inside the file, so the frames are copied except a short run around each
// join: there the joined audio is decoded and encoded again, with the inputs' rate, mode
// and bitrate, into frames that take the place of the frames on both sides. The runs are
// encoded without the bit reservoir, so no copied frame lends them bytes; the last frame
// of a run carries, at its end, the bytes the first copied frame after it borrows.
//
// Frames keep their place on the frame grid, so a join is possible only where both sides'
// samples fall on the same place within a frame, as pieces cut from one encode do. Where
// adjacent pieces of one encode meet, their frames carry on as in the encode and the join
// is copied too, exact.
#include <lame/lame.h>

#include <QCoreApplication>
#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "CopyTarget.h"
#include "Mp3Stream.h"

namespace workflow {

namespace {

constexpr int kDecoderDelay = 529;  // what gapless decoders add to the stated encoder delay
constexpr int kLeadIn = 3;          // frames encoded before a run and dropped, to settle the encoder
constexpr int kRun = 3;             // frames encoded at each join: one before the join's frame, one after
constexpr int kLongestRun = 8;      // when the first copied frame's borrowed bytes fit in none before

using Bytes = std::vector<std::uint8_t>;

struct Input {
    std::unique_ptr<MappedSource> src;
    Mp3Stream s;
    int mode = 0;             // channel mode of the headers
    std::int64_t lead = 0;    // raw frames before decoded frame 0
    std::int64_t start = 0;   // output position (decoded frames) of its first frame
    std::int64_t offset = 0;  // output frame index of its frame 0
};

// A stretch of output frames: copied frames of an input, or frames made here.
struct Piece {
    int input = -1;
    std::int64_t from = 0, to = 0;
    std::vector<Bytes> made;
};

int Mode(const Mp3Frame& f) {
    return static_cast<int>((f.header >> 6) & 3);
}

// The bytes of main data a frame's granules use, from its side information.
int UsedMainBytes(const Mp3Stream& s, const std::uint8_t* frame, int headerBytes) {
    const std::uint8_t* side = frame + headerBytes;
    int bit = 0;
    const auto read = [&](int n) {
        int v = 0;
        for (int k = 0; k < n; ++k, ++bit) v = (v << 1) | ((side[bit >> 3] >> (7 - (bit & 7))) & 1);
        return v;
    };
    const int channels = s.mono ? 1 : 2;
    int granules = 1, rest = 51;
    if (s.version == 3) {
        read(9 + (s.mono ? 5 : 3) + 4 * channels);
        granules = 2;
        rest = 47;
    } else {
        read(8 + (s.mono ? 1 : 2));
    }
    int bits = 0;
    for (int g = 0; g < granules * channels; ++g) {
        bits += read(12);
        read(rest);
    }
    return (bits + 7) / 8;
}

// Decodes an input's frames [j0, j1) the way the span copy holds them (a made frame with
// the borrowed bytes, the history frames, the span's frames): the source's own samples,
// on the 16-bit scale the encoder takes.
bool Decode(const Input& in, std::int64_t j0, std::int64_t j1, std::vector<float>& left,
            std::vector<float>& right) {
    const Mp3CopyPlan plan = PlanMp3Copy(in.src->data(), in.s, j0, j1);
    if (!plan.problem.isEmpty()) return false;
    const Mp3Frame& first = in.s.frames[static_cast<std::size_t>(plan.first)];
    const Mp3Frame& last = in.s.frames[static_cast<std::size_t>(plan.last)];
    Bytes feed(plan.silent);
    feed.insert(feed.end(), in.src->data() + first.offset, in.src->data() + last.offset + last.length);
    feed.insert(feed.end(), plan.silent.begin(),
                plan.silent.end());  // lets the decoder finish the last frame
    hip_t hip = hip_decode_init();
    if (!hip) return false;
    std::vector<short> l(4608), r(4608), outL, outR;
    // The decoder answers at most one frame a call, and nothing for a call that only
    // parsed a header: it is called until it stops giving samples.
    int got = hip_decode1(hip, feed.data(), feed.size(), l.data(), r.data());
    for (int idle = 0; got >= 0 && idle < 2; got = hip_decode1(hip, nullptr, 0, l.data(), r.data())) {
        idle = got == 0 ? idle + 1 : 0;
        outL.insert(outL.end(), l.begin(), l.begin() + got);
        outR.insert(outR.end(), (in.s.mono ? l : r).begin(), (in.s.mono ? l : r).begin() + got);
    }
    hip_decode_exit(hip);
    const std::int64_t at = plan.delay + kDecoderDelay;
    if (got < 0 || static_cast<std::int64_t>(outL.size()) < at + (j1 - j0)) return false;
    for (std::int64_t i = at; i < at + (j1 - j0); ++i) {
        left.push_back(outL[static_cast<std::size_t>(i)]);
        right.push_back(outR[static_cast<std::size_t>(i)]);
    }
    return true;
}

// The joined decoded frames [g0, g1), silence outside the inputs.
bool JoinedSamples(const std::vector<Input>& inputs, std::int64_t g0, std::int64_t g1,
                   std::vector<float>& left, std::vector<float>& right) {
    left.assign(static_cast<std::size_t>(g1 - g0), 0.0f);
    right.assign(left.size(), 0.0f);
    const std::int64_t origin = inputs.front().start;
    for (const Input& in : inputs) {
        const std::int64_t a = in.start - origin, b = a + in.s.decodedFrames;
        const std::int64_t from = std::max(g0, a), to = std::min(g1, b);
        if (to <= from) continue;
        std::vector<float> l, r;
        if (!Decode(in, from - a, to - a, l, r)) return false;
        std::copy(l.begin(), l.end(), left.begin() + (from - g0));
        std::copy(r.begin(), r.end(), right.begin() + (from - g0));
    }
    return true;
}

// Encodes the joined audio for output frames [first, first + kLongestRun) and answers them:
// with the inputs' settings, or at a constant `kbps` when given.
std::vector<Bytes> EncodeRun(const std::vector<Input>& inputs, std::int64_t first, QString& problem,
                             int kbps = 0) {
    const Input& in = inputs.front();
    const Mp3Stream& s = in.s;
    const std::int64_t spf = s.samplesPerFrame;
    lame_global_flags* gf = lame_init();
    if (!gf) return {};
    std::unique_ptr<lame_global_flags, int (*)(lame_global_flags*)> guard(gf, lame_close);
    lame_set_in_samplerate(gf, s.sampleRate);
    lame_set_out_samplerate(gf, s.sampleRate);
    lame_set_num_channels(gf, s.mono ? 1 : 2);
    lame_set_mode(gf, static_cast<MPEG_mode>(in.mode));
    lame_set_disable_reservoir(gf, 1);
    lame_set_bWriteVbrTag(gf, 0);
    bool constant = true;
    for (const Input& i : inputs)
        for (const Mp3Frame& f : i.s.frames)
            constant = constant && f.bitrateIndex == s.frames.front().bitrateIndex;
    if (constant || kbps > 0) {
        lame_set_VBR(gf, vbr_off);
        lame_set_brate(gf, kbps > 0 ? kbps : Mp3Kbps(s, s.frames.front().bitrateIndex));
    } else {
        lame_set_VBR(gf, vbr_default);
        const int quality = static_cast<int>(s.quality);
        lame_set_VBR_quality(gf, quality > 0 && quality <= 100 ? std::clamp((100 - quality) / 10, 0, 9) : 4);
    }
    if (lame_init_params(gf) < 0) {
        problem =
            QCoreApplication::translate("LosslessCopy", "the encoder does not take the files' settings");
        return {};
    }
    // Encoded frame m decodes to the input samples from m x spf - encoder delay - decoder delay.
    const std::int64_t lag = lame_get_encoder_delay(gf) + kDecoderDelay;
    const std::int64_t g0 = first * spf - in.lead - kLeadIn * spf + lag;
    const std::int64_t g1 = (first + kLongestRun + 2) * spf - in.lead;
    std::vector<float> left, right;
    if (!JoinedSamples(inputs, g0, g1, left, right)) {
        problem = QCoreApplication::translate("LosslessCopy", "the frames around a join cannot be decoded");
        return {};
    }
    Bytes out(left.size() * 5 / 4 + 2 * 7200);
    int n = lame_encode_buffer_float(gf, left.data(), right.data(), static_cast<int>(left.size()), out.data(),
                                     static_cast<int>(out.size()));
    const int tail = n >= 0 ? lame_encode_flush(gf, out.data() + n, static_cast<int>(out.size()) - n) : -1;
    if (n < 0 || tail < 0) {
        problem = QCoreApplication::translate("LosslessCopy", "the frames around a join cannot be encoded");
        return {};
    }
    n += tail;
    const Mp3Stream made = ScanMp3(out.data(), n);
    if (!made.problem.isEmpty() || made.version != s.version || made.rateIndex != s.rateIndex ||
        static_cast<int>(made.frames.size()) < kLeadIn + kLongestRun) {
        problem = QCoreApplication::translate("LosslessCopy", "the frames around a join cannot be encoded");
        return {};
    }
    std::vector<Bytes> run;
    for (int m = kLeadIn; m < kLeadIn + kLongestRun; ++m) {
        const Mp3Frame& f = made.frames[static_cast<std::size_t>(m)];
        if (f.mainDataBegin != 0 || f.headerBytes != 4) {
            problem =
                QCoreApplication::translate("LosslessCopy", "the frames around a join cannot be encoded");
            return {};
        }
        Bytes frame(out.data() + f.offset, out.data() + f.offset + f.length);
        // The copyright, original, emphasis and private flags of the inputs' frames.
        constexpr std::uint32_t kFlags = 0x10Fu;
        const std::uint32_t h = (f.header & ~kFlags) | (s.frames.front().header & kFlags);
        for (int k = 0; k < 4; ++k)
            frame[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(h >> (24 - 8 * k));
        run.push_back(std::move(frame));
    }
    return run;
}

// Puts `reservoir` at the end of a made frame's main data, after the bytes it uses itself,
// at a higher bitrate when it does not fit.
bool CarryReservoir(const Mp3Stream& s, Bytes& frame, const Bytes& reservoir) {
    Mp3Frame f;
    f.header = (std::uint32_t{frame[0]} << 24) | (std::uint32_t{frame[1]} << 16) |
               (std::uint32_t{frame[2]} << 8) | frame[3];
    f.bitrateIndex = Mp3BitrateIndex(frame.data());
    const int head = 4 + s.sideInfo;
    const int used = head + UsedMainBytes(s, frame.data(), 4);
    const auto need = static_cast<int>(reservoir.size());
    if (static_cast<int>(frame.size()) - used < need) {
        int index = f.bitrateIndex + 1;
        while (index < 15 && Mp3FrameLength(s, index, 0) - used < need) ++index;
        if (index == 15) return false;
        Bytes bigger(static_cast<std::size_t>(Mp3FrameLength(s, index, 0)), 0);
        std::copy(frame.begin(), frame.begin() + used, bigger.begin());
        Mp3WriteHeader(bigger.data(), s, f, index);
        frame = std::move(bigger);
    }
    std::copy(reservoir.begin(), reservoir.end(), frame.end() - need);
    return true;
}

// Whether the right input's frames from output frame `t` on may follow the left's frames
// before it as they are: the frames they overlap with (one of two granules, two of one
// granule) and the bytes those borrow are the same on both sides, as where adjacent pieces
// of one encode meet. Then nothing is encoded at the join.
bool Splices(const Input& left, const Input& right, std::int64_t t) {
    const int history = left.s.samplesPerFrame == 1152 ? 1 : 2;
    const std::int64_t l = t - history - left.offset, r = t - history - right.offset;
    if (l < 0 || r < 0 || l + history > static_cast<std::int64_t>(left.s.frames.size()) ||
        r + history >= static_cast<std::int64_t>(right.s.frames.size()))
        return false;
    for (int k = 0; k < history; ++k) {
        const Mp3Frame& a = left.s.frames[static_cast<std::size_t>(l + k)];
        const Mp3Frame& b = right.s.frames[static_cast<std::size_t>(r + k)];
        if (a.length != b.length ||
            std::memcmp(left.src->data() + a.offset, right.src->data() + b.offset, static_cast<std::size_t>(a.length)) != 0)
            return false;
    }
    const int borrowed = left.s.frames[static_cast<std::size_t>(l)].mainDataBegin;
    return Mp3ReservoirBefore(left.src->data(), left.s, static_cast<int>(l), borrowed) ==
           Mp3ReservoirBefore(right.src->data(), right.s, static_cast<int>(r), borrowed);
}

}  // namespace

CopyResult JoinMp3Files(const QStringList& paths, const QString& target, const CopyTick& tick) {
    CopyResult result;
    if (paths.isEmpty()) return result;
    std::vector<Input> inputs;
    for (const QString& path : paths) {
        Input in;
        in.src = std::make_unique<MappedSource>(path);
        if (!in.src->ok()) {
            result.reason = QCoreApplication::translate("LosslessCopy", "%1 cannot be read").arg(path);
            return result;
        }
        in.s = ScanMp3(in.src->data(), in.src->size());
        if (!in.s.problem.isEmpty()) {
            result.reason = in.s.problem;
            return result;
        }
        if (in.s.damagedAt >= 0) {
            result.reason = QCoreApplication::translate("LosslessCopy", "the frames end in damaged data");
            return result;
        }
        if (!in.s.hasLame) {
            result.reason =
                QCoreApplication::translate("LosslessCopy", "a file does not state its encoder delay");
            return result;
        }
        in.mode = Mode(in.s.frames.front());
        in.lead = in.s.delay + kDecoderDelay;
        const Input* first = inputs.empty() ? nullptr : &inputs.front();
        if (first && (in.s.version != first->s.version || in.s.rateIndex != first->s.rateIndex ||
                      in.mode != first->mode)) {
            result.reason = QCoreApplication::translate("LosslessCopy",
                                                        "the files differ in sample rate or channel mode");
            return result;
        }
        if (in.mode == 2) {  // dual channel: the encoder cannot make it
            result.reason = QCoreApplication::translate("LosslessCopy", "the files are dual channel");
            return result;
        }
        in.start = first ? inputs.back().start + inputs.back().s.decodedFrames : in.lead;
        inputs.push_back(std::move(in));
    }
    const std::int64_t spf = inputs.front().s.samplesPerFrame;
    for (Input& in : inputs) {
        if ((in.start - in.lead) % spf != 0) {
            result.reason = QCoreApplication::translate(
                "LosslessCopy",
                "the files' frames do not line up at the joins (only pieces of one encoding do)");
            return result;
        }
        in.offset = (in.start - in.lead) / spf;
    }

    // The pieces: each input's frames, and a run of made frames at each join.
    std::vector<Piece> pieces;
    std::int64_t next = 0;  // the next output frame
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        const Input& in = inputs[i];
        const auto count = static_cast<std::int64_t>(in.s.frames.size());
        // The first output frame after the left input's last sample.
        const std::int64_t after = i + 1 < inputs.size() ? (inputs[i + 1].start + spf - 1) / spf : 0;
        const bool splice = i + 1 < inputs.size() && Splices(in, inputs[i + 1], after);
        const std::int64_t until = i + 1 == inputs.size() ? in.offset + count
                                   : splice               ? after
                                                          : inputs[i + 1].start / spf - 1;
        if (next - in.offset < 0 || until <= next || until - in.offset > count) {
            result.reason = QCoreApplication::translate(
                "LosslessCopy", "a file is too short to be joined without re-encoding");
            return result;
        }
        pieces.push_back({static_cast<int>(i), next - in.offset, until - in.offset, {}});
        next = until;
        if (i + 1 == inputs.size()) break;
        if (splice) continue;
        Piece run;
        run.made = EncodeRun(inputs, next, result.reason);
        if (run.made.empty()) return result;
        // The shortest run after which the first copied frame's borrowed bytes fit at the
        // end of the run's last frame.
        const Input& right = inputs[i + 1];
        bool carried = false;
        for (int length = kRun; length <= kLongestRun && !carried; ++length) {
            const std::int64_t c = next + length - right.offset;
            if (c < 1 || c >= static_cast<std::int64_t>(right.s.frames.size())) break;
            Bytes last = run.made[static_cast<std::size_t>(length - 1)];
            const Mp3Frame& borrower = right.s.frames[static_cast<std::size_t>(c)];
            carried = CarryReservoir(
                right.s, last,
                Mp3ReservoirBefore(right.src->data(), right.s, static_cast<int>(c), borrower.mainDataBegin));
            if (!carried) continue;
            run.made.resize(static_cast<std::size_t>(length));
            run.made.back() = std::move(last);
            next += length;
        }
        // Frames that fill themselves (high bitrates) leave no room for those bytes: the
        // run's last frame is then taken from an encode at a lower bitrate, and grows.
        const std::int64_t c = next + kRun - right.offset;
        if (!carried && c >= 1 && c < static_cast<std::int64_t>(right.s.frames.size())) {
            const int borrowed = right.s.frames[static_cast<std::size_t>(c)].mainDataBegin;
            int index = 14;
            while (index > 1 && Mp3FrameLength(right.s, index, 0) > Mp3FrameLength(right.s, 14, 0) - borrowed)
                --index;
            std::vector<Bytes> lower = EncodeRun(inputs, next, result.reason, Mp3Kbps(right.s, index));
            if (lower.empty()) return result;
            Bytes last = lower[kRun - 1];
            carried = CarryReservoir(
                right.s, last, Mp3ReservoirBefore(right.src->data(), right.s, static_cast<int>(c), borrowed));
            if (carried) {
                run.made.resize(kRun);
                run.made.back() = std::move(last);
                next += kRun;
            }
        }
        if (!carried) {
            result.reason = QCoreApplication::translate(
                "LosslessCopy", "the bit reservoir does not fit in the frames around a join");
            return result;
        }
        pieces.push_back(std::move(run));
        ++result.encodedJoins;
    }

    // The info frame's facts.
    const Input& head = inputs.front();
    std::int64_t decoded = 0;
    for (const Input& in : inputs) decoded += in.s.decodedFrames;
    Mp3InfoFacts facts;
    facts.delay = head.s.delay;
    facts.padding = static_cast<int>(next * spf + kDecoderDelay - head.lead - decoded);
    if (facts.padding < 0 || facts.padding > 4095) {
        result.reason =
            QCoreApplication::translate("LosslessCopy", "the joined file's padding cannot be stated");
        return result;
    }
    const int bitrate0 = head.s.frames.front().bitrateIndex;
    bool constant = true;
    const auto frameAt = [&](const std::uint8_t* p, int length) {
        facts.frameOffsets.push_back(facts.audioBytes);
        facts.audioBytes += length;
        facts.musicCrc = Crc16(p, length, facts.musicCrc);
        constant = constant && Mp3BitrateIndex(p) == bitrate0;
    };
    for (const Piece& p : pieces) {
        if (p.input < 0) {
            for (const Bytes& f : p.made) frameAt(f.data(), static_cast<int>(f.size()));
            continue;
        }
        const Input& in = inputs[static_cast<std::size_t>(p.input)];
        for (std::int64_t k = p.from; k < p.to; ++k) {
            const Mp3Frame& f = in.s.frames[static_cast<std::size_t>(k)];
            frameAt(in.src->data() + f.offset, f.length);
        }
    }
    facts.constantBitrate = constant;
    const Bytes info = Mp3InfoFrame(head.s, head.s.frames.front(), facts);

    CopyTarget out(target, static_cast<std::int64_t>(info.size()) + facts.audioBytes, tick);
    bool going = out.Write(info.data(), static_cast<std::int64_t>(info.size()));
    for (const Piece& p : pieces) {
        if (!going) break;
        if (p.input < 0) {
            for (const Bytes& f : p.made)
                going = going && out.Write(f.data(), static_cast<std::int64_t>(f.size()));
            continue;
        }
        const Input& in = inputs[static_cast<std::size_t>(p.input)];
        const Mp3Frame& a = in.s.frames[static_cast<std::size_t>(p.from)];
        const Mp3Frame& b = in.s.frames[static_cast<std::size_t>(p.to - 1)];
        going = out.Write(in.src->data() + a.offset, b.offset + b.length - a.offset);
    }
    if (!going) {
        result.outcome = CopyResult::Cancelled;
        return result;
    }
    out.Commit();
    result.outcome = CopyResult::Copied;
    result.frames = decoded;
    return result;
}

}  // namespace workflow
