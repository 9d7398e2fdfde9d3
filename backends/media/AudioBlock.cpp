#include "AudioBlock.h"

#include <cerrno>
#include <cstring>

#include "MediaError.h"

namespace kez::media {

namespace {
void Put16(std::uint8_t* p, unsigned v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
void Put32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
unsigned Get16(const std::uint8_t* p) { return p[0] | (p[1] << 8); }
std::uint32_t Get32(const std::uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
}  // namespace

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }
std::string SystemText(int err) { return std::strerror(err); }

bool PcmFormat::Valid() const {
    if (sampleRate <= 0 || sampleRate > 768000 || channels <= 0 || channels > 8) return false;
    if (isFloat) return bits == 32 || bits == 64;
    return bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

void WriteBlockHeader(const PcmFormat& fmt, std::uint8_t* out) {
    Put16(out, fmt.isFloat ? kWaveFormatFloat : kWaveFormatPcm);
    Put16(out + 2, static_cast<unsigned>(fmt.channels));
    Put32(out + 4, static_cast<std::uint32_t>(fmt.sampleRate));
    Put32(out + 8, static_cast<std::uint32_t>(fmt.sampleRate) * static_cast<std::uint32_t>(fmt.BlockAlign()));
    Put16(out + 12, static_cast<unsigned>(fmt.BlockAlign()));
    Put16(out + 14, static_cast<unsigned>(fmt.bits));
    Put16(out + 16, 0);
}

std::vector<std::uint8_t> NewBlock(const PcmFormat& fmt, std::int64_t frames) {
    std::vector<std::uint8_t> block(kBlockHeaderSize + static_cast<std::size_t>(frames) * fmt.BlockAlign());
    WriteBlockHeader(fmt, block.data());
    return block;
}

bool ParseBlockHeader(const std::uint8_t* data, std::size_t size, PcmFormat* fmt) {
    if (!data || size < kBlockHeaderSize) return false;
    unsigned tag = Get16(data);
    PcmFormat f;
    f.channels = static_cast<int>(Get16(data + 2));
    f.sampleRate = static_cast<int>(Get32(data + 4));
    f.bits = static_cast<int>(Get16(data + 14));
    if (tag == kWaveFormatFloat)
        f.isFloat = true;
    else if (tag != kWaveFormatPcm && tag != kWaveFormatExtensible)
        return false;
    // An extensible header that says float carries its subformat after the 18 bytes; a
    // block is always written with tag 1 or 3, so an extensible one is taken as PCM.
    if (!f.Valid()) return false;
    *fmt = f;
    return true;
}

}  // namespace kez::media
