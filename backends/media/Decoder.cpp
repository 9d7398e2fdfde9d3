#include "Decoder.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "ContainerScan.h"
#include "FfmpegUtil.h"
#include "MediaError.h"
#include "StreamLimits.h"
#include "VorbisChain.h"
#include "WmaBlocks.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

namespace kez::media {

std::int64_t FramesToMs(std::int64_t frames, int sampleRate) {
    if (frames <= 0 || sampleRate <= 0) return 0;
    return (frames * 1000 + sampleRate / 2) / sampleRate;
}

namespace {

int WaveTagOf(const AVCodecParameters* p, Container c) {
    switch (p->codec_id) {
        case AV_CODEC_ID_MP3: return 85;
        case AV_CODEC_ID_VORBIS: return 26447;
        case AV_CODEC_ID_WMAV1:
        case AV_CODEC_ID_WMAV2:
        case AV_CODEC_ID_WMAPRO:
        case AV_CODEC_ID_WMALOSSLESS: return 111;
        case AV_CODEC_ID_PCM_U8:
        case AV_CODEC_ID_PCM_S16LE:
        case AV_CODEC_ID_PCM_S24LE:
        case AV_CODEC_ID_PCM_S32LE: return 1;
        case AV_CODEC_ID_PCM_F32LE:
        case AV_CODEC_ID_PCM_F64LE: return 3;
        default: return c == Container::Wav ? static_cast<int>(p->codec_tag) : 0;
    }
}

// The block layout a codec decodes to: PCM keeps its depth, everything else is float.
PcmFormat OutputFormatOf(const AVCodecParameters* p, int channels) {
    PcmFormat f;
    f.sampleRate = p->sample_rate;
    f.channels = channels;
    switch (p->codec_id) {
        case AV_CODEC_ID_PCM_U8: f.bits = 8; break;
        case AV_CODEC_ID_PCM_S16LE: f.bits = 16; break;
        case AV_CODEC_ID_PCM_S24LE: f.bits = 24; break;
        case AV_CODEC_ID_PCM_S32LE: f.bits = 32; break;
        default: f.bits = 32, f.isFloat = true; break;
    }
    return f;
}

template <class T>
void Interleave(T* dst, std::uint8_t* const* planes, int n, int ch) {
    if (ch == 2) {
        const T* l = reinterpret_cast<const T*>(planes[0]);
        const T* r = reinterpret_cast<const T*>(planes[1]);
        for (int i = 0; i < n; ++i) {
            dst[2 * i] = l[i];
            dst[2 * i + 1] = r[i];
        }
        return;
    }
    for (int c = 0; c < ch; ++c) {
        const T* p = reinterpret_cast<const T*>(planes[c]);
        for (int i = 0; i < n; ++i) dst[static_cast<std::size_t>(i) * ch + c] = p[i];
    }
}

// Samples per WMA v1/v2 frame, by sample rate, as the format defines it.
int WmaFrameLength(const AVCodecParameters* p) {
    int bits = p->sample_rate <= 16000 ? 9 : (p->sample_rate <= 22050 || (p->sample_rate <= 32000 && p->codec_id == AV_CODEC_ID_WMAV1)) ? 10 : 11;
    return 1 << bits;
}

}  // namespace

struct Decoder::Impl {
    std::string path;
    AVFormatContext* fmt = nullptr;
    AVCodecContext* cc = nullptr;
    AVPacket* pkt = nullptr;
    AVFrame* frame = nullptr;
    SwrContext* swr = nullptr;
    int si = -1;
    StreamInfo info;
    PcmFormat out;
    std::int64_t startPts = AV_NOPTS_VALUE;
    std::int64_t preroll = 0;
    std::int64_t wavDataStart = -1;
    std::vector<std::uint8_t> pending;  // decoded frames from pos on
    std::size_t pendingOff = 0;
    std::int64_t pos = 0;
    std::int64_t decodedEnd = 0;  // frame index after the last decoded frame
    bool eof = false;
    bool anchorNext = false;  // the next decoded frame sets the timeline (after a seek)
    AVRational tb{1, 1};      // of the packets' time stamps
    // MP3 is fed frame by frame from the file's own frame table, stamped with the frame's
    // exact position: junk, an info frame that the demuxer takes for audio and inexact
    // container seeks then cannot move the timeline.
    Mp3Scan mp3;
    bool ownPackets = false;
    std::size_t nextPacket = 0;
    std::FILE* file = nullptr;
    // Ogg Vorbis goes through the reference decoder, which reads a chain as one stream.
    std::unique_ptr<VorbisChain> chain;
    // WMA goes to the decoder block by block, each stamped with its own time.
    std::unique_ptr<WmaBlocks> wmaBlocks;

