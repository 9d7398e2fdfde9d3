// Ogg Vorbis span copy. A Vorbis packet's output is the overlap of its window with the
// previous packet's, and nothing else carries over, so the copy holds the source's three
// headers, the packet before the span (it gives no output of its own) and the packets of
// the span, in a new stream whose granule positions make the decoder drop the extra
// samples at the start (first audio page) and at the end (last page).
#include <QCoreApplication>
#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include "CopyTarget.h"

namespace workflow {

namespace {

struct Piece {
    std::int64_t offset;
    int length;
};

struct Packet {
    std::vector<Piece> pieces;
    std::int64_t size = 0;
    std::int64_t granule = -1;  // of the page it ends on, when it is that page's last
};

std::uint32_t OggCrc(const std::uint8_t* p, std::size_t n, std::uint32_t crc = 0) {
    static const auto table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i << 24;
            for (int k = 0; k < 8; ++k) c = (c & 0x80000000u) ? (c << 1) ^ 0x04C11DB7u : c << 1;
            t[i] = c;
        }
        return t;
    }();
    for (std::size_t i = 0; i < n; ++i) crc = (crc << 8) ^ table[((crc >> 24) ^ p[i]) & 0xff];
    return crc;
}

std::uint64_t Le(const std::uint8_t* p, int n) {
    std::uint64_t v = 0;
    for (int i = n - 1; i >= 0; --i) v = (v << 8) | p[i];
    return v;
}

struct OggStream {
    std::uint32_t serial = 0;
    std::vector<Packet> packets;
    QString problem;
};

OggStream ReadPackets(const std::uint8_t* data, std::int64_t size) {
    OggStream s;
    std::int64_t pos = 0;
    Packet open;
    bool first = true;
    while (pos < size) {
        if (size - pos < 27 || std::memcmp(data + pos, "OggS", 4) != 0 || data[pos + 4] != 0) {
            s.problem = QCoreApplication::translate("LosslessCopy", "the Ogg pages are damaged");
            return s;
        }
        const std::uint8_t* h = data + pos;
        const int segments = h[26];
        if (size - pos < 27 + segments) break;
        std::int64_t body = 0;
        for (int i = 0; i < segments; ++i) body += h[27 + i];
        const std::int64_t length = 27 + segments + body;
        if (size - pos < length) {
            s.problem = QCoreApplication::translate("LosslessCopy", "the last Ogg page is cut off");
            return s;
        }
        std::vector<std::uint8_t> page(h, h + length);
        std::memset(page.data() + 22, 0, 4);
        if (OggCrc(page.data(), page.size()) != static_cast<std::uint32_t>(Le(h + 22, 4))) {
            s.problem = QCoreApplication::translate("LosslessCopy", "an Ogg page fails its checksum");
            return s;
        }
        const auto serial = static_cast<std::uint32_t>(Le(h + 14, 4));
        if (first) s.serial = serial;
        if (serial != s.serial || (!first && (h[5] & 2))) {
            s.problem =
                QCoreApplication::translate("LosslessCopy", "the file holds chained or multiplexed streams");
            return s;
        }
        first = false;
        const auto granule = static_cast<std::int64_t>(Le(h + 6, 8));
        std::int64_t at = pos + 27 + segments;
        Packet* last = nullptr;
        for (int i = 0; i < segments; ++i) {
            const int lace = h[27 + i];
            if (lace > 0) {
                if (!open.pieces.empty() && open.pieces.back().offset + open.pieces.back().length == at)
                    open.pieces.back().length += lace;
                else
                    open.pieces.push_back({at, lace});
            }
            open.size += lace;
            at += lace;
            if (lace < 255) {
                s.packets.push_back(std::move(open));
                open = Packet();
                last = &s.packets.back();
            }
        }
        if (last) last->granule = granule;
        pos += length;
    }
    return s;
}

std::vector<std::uint8_t> Gather(const std::uint8_t* data, const Packet& p) {
    std::vector<std::uint8_t> out;
    out.reserve(static_cast<std::size_t>(p.size));
    for (const Piece& piece : p.pieces) out.insert(out.end(), data + piece.offset, data + piece.offset + piece.length);
    return out;
}

