#include "decode.h"

#include <algorithm>
#include <cstring>
#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

namespace kez::compress {

namespace {

constexpr int kMinRate = 100;
constexpr int kMaxRate = 768000;
constexpr int kMaxChannels = 64;
// Larger results could not travel in an automation array.
constexpr std::uint64_t kMaxOutput = 0xFFFFFFFFull - 18;

std::uint16_t U16(const std::uint8_t* p) { return std::uint16_t(p[0] | (p[1] << 8)); }
std::uint32_t U32(const std::uint8_t* p) { return std::uint32_t(p[0]) | (p[1] << 8) | (p[2] << 16) | (std::uint32_t(p[3]) << 24); }

AVCodecID PcmCodec(int tag, int bits) {
    if (tag == 1) {
        switch (bits) {
            case 8: return AV_CODEC_ID_PCM_U8;
            case 16: return AV_CODEC_ID_PCM_S16LE;
            case 24: return AV_CODEC_ID_PCM_S24LE;
            case 32: return AV_CODEC_ID_PCM_S32LE;
            default: return AV_CODEC_ID_NONE;
        }
    }
    if (tag == 3) return bits == 64 ? AV_CODEC_ID_PCM_F64LE : bits == 32 ? AV_CODEC_ID_PCM_F32LE : AV_CODEC_ID_NONE;
    const AVCodecTag* tables[] = {avformat_get_riff_audio_tags(), nullptr};
    return av_codec_get_id(tables, unsigned(tag));
}

void SetLayout(AVChannelLayout* layout, int channels, std::uint32_t mask) {
    av_channel_layout_uninit(layout);
    if (mask && __builtin_popcount(mask) == channels && av_channel_layout_from_mask(layout, mask) == 0) return;
    av_channel_layout_default(layout, channels);
}

struct CodecCtx {
    AVCodecContext* p = nullptr;
    ~CodecCtx() { avcodec_free_context(&p); }
};
struct Parser {
    AVCodecParserContext* p = nullptr;
    ~Parser() {
        if (p) av_parser_close(p);
    }
};
struct Swr {
    SwrContext* p = nullptr;
    ~Swr() { swr_free(&p); }
};
struct Frame {
    AVFrame* p = av_frame_alloc();
    ~Frame() { av_frame_free(&p); }
};
struct Packet {
    AVPacket* p = av_packet_alloc();
    ~Packet() { av_packet_free(&p); }
};

class Sink {
public:
    Sink(const PcmFormat& f, int mode) : f_(f), mode_(mode) {}

    // false: stop (too large or the resampler failed)
    ~Sink() { av_channel_layout_uninit(&inLayout_); }

    bool Take(const AVFrame* frame) {
        if (frame->nb_samples <= 0 || !frame->extended_data || !frame->extended_data[0]) return true;
        // A stream may change its layout or rate part way (MPEG frames can): the resampler
        // is rebuilt for the frame it is given, after handing out what it still holds.
        if (swr_.p && (frame->format != inFormat_ || frame->sample_rate != inRate_ ||
                       av_channel_layout_compare(&frame->ch_layout, &inLayout_) != 0)) {
            if (!Flush()) return false;
            swr_free(&swr_.p);
        }
        if (!swr_.p && !Open(frame)) return false;
        int outMax = swr_get_out_samples(swr_.p, frame->nb_samples);
        if (outMax < 0) return false;
        return Convert(const_cast<const std::uint8_t**>(frame->extended_data), frame->nb_samples, outMax);
    }
    bool Flush() {
        if (!swr_.p) return true;
        int outMax = swr_get_out_samples(swr_.p, 0);
        return outMax <= 0 || Convert(nullptr, 0, outMax);
    }
    std::vector<std::uint8_t>& data() { return data_; }
    bool tooLarge() const { return tooLarge_; }

private:
    bool Open(const AVFrame* frame) {
        AVChannelLayout outLayout{};
        SetLayout(&outLayout, f_.channels, f_.channelMask);
        AVSampleFormat fmt = f_.bitsPerSample == 8 ? AV_SAMPLE_FMT_U8
                             : f_.bitsPerSample == 16 ? AV_SAMPLE_FMT_S16 : AV_SAMPLE_FMT_S32;
        int rc = swr_alloc_set_opts2(&swr_.p, &outLayout, fmt, f_.samplesPerSec, const_cast<AVChannelLayout*>(&frame->ch_layout),
                                     AVSampleFormat(frame->format), frame->sample_rate, 0, nullptr);
        av_channel_layout_uninit(&outLayout);
        if (rc < 0 || !swr_.p) return false;
        inFormat_ = frame->format;
        inRate_ = frame->sample_rate;
        av_channel_layout_uninit(&inLayout_);
        if (av_channel_layout_copy(&inLayout_, &frame->ch_layout) < 0) return false;
        if (mode_ >= 20) {
            av_opt_set_int(swr_.p, "filter_size", 64, 0);
            av_opt_set_double(swr_.p, "cutoff", 0.97, 0);
        }
        // Differing channel layouts of equal count are remixed; an unknown order is matched by position.
        return swr_init(swr_.p) >= 0;
    }

