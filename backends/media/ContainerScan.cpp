#include "ContainerScan.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

namespace kez::media {
namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

std::int64_t SizeOf(std::FILE* f) {
    if (fseeko(f, 0, SEEK_END) != 0) return -1;
    return ftello(f);
}

std::uint32_t Be32(const std::uint8_t* p) {
    return (static_cast<std::uint32_t>(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
}

struct FrameHeader {
    int version = 0;  // 3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5
    int sampleRate = 0;
    int bitrate = 0;  // kbps
    int length = 0;   // bytes
    int samples = 0;  // per frame
    int mode = 0;
};

bool ParseHeader(const std::uint8_t* p, FrameHeader* h) {
    if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0) return false;
    int version = (p[1] >> 3) & 3, layer = (p[1] >> 1) & 3;
    int bri = p[2] >> 4, sri = (p[2] >> 2) & 3, pad = (p[2] >> 1) & 1;
    if (version == 1 || layer != 1 || bri == 0 || bri == 15 || sri == 3) return false;
    static const int kRates[3] = {44100, 48000, 32000};
    static const int kV1[15] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
    static const int kV2[15] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
    h->version = version;
    h->sampleRate = kRates[sri] >> (version == 3 ? 0 : version == 2 ? 1 : 2);
    h->bitrate = version == 3 ? kV1[bri] : kV2[bri];
    h->samples = version == 3 ? 1152 : 576;
    h->length = (version == 3 ? 144000 : 72000) * h->bitrate / h->sampleRate + pad;
    h->mode = p[3] >> 6;
    return h->length >= 24;
}

// Size of an ID3v2 tag at p (10-byte header), 0 when there is none.
std::int64_t Id3v2Size(const std::uint8_t* p, std::size_t n) {
    if (n < 10 || std::memcmp(p, "ID3", 3) != 0) return 0;
    if ((p[6] | p[7] | p[8] | p[9]) & 0x80) return 0;
    std::int64_t size = (p[6] << 21) | (p[7] << 14) | (p[8] << 7) | p[9];
    return 10 + size + ((p[5] & 0x10) ? 10 : 0);
}

// Buffered forward reader over [begin, end) of a file.
class Window {
public:
    Window(std::FILE* f, std::int64_t end) : f_(f), end_(end) {}
    // Makes bytes [pos, pos + need) available; false past the end.
    const std::uint8_t* At(std::int64_t pos, std::size_t need) {
        if (pos + static_cast<std::int64_t>(need) > end_) return nullptr;
        if (pos < start_ || pos + static_cast<std::int64_t>(need) > start_ + static_cast<std::int64_t>(len_)) {
            std::size_t want = std::max<std::size_t>(need, 1 << 20);
            buf_.resize(want);
            if (fseeko(f_, pos, SEEK_SET) != 0) return nullptr;
            len_ = std::fread(buf_.data(), 1, want, f_);
            start_ = pos;
            if (len_ < need) return nullptr;
        }
        return buf_.data() + (pos - start_);
    }

private:
    std::FILE* f_;
    std::int64_t end_;
    std::vector<std::uint8_t> buf_;
    std::int64_t start_ = 0;
    std::size_t len_ = 0;
};

}  // namespace

namespace {
Mp3Scan WalkMp3(const std::string& path);
}

Mp3Scan ScanMp3(const std::string& path) {
    // A job opens one source many times (each seek of a cut, then the copy): the walk of an
    // unchanged file is kept.
    struct Key {
        std::string path;
        std::int64_t size = -1, mtimeNs = -1;
        bool operator==(const Key&) const = default;
    };
    static std::mutex lock;
    static Key lastKey;
    static Mp3Scan last;
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) return WalkMp3(path);
    const Key key{path, st.st_size, static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
    {
        std::lock_guard<std::mutex> g(lock);
        if (key == lastKey) return last;
    }
    Mp3Scan r = WalkMp3(path);
    std::lock_guard<std::mutex> g(lock);
    lastKey = key;
    last = r;
    return r;
}

namespace {
Mp3Scan WalkMp3(const std::string& path) {
    Mp3Scan r;
    File f(std::fopen(path.c_str(), "rb"));
    if (!f) return r;
    std::int64_t size = SizeOf(f.get());
    if (size < 4) return r;
    std::int64_t end = size;
    std::uint8_t tail[128];
    if (size >= 128 && fseeko(f.get(), size - 128, SEEK_SET) == 0 && std::fread(tail, 1, 128, f.get()) == 128 &&
        std::memcmp(tail, "TAG", 3) == 0)
        end -= 128;
    Window w(f.get(), end);

    std::int64_t pos = 0;
    if (const std::uint8_t* p = w.At(0, 10)) pos = Id3v2Size(p, 10);

    // Find the first frame whose successor is a frame of the same kind, as decoders do.
    FrameHeader first;
    std::int64_t limit = pos + (1 << 20);
    bool found = false;
    for (; pos < limit; ++pos) {
        const std::uint8_t* p = w.At(pos, 4);
        if (!p) return r;
        if (!ParseHeader(p, &first)) continue;
        const std::uint8_t* q = w.At(pos + first.length, 4);
        FrameHeader next;
        if (!q) {  // a single frame that ends the file
            found = pos + first.length <= end;
            if (found) break;
            continue;
        }
        if (ParseHeader(q, &next) && next.version == first.version && next.sampleRate == first.sampleRate) {
            found = true;
            break;
        }
    }
    if (!found) return r;
    r.ok = true;
    r.sampleRate = first.sampleRate;
    r.channelMode = first.mode;
    r.channels = first.mode == 3 ? 1 : 2;
    r.bitrateKbps = first.bitrate;

    // The info frame: "Xing" (VBR) or "Info" (CBR) after the side information.
    int sideInfo = first.version == 3 ? (first.mode == 3 ? 17 : 32) : (first.mode == 3 ? 9 : 17);
    std::int64_t audioStart = pos;
    std::int64_t infoFrames = -1, infoBytes = -1, delay = 0, padding = 0;
    bool hasLame = false;
    if (const std::uint8_t* p = w.At(pos, static_cast<std::size_t>(first.length))) {
        const std::uint8_t* x = p + 4 + sideInfo;
        std::int64_t avail = first.length - 4 - sideInfo;
        if (avail >= 8 && (std::memcmp(x, "Xing", 4) == 0 || std::memcmp(x, "Info", 4) == 0)) {
            r.constantBitrate = std::memcmp(x, "Info", 4) == 0;
            std::uint32_t flags = Be32(x + 4);
            int off = 8;
            if ((flags & 1) && off + 4 <= avail) infoFrames = Be32(x + off), off += 4;
            if ((flags & 2) && off + 4 <= avail) infoBytes = Be32(x + off), off += 4;
            if (flags & 4) off += 100;
            if (flags & 8) off += 4;
            if (off + 24 <= avail && (std::memcmp(x + off, "LAME", 4) == 0 || std::memcmp(x + off, "Lavc", 4) == 0 ||
                                      std::memcmp(x + off, "Lavf", 4) == 0)) {
                const std::uint8_t* d = x + off + 21;
                delay = (d[0] << 4) | (d[1] >> 4);
                padding = ((d[1] & 15) << 8) | d[2];
                hasLame = true;
            }
            audioStart = pos + first.length;  // the info frame holds no audio
        }
    }

    // Walk the frames; junk between them is skipped as a decoder resynchronises.
    bool cbr = true;
    int firstAudioBitrate = 0;
    r.samplesPerFrame = first.samples;
    pos = audioStart;
    auto sameKind = [&](const FrameHeader& h) { return h.version == first.version && h.sampleRate == first.sampleRate; };
    bool inStep = true;  // false after junk: a frame found there must be followed by another
    while (pos < end) {
        const std::uint8_t* p = w.At(pos, 4);
        if (!p) break;
        FrameHeader h;
        bool ok = ParseHeader(p, &h) && sameKind(h) && pos + h.length <= end;
        if (ok && !inStep && pos + h.length < end) {
            FrameHeader next;
            const std::uint8_t* q = w.At(pos + h.length, 4);
            ok = q && ParseHeader(q, &next) && sameKind(next);
        }
        inStep = ok;
        if (ok) {
            if (firstAudioBitrate == 0) firstAudioBitrate = h.bitrate;
            if (h.bitrate != firstAudioBitrate) cbr = false;
            r.table.push_back({pos, h.length});
            r.audioBytes += h.length;
            pos += h.length;
        } else {
            ++pos;
        }
    }
    // The info frame is not audio: the bitrate is the audio's own.
    if (firstAudioBitrate > 0) r.bitrateKbps = firstAudioBitrate;
    r.constantBitrate = r.constantBitrate || cbr;
    r.startSkip = hasLame ? delay + 529 : 0;
    const std::int64_t decodable =
        std::max<std::int64_t>(0, static_cast<std::int64_t>(r.table.size()) * first.samples - r.startSkip);
    r.frames = decodable;
    // The stated length stands when the frames found hold it; a file cut short, or a
    // damaged info frame, gives what the frames decode to.
    if (infoFrames > 0) {
        const std::int64_t stated = std::max<std::int64_t>(0, infoFrames * first.samples - (hasLame ? delay + padding : 0));
        if (stated <= decodable) {
            r.frames = stated;
            r.fromInfoFrame = true;
        }
    }
    (void)infoBytes;
    return r;
}
}  // namespace

bool StartsOggVorbis(const std::string& path) {
    File f(std::fopen(path.c_str(), "rb"));
    std::uint8_t head[27 + 255 + 7];
    if (!f || std::fread(head, 1, 27, f.get()) != 27 || std::memcmp(head, "OggS", 4) != 0) return false;
    const std::size_t rest = head[26] + 7u;
    return std::fread(head + 27, 1, rest, f.get()) == rest && std::memcmp(head + 27 + head[26], "\001vorbis", 7) == 0;
}

std::int64_t OggLastGranule(const std::string& path) {
    File f(std::fopen(path.c_str(), "rb"));
    if (!f) return -1;
    std::int64_t size = SizeOf(f.get());
    std::uint8_t head[27];
    if (size < 27 || fseeko(f.get(), 0, SEEK_SET) != 0 || std::fread(head, 1, 27, f.get()) != 27 ||
        std::memcmp(head, "OggS", 4) != 0)
        return -1;
    const std::uint8_t* s = head + 14;
    std::uint32_t serial = s[0] | (s[1] << 8) | (s[2] << 16) | (static_cast<std::uint32_t>(s[3]) << 24);
    // Look back from the end in growing steps for the last complete page of the stream.
    for (std::int64_t back = 65536; ; back *= 4) {
        std::int64_t start = size > back ? size - back : 0;
        std::vector<std::uint8_t> buf(static_cast<std::size_t>(size - start));
        if (fseeko(f.get(), start, SEEK_SET) != 0 || std::fread(buf.data(), 1, buf.size(), f.get()) != buf.size())
            return -1;
        for (std::int64_t i = static_cast<std::int64_t>(buf.size()) - 27; i >= 0; --i) {
            const std::uint8_t* p = buf.data() + i;
            if (std::memcmp(p, "OggS", 4) != 0 || p[4] != 0) continue;
            std::uint32_t ser = p[14] | (p[15] << 8) | (p[16] << 16) | (static_cast<std::uint32_t>(p[17]) << 24);
            int segs = p[26];
            if (ser != serial || i + 27 + segs > static_cast<std::int64_t>(buf.size())) continue;
            std::int64_t body = 0;
            for (int k = 0; k < segs; ++k) body += p[27 + k];
            if (i + 27 + segs + body > static_cast<std::int64_t>(buf.size())) continue;  // cut short
            std::uint64_t g = 0;
            for (int k = 7; k >= 0; --k) g = (g << 8) | p[6 + k];
            if (g == ~0ull) continue;  // no packet ends on this page
            return static_cast<std::int64_t>(g & 0x7FFFFFFFFFFFFFFFull);
        }
        if (start == 0) return -1;
    }
}

bool OggGranulesPlausible(const std::string& path) {
    File f(std::fopen(path.c_str(), "rb"));
    if (!f) return true;
    struct Stream {
        std::uint32_t serial;
        std::int64_t granule;
        int maxFrames;
    };
    std::vector<Stream> streams;
    std::uint8_t h[27 + 255 + 30];
    for (std::int64_t pos = 0;;) {
        if (fseeko(f.get(), pos, SEEK_SET) != 0) return true;
        const std::size_t got = std::fread(h, 1, sizeof h, f.get());
        if (got < 27 || std::memcmp(h, "OggS", 4) != 0) return true;  // the end, or damage the reader meets itself
        const int segs = h[26];
        if (got < static_cast<std::size_t>(27 + segs)) return true;
        std::uint64_t g = 0;
        for (int k = 7; k >= 0; --k) g = (g << 8) | h[6 + k];
        const std::uint32_t serial = h[14] | (h[15] << 8) | (h[16] << 16) | (static_cast<std::uint32_t>(h[17]) << 24);
        std::int64_t body = 0;
        int ended = 0;
        for (int k = 0; k < segs; ++k) {
            body += h[27 + k];
            ended += h[27 + k] < 255;
        }
        Stream* s = nullptr;
        for (Stream& x : streams)
            if (x.serial == serial) s = &x;
        if (h[5] & 2) {  // first page of a link: the identification header tells the long block
            const std::uint8_t* id = h + 27 + segs;
            const bool vorbis = got >= static_cast<std::size_t>(27 + segs + 29) && id[0] == 1 &&
                                std::memcmp(id + 1, "vorbis", 6) == 0;
            if (!vorbis) return true;
            streams.push_back({serial, 0, 1 << ((id[28] >> 4) & 15)});
            s = &streams.back();
        }
        if (s && g != ~0ull) {
            const auto granule = static_cast<std::int64_t>(g & 0x7FFFFFFFFFFFFFFFull);
            // A link may begin at any granule: its first audio page sets the start.
            if (s->granule > 0 && granule - s->granule > static_cast<std::int64_t>(ended) * (s->maxFrames / 2))
                return false;
            s->granule = granule;
        }
        pos += 27 + segs + body;
    }
}

std::int64_t AsfPlayDuration(const std::string& path) {
    static const std::uint8_t kHeader[16] = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                             0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
    static const std::uint8_t kFileProps[16] = {0xA1, 0xDC, 0xAB, 0x8C, 0x47, 0xA9, 0xCF, 0x11,
                                                0x8E, 0xE4, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65};
    File f(std::fopen(path.c_str(), "rb"));
    if (!f) return -1;
    std::uint8_t h[30];
    if (std::fread(h, 1, 30, f.get()) != 30 || std::memcmp(h, kHeader, 16) != 0) return -1;
    auto le64 = [](const std::uint8_t* p) {
        std::uint64_t v = 0;
        for (int k = 7; k >= 0; --k) v = (v << 8) | p[k];
        return v;
    };
    std::uint64_t headerSize = le64(h + 16);
    std::int64_t pos = 30;
    while (pos + 24 <= static_cast<std::int64_t>(headerSize)) {
        std::uint8_t o[104];
        if (fseeko(f.get(), pos, SEEK_SET) != 0 || std::fread(o, 1, 24, f.get()) != 24) return -1;
        std::uint64_t objSize = le64(o + 16);
        if (objSize < 24) return -1;
        if (std::memcmp(o, kFileProps, 16) == 0) {
            if (objSize < 104 || std::fread(o + 24, 1, 80, f.get()) != 80) return -1;
            std::uint64_t play = le64(o + 64), preroll = le64(o + 80);  // 100 ns, ms
            if (preroll >= play / 10000) return 0;
            std::uint64_t d = play - preroll * 10000;
            return d > static_cast<std::uint64_t>(INT64_MAX) ? INT64_MAX : static_cast<std::int64_t>(d);
        }
        pos += static_cast<std::int64_t>(objSize);
    }
    return -1;
}

}  // namespace kez::media

namespace kez::media {

bool WavHeaderPlausible(const std::string& path) {
    File f(std::fopen(path.c_str(), "rb"));
    if (!f) return true;
    std::int64_t size = SizeOf(f.get());
    std::uint8_t h[12];
    if (size < 12 || fseeko(f.get(), 0, SEEK_SET) != 0 || std::fread(h, 1, 12, f.get()) != 12) return true;
    if (std::memcmp(h, "RIFF", 4) != 0 || std::memcmp(h + 8, "WAVE", 4) != 0) return true;
    std::int64_t pos = 12;
    for (int n = 0; n < 1000 && pos + 8 <= size; ++n) {
        std::uint8_t c[8];
        if (fseeko(f.get(), pos, SEEK_SET) != 0 || std::fread(c, 1, 8, f.get()) != 8) return true;
        std::uint32_t len = c[4] | (c[5] << 8) | (c[6] << 16) | (static_cast<std::uint32_t>(c[7]) << 24);
        if (std::memcmp(c, "data", 4) == 0) return true;  // audio may be cut short: that is read
        if (static_cast<std::int64_t>(len) > size - pos - 8) return false;
        pos += 8 + len + (len & 1);
    }
    return true;
}

}  // namespace kez::media