// The block flag of each mode, read backwards from the setup header's end: the modes are
// its last fields (each: flag, two 16-bit zero types, an 8-bit mapping) after their
// 6-bit count, and a framing bit closes it.
std::vector<bool> ModeFlags(const std::vector<std::uint8_t>& setup) {
    const auto bit = [&](std::int64_t i) { return (setup[static_cast<std::size_t>(i >> 3)] >> (i & 7)) & 1; };
    std::int64_t end = static_cast<std::int64_t>(setup.size()) * 8 - 1;
    while (end >= 0 && !bit(end)) --end;  // the framing bit
    const auto field = [&](std::int64_t from, int n) {
        unsigned v = 0;
        for (int k = n - 1; k >= 0; --k) v = (v << 1) | static_cast<unsigned>(bit(from + k));
        return v;
    };
    for (int count = 64; count >= 1; --count) {
        const std::int64_t start = end - 41 * count;
        if (start - 6 < 7 * 8) continue;
        if (static_cast<int>(field(start - 6, 6)) != count - 1) continue;
        bool fits = true;
        std::vector<bool> flags;
        for (int m = 0; m < count && fits; ++m) {
            const std::int64_t at = start + 41 * m;
            fits = field(at + 1, 16) == 0 && field(at + 17, 16) == 0 && field(at + 33, 8) < 64;
            flags.push_back(bit(at));
        }
        if (fits) return flags;
    }
    return {};
}

class PageWriter {
public:
    PageWriter(CopyTarget& out, std::uint32_t serial) : out_(out), serial_(serial) {}

    // Adds a packet ending at `granule`; a full page goes out when it ends a packet with
    // output (so no page of the first copied packet alone states a position before the
    // span) and `more` packets follow. False when the user cancelled.
    bool Add(const std::vector<std::uint8_t>& packet, std::int64_t granule, bool more = true) {
        std::size_t done = 0;
        for (;;) {
            const std::size_t lace = std::min<std::size_t>(255, packet.size() - done);
            lacing_.push_back(static_cast<std::uint8_t>(lace));
            body_.insert(body_.end(), packet.begin() + static_cast<std::ptrdiff_t>(done),
                         packet.begin() + static_cast<std::ptrdiff_t>(done + lace));
            done += lace;
            const bool ends = lace < 255;
            if (ends) granule_ = granule;
            if (lacing_.size() == 255) {
                if (!Flush(false)) return false;
                continued_ = !ends;
            }
            if (ends) break;
        }
        return body_.size() < 4096 || granule <= 0 || !more || Flush(false);
    }

    bool Flush(bool last) {
        if (lacing_.empty()) return true;
        std::vector<std::uint8_t> page(27 + lacing_.size());
        std::memcpy(page.data(), "OggS", 4);
        page[5] = static_cast<std::uint8_t>((continued_ ? 1 : 0) | (sequence_ == 0 ? 2 : 0) | (last ? 4 : 0));
        const auto put = [&](int at, std::uint64_t v, int n) {
            for (int i = 0; i < n; ++i) page[static_cast<std::size_t>(at + i)] = static_cast<std::uint8_t>(v >> (8 * i));
        };
        put(6, static_cast<std::uint64_t>(granule_), 8);
        put(14, serial_, 4);
        put(18, sequence_++, 4);
        page[26] = static_cast<std::uint8_t>(lacing_.size());
        std::copy(lacing_.begin(), lacing_.end(), page.begin() + 27);
        page.insert(page.end(), body_.begin(), body_.end());
        put(22, OggCrc(page.data(), page.size()), 4);
        lacing_.clear();
        body_.clear();
        continued_ = false;
        granule_ = -1;
        return out_.Write(page.data(), static_cast<std::int64_t>(page.size()));
    }

private:
    CopyTarget& out_;
    std::uint32_t serial_;
    std::uint32_t sequence_ = 0;
    std::vector<std::uint8_t> lacing_, body_;
    std::int64_t granule_ = -1;
    bool continued_ = false;
};

