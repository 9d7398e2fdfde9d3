// WMA output: the wmav2 encoder and the ASF muxer of FFmpeg. The encoder works in whole
// frames: the audio is led by one frame of silence that decoders drop, and followed by
// silence up to the end of the frame that completes it.
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <vector>

#include "Encoder.h"
#include "FfmpegUtil.h"
#include "MediaError.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
}

namespace kez::media {
namespace {

class WmaEncoder : public Encoder {
public:
    WmaEncoder(const std::string& path, const EncoderSettings& s) : path_(path), s_(s) {
        try {
            Start(s);
        } catch (...) {
            Release();  // a failed constructor runs no destructor
            throw;
        }
    }

    void Start(const EncoderSettings& s) {
        QuietFfmpegLog();
        s_.channels = s.channels <= 1 ? 1 : 2;
        static const int kRates[] = {8000, 11025, 16000, 22050, 32000, 44100, 48000};
        int best = 44100;
        for (int r : kRates)
            if (std::abs(r - s.sampleRate) < std::abs(best - s.sampleRate)) best = r;
        s_.sampleRate = best;
        fmt_ = PcmFormat{s_.sampleRate, s_.channels, 32, true};
        const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_WMAV2);
        if (!codec) throw MediaError("The WMA encoder is not available.");
        if (avformat_alloc_output_context2(&oc_, nullptr, "asf", nullptr) < 0 || !oc_)
            throw MediaError("The WMA writer cannot be started.");
        st_ = avformat_new_stream(oc_, nullptr);
        // The encoder refuses bitrates that give too small or too large a packet: walk
        // towards the range it takes.
        int kbps = std::clamp(s.bitrateKbps, 8, 320);
        int err = -1;
        for (int attempt = 0; attempt < 64 && err < 0; ++attempt) {
            avcodec_free_context(&cc_);
            cc_ = avcodec_alloc_context3(codec);
            if (!cc_ || !st_) throw MediaError("Out of memory starting the WMA writer.");
            cc_->sample_fmt = AV_SAMPLE_FMT_FLTP;
            cc_->sample_rate = s_.sampleRate;
            av_channel_layout_default(&cc_->ch_layout, s_.channels);
            cc_->bit_rate = kbps * 1000LL;
            cc_->time_base = AVRational{1, s_.sampleRate};
            if (oc_->oformat->flags & AVFMT_GLOBALHEADER) cc_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
            err = avcodec_open2(cc_, codec, nullptr);
            if (err < 0) kbps = kbps < 32 ? kbps + 8 : kbps - 16;
            if (kbps < 8) break;
        }
        if (err < 0) throw MediaError("The WMA encoder does not accept this format.");
        s_.bitrateKbps = kbps;
        frameSize_ = cc_->frame_size > 0 ? cc_->frame_size : 2048;
        avcodec_parameters_from_context(st_->codecpar, cc_);
        st_->time_base = cc_->time_base;
        AVDictionary* opts = nullptr;
        av_dict_set(&opts, "protocol_whitelist", "file", 0);
        int r = avio_open2(&oc_->pb, ("file:" + path_).c_str(), AVIO_FLAG_WRITE, nullptr, &opts);
        av_dict_free(&opts);
        if (r < 0) {
            std::string why = r == AVERROR(ENOENT) ? "the folder does not exist" : FfmpegText(r);
            throw MediaError("Cannot create the file " + Quoted(path_) + ": " + why + ".");
        }
        frame_ = av_frame_alloc();
        pkt_ = av_packet_alloc();
        group_ = av_packet_alloc();
        if (!frame_ || !pkt_ || !group_) throw MediaError("Out of memory starting the WMA writer.");
        // A decoder gives nothing for the first frame of a stream (it only primes the
        // overlap): lead with a frame of silence so that the audio's first frame is heard.
        held_.assign(static_cast<std::size_t>(frameSize_) * s_.channels, 0.0f);
        pts_ = -frameSize_;
    }
    ~WmaEncoder() override { Release(); }

