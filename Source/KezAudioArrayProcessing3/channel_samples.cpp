#include "KezAudioArrayProcessing3/channel_samples.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace kez::array {

namespace {

constexpr WORD kFormatFloat = 3;
// What the conversion component takes; anything else it refuses, so it must say so itself.
constexpr DWORD kMinRate = 100;
constexpr DWORD kMaxRate = 768000;
constexpr WORD kMaxChannels = 64;
constexpr std::size_t kExtensibleExtra = 22;
// Float values beyond this scale to integers the component's rounding handles by more than
// one rule; they are left to it.
constexpr double kFloatLimit = 4294967296.0;

std::optional<SampleCoding> CodingFor(WORD tag, WORD bits) {
    if (tag == kFormatPcm) {
        switch (bits) {
            case 8: return SampleCoding::U8;
            case 16: return SampleCoding::S16;
            case 24: return SampleCoding::S24;
            case 32: return SampleCoding::S32;
            default: return std::nullopt;
        }
    }
    if (tag == kFormatFloat && bits == 32) return SampleCoding::F32;
    if (tag == kFormatFloat && bits == 64) return SampleCoding::F64;
    return std::nullopt;
}

template <class T>
T Load(const std::uint8_t* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// Float full scale to a 32-bit integer as the component does it: scaled by 2^31, rounded
// to nearest even, clipped. Exact in double for every value DirectlyReadable lets through.
double FloatTo32(double x) {
    double v = x * 2147483648.0;
    if (v >= 2147483647.0) return 2147483647.0;
    if (v <= -2147483648.0) return -2147483648.0;
    constexpr double kRound = 6755399441055744.0;  // 1.5 x 2^52: adding it rounds to an integer
    return (v + kRound) - kRound;  // kept apart: the build does not reassociate floats
}

template <class Convert>
void Gather(const std::uint8_t* samples, std::size_t step, std::size_t n, std::uint8_t* out, Convert convert) {
    for (std::size_t j = 0; j < n; ++j) {
        double d = convert(samples + j * step);
        std::memcpy(out + 8 * j, &d, 8);
    }
}

}  // namespace

std::size_t BytesPerSample(SampleCoding c) {
    switch (c) {
        case SampleCoding::U8: return 1;
        case SampleCoding::S16: return 2;
        case SampleCoding::S24: return 3;
        case SampleCoding::S32:
        case SampleCoding::F32: return 4;
        case SampleCoding::F64: return 8;
    }
    return 1;
}

Bytes DataOf(Bytes array) {
    if (array.size() <= kHeaderSize) return {};
    std::size_t extra = std::min<std::size_t>(ReadU16(array.data() + 16), array.size() - kHeaderSize);
    return array.subspan(kHeaderSize + extra);
}

std::optional<SampleCoding> DirectCoding(Bytes array, std::uint32_t converterMask) {
    if (array.size() < kHeaderSize) return std::nullopt;
    WaveHeader h = WaveHeader::Read(array);
    WORD tag = h.formatTag;
    std::uint32_t mask = 0;
    if (tag == kFormatExtensible) {
        if (h.cbSize < kExtensibleExtra || array.size() < kHeaderSize + kExtensibleExtra) return std::nullopt;
        mask = ReadU32(array.data() + 20);
        tag = ReadU16(array.data() + 24);
    }
    if (mask != converterMask) return std::nullopt;
    if (h.channels < 1 || h.channels > kMaxChannels) return std::nullopt;
    if (h.samplesPerSec < kMinRate || h.samplesPerSec > kMaxRate) return std::nullopt;
    std::optional<SampleCoding> c = CodingFor(tag, h.bitsPerSample);
    if (!c || h.blockAlign != h.channels * BytesPerSample(*c)) return std::nullopt;
    // The component's result must fit an automation array: only widening can overflow it.
    std::uint64_t frames = DataOf(array).size() / h.blockAlign;
    std::uint64_t containerBytes = h.bitsPerSample > 16 ? 4 : 2;
    if (frames * h.channels * containerBytes > 0xFFFFFFFFull - kHeaderSize) return std::nullopt;
    return c;
}

bool DirectlyReadable(SampleCoding c, Bytes data) {
    auto within = [](double x) { return std::fabs(x) < kFloatLimit; };  // false for NaN too
    if (c == SampleCoding::F32) {
        for (std::size_t i = 0; i + 4 <= data.size(); i += 4)
            if (!within(Load<float>(data.data() + i))) return false;
    } else if (c == SampleCoding::F64) {
        for (std::size_t i = 0; i + 8 <= data.size(); i += 8)
            if (!within(Load<double>(data.data() + i))) return false;
    }
    return true;
}

void ReadChannel(SampleCoding c, const std::uint8_t* samples, std::size_t stride, std::size_t channel,
                 std::size_t n, std::uint8_t* out) {
    std::size_t size = BytesPerSample(c);
    const std::uint8_t* first = samples + channel * size;
    std::size_t step = stride * size;
    switch (c) {
        case SampleCoding::U8:
            Gather(first, step, n, out, [](const std::uint8_t* p) { return double((int(*p) - 128) * 256); });
            break;
        case SampleCoding::S16:
            Gather(first, step, n, out, [](const std::uint8_t* p) { return double(Load<std::int16_t>(p)); });
            break;
        case SampleCoding::S24:
            Gather(first, step, n, out, [](const std::uint8_t* p) {
                return double(std::int32_t(std::uint32_t(p[0]) << 8 | std::uint32_t(p[1]) << 16 |
                                           std::uint32_t(p[2]) << 24));
            });
            break;
        case SampleCoding::S32:
            Gather(first, step, n, out, [](const std::uint8_t* p) { return double(Load<std::int32_t>(p)); });
            break;
        case SampleCoding::F32:
            Gather(first, step, n, out, [](const std::uint8_t* p) { return FloatTo32(Load<float>(p)); });
            break;
        case SampleCoding::F64:
            Gather(first, step, n, out, [](const std::uint8_t* p) { return FloatTo32(Load<double>(p)); });
            break;
    }
}

}  // namespace kez::array
