#include "KezAudioArrayProcessing3/array_information.h"

#include <cmath>
#include <cstdio>
#include <limits>

namespace kez::array {

namespace {

const char* FormatPrefix(WORD tag, DWORD samplesPerSec) {
    switch (tag) {
        case 1:
        case 21: return "PCM: ";
        case 2: return "Microsoft ADPCM 4:1 ";
        case 6: return "CCITT A-law 2:1 ";
        case 7: return "CCITT u-law 2:1 ";
        case 17: return "IMA ADPCM 4:1 (MS) ";
        case 20: return "CCITT G.723 ADPCM: ";
        case 23: return "Dialogic ADPCM: ";
        case 49: return "MS GSM 6.10 ";
        case 64: return "CCITT G.721 ADPCM: ";
        case 66: return "Microsoft G.723.1 ADPCM: ";
        case 80: return "MPEG layer-2: ";
        case 85: return samplesPerSec >= 32000 ? "MPEG 2.5 layer-3: " : "MPEG 2.0 layer-3: ";
        case 100: return "CCITT G.726 ADPCM: ";
        case 146: return "DOLBY AC3: ";
        case 310: return "AMR Narrowband: ";
        case 1911: return "CCITT G.729 ADPCM: ";
        case 2184: return "MP Plus: ";
        case 3017: return "IMA ADPCM 4:1 (QT) ";
        case 4001: return "QT: ";
        case 26447: return "Ogg Vorbis: ";
        case 41222: return "MPEG2/4 Audio: ";
        default: return "";
    }
}

const char* ChannelPart(WORD channels) {
    static const char* const kParts[] = {
        "",
        " Mono; ",
        " Stereo; ",
        " Stereo+LFE; ",
        " Stereo+Center; ",
        " Channels 3.1; ",
        " Quadro stereo; ",
        " Quadro stereo+Center; ",
        " Channels 4.1; ",
        " Quadro stereo+LFE; ",
        " Channels 4+2; ",
        " Channels 5+2; ",
        " Channels 7.1; ",
    };
    return channels <= 12 ? kParts[channels] : "";
}

// Truncation toward zero that stays defined for every quotient: a zero byte rate, which
// gives no quotient, reads as 0.
LONGLONG TruncateToInt64(double v) {
    if (!std::isfinite(v)) return 0;
    if (v >= 9.2233720368547758e18) return std::numeric_limits<LONGLONG>::max();
    if (v <= -9.2233720368547758e18) return std::numeric_limits<LONGLONG>::min();
    return LONGLONG(v);
}

}  // namespace

std::string DescribeFormat(WORD formatTag, DWORD samplesPerSec, WORD channels, double bitrateKbps) {
    std::string s = FormatPrefix(formatTag, samplesPerSec);
    s += std::to_string(LONG(samplesPerSec));
    s += " Hz; ";
    s += ChannelPart(channels);
    if (bitrateKbps != 0) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.2f kbps; ", bitrateKbps);
        s += buf;
    }
    return s;
}

ArrayInformation ReadInformation(Bytes array) {
    ArrayInformation info;
    if (array.size() < kHeaderSize) return info;
    WaveHeader h = WaveHeader::Read(array);
    info.sampleRate = LONG(h.samplesPerSec);
    info.channels = h.channels;
    info.bitsPerSample = h.bitsPerSample;
    info.formatTag = h.formatTag;
    info.blockAlign = h.blockAlign;
    info.bitrateKbps = double(h.avgBytesPerSec) * 0.008;
    // Unsigned 32-bit: an array whose extra bytes run past its end wraps, as the header says.
    DWORD dataSize = DWORD(array.size() - kHeaderSize - h.cbSize);
    info.dataSize = dataSize;
    double byteRate = info.bitrateKbps * 125;
    info.duration = TruncateToInt64(double(LONGLONG(dataSize) * 1000) / byteRate);
    // Both factors are unsigned 32-bit: their product always fits unsigned 64 bits.
    info.frames = TruncateToInt64(double(std::uint64_t(h.samplesPerSec) * dataSize) / byteRate);
    info.compressRate = 1.0;
    info.position = 0;
    info.description = DescribeFormat(h.formatTag, h.samplesPerSec, h.channels, info.bitrateKbps);
    return info;
}

}  // namespace kez::array
