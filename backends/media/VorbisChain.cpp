#include "VorbisChain.h"

#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cstring>

#include "MediaError.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

namespace kez::media {
namespace {

// Vorbis channel order to the WAV order the rest of the system uses, by channel count.
const int kToWavOrder[8][8] = {
    {0}, {0, 1}, {0, 2, 1}, {0, 1, 2, 3}, {0, 2, 1, 3, 4}, {0, 2, 1, 5, 3, 4}, {0, 2, 1, 6, 5, 3, 4},
    {0, 2, 1, 7, 5, 6, 3, 4},
};

struct Link {
    int rate = 0, channels = 0;
    std::int64_t pcmStart = 0;  // in the chain's own sample count (each link at its own rate)
    std::int64_t outStart = 0, outFrames = 0;  // at the first link's rate
    bool converted = false;
};

}  // namespace

struct VorbisChain::Impl {
    std::string path;
    OggVorbis_File vf{};
    bool opened = false;
    std::vector<Link> links;
    int rate = 0, channels = 0;
    std::int64_t total = 0;
    std::vector<float> pending;  // interleaved frames from pos on
    std::size_t off = 0;
    std::int64_t pos = 0;
    int cur = -1;               // link the last decoded samples came from
    std::int64_t produced = 0;  // frames of link cur handed out so far (output rate)
    SwrContext* swr = nullptr;
    int swrLink = -1;
    bool eof = false;

    ~Impl() {
        swr_free(&swr);
        if (opened) ov_clear(&vf);
    }