    bool Convert(const std::uint8_t** in, int inSamples, int outMax) {
        int containerBytes = f_.bitsPerSample == 8 ? 1 : f_.bitsPerSample == 16 ? 2 : 4;
        buffer_.resize(std::size_t(outMax) * f_.channels * containerBytes);
        std::uint8_t* outPlanes[1] = {buffer_.data()};
        int got = swr_convert(swr_.p, outPlanes, outMax, in, inSamples);
        if (got < 0) return false;
        std::size_t samples = std::size_t(got) * f_.channels;
        int outBytes = f_.bitsPerSample / 8;
        if (data_.size() + samples * outBytes > kMaxOutput) {
            tooLarge_ = true;
            return false;
        }
        if (f_.bitsPerSample == 24) {
            // Packed 24-bit: the top three bytes of each 32-bit sample.
            std::size_t at = data_.size();
            data_.resize(at + samples * 3);
            for (std::size_t i = 0; i < samples; ++i) {
                std::memcpy(&data_[at + 3 * i], &buffer_[4 * i + 1], 3);
            }
        } else {
            data_.insert(data_.end(), buffer_.begin(), buffer_.begin() + std::ptrdiff_t(samples * containerBytes));
        }
        return true;
    }

    PcmFormat f_;
    int mode_;
    int inFormat_ = -1;
    int inRate_ = 0;
    AVChannelLayout inLayout_{};
    Swr swr_;
    std::vector<std::uint8_t> buffer_;
    std::vector<std::uint8_t> data_;
    bool tooLarge_ = false;
};

bool Drain(AVCodecContext* ctx, AVFrame* frame, Sink& sink) {
    for (;;) {
        int rc = avcodec_receive_frame(ctx, frame);
        if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) return true;
        if (rc < 0) return false;
        bool ok = sink.Take(frame);
        av_frame_unref(frame);
        if (!ok) return false;
    }
}

// Sends one packet and collects its frames; false when decoding should stop.
bool Send(AVCodecContext* ctx, AVPacket* pkt, AVFrame* frame, Sink& sink) {
    int rc = avcodec_send_packet(ctx, pkt);
    if (rc < 0 && rc != AVERROR(EAGAIN)) {
        // A damaged packet: skip it, keep what the decoder has.
        return rc != AVERROR_EOF && Drain(ctx, frame, sink);
    }
    return Drain(ctx, frame, sink);
}

}  // namespace

