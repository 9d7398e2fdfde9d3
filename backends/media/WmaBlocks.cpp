#include "WmaBlocks.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

extern "C" {
#include <libavutil/mathematics.h>
}

namespace kez::media {

WmaBlocks::WmaBlocks(int blockAlign, int frameLength, int sampleRate)
    : whole_(av_packet_alloc()), blockAlign_(blockAlign), frameLength_(frameLength), sampleRate_(sampleRate) {}

WmaBlocks::~WmaBlocks() { av_packet_free(&whole_); }

void WmaBlocks::Reset() {
    if (whole_) av_packet_unref(whole_);
    offset_ = index_ = 0;
}

int WmaBlocks::Next(AVFormatContext* fmt, int si, AVRational tb, AVPacket* pkt) {
    if (!whole_) return AVERROR(ENOMEM);
    while (offset_ >= whole_->size) {
        Reset();
        const int r = av_read_frame(fmt, whole_);
        if (r < 0) return r;
        // A packet that is not whole blocks is not split: it goes to the decoder as it is.
        if (whole_->stream_index != si || blockAlign_ <= 0 || whole_->size <= blockAlign_ ||
            whole_->size % blockAlign_ != 0) {
            av_packet_move_ref(pkt, whole_);
            return 0;
        }
    }
    const int n = std::min(blockAlign_, whole_->size - offset_);
    if (av_new_packet(pkt, n) < 0) return AVERROR(ENOMEM);
    std::memcpy(pkt->data, whole_->data + offset_, static_cast<std::size_t>(n));
    pkt->stream_index = si;
    pkt->flags = whole_->flags;
    pkt->pos = whole_->pos;
    const std::int64_t step = av_rescale_q(static_cast<std::int64_t>(index_) * frameLength_,
                                           AVRational{1, sampleRate_}, tb);
    pkt->pts = whole_->pts == AV_NOPTS_VALUE ? AV_NOPTS_VALUE : whole_->pts + step;
    pkt->dts = whole_->dts == AV_NOPTS_VALUE ? AV_NOPTS_VALUE : whole_->dts + step;
    pkt->duration = av_rescale_q(frameLength_, AVRational{1, sampleRate_}, tb);
    offset_ += n;
    ++index_;
    return 0;
}

}  // namespace kez::media