    std::int64_t PendingFrames() const { return static_cast<std::int64_t>(pending.size() - off) / channels; }
    bool DecodeMore();
    void Append(float** pcm, int n, int link);
    void FinishLink();
    void Reset(int link, std::int64_t produced, std::int64_t at);
};

void VorbisChain::Impl::Append(float** pcm, int n, int link) {
    const Link& l = links[static_cast<std::size_t>(link)];
    const int* order = kToWavOrder[l.channels - 1];
    float* src[8];
    for (int c = 0; c < l.channels; ++c) src[c] = pcm ? pcm[order[c]] : nullptr;
    const std::int64_t room = l.outFrames - produced;
    if (!l.converted) {
        const int keep = static_cast<int>(std::clamp<std::int64_t>(room, 0, n));
        const std::size_t at = pending.size();
        pending.resize(at + static_cast<std::size_t>(keep) * channels);
        float* dst = pending.data() + at;
        for (int i = 0; i < keep; ++i)
            for (int c = 0; c < channels; ++c) *dst++ = src[c][i];
        produced += keep;
        return;
    }
    if (swrLink != link) {
        swr_free(&swr);
        AVChannelLayout in, outLayout;
        av_channel_layout_default(&in, l.channels);
        av_channel_layout_default(&outLayout, channels);
        if (swr_alloc_set_opts2(&swr, &outLayout, AV_SAMPLE_FMT_FLT, rate, &in, AV_SAMPLE_FMT_FLTP, l.rate, 0,
                                nullptr) < 0)
            throw MediaError("The audio of " + Quoted(path) + " cannot be converted.");
        // The same mix as every other conversion (see Converter): mono to stereo keeps the
        // level on both sides, stereo to mono is the mean, which cannot clip.
        if (l.channels == 1 && channels == 2) {
            double m[2] = {1.0, 1.0};
            swr_set_matrix(swr, m, 1);
        } else if (l.channels == 2 && channels == 1) {
            double m[2] = {0.5, 0.5};
            swr_set_matrix(swr, m, 2);
        }
        if (swr_init(swr) < 0)
            throw MediaError("The audio of " + Quoted(path) + " cannot be converted.");
        swrLink = link;
    }
    const int room32 = std::max(n > 0 ? 0 : 4096, swr_get_out_samples(swr, n));
    const std::size_t at = pending.size();
    pending.resize(at + static_cast<std::size_t>(room32) * channels);
    std::uint8_t* outPlanes[1] = {reinterpret_cast<std::uint8_t*>(pending.data() + at)};
    int got = n > 0 ? swr_convert(swr, outPlanes, room32, const_cast<const std::uint8_t**>(reinterpret_cast<std::uint8_t**>(src)), n)
                    : swr_convert(swr, outPlanes, room32, nullptr, 0);
    const std::int64_t keep = std::clamp<std::int64_t>(std::min<std::int64_t>(got, room), 0, got < 0 ? 0 : got);
    pending.resize(at + static_cast<std::size_t>(keep) * channels);
    produced += keep;
}

// A converted link ends with what the converter still holds, made exactly the link's length.
void VorbisChain::Impl::FinishLink() {
    if (cur < 0 || !links[static_cast<std::size_t>(cur)].converted || swrLink != cur) return;
    for (int k = 0; k < 8; ++k) {  // the converter gives what it holds in several goes
        const std::int64_t before = produced;
        Append(nullptr, 0, cur);
        if (produced == before) break;
    }
    const std::int64_t missing = links[static_cast<std::size_t>(cur)].outFrames - produced;
    if (missing > 0 && missing <= 2) {  // the rounding of the rate change, not lost audio
        pending.resize(pending.size() + static_cast<std::size_t>(missing) * channels, 0.0f);
        produced += missing;
    }
    swr_free(&swr);
    swrLink = -1;
}

bool VorbisChain::Impl::DecodeMore() {
    while (!eof) {
        float** pcm = nullptr;
        int link = 0;
        long n = ov_read_float(&vf, &pcm, 4096, &link);
        if (n == OV_HOLE) continue;  // a gap in the pages: go on after it
        if (n <= 0 || link < 0 || link >= static_cast<int>(links.size())) {
            FinishLink();
            eof = true;
            return false;
        }
        if (link != cur) {
            FinishLink();
            cur = link;
            produced = 0;
        }
        Append(pcm, static_cast<int>(n), link);
        return true;
    }
    return false;
}

void VorbisChain::Impl::Reset(int link, std::int64_t linkFrames, std::int64_t at) {
    pending.clear();
    off = 0;
    swr_free(&swr);
    swrLink = -1;
    cur = link;
    produced = linkFrames;
    pos = at;
    eof = false;
}

VorbisChain::VorbisChain(const std::string& path) : d_(std::make_unique<Impl>()) {
    Impl& d = *d_;
    d.path = path;
    if (ov_fopen(path.c_str(), &d.vf) != 0)
        throw MediaError("The file " + Quoted(path) + " is damaged or not an Ogg Vorbis file.");
    d.opened = true;
    const long n = ov_streams(&d.vf);
    std::int64_t pcm = 0, out = 0;
    for (long i = 0; i < n; ++i) {
        vorbis_info* vi = ov_info(&d.vf, static_cast<int>(i));
        if (!vi || vi->rate <= 0 || vi->channels <= 0 || vi->channels > 8)
            throw MediaError("The audio of " + Quoted(path) + " cannot be decoded.");
        Link l;
        l.rate = static_cast<int>(vi->rate);
        l.channels = vi->channels;
        if (i == 0) d.rate = l.rate, d.channels = l.channels;
        l.converted = l.rate != d.rate || l.channels != d.channels;
        const std::int64_t frames = std::max<ogg_int64_t>(0, ov_pcm_total(&d.vf, static_cast<int>(i)));
        l.pcmStart = pcm;
        l.outStart = out;
        l.outFrames = l.rate == d.rate ? frames
                                       : static_cast<std::int64_t>((static_cast<__int128>(frames) * d.rate + l.rate / 2) / l.rate);
        pcm += frames;
        out += l.outFrames;
        d.links.push_back(l);
    }
    if (d.links.empty()) throw MediaError("The file " + Quoted(path) + " holds no audio stream.");
    d.total = out;
}

VorbisChain::~VorbisChain() = default;

int VorbisChain::SampleRate() const { return d_->rate; }
int VorbisChain::Channels() const { return d_->channels; }
int VorbisChain::Links() const { return static_cast<int>(d_->links.size()); }
std::int64_t VorbisChain::Frames() const { return d_->total; }
std::int64_t VorbisChain::Position() const { return d_->pos; }

int VorbisChain::NominalBitrateKbps() const {
    vorbis_info* vi = ov_info(&d_->vf, 0);
    return vi && vi->bitrate_nominal > 0 ? static_cast<int>((vi->bitrate_nominal + 500) / 1000) : 0;
}

std::int64_t VorbisChain::CountDecodedFrames() {
    Impl& d = *d_;
    d.cur = -1;
    Seek(0);
    std::int64_t n = 0;
    for (bool more = true; more;) {
        more = d.DecodeMore();
        n += d.PendingFrames();
        d.pending.clear();
        d.off = 0;
    }
    d.total = n;
    d.cur = -1;  // the decoder is at the end: go back for real
    Seek(0);
    return n;
}

void VorbisChain::Seek(std::int64_t frame) {
    Impl& d = *d_;
    frame = std::clamp<std::int64_t>(frame, 0, d.total);
    if (frame == d.pos && d.cur >= 0) return;
    std::size_t k = 0;
    while (k + 1 < d.links.size() && d.links[k + 1].outStart <= frame) ++k;
    const Link& l = d.links[k];
    const std::int64_t into = std::min(frame - l.outStart, l.outFrames);
    if (!l.converted) {
        if (ov_pcm_seek(&d.vf, l.pcmStart + into) != 0) {
            d.Reset(static_cast<int>(k), into, frame);
            d.eof = true;  // the pages there cannot be read: the data ends
            return;
        }
        d.Reset(static_cast<int>(k), into, frame);
        return;
    }
    // A converted link is read from its start: its converter needs the audio before.
    if (ov_pcm_seek(&d.vf, l.pcmStart) != 0) {
        d.Reset(static_cast<int>(k), 0, l.outStart);
        d.eof = true;
        return;
    }
    d.Reset(static_cast<int>(k), 0, l.outStart);
    std::int64_t skip = frame - l.outStart;
    while (skip > 0) {
        if (d.PendingFrames() == 0 && !d.DecodeMore() && d.PendingFrames() == 0) break;
        const std::int64_t n = std::min(skip, d.PendingFrames());
        d.off += static_cast<std::size_t>(n) * d.channels;
        d.pos += n;
        skip -= n;
        if (d.off == d.pending.size()) d.pending.clear(), d.off = 0;
    }
}

std::int64_t VorbisChain::Read(std::int64_t count, std::vector<std::uint8_t>& out) {
    Impl& d = *d_;
    if (d.cur < 0) Seek(d.pos);
    const std::int64_t want = std::min(count, d.total - d.pos);
    std::int64_t done = 0;
    const std::size_t frameBytes = sizeof(float) * static_cast<std::size_t>(d.channels);
    while (done < want) {
        if (d.PendingFrames() == 0) {
            d.pending.clear();
            d.off = 0;
            // At the end the converter's last frames may still come.
            if (!d.DecodeMore() && d.PendingFrames() == 0) break;
            continue;
        }
        const std::int64_t n = std::min(want - done, d.PendingFrames());
        const std::size_t at = out.size();
        out.resize(at + static_cast<std::size_t>(n) * frameBytes);
        std::memcpy(out.data() + at, d.pending.data() + d.off, static_cast<std::size_t>(n) * frameBytes);
        d.off += static_cast<std::size_t>(n) * d.channels;
        d.pos += n;
        done += n;
    }
    return done;
}

}  // namespace kez::media