    ~Impl() {
        if (file) std::fclose(file);
        swr_free(&swr);
        av_frame_free(&frame);
        av_packet_free(&pkt);
        avcodec_free_context(&cc);
        avformat_close_input(&fmt);
    }

    std::int64_t PendingFrames() const {
        return static_cast<std::int64_t>(pending.size() - pendingOff) / out.BlockAlign();
    }

    void Open();
    void OpenChain();
    void ComputeLength();
    bool DecodeMore();
    void AppendFrame();
    void SeekHard(std::int64_t target);
    void Rewind();
    void Discard(std::int64_t frames);
    int NextPacket();
    void Restart(std::size_t packet);
};

void Decoder::Impl::Open() {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) {
        int e = errno;
        if (e == ENOENT) throw MediaError("The file " + Quoted(path) + " does not exist.");
        throw MediaError("Cannot open " + Quoted(path) + ": " + SystemText(e) + ".");
    }
    if (S_ISDIR(st.st_mode)) throw MediaError(Quoted(path) + " is a folder, not an audio file.");
    info.fileSize = st.st_size;
    QuietFfmpegLog();
    if (!WavHeaderPlausible(path))
        throw MediaError("The file " + Quoted(path) + " is damaged: its header is cut short.");
    // Ogg Vorbis is read by the reference library alone: the demuxer's metadata store takes
    // time that grows with the square of the number of comments (minutes for 200,000).
    if (StartsOggVorbis(path)) {
        info.container = Container::Ogg;
        OpenChain();
        return;
    }
    CheckMetadataBudget(path);
    fmt = OpenInput(path);  // throws on failure
    if (fmt->pb) wavDataStart = avio_tell(fmt->pb);  // the WAV demuxer stops at the data
    const char* name = fmt->iformat->name;
    if (std::strcmp(name, "wav") == 0)
        info.container = Container::Wav;
    else if (std::strcmp(name, "mp3") == 0)
        info.container = Container::Mp3;
    else if (std::strcmp(name, "ogg") == 0)
        info.container = Container::Ogg;
    else if (std::strcmp(name, "asf") == 0)
        info.container = Container::Asf;
    else
        throw MediaError("The file " + Quoted(path) + " is not a supported audio file (MP3, Ogg Vorbis, WAV, WMA).");
    fmt->max_analyze_duration = 5 * AV_TIME_BASE;
    if (avformat_find_stream_info(fmt, nullptr) < 0 && fmt->nb_streams == 0)
        throw MediaError("The file " + Quoted(path) + " is damaged or not an audio file.");
    si = av_find_best_stream(fmt, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (si < 0) throw MediaError("The file " + Quoted(path) + " holds no audio stream.");
    for (unsigned i = 0; i < fmt->nb_streams; ++i)
        if (static_cast<int>(i) != si) fmt->streams[i]->discard = AVDISCARD_ALL;
    AVCodecParameters* par = fmt->streams[si]->codecpar;
    if (info.container == Container::Ogg && par->codec_id == AV_CODEC_ID_VORBIS) {
        OpenChain();
        return;
    }
    const AVCodec* codec = avcodec_find_decoder(par->codec_id);
    int channels = par->ch_layout.nb_channels;
    if (!codec || par->sample_rate <= 0 || channels <= 0 || channels > 8)
        throw MediaError("The audio of " + Quoted(path) + " cannot be decoded.");
    cc = avcodec_alloc_context3(codec);
    pkt = av_packet_alloc();
    frame = av_frame_alloc();
    if (!cc || !pkt || !frame) throw MediaError("Out of memory opening " + Quoted(path) + ".");
    avcodec_parameters_to_context(cc, par);
    tb = fmt->streams[si]->time_base;
    if (info.container == Container::Mp3) {
        mp3 = ScanMp3(path);
        ownPackets = mp3.ok && mp3.sampleRate == par->sample_rate && !mp3.table.empty();
        if (ownPackets) {
            file = std::fopen(path.c_str(), "rb");
            if (!file) throw MediaError("Cannot open " + Quoted(path) + ": " + SystemText(errno) + ".");
            tb = AVRational{1, par->sample_rate};
            startPts = 0;
        }
    }
    if (info.container == Container::Asf && par->block_align > 0 &&
        (par->codec_id == AV_CODEC_ID_WMAV1 || par->codec_id == AV_CODEC_ID_WMAV2))
        wmaBlocks = std::make_unique<WmaBlocks>(par->block_align, WmaFrameLength(par), par->sample_rate);
    cc->pkt_timebase = tb;
    if (avcodec_open2(cc, codec, nullptr) < 0)
        throw MediaError("The audio of " + Quoted(path) + " cannot be decoded.");

    info.codec = codec->name;
    info.formatTag = WaveTagOf(par, info.container);
    info.sampleRate = par->sample_rate;
    info.channels = channels;
    out = OutputFormatOf(par, channels);
    info.sourceBits = out.isFloat ? (par->bits_per_coded_sample > 0 && info.formatTag == 3
                                         ? par->bits_per_coded_sample
                                         : 16)
                                  : out.bits;
    // Lossy decoders need a little audio before the target to settle after a seek.
    preroll = out.isFloat && info.formatTag != 3 ? std::max(4096, par->sample_rate / 10) : 0;
    ComputeLength();

    // The first decoded frame anchors the timeline: frame 0 of the stream.
    anchorNext = true;
    DecodeMore();
}

void Decoder::Impl::OpenChain() {
    avformat_close_input(&fmt);
    chain = std::make_unique<VorbisChain>(path);
    info.codec = "vorbis";
    info.formatTag = 26447;
    info.sampleRate = chain->SampleRate();
    info.channels = chain->Channels();
    info.sourceBits = 16;
    out.sampleRate = info.sampleRate;
    out.channels = info.channels;
    out.bits = 32;
    out.isFloat = true;
    std::int64_t frames = chain->Frames();
    // Pages that state more audio than the file can hold are not believed: count what decodes.
    if (frames / 2000 > info.fileSize || !OggGranulesPlausible(path)) frames = chain->CountDecodedFrames();
    info.frames = frames;
    info.durationMs = FramesToMs(frames, info.sampleRate);
    info.bitrateKbps = chain->NominalBitrateKbps();
    if (info.bitrateKbps == 0 && info.durationMs > 0)
        info.bitrateKbps = static_cast<int>((info.fileSize * 8 + info.durationMs / 2) / info.durationMs);
}

void Decoder::Impl::ComputeLength() {
    AVStream* st = fmt->streams[si];
    AVCodecParameters* par = st->codecpar;
    std::int64_t frames = -1;
    switch (info.container) {
        case Container::Mp3: {
            const Mp3Scan& s = mp3;
            if (s.ok && s.sampleRate == par->sample_rate) {
                frames = s.frames;
                std::int64_t ms = FramesToMs(frames, par->sample_rate);
                if (s.constantBitrate && s.bitrateKbps > 0)
                    info.bitrateKbps = s.bitrateKbps;
                else if (ms > 0)
                    info.bitrateKbps = static_cast<int>((s.audioBytes * 8 + ms / 2) / ms);
            }
            break;
        }
        case Container::Ogg: frames = OggLastGranule(path); break;
        case Container::Wav:
            if (st->duration > 0 && st->time_base.num > 0)
                frames = av_rescale_q(st->duration, st->time_base, AVRational{1, par->sample_rate});
            if (par->block_align > 0 && wavDataStart > 0 && (info.formatTag == 1 || info.formatTag == 3)) {
                // A data chunk that claims more than the file holds: take what is there.
                std::int64_t avail = (info.fileSize - wavDataStart) / par->block_align;
                if (frames < 0 || frames > avail) frames = avail;
            }
            break;
        case Container::Asf: {
            // The decoder gives one frame less than the codec blocks hold (its first frame
            // primes it), so count the blocks, one or several to a packet; the header's play
            // duration is the fallback.
            if (par->codec_id == AV_CODEC_ID_WMAV1 || par->codec_id == AV_CODEC_ID_WMAV2) {
                std::int64_t blocks = par->block_align > 0 ? CountPackets(path, si, par->block_align) : -1;
                // No packets is no audio, whatever the header states.
                if (blocks >= 0) frames = std::max<std::int64_t>(0, blocks - 1) * WmaFrameLength(par);
            }
            if (frames < 0) {
                std::int64_t d = AsfPlayDuration(path);
                if (d >= 0) frames = av_rescale(d, par->sample_rate, 10000000);
            }
            break;
        }
    }
    // A header that claims far more audio than the file can hold (no codec stores more
    // than a few hundred frames per byte) is not believed: count what decodes instead.
    if (frames < 0 || frames / 2000 > info.fileSize) frames = CountDecodedFrames(path, si);
    info.frames = frames;
    info.durationMs = FramesToMs(frames, par->sample_rate);
    if (info.bitrateKbps == 0) {
        if (info.formatTag == 1 || info.formatTag == 3)
            info.bitrateKbps = static_cast<int>(static_cast<std::int64_t>(par->sample_rate) * info.channels *
                                                (out.isFloat ? std::max(32, par->bits_per_coded_sample) : out.bits) /
                                                1000);
        else if (par->bit_rate > 0)
            info.bitrateKbps = static_cast<int>((par->bit_rate + 500) / 1000);
        else if (info.durationMs > 0)
            info.bitrateKbps = static_cast<int>((info.fileSize * 8 + info.durationMs / 2) / info.durationMs);
    }
}

void Decoder::Impl::AppendFrame() {
    const int n = frame->nb_samples;
    const int ch = out.channels;
    if (n <= 0 || frame->ch_layout.nb_channels != ch || frame->sample_rate != out.sampleRate) return;
    const std::size_t start = pending.size();
    pending.resize(start + static_cast<std::size_t>(n) * out.BlockAlign());
    std::uint8_t* dst = pending.data() + start;
    const auto sf = static_cast<AVSampleFormat>(frame->format);
    const bool planar = av_sample_fmt_is_planar(sf);
    const int inBytes = av_get_bytes_per_sample(sf);
    const AVSampleFormat packed = av_get_packed_sample_fmt(sf);
    const bool direct = (out.isFloat && packed == AV_SAMPLE_FMT_FLT) ||
                        (!out.isFloat && ((out.bits == 8 && packed == AV_SAMPLE_FMT_U8) ||
                                          (out.bits == 16 && packed == AV_SAMPLE_FMT_S16) ||
                                          (out.bits >= 24 && packed == AV_SAMPLE_FMT_S32)));
    if (direct) {
        const int outBytes = out.bits / 8;
        const int skip = inBytes - outBytes;  // 24-bit samples sit in the top bytes of 32
        if (!planar && skip == 0) {
            std::memcpy(dst, frame->extended_data[0], static_cast<std::size_t>(n) * out.BlockAlign());
            return;
        }
        if (skip == 0 && outBytes == 4) {  // float and 32-bit planar: the decoders' usual output
            Interleave(reinterpret_cast<std::uint32_t*>(dst), frame->extended_data, n, ch);
            return;
        }
        if (skip == 0 && outBytes == 2) {
            Interleave(reinterpret_cast<std::uint16_t*>(dst), frame->extended_data, n, ch);
            return;
        }
        for (int i = 0; i < n; ++i)
            for (int c = 0; c < ch; ++c) {
                const std::uint8_t* src = planar ? frame->extended_data[c] + static_cast<std::size_t>(i) * inBytes
                                                 : frame->extended_data[0] +
                                                       (static_cast<std::size_t>(i) * ch + c) * inBytes;
                std::memcpy(dst, src + skip, static_cast<std::size_t>(outBytes));
                dst += outBytes;
            }
        return;
    }
    // Anything else (double, 64-bit) goes through the resampler to float.
    if (!swr) {
        AVChannelLayout layout;
        av_channel_layout_default(&layout, ch);
        if (swr_alloc_set_opts2(&swr, &layout, AV_SAMPLE_FMT_FLT, out.sampleRate, &layout, sf, out.sampleRate, 0,
                                nullptr) < 0 ||
            swr_init(swr) < 0) {
            pending.resize(start);
            throw MediaError("The audio of " + Quoted(path) + " cannot be converted.");
        }
    }
    std::uint8_t* outPlanes[1] = {dst};
    int got = swr_convert(swr, outPlanes, n, const_cast<const std::uint8_t**>(frame->extended_data), n);
    pending.resize(start + static_cast<std::size_t>(std::max(got, 0)) * out.BlockAlign());
}

// Decodes one more frame into pending; false at the end of the stream.
bool Decoder::Impl::DecodeMore() {
    while (true) {
        int r = avcodec_receive_frame(cc, frame);
        if (r == 0) {
            if (anchorNext) {
                anchorNext = false;
                std::int64_t pts = frame->best_effort_timestamp;
                if (pts == AV_NOPTS_VALUE) pts = frame->pts;
                if (startPts == AV_NOPTS_VALUE) {
                    startPts = pts == AV_NOPTS_VALUE ? 0 : pts;
                    decodedEnd = 0;
                } else if (pts == AV_NOPTS_VALUE) {
                    decodedEnd = -1;  // unknown: the caller rewinds
                } else {
                    std::int64_t at = av_rescale_q_rnd(pts - startPts, tb, AVRational{1, out.sampleRate},
                                                       AV_ROUND_NEAR_INF);
                    // Coarse time stamps (milliseconds in ASF): snap to the codec's frame grid.
                    AVCodecParameters* par = fmt->streams[si]->codecpar;
                    int grid = cc->frame_size;
                    if (par->codec_id == AV_CODEC_ID_WMAV1 || par->codec_id == AV_CODEC_ID_WMAV2)
                        grid = WmaFrameLength(par);
                    if (grid > 0 && static_cast<std::int64_t>(tb.den) / std::max(tb.num, 1) < out.sampleRate)
                        at = (at + grid / 2) / grid * grid;
                    decodedEnd = at;
                }
                pos = decodedEnd;
                pending.clear();
                pendingOff = 0;
            }
            if (ownPackets && frame->pts != AV_NOPTS_VALUE && frame->pts != decodedEnd) {
                // A frame the decoder could not rebuild after a restart (its bit reservoir
                // was not there) gave nothing: keep the timeline on the stamps.
                if (frame->pts > decodedEnd)
                    pending.resize(pending.size() + static_cast<std::size_t>(frame->pts - decodedEnd) * out.BlockAlign());
                else
                    pending.resize(std::max<std::size_t>(pendingOff, pending.size() - static_cast<std::size_t>(decodedEnd - frame->pts) * out.BlockAlign()));
                decodedEnd = frame->pts;
            }
            std::size_t before = pending.size();
            AppendFrame();
            decodedEnd += static_cast<std::int64_t>(pending.size() - before) / out.BlockAlign();
            av_frame_unref(frame);
            if (pos < 0) {  // before frame 0: the encoder's and the decoder's delay
                std::int64_t k = std::min(PendingFrames(), -pos);
                pendingOff += static_cast<std::size_t>(k) * out.BlockAlign();
                pos += k;
                if (pos < 0) continue;
            }
            return true;
        }
        if (r == AVERROR_EOF) {
            eof = true;
            return false;
        }
        if (r != AVERROR(EAGAIN)) {  // a broken stream ends here
            eof = true;
            return false;
        }
        r = NextPacket();
        if (r < 0) {
            avcodec_send_packet(cc, nullptr);  // drain
            continue;
        }
        if (pkt->stream_index == si) {
            int s = avcodec_send_packet(cc, pkt);
            (void)s;  // a damaged packet is skipped
        }
        av_packet_unref(pkt);
    }
}

int Decoder::Impl::NextPacket() {
    if (!ownPackets) return wmaBlocks ? wmaBlocks->Next(fmt, si, tb, pkt) : av_read_frame(fmt, pkt);
    if (nextPacket >= mp3.table.size()) return AVERROR_EOF;
    const Mp3Scan::Frame& f = mp3.table[nextPacket];
    if (av_new_packet(pkt, f.length) < 0) return AVERROR(ENOMEM);
    if (fseeko(file, f.offset, SEEK_SET) != 0 ||
        std::fread(pkt->data, 1, static_cast<std::size_t>(f.length), file) != static_cast<std::size_t>(f.length)) {
        av_packet_unref(pkt);
        return AVERROR_EOF;  // the file changed under us: the data ends here
    }
    pkt->pts = pkt->dts = static_cast<std::int64_t>(nextPacket) * mp3.samplesPerFrame - mp3.startSkip;
    pkt->duration = mp3.samplesPerFrame;
    pkt->stream_index = si;
    ++nextPacket;
    return 0;
}

// Own packets only: decoding starts over at a frame of the table.
void Decoder::Impl::Restart(std::size_t packet) {
    avcodec_flush_buffers(cc);
    nextPacket = packet;
    pending.clear();
    pendingOff = 0;
    eof = false;
    anchorNext = true;
    DecodeMore();
}

void Decoder::Impl::Discard(std::int64_t frames) {
    while (frames > 0) {
        std::int64_t have = PendingFrames();
        if (have == 0) {
            if (eof || !DecodeMore()) return;  // the data ends before the target
            continue;
        }
        std::int64_t n = std::min(have, frames);
        pendingOff += static_cast<std::size_t>(n) * out.BlockAlign();
        pos += n;
        frames -= n;
        if (pendingOff == pending.size()) pending.clear(), pendingOff = 0;
    }
    if (pendingOff > (1 << 20)) {
        pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(pendingOff));
        pendingOff = 0;
    }
}