    void Release() {
        // The ASF muxer frees its index only in its trailer: give it one even after a failure.
        if (headerWritten_ && oc_) av_write_trailer(oc_);
        headerWritten_ = false;
        av_frame_free(&frame_);
        av_packet_free(&pkt_);
        av_packet_free(&group_);
        avcodec_free_context(&cc_);
        if (oc_) {
            if (oc_->pb) avio_closep(&oc_->pb);
            avformat_free_context(oc_);
            oc_ = nullptr;
        }
    }
    const PcmFormat& InputFormat() const override { return fmt_; }
    EncoderSettings Effective() const override { return s_; }

    void Write(const std::uint8_t* samples, std::int64_t frames) override {
        const float* in = reinterpret_cast<const float*>(samples);
        held_.insert(held_.end(), in, in + frames * s_.channels);
        std::size_t per = static_cast<std::size_t>(frameSize_) * s_.channels;
        std::size_t used = 0;
        while (held_.size() - used >= per) {
            Encode(held_.data() + used, frameSize_);
            used += per;
        }
        held_.erase(held_.begin(), held_.begin() + static_cast<std::ptrdiff_t>(used));
    }

    void Finish() override {
        // The last frame is completed with silence: at most one frame of it follows the audio.
        const std::size_t ch = static_cast<std::size_t>(s_.channels), per = static_cast<std::size_t>(frameSize_);
        const std::size_t frames = (held_.size() / ch + per - 1) / per * per;
        held_.resize(frames * ch, 0.0f);
        for (std::size_t at = 0; at < frames; at += per) Encode(held_.data() + at * ch, frameSize_);
        held_.clear();
        Send(nullptr);
        if (!headerWritten_) Begin(PacketBlocksFor(static_cast<std::int64_t>(early_.size())));
        WriteGroup();  // what is gathered goes out, however few blocks
        headerWritten_ = false;
        int r = av_write_trailer(oc_);
        if (r < 0) Fail(r);
        if (oc_->pb->error < 0) Fail(oc_->pb->error);
        r = avio_closep(&oc_->pb);
        if (r < 0) Fail(r);
    }

private:
    struct Block {
        std::vector<std::uint8_t> bytes;
        std::int64_t pts, dts, duration;
    };

    // Several codec blocks go out as one media object, alone in its data packet: the packet
    // carries 26 bytes of headers for all of them instead of 17 for each block, which low
    // bitrates (blocks of 96 to 380 bytes) cannot afford. Packets hold whole blocks and no
    // padding, except the last one, which is padded to the packet size: so the packet size
    // waits for the first megabyte of blocks. A file that ends before gets the block count
    // per packet that makes it smallest; a longer one the largest packets up to 8 KB, whose
    // headers and last padding cost under 1%.
    static constexpr int kPacketHeaders = 26, kMaxPacket = 8192;
    static constexpr std::size_t kDecideBytes = 1 << 20;

    int MaxPacketBlocks() const { return std::max(1, (kMaxPacket - kPacketHeaders) / std::max(1, cc_->block_align)); }

    int PacketBlocksFor(std::int64_t blocks) const {
        const std::int64_t size = std::max(1, cc_->block_align);
        blocks = std::max<std::int64_t>(blocks, 1);
        int best = 1;
        std::int64_t bestBytes = INT64_MAX;
        for (int k = 1; k <= MaxPacketBlocks(); ++k) {
            const std::int64_t bytes = (blocks + k - 1) / k * (kPacketHeaders + k * size);
            if (bytes < bestBytes) bestBytes = bytes, best = k;
        }
        return best;
    }

    // Fixes the packet size, writes the header and sends out the blocks held so far.
    void Begin(int blocksPerPacket) {
        blocksPerPacket_ = blocksPerPacket;
        const int size = kPacketHeaders + blocksPerPacket_ * std::max(1, cc_->block_align);
        if (av_opt_set_int(oc_->priv_data, "packet_size", std::clamp(size, 100, 65536), 0) < 0)
            throw MediaError("The WMA writer cannot be started.");
        int r = avformat_write_header(oc_, nullptr);
        if (r < 0) Fail(r);
        headerWritten_ = true;
        if (oc_->pb->error < 0) Fail(oc_->pb->error);
        std::vector<Block> early;
        early.swap(early_);
        for (const Block& b : early) Group(b.bytes.data(), b.bytes.size(), b.pts, b.dts, b.duration);
    }