// The rate and channels of a single-stream Ogg Vorbis file, checked page by page.
bool VorbisFacts(const MappedSource& src, int& rate, int& channels, QString& problem) {
    const OggStream s = ReadPackets(src.data(), src.size());
    if (!s.problem.isEmpty() || s.packets.size() < 4) {
        problem = s.problem.isEmpty() ? QCoreApplication::translate("LosslessCopy", "a file holds no audio")
                                      : s.problem;
        return false;
    }
    const std::vector<std::uint8_t> id = Gather(src.data(), s.packets[0]);
    if (id.size() < 30 || std::memcmp(id.data(), "\x01vorbis", 7) != 0) {
        problem = QCoreApplication::translate("LosslessCopy", "a file is not Ogg Vorbis");
        return false;
    }
    channels = id[11];
    rate = static_cast<int>(Le(id.data() + 12, 4));
    return true;
}

// A single-stream Ogg Vorbis file's packets as the copies see them: the headers, where each
// audio packet's output ends (counted from the first audio packet), and which of those
// positions is the first decoded frame.
struct VorbisLayout {
    OggStream stream;
    std::vector<std::uint8_t> id, comment, setup;
    int rate = 0, channels = 0;
    std::vector<std::int64_t> ends;  // by packet index; the headers' are 0
    std::int64_t start = 0;          // the position of decoded frame 0
    std::int64_t total = 0;          // decoded frames
    QString problem;
};

VorbisLayout ReadVorbis(const std::uint8_t* data, std::int64_t size) {
    VorbisLayout v;
    v.stream = ReadPackets(data, size);
    const OggStream& s = v.stream;
    if (!s.problem.isEmpty() || s.packets.size() < 5) {
        v.problem = s.problem.isEmpty() ? QCoreApplication::translate("LosslessCopy", "the stream holds no audio")
                                        : s.problem;
        return v;
    }
    v.id = Gather(data, s.packets[0]);
    v.comment = Gather(data, s.packets[1]);
    v.setup = Gather(data, s.packets[2]);
    if (v.id.size() < 30 || std::memcmp(v.id.data(), "\x01vorbis", 7) != 0 || v.setup.size() < 8 ||
        std::memcmp(v.setup.data(), "\x05vorbis", 7) != 0) {
        v.problem = QCoreApplication::translate("LosslessCopy", "the stream is not Ogg Vorbis");
        return v;
    }
    v.channels = v.id[11];
    v.rate = static_cast<int>(Le(v.id.data() + 12, 4));
    const std::int64_t shortBlock = std::int64_t{1} << (v.id[28] & 15), longBlock = std::int64_t{1} << (v.id[28] >> 4);
    const std::vector<bool> modes = ModeFlags(v.setup);
    if (modes.empty() || v.rate <= 0) {
        v.problem = QCoreApplication::translate("LosslessCopy", "the Vorbis setup header cannot be read");
        return v;
    }
    int modeBits = 0;
    while ((1u << modeBits) < modes.size()) ++modeBits;

    const std::size_t n = s.packets.size();
    v.ends.assign(n, 0);
    std::int64_t previous = 0, position = 0, shift = 0, lastGranule = -1;
    bool shiftKnown = false;
    for (std::size_t i = 3; i < n; ++i) {
        const Packet& p = s.packets[i];
        if (p.size == 0 || (data[p.pieces.front().offset] & 1)) {
            v.problem = QCoreApplication::translate("LosslessCopy", "the stream holds a packet that is not audio");
            return v;
        }
        const unsigned mode = (data[p.pieces.front().offset] >> 1) & ((1u << modeBits) - 1);
        if (mode >= modes.size()) {
            v.problem = QCoreApplication::translate("LosslessCopy", "the Vorbis setup header cannot be read");
            return v;
        }
        const std::int64_t block = modes[mode] ? longBlock : shortBlock;
        if (previous) position += previous / 4 + block / 4;
        previous = block;
        v.ends[i] = position;
        if (p.granule >= 0) {
            if (!shiftKnown) shift = p.granule - position;
            shiftKnown = true;
            lastGranule = p.granule;
        }
    }
    const std::int64_t base = std::max<std::int64_t>(shift, 0);  // the granule of decoded frame 0
    v.total = std::min(lastGranule, position + shift) - base;
    v.start = base - shift;
    return v;
}