void Decoder::Impl::Rewind() {
    if (ownPackets) {
        Restart(0);
        return;
    }
    // Reopening is the one way back to frame 0 that restores the demuxer's and the
    // decoder's start-up trimming exactly as on the first open.
    avcodec_free_context(&cc);
    avformat_close_input(&fmt);
    fmt = OpenInput(path);
    if (wmaBlocks) wmaBlocks->Reset();
    fmt->max_analyze_duration = 5 * AV_TIME_BASE;
    if (avformat_find_stream_info(fmt, nullptr) < 0 || si >= static_cast<int>(fmt->nb_streams))
        throw MediaError("The file " + Quoted(path) + " can no longer be read.");
    for (unsigned i = 0; i < fmt->nb_streams; ++i)
        if (static_cast<int>(i) != si) fmt->streams[i]->discard = AVDISCARD_ALL;
    AVCodecParameters* par = fmt->streams[si]->codecpar;
    const AVCodec* codec = avcodec_find_decoder(par->codec_id);
    cc = codec ? avcodec_alloc_context3(codec) : nullptr;
    if (!cc || avcodec_parameters_to_context(cc, par) < 0) throw MediaError("Out of memory reading " + Quoted(path) + ".");
    cc->pkt_timebase = fmt->streams[si]->time_base;
    if (avcodec_open2(cc, codec, nullptr) < 0) throw MediaError("The audio of " + Quoted(path) + " cannot be decoded.");
    pending.clear();
    pendingOff = 0;
    eof = false;
    pos = 0;
    decodedEnd = 0;
    startPts = AV_NOPTS_VALUE;
    anchorNext = true;
    DecodeMore();
}

