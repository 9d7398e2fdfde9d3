#include "Converter.h"

#include <cstring>

#include "MediaError.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

namespace kez::media {

namespace {

// The swresample type of a layout; 24-bit samples travel as 32-bit.
AVSampleFormat SwrFormat(const PcmFormat& f) {
    if (f.isFloat) return f.bits == 64 ? AV_SAMPLE_FMT_DBL : AV_SAMPLE_FMT_FLT;
    switch (f.bits) {
        case 8: return AV_SAMPLE_FMT_U8;
        case 16: return AV_SAMPLE_FMT_S16;
        default: return AV_SAMPLE_FMT_S32;
    }
}

int SwrBytes(const PcmFormat& f) { return av_get_bytes_per_sample(SwrFormat(f)); }

}  // namespace

Converter::Converter(const PcmFormat& in, const PcmFormat& out) : in_(in), out_(out) {
    if (in_ == out_) return;
    AVChannelLayout li, lo;
    av_channel_layout_default(&li, in.channels);
    av_channel_layout_default(&lo, out.channels);
    if (swr_alloc_set_opts2(&swr_, &lo, SwrFormat(out), out.sampleRate, &li, SwrFormat(in), in.sampleRate, 0,
                            nullptr) < 0)
        throw MediaError("The audio format conversion cannot be set up.");
    // Mono to stereo keeps the level on both sides; stereo to mono is the mean.
    if (in.channels == 1 && out.channels == 2) {
        double m[2] = {1.0, 1.0};
        swr_set_matrix(swr_, m, 1);
    } else if (in.channels == 2 && out.channels == 1) {
        double m[2] = {0.5, 0.5};
        swr_set_matrix(swr_, m, 2);
    }
    if (out.isFloat == false && out.bits <= 16) av_opt_set_int(swr_, "dither_method", 0, 0);
    if (swr_init(swr_) < 0) {
        swr_free(&swr_);
        throw MediaError("The audio format conversion cannot be set up.");
    }
}

Converter::~Converter() { swr_free(&swr_); }

void Converter::Run(const std::uint8_t* data, int frames, std::vector<std::uint8_t>& out) {
    const int outBytes = SwrBytes(out_);
    int room = swr_get_out_samples(swr_, frames);
    if (room < 0) room = frames;
    tmp_.resize(static_cast<std::size_t>(room + 16) * out_.channels * outBytes);
    std::uint8_t* outPlanes[1] = {tmp_.data()};
    const std::uint8_t* inPlanes[1] = {data};
    int got = swr_convert(swr_, outPlanes, room + 16, data ? inPlanes : nullptr, data ? frames : 0);
    if (got < 0) throw MediaError("The audio format conversion failed.");
    const std::size_t samples = static_cast<std::size_t>(got) * out_.channels;
    if (out_.bits == 24 && !out_.isFloat) {
        std::size_t at = out.size();
        out.resize(at + samples * 3);
        for (std::size_t i = 0; i < samples; ++i) std::memcpy(&out[at + i * 3], &tmp_[i * 4 + 1], 3);
    } else {
        out.insert(out.end(), tmp_.begin(), tmp_.begin() + static_cast<std::ptrdiff_t>(samples * outBytes));
    }
}

void Converter::Convert(const std::uint8_t* data, std::int64_t frames, std::vector<std::uint8_t>& out) {
    if (frames <= 0) return;
    if (!swr_) {
        out.insert(out.end(), data, data + frames * in_.BlockAlign());
        return;
    }
    const std::int64_t chunk = 1 << 16;
    for (std::int64_t done = 0; done < frames; done += chunk) {
        int n = static_cast<int>(std::min(chunk, frames - done));
        const std::uint8_t* p = data + done * in_.BlockAlign();
        if (in_.bits == 24 && !in_.isFloat) {
            const std::size_t samples = static_cast<std::size_t>(n) * in_.channels;
            wide_.resize(samples * 4);
            for (std::size_t i = 0; i < samples; ++i) {
                wide_[i * 4] = 0;
                std::memcpy(&wide_[i * 4 + 1], p + i * 3, 3);
            }
            p = wide_.data();
        }
        Run(p, n, out);
    }
}

void Converter::Flush(std::vector<std::uint8_t>& out) {
    if (swr_) Run(nullptr, 0, out);
}

}  // namespace kez::media