    [[noreturn]] void Fail(int r) {
        std::string why = r == AVERROR(ENOSPC) ? SystemText(ENOSPC) : FfmpegText(r);
        throw MediaError("Writing the file " + Quoted(path_) + " failed: " + why + ".");
    }

    void Encode(const float* interleaved, int n) {
        av_frame_unref(frame_);  // a failed send may have left the last one referenced
        frame_->nb_samples = n;
        frame_->format = AV_SAMPLE_FMT_FLTP;
        frame_->sample_rate = s_.sampleRate;
        av_channel_layout_copy(&frame_->ch_layout, &cc_->ch_layout);
        if (av_frame_get_buffer(frame_, 0) < 0) throw MediaError("Out of memory writing " + Quoted(path_) + ".");
        for (int c = 0; c < s_.channels; ++c) {
            float* dst = reinterpret_cast<float*>(frame_->extended_data[c]);
            for (int i = 0; i < n; ++i) dst[i] = interleaved[i * s_.channels + c];
        }
        frame_->pts = pts_;
        pts_ += n;
        Send(frame_);
        av_frame_unref(frame_);
    }

    void Send(AVFrame* f) {
        int r = avcodec_send_frame(cc_, f);
        if (r < 0 && r != AVERROR_EOF) Fail(r);
        while ((r = avcodec_receive_packet(cc_, pkt_)) == 0) {
            if (headerWritten_) {
                Group(pkt_->data, static_cast<std::size_t>(pkt_->size), pkt_->pts, pkt_->dts, pkt_->duration);
            } else {
                early_.push_back({{pkt_->data, pkt_->data + pkt_->size}, pkt_->pts, pkt_->dts, pkt_->duration});
                earlyBytes_ += static_cast<std::size_t>(pkt_->size);
                if (earlyBytes_ >= kDecideBytes) Begin(MaxPacketBlocks());
            }
            av_packet_unref(pkt_);
        }
    }

    // Gathers codec blocks into the media object of the next data packet.
    void Group(const std::uint8_t* data, std::size_t size, std::int64_t pts, std::int64_t dts, std::int64_t duration) {
        if (gathered_ == 0) {
            groupBytes_.clear();
            groupPts_ = pts;
            groupDts_ = dts;
            groupDuration_ = 0;
        }
        groupBytes_.insert(groupBytes_.end(), data, data + size);
        groupDuration_ += duration;
        if (++gathered_ >= blocksPerPacket_) WriteGroup();
    }

    void WriteGroup() {
        if (gathered_ == 0) return;
        gathered_ = 0;
        av_packet_unref(group_);
        if (av_new_packet(group_, static_cast<int>(groupBytes_.size())) < 0)
            throw MediaError("Out of memory writing " + Quoted(path_) + ".");
        std::memcpy(group_->data, groupBytes_.data(), groupBytes_.size());
        group_->pts = groupPts_;
        group_->dts = groupDts_;
        group_->duration = groupDuration_;
        av_packet_rescale_ts(group_, cc_->time_base, st_->time_base);
        group_->stream_index = st_->index;
        int w = av_interleaved_write_frame(oc_, group_);
        if (w < 0) Fail(w);
        if (oc_->pb->error < 0) Fail(oc_->pb->error);
    }

    std::string path_;
    EncoderSettings s_;
    PcmFormat fmt_;
    AVFormatContext* oc_ = nullptr;
    AVCodecContext* cc_ = nullptr;
    AVStream* st_ = nullptr;
    AVFrame* frame_ = nullptr;
    AVPacket* pkt_ = nullptr;
    AVPacket* group_ = nullptr;
    std::vector<std::uint8_t> groupBytes_;
    std::int64_t groupPts_ = 0, groupDts_ = 0, groupDuration_ = 0;
    int gathered_ = 0;
    std::vector<Block> early_;  // blocks before the packet size is fixed
    std::size_t earlyBytes_ = 0;
    int blocksPerPacket_ = 1;
    int frameSize_ = 2048;
    bool headerWritten_ = false;
    std::int64_t pts_ = 0;
    std::vector<float> held_;
};

}  // namespace

std::unique_ptr<Encoder> MakeWmaEncoder(const std::string& path, const EncoderSettings& s) {
    return std::make_unique<WmaEncoder>(path, s);
}

}  // namespace kez::media