void Decoder::Impl::SeekHard(std::int64_t target) {
    std::int64_t from = std::max<std::int64_t>(0, target - preroll);
    if (ownPackets) {
        // A few frames more than the preroll: a frame's data may begin in earlier frames.
        const std::int64_t k = (from + mp3.startSkip) / mp3.samplesPerFrame - 4;
        Restart(static_cast<std::size_t>(std::max<std::int64_t>(0, k)));
        if (target > pos) Discard(target - pos);
        return;
    }
    // A container seek that lands too late, or so near the end that the decoder runs dry
    // before the target, is tried again from further back; decoding from the start is last.
    for (std::int64_t back : {std::int64_t{0}, std::int64_t{out.sampleRate}, std::int64_t{out.sampleRate} * 10}) {
        const std::int64_t at = from - back;
        if (at <= 0) break;
        std::int64_t ts = startPts + av_rescale_q(at, AVRational{1, out.sampleRate}, tb);
        if (av_seek_frame(fmt, si, ts, AVSEEK_FLAG_BACKWARD) < 0) break;
        if (wmaBlocks) wmaBlocks->Reset();
        avcodec_flush_buffers(cc);
        pending.clear();
        pendingOff = 0;
        eof = false;
        anchorNext = true;
        if (!DecodeMore() || decodedEnd < 0 || pos > target) continue;
        if (target > pos) Discard(target - pos);
        if (pos == target && (PendingFrames() > 0 || target == info.frames || DecodeMore())) return;
    }
    Rewind();
    if (target > pos) Discard(target - pos);
}