// Where `right`'s audio packets start repeating the end of `left`'s, so that the two play
// on as one stream: its first packets are `left`'s last ones, byte for byte, and its first
// decoded frame is the one after `left`'s last. Answers how many packets repeat, 0 when
// they do not join so.
std::size_t Overlap(const std::uint8_t* leftData, const VorbisLayout& left, const std::uint8_t* rightData,
                    const VorbisLayout& right) {
    const std::size_t nl = left.stream.packets.size(), nr = right.stream.packets.size();
    for (std::size_t k = 1; k <= 4 && 3 + k <= nl && 3 + k < nr; ++k) {
        bool same = true;
        for (std::size_t j = 0; j < k && same; ++j)
            same = Gather(leftData, left.stream.packets[nl - k + j]) == Gather(rightData, right.stream.packets[3 + j]);
        // Right's positions, moved onto left's: its first audio packet is left's packet nl - k.
        if (same && right.start + left.ends[nl - k] == left.start + left.total) return k;
    }
    return 0;
}

// The inputs as one stream with continuous positions, when they play on from each other:
// the same identification and setup headers (the comment header is the first's, rewritten
// with the merge's tags afterwards), and each input's first packets repeating the end of the
// one before, as adjacent pieces of one encode do. Nothing is written when they do not.
std::optional<CopyResult> JoinAsOneStream(const std::vector<std::unique_ptr<MappedSource>>& sources,
                                          const QString& target, std::int64_t bytes, const CopyTick& tick) {
    std::vector<VorbisLayout> layouts;
    for (const auto& src : sources) {
        layouts.push_back(ReadVorbis(src->data(), src->size()));
        const VorbisLayout& v = layouts.back();
        if (!v.problem.isEmpty() || v.id != layouts.front().id || v.setup != layouts.front().setup) return {};
    }
    struct Item {
        const std::uint8_t* data;
        const Packet* packet;
        std::int64_t end;  // output end, in the first input's positions
    };
    std::vector<Item> items;
    std::int64_t moved = 0, total = 0;
    for (std::size_t i = 0; i < layouts.size(); ++i) {
        const VorbisLayout& v = layouts[i];
        std::size_t from = 3;
        if (i > 0) {
            const VorbisLayout& left = layouts[i - 1];
            const std::size_t k = Overlap(sources[i - 1]->data(), left, sources[i]->data(), v);
            if (k == 0) return {};
            moved += left.ends[left.stream.packets.size() - k];
            from = 3 + k;
        }
        for (std::size_t j = from; j < v.stream.packets.size(); ++j)
            items.push_back({sources[i]->data(), &v.stream.packets[j], v.ends[j] + moved});
        total += v.total;
    }
    const VorbisLayout& head = layouts.front();
    CopyResult result;
    CopyTarget out(target, bytes, tick);
    PageWriter pages(out, head.stream.serial);
    bool going = pages.Add(head.id, 0) && pages.Flush(false) && pages.Add(head.comment, 0) &&
                 pages.Add(head.setup, 0) && pages.Flush(false);
    // As in a span copy, the first audio page ends with the first packet that has output.
    bool started = false;
    for (std::size_t i = 0; going && i < items.size(); ++i) {
        const bool last = i + 1 == items.size();
        const std::int64_t granule = last ? total : items[i].end - head.start;
        going = pages.Add(Gather(items[i].data, *items[i].packet), granule, !last);
        if (going && !started && granule > 0) going = pages.Flush(false);
        started = started || granule > 0;
    }
    if (!going || !pages.Flush(true)) {
        result.outcome = CopyResult::Cancelled;
        return result;
    }
    out.Commit();
    result.outcome = CopyResult::Copied;
    result.frames = total;
    return result;
}

}  // namespace