HRESULT DecodeArray(std::span<const std::uint8_t> array, const PcmFormat& target, int mode, Decoded& out,
                    std::string* why) {
    auto fail = [&](const char* reason) {
        if (why) *why = reason;
        return E_INVALIDARG;
    };
    // Damaged input is expected here; FFmpeg's own complaints would only be noise.
    static const bool quiet = (av_log_set_level(AV_LOG_QUIET), true);
    (void)quiet;
    if (array.size() < 18) return fail("array shorter than its header");
    const std::uint8_t* p = array.data();
    int tag = U16(p);
    int channels = U16(p + 2);
    int rate = int(std::min<std::uint32_t>(U32(p + 4), 0x7FFFFFFF));
    std::uint32_t avg = U32(p + 8);
    int blockAlign = U16(p + 12);
    int bits = U16(p + 14);
    std::size_t cbSize = U16(p + 16);
    std::size_t extraSize = std::min(cbSize, array.size() - 18);
    std::span<const std::uint8_t> extra = array.subspan(18, extraSize);
    std::span<const std::uint8_t> data = array.subspan(18 + extraSize);

    std::uint32_t mask = 0;
    if (tag == 0xFFFE) {
        if (extra.size() < 22) return fail("extensible header without its sub-format");
        mask = U32(extra.data() + 2);
        tag = U16(extra.data() + 6);
        int valid = U16(extra.data());
        (void)valid;  // the container width decides the decoder; valid bits are inside it
    }
    if (channels < 1 || channels > kMaxChannels) return fail("unsupported channel count");
    if (rate < kMinRate || rate > kMaxRate) return fail("unsupported sample rate");
    AVCodecID id = PcmCodec(tag, bits);
    if (id == AV_CODEC_ID_NONE) return fail("no decoder for this format tag");
    const AVCodec* codec = avcodec_find_decoder(id);
    if (!codec) return fail("no decoder for this format tag");

    PcmFormat f = target;
    if (f.samplesPerSec <= 0) f.samplesPerSec = rate;
    if (f.channels <= 0) f.channels = channels;
    if (f.bitsPerSample != 8 && f.bitsPerSample != 16 && f.bitsPerSample != 24 && f.bitsPerSample != 32)
        f.bitsPerSample = 16;
    if (f.samplesPerSec < kMinRate || f.samplesPerSec > kMaxRate) return fail("unsupported output sample rate");
    if (f.channels > kMaxChannels) return fail("unsupported output channel count");

    CodecCtx ctx;
    ctx.p = avcodec_alloc_context3(codec);
    if (!ctx.p) return E_OUTOFMEMORY;
    ctx.p->sample_rate = rate;
    SetLayout(&ctx.p->ch_layout, channels, mask);
    ctx.p->block_align = blockAlign;
    ctx.p->bit_rate = std::int64_t(avg) * 8;
    ctx.p->bits_per_coded_sample = bits;
    if (!extra.empty()) {
        ctx.p->extradata = static_cast<std::uint8_t*>(av_mallocz(extra.size() + AV_INPUT_BUFFER_PADDING_SIZE));
        if (!ctx.p->extradata) return E_OUTOFMEMORY;
        std::memcpy(ctx.p->extradata, extra.data(), extra.size());
        ctx.p->extradata_size = int(extra.size());
    }
    if (avcodec_open2(ctx.p, codec, nullptr) < 0) return fail("the decoder refused the format");

    Sink sink(f, mode);
    Frame frame;
    Packet pkt;
    if (!frame.p || !pkt.p) return E_OUTOFMEMORY;
    // The decoders read a little past the end of a packet: feed them from a padded copy.
    std::vector<std::uint8_t> padded(data.size() + AV_INPUT_BUFFER_PADDING_SIZE, 0);
    std::copy(data.begin(), data.end(), padded.begin());

    Parser parser;
    parser.p = av_parser_init(id);
    bool going = true;
    if (parser.p) {
        const std::uint8_t* at = padded.data();
        int left = int(std::min<std::size_t>(data.size(), 0x7FFFFFFF));
        while (going && left > 0) {
            std::uint8_t* outData = nullptr;
            int outSize = 0;
            int used = av_parser_parse2(parser.p, ctx.p, &outData, &outSize, at, left, AV_NOPTS_VALUE,
                                        AV_NOPTS_VALUE, 0);
            if (used < 0) break;
            at += used;
            left -= used;
            if (outSize > 0) {
                pkt.p->data = outData;
                pkt.p->size = outSize;
                going = Send(ctx.p, pkt.p, frame.p, sink);
            }
            if (used == 0 && outSize == 0) break;
        }
        if (going) {
            std::uint8_t* outData = nullptr;
            int outSize = 0;
            av_parser_parse2(parser.p, ctx.p, &outData, &outSize, nullptr, 0, AV_NOPTS_VALUE, AV_NOPTS_VALUE, 0);
            if (outSize > 0) {
                pkt.p->data = outData;
                pkt.p->size = outSize;
                going = Send(ctx.p, pkt.p, frame.p, sink);
            }
        }
    } else {
        bool pcm = codec->id >= AV_CODEC_ID_PCM_S16LE && codec->id < AV_CODEC_ID_ADPCM_IMA_QT;
        std::size_t step = blockAlign > 0 ? std::size_t(blockAlign) : 4096;
        if (pcm) step *= std::max<std::size_t>(1, 65536 / step);
        for (std::size_t at = 0; going && at < data.size(); at += step) {
            pkt.p->data = padded.data() + at;
            pkt.p->size = int(std::min(step, data.size() - at));
            going = Send(ctx.p, pkt.p, frame.p, sink);
        }
    }
    if (going) {
        avcodec_send_packet(ctx.p, nullptr);
        going = Drain(ctx.p, frame.p, sink);
    }
    if (sink.tooLarge()) return E_OUTOFMEMORY;
    sink.Flush();
    if (sink.tooLarge()) return E_OUTOFMEMORY;
    out.format = f;
    out.data = std::move(sink.data());
    return S_OK;
}

}  // namespace kez::compress
