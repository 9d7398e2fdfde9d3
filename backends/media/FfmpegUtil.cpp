#include "FfmpegUtil.h"

#include <algorithm>
#include <mutex>

#include "MediaError.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/log.h>
}

namespace kez::media {

void QuietFfmpegLog() {
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_level(AV_LOG_QUIET); });
}

std::string FfmpegText(int err) {
    char buf[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(err, buf, sizeof buf);
    return buf;
}

AVFormatContext* OpenInput(const std::string& path) {
    QuietFfmpegLog();
    AVFormatContext* fmt = avformat_alloc_context();
    if (!fmt) throw MediaError("Out of memory opening " + Quoted(path) + ".");
    AVDictionary* opts = nullptr;
    av_dict_set(&opts, "protocol_whitelist", "file", 0);
    // "file:" keeps a name with a colon from being taken for a protocol.
    int r = avformat_open_input(&fmt, ("file:" + path).c_str(), nullptr, &opts);
    av_dict_free(&opts);
    if (r < 0) {
        if (r == AVERROR(ENOENT)) throw MediaError("The file " + Quoted(path) + " does not exist.");
        if (r == AVERROR(EACCES)) throw MediaError("Cannot open " + Quoted(path) + ": Permission denied.");
        throw MediaError("The file " + Quoted(path) + " is not a supported audio file (MP3, Ogg Vorbis, WAV, WMA).");
    }
    return fmt;
}

std::int64_t CountPackets(const std::string& path, int si, int blockAlign) {
    AVFormatContext* fmt = nullptr;
    try {
        fmt = OpenInput(path);
    } catch (const MediaError&) {
        return -1;
    }
    std::int64_t n = 0;
    AVPacket* pkt = av_packet_alloc();
    while (pkt && av_read_frame(fmt, pkt) >= 0) {
        if (pkt->stream_index == si) n += blockAlign > 0 ? std::max(1, pkt->size / blockAlign) : 1;
        av_packet_unref(pkt);
    }
    av_packet_free(&pkt);
    avformat_close_input(&fmt);
    return n;
}

std::int64_t CountDecodedFrames(const std::string& path, int si) {
    AVFormatContext* fmt = nullptr;
    try {
        fmt = OpenInput(path);
    } catch (const MediaError&) {
        return 0;
    }
    std::int64_t n = 0;
    if (avformat_find_stream_info(fmt, nullptr) >= 0 && si < static_cast<int>(fmt->nb_streams)) {
        AVCodecParameters* par = fmt->streams[si]->codecpar;
        const AVCodec* codec = avcodec_find_decoder(par->codec_id);
        AVCodecContext* cc = codec ? avcodec_alloc_context3(codec) : nullptr;
        AVPacket* pkt = av_packet_alloc();
        AVFrame* frame = av_frame_alloc();
        if (cc && pkt && frame && avcodec_parameters_to_context(cc, par) >= 0 && avcodec_open2(cc, codec, nullptr) >= 0) {
            bool draining = false;
            while (true) {
                int r = avcodec_receive_frame(cc, frame);
                if (r == 0) {
                    n += frame->nb_samples;
                    av_frame_unref(frame);
                    continue;
                }
                if (r != AVERROR(EAGAIN) || draining) break;
                if (av_read_frame(fmt, pkt) < 0) {
                    avcodec_send_packet(cc, nullptr);
                    draining = true;
                    continue;
                }
                if (pkt->stream_index == si) avcodec_send_packet(cc, pkt);
                av_packet_unref(pkt);
            }
        }
        av_frame_free(&frame);
        av_packet_free(&pkt);
        avcodec_free_context(&cc);
    }
    avformat_close_input(&fmt);
    return n;
}

}  // namespace kez::media
