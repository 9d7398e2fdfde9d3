#include "Mp3Stream.h"

#include <QCoreApplication>
#include <algorithm>
#include <cstring>

namespace workflow {

namespace {

constexpr int kBitrates[2][15] = {{0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},
                                  {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}};
constexpr int kRates[4][3] = {{11025, 12000, 8000}, {0, 0, 0}, {22050, 24000, 16000}, {44100, 48000, 32000}};

std::uint32_t Word(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

struct Header {
    int version, bitrateIndex, rateIndex, padding, mode;
    bool crc;
};

// A Layer III header; free format (bitrate index 0) is marked by bitrateIndex 0.
bool ParseHeader(std::uint32_t h, Header& out) {
    if ((h & 0xFFE00000u) != 0xFFE00000u) return false;
    out.version = static_cast<int>((h >> 19) & 3);
    if (out.version == 1 || ((h >> 17) & 3) != 1) return false;
    out.bitrateIndex = static_cast<int>((h >> 12) & 15);
    out.rateIndex = static_cast<int>((h >> 10) & 3);
    if (out.bitrateIndex == 15 || out.rateIndex == 3 || (h & 3) == 2) return false;
    out.crc = ((h >> 16) & 1) == 0;
    out.padding = static_cast<int>((h >> 9) & 1);
    out.mode = static_cast<int>((h >> 6) & 3);
    return true;
}

int Length(int version, int bitrateIndex, int rateIndex, int padding) {
    const int rate = kRates[version][rateIndex];
    const int kbps = kBitrates[version == 3 ? 0 : 1][bitrateIndex];
    return (version == 3 ? 144 : 72) * kbps * 1000 / rate + padding;
}

bool IsTagAt(const std::uint8_t* p, std::int64_t left) {
    return (left >= 3 && std::memcmp(p, "TAG", 3) == 0) || (left >= 8 && std::memcmp(p, "APETAGEX", 8) == 0) ||
           (left >= 6 && std::memcmp(p, "LYRICS", 6) == 0) || (left >= 3 && std::memcmp(p, "ID3", 3) == 0);
}

std::int64_t Id3v2Size(const std::uint8_t* p, std::int64_t size) {
    if (size < 10 || std::memcmp(p, "ID3", 3) != 0) return 0;
    const std::int64_t body = (std::int64_t{p[6] & 0x7f} << 21) | (std::int64_t{p[7] & 0x7f} << 14) |
                              (std::int64_t{p[8] & 0x7f} << 7) | (p[9] & 0x7f);
    return 10 + body + ((p[5] & 0x10) ? 10 : 0);
}

// Reads the "Xing"/"Info" frame (and its encoder tag) or a "VBRI" frame; false when the
// first frame is audio.
bool ReadInfoFrame(const std::uint8_t* p, int length, int sideOffset, Mp3Stream& s) {
    if (length >= 36 + 4 && std::memcmp(p + 36, "VBRI", 4) == 0) return true;
    if (sideOffset + 8 > length) return false;
    const std::uint8_t* x = p + sideOffset;
    if (std::memcmp(x, "Xing", 4) != 0 && std::memcmp(x, "Info", 4) != 0) return false;
    const std::uint32_t flags = Word(x + 4);
    int at = 8;
    if (flags & 1) at += 4;
    if (flags & 2) at += 4;
    if (flags & 4) at += 100;
    if (flags & 8) {
        if (sideOffset + at + 4 <= length) s.quality = Word(x + at);
        at += 4;
    }
    if (sideOffset + at + 36 <= length) {
        const std::uint8_t* t = x + at;
        if (std::memcmp(t, "LAME", 4) == 0 || std::memcmp(t, "Lavf", 4) == 0 || std::memcmp(t, "Lavc", 4) == 0) {
            s.hasLame = true;
            std::memcpy(s.lameTag.data(), t, s.lameTag.size());
            s.delay = (t[21] << 4) | (t[22] >> 4);
            s.padding = ((t[22] & 15) << 8) | t[23];
        }
    }
    return true;
}

}  // namespace

int Mp3FrameLength(const Mp3Stream& s, int bitrateIndex, int padding) {
    return Length(s.version, bitrateIndex, s.rateIndex, padding);
}

int Mp3Kbps(const Mp3Stream& s, int bitrateIndex) { return kBitrates[s.version == 3 ? 0 : 1][bitrateIndex]; }

int Mp3BitrateIndex(const std::uint8_t* header) { return (header[2] >> 4) & 15; }

void Mp3WriteHeader(std::uint8_t* out, const Mp3Stream&, const Mp3Frame& like, int bitrateIndex) {
    std::uint32_t h = like.header;
    h |= 1u << 16;                    // no CRC
    h &= ~(1u << 9);                  // no padding
    h = (h & ~(15u << 12)) | (static_cast<std::uint32_t>(bitrateIndex) << 12);
    out[0] = static_cast<std::uint8_t>(h >> 24);
    out[1] = static_cast<std::uint8_t>(h >> 16);
    out[2] = static_cast<std::uint8_t>(h >> 8);
    out[3] = static_cast<std::uint8_t>(h);
}

Mp3Stream ScanMp3(const std::uint8_t* data, std::int64_t size) {
    Mp3Stream s;
    std::int64_t pos = Id3v2Size(data, size);
    // The first frame: a header whose next frame follows where its length says.
    Header h{};
    for (;; ++pos) {
        if (pos + 4 > size || pos > 64 * 1024) {
            s.problem =
                QCoreApplication::translate("LosslessCopy", "no MPEG audio Layer III frames were found");
            return s;
        }
        if (!ParseHeader(Word(data + pos), h)) continue;
        if (h.bitrateIndex == 0) {
            s.problem = QCoreApplication::translate("LosslessCopy", "the file is free format");
            return s;
        }
        const std::int64_t next = pos + Length(h.version, h.bitrateIndex, h.rateIndex, h.padding);
        Header n{};
        if (next + 4 <= size && ParseHeader(Word(data + next), n) && n.version == h.version && n.rateIndex == h.rateIndex)
            break;
        if (next == size) break;
    }
    s.version = h.version;
    s.rateIndex = h.rateIndex;
    s.sampleRate = kRates[h.version][h.rateIndex];
    s.samplesPerFrame = h.version == 3 ? 1152 : 576;
    s.mono = h.mode == 3;
    s.sideInfo = h.version == 3 ? (s.mono ? 17 : 32) : (s.mono ? 9 : 17);

    bool first = true;
    while (pos < size) {
        const std::int64_t left = size - pos;
        Header f{};
        if (left < 4 || !ParseHeader(Word(data + pos), f)) {
            if (!IsTagAt(data + pos, left)) s.damagedAt = pos;
            break;
        }
        if (f.version != s.version || f.rateIndex != s.rateIndex || (f.mode == 3) != s.mono) {
            s.problem = QCoreApplication::translate("LosslessCopy",
                                                    "the frames change their sample rate or channel count");
            return s;
        }
        if (f.bitrateIndex == 0) {
            s.problem = QCoreApplication::translate("LosslessCopy", "the file is free format");
            return s;
        }
        Mp3Frame fr;
        fr.offset = pos;
        fr.header = Word(data + pos);
        fr.length = Length(f.version, f.bitrateIndex, f.rateIndex, f.padding);
        fr.headerBytes = f.crc ? 6 : 4;
        fr.sideInfo = s.sideInfo;
        fr.bitrateIndex = f.bitrateIndex;
        if (fr.length > left) {
            s.damagedAt = pos;  // a cut-off last frame
            break;
        }
        const std::uint8_t* side = data + pos + fr.headerBytes;
        fr.mainDataBegin = s.version == 3 ? (side[0] << 1) | (side[1] >> 7) : side[0];
        const bool info = first && ReadInfoFrame(data + pos, fr.length, fr.headerBytes + s.sideInfo, s);
        if (!info) s.frames.push_back(fr);
        first = false;
        pos += fr.length;
    }
    if (s.frames.empty()) {
        s.problem = QCoreApplication::translate("LosslessCopy", "no MPEG audio Layer III frames were found");
        return s;
    }
    const std::int64_t all = static_cast<std::int64_t>(s.frames.size()) * s.samplesPerFrame;
    s.decodedFrames = s.hasLame ? std::max<std::int64_t>(0, all - s.delay - s.padding) : all;
    return s;
}

}  // namespace workflow