Decoder::Decoder(const std::string& path) : d_(std::make_unique<Impl>()) {
    d_->path = path;
    d_->Open();
}

Decoder::~Decoder() = default;

const StreamInfo& Decoder::Info() const { return d_->info; }
const PcmFormat& Decoder::Format() const { return d_->out; }
std::int64_t Decoder::Position() const { return d_->chain ? d_->chain->Position() : d_->pos; }

void Decoder::Seek(std::int64_t frame) {
    Impl& d = *d_;
    frame = std::clamp<std::int64_t>(frame, 0, d.info.frames);
    if (d.chain) {
        d.chain->Seek(frame);
        return;
    }
    if (frame == d.pos) return;
    // Close ahead: decode forward. Otherwise seek in the container and decode up to it.
    if (frame > d.pos && frame - d.pos <= std::max<std::int64_t>(d.out.sampleRate * 2, d.preroll * 2)) {
        d.Discard(frame - d.pos);
        return;
    }
    if (frame == 0) {
        d.Rewind();
        return;
    }
    d.SeekHard(frame);
}

std::int64_t Decoder::Read(std::int64_t count, std::vector<std::uint8_t>& out) {
    Impl& d = *d_;
    if (d.chain) return d.chain->Read(std::min(count, d.info.frames - d.chain->Position()), out);
    std::int64_t n = std::min(count, d.info.frames - d.pos);
    if (n <= 0) return 0;
    const int ba = d.out.BlockAlign();
    std::size_t at = out.size();
    out.resize(at + static_cast<std::size_t>(n) * ba);
    std::int64_t done = 0;
    while (done < n) {
        std::int64_t have = d.PendingFrames();
        if (have == 0) {
            if (!d.eof && d.DecodeMore()) continue;
            // The stream ended early: so does the data. Nothing is invented.
            out.resize(at + static_cast<std::size_t>(done) * ba);
            break;
        }
        std::int64_t k = std::min(have, n - done);
        std::memcpy(out.data() + at + static_cast<std::size_t>(done) * ba, d.pending.data() + d.pendingOff,
                    static_cast<std::size_t>(k) * ba);
        d.pendingOff += static_cast<std::size_t>(k) * ba;
        done += k;
    }
    d.pos += done;
    if (d.pendingOff == d.pending.size()) {
        d.pending.clear();
        d.pendingOff = 0;
    } else if (d.pendingOff > (1 << 20)) {
        d.pending.erase(d.pending.begin(), d.pending.begin() + static_cast<std::ptrdiff_t>(d.pendingOff));
        d.pendingOff = 0;
    }
    return done;
}

StreamInfo ProbeFile(const std::string& path) {
    Decoder d(path);
    CheckStreamFacts(path, d.Info());
    return d.Info();
}

}  // namespace kez::media
