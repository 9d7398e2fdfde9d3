#include "AudioBlock.h"

#include <cstring>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/samplefmt.h>
#include <libswresample/swresample.h>
}

namespace kezplayer {
namespace {

constexpr std::size_t kHeaderSize = 18;
constexpr std::uint16_t kTagPcm = 1;
constexpr std::uint16_t kTagFloat = 3;
constexpr std::uint16_t kTagExtensible = 0xFFFE;
constexpr int kMaxChannels = 8;

std::uint16_t U16(const std::uint8_t* p) { return std::uint16_t(p[0] | (p[1] << 8)); }
std::uint32_t U32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}

AVSampleFormat SampleFormatOf(const BlockFormat& f) {
    if (f.kind == SampleKind::Float) return f.bitsPerSample == 64 ? AV_SAMPLE_FMT_DBL : AV_SAMPLE_FMT_FLT;
    switch (f.bitsPerSample) {
    case 8: return AV_SAMPLE_FMT_U8;
    case 16: return AV_SAMPLE_FMT_S16;
    default: return AV_SAMPLE_FMT_S32;  // 24-bit input is widened to 32 first
    }
}

}  // namespace

std::string ParseBlock(const std::uint8_t* bytes, std::size_t size, ParsedBlock& out) {
    if (bytes == nullptr || size < kHeaderSize) return "The audio block is shorter than its format header";
    std::uint16_t tag = U16(bytes);
    int channels = U16(bytes + 2);
    std::uint32_t rate = U32(bytes + 4);
    int bits = U16(bytes + 14);
    std::size_t extra = U16(bytes + 16);
    if (tag == kTagExtensible) {
        // The sub-format GUID's first two bytes carry the plain format tag.
        if (extra < 22 || size < kHeaderSize + 22) return "The audio block's extensible header is incomplete";
        tag = U16(bytes + kHeaderSize + 6);
    }
    if (kHeaderSize + extra > size) return "The audio block's format header runs past its end";
    if (channels == 0) return "The audio block has no channels";
    if (channels > kMaxChannels) return "The audio block has more channels than the player supports";
    if (rate < 1000 || rate > 384000) return "The audio block's sample rate is out of range";

    BlockFormat f;
    f.channels = channels;
    f.sampleRate = int(rate);
    f.bitsPerSample = bits;
    if (tag == kTagPcm) {
        if (bits != 8 && bits != 16 && bits != 24 && bits != 32)
            return "The audio block's PCM sample size is not 8, 16, 24 or 32 bits";
        f.kind = SampleKind::Pcm;
    } else if (tag == kTagFloat) {
        if (bits != 32 && bits != 64) return "The audio block's float sample size is not 32 or 64 bits";
        f.kind = SampleKind::Float;
    } else {
        return "The audio block is neither PCM nor IEEE float";
    }
    out.format = f;
    out.samples = bytes + kHeaderSize + extra;
    out.frames = (size - kHeaderSize - extra) / std::size_t(f.FrameBytes());
    return {};
}

bool IsPlayableOutput(const BlockFormat& f) {
    return f.kind == SampleKind::Pcm && (f.bitsPerSample == 8 || f.bitsPerSample == 16 || f.bitsPerSample == 32) &&
           f.channels >= 1 && f.channels <= kMaxChannels && f.sampleRate >= 8000 && f.sampleRate <= 192000;
}

BlockConverter::BlockConverter(BlockFormat output) : output_(output) {}

BlockConverter::~BlockConverter() { swr_free(&swr_); }

std::string BlockConverter::Prepare(const BlockFormat& input) {
    if (swr_ != nullptr && input == input_) return {};
    swr_free(&swr_);
    AVChannelLayout inLayout, outLayout;
    av_channel_layout_default(&inLayout, input.channels);
    av_channel_layout_default(&outLayout, output_.channels);
    int rc = swr_alloc_set_opts2(&swr_, &outLayout, SampleFormatOf(output_), output_.sampleRate, &inLayout,
                                 SampleFormatOf(input), input.sampleRate, 0, nullptr);
    av_channel_layout_uninit(&inLayout);
    av_channel_layout_uninit(&outLayout);
    // Mono is taken as the centre channel, which the resampler spreads 3 dB down; a listener
    // expects mono at full level on every output channel.
    if (rc >= 0 && swr_ != nullptr && input.channels == 1 && output_.channels > 1) {
        std::vector<double> matrix(std::size_t(output_.channels), 1.0);
        rc = swr_set_matrix(swr_, matrix.data(), 1);
    }
    if (rc < 0 || swr_ == nullptr || swr_init(swr_) < 0) {
        swr_free(&swr_);
        return "The audio block cannot be converted to the playback format";
    }
    input_ = input;
    return {};
}

std::string BlockConverter::Convert(const ParsedBlock& block, std::vector<std::uint8_t>& out) {
    const BlockFormat& in = block.format;
    if (block.frames == 0) return {};
    std::size_t outFrameBytes = std::size_t(output_.FrameBytes());
    if (in == output_) {  // the common case of a source at the playback format: a plain copy
        out.insert(out.end(), block.samples, block.samples + block.frames * outFrameBytes);
        return {};
    }
    if (std::string err = Prepare(in); !err.empty()) return err;

    const std::uint8_t* src = block.samples;
    if (in.kind == SampleKind::Pcm && in.bitsPerSample == 24) {
        std::size_t count = block.frames * std::size_t(in.channels);
        widened_.resize(count);
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint8_t* p = src + 3 * i;
            widened_[i] = std::int32_t(std::uint32_t(p[0]) << 8 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 24);
        }
        src = reinterpret_cast<const std::uint8_t*>(widened_.data());
    }
    // Blocks are a second or so of audio, well within the int range of swr_convert.
    int inFrames = int(block.frames);
    int capacity = swr_get_out_samples(swr_, inFrames);
    if (capacity < 0) return "The audio block cannot be converted to the playback format";
    std::size_t start = out.size();
    out.resize(start + std::size_t(capacity) * outFrameBytes);
    std::uint8_t* dst = out.data() + start;
    const std::uint8_t* srcPlanes[1] = {src};
    int produced = swr_convert(swr_, &dst, capacity, srcPlanes, inFrames);
    if (produced < 0) {
        out.resize(start);
        return "The audio block cannot be converted to the playback format";
    }
    out.resize(start + std::size_t(produced) * outFrameBytes);
    return {};
}

}  // namespace kezplayer