CopyResult JoinOggFiles(const QStringList& inputs, const QString& target, const CopyTick& tick) {
    CopyResult result;
    std::vector<std::unique_ptr<MappedSource>> sources;
    std::int64_t bytes = 0;
    int rate0 = 0, channels0 = 0;
    for (const QString& input : inputs) {
        sources.push_back(std::make_unique<MappedSource>(input));
        const MappedSource& src = *sources.back();
        int rate = 0, channels = 0;
        if (!src.ok()) {
            result.reason = QCoreApplication::translate("LosslessCopy", "%1 cannot be read").arg(input);
            return result;
        }
        if (!VorbisFacts(src, rate, channels, result.reason)) return result;
        if (sources.size() == 1) {
            rate0 = rate;
            channels0 = channels;
        } else if (rate != rate0 || channels != channels0) {
            result.reason =
                QCoreApplication::translate("LosslessCopy", "the files differ in sample rate or channels");
            return result;
        }
        bytes += src.size();
    }
    if (std::optional<CopyResult> one = JoinAsOneStream(sources, target, bytes, tick)) return *one;
    CopyTarget out(target, bytes, tick);
    std::vector<std::uint32_t> used;
    for (const auto& src : sources) {
        const std::uint8_t* p = src->data();
        std::uint32_t serial = static_cast<std::uint32_t>(Le(p + 14, 4));
        // Streams of a chain need serial numbers of their own.
        while (std::find(used.begin(), used.end(), serial) != used.end()) ++serial;
        used.push_back(serial);
        std::vector<std::uint8_t> page;
        for (std::int64_t pos = 0; pos < src->size();) {
            const std::uint8_t* h = p + pos;
            std::int64_t length = 27 + h[26];
            for (int i = 0; i < h[26]; ++i) length += h[27 + i];
            page.assign(h, h + length);
            for (int i = 0; i < 4; ++i) page[static_cast<std::size_t>(14 + i)] = static_cast<std::uint8_t>(serial >> (8 * i));
            std::memset(page.data() + 22, 0, 4);
            const std::uint32_t crc = OggCrc(page.data(), page.size());
            for (int i = 0; i < 4; ++i) page[static_cast<std::size_t>(22 + i)] = static_cast<std::uint8_t>(crc >> (8 * i));
            if (!out.Write(page.data(), length)) {
                result.outcome = CopyResult::Cancelled;
                return result;
            }
            pos += length;
        }
    }
    out.Commit();
    result.outcome = CopyResult::Copied;
    return result;
}

CopyResult CopyOggSpan(const QString& source, const QString& target, std::int64_t startMs, std::int64_t endMs,
                       const CopyTick& tick) {
    CopyResult result;
    MappedSource src(source);
    if (!src.ok()) {
        result.reason = QCoreApplication::translate("LosslessCopy", "the source cannot be read");
        return result;
    }
    const VorbisLayout v = ReadVorbis(src.data(), src.size());
    if (!v.problem.isEmpty()) {
        result.reason = v.problem;
        return result;
    }
    const OggStream& s = v.stream;
    const std::vector<std::int64_t>& ends = v.ends;
    const std::size_t n = s.packets.size();
    const int rate = v.rate;
    const std::int64_t total = v.total;
    const std::int64_t a = FrameOfTime(startMs, rate);
    const std::int64_t b = std::min(FrameOfTime(endMs, rate), total);
    if (b <= a) {
        result.reason = QCoreApplication::translate("LosslessCopy", "the span is empty");
        return result;
    }
    const std::int64_t ea = a + v.start, eb = b + v.start;
    std::size_t f = 4;
    while (f < n && ends[f] <= ea) ++f;
    std::size_t l = f;
    while (l < n && ends[l] < eb) ++l;
    if (l >= n) {
        result.reason = QCoreApplication::translate("LosslessCopy", "the span reaches past the last packet");
        return result;
    }
    if (l == f) {
        // One page would have to trim both ends, and decoders then trim only the end.
        result.reason = QCoreApplication::translate("LosslessCopy", "the span is shorter than a packet");
        return result;
    }

    std::int64_t bytes = 0;
    for (std::size_t i = f - 1; i <= l; ++i) bytes += s.packets[i].size;
    CopyTarget out(target, bytes, tick);
    PageWriter pages(out, s.serial);
    bool going = pages.Add(v.id, 0) && pages.Flush(false) && pages.Add(v.comment, 0) && pages.Add(v.setup, 0) &&
                 pages.Flush(false);
    // The decoder trims the start when the first audio page's position falls short of its
    // samples, but only of samples it has not handed out yet: so that page ends with the
    // first packet that has output.
    for (std::size_t i = f - 1; going && i <= l; ++i)
        going = pages.Add(Gather(src.data(), s.packets[i]), i == l ? b - a : ends[i] - ea, i < l) &&
                (i != f || pages.Flush(false));
    if (!going || !pages.Flush(true)) {
        result.outcome = CopyResult::Cancelled;
        return result;
    }
    out.Commit();
    result.outcome = CopyResult::Copied;
    result.frames = b - a;
    return result;
}

}  // namespace workflow
