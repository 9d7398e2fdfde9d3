// Ogg Vorbis output with libvorbis and libogg: the identification header alone on page 1,
// the comment header beginning page 2 with the setup header after it (the layout the
// program's comment rewriter relies on), then the audio at a managed bitrate. A bitrate
// libvorbis cannot do at that rate and channel count gets the nearest one it can.
#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <vector>

#include "Encoder.h"
#include "FileSink.h"
#include "MediaError.h"

namespace kez::media {
namespace {

class VorbisEncoder : public Encoder {
public:
    VorbisEncoder(const std::string& path, const EncoderSettings& s) : sink_(path), s_(s) {
        s_.sampleRate = std::clamp(s.sampleRate, 8000, 192000);
        if (s_.channelMode < kMono || s_.channelMode > kDualChannel) s_.channelMode = kStereo;
        s_.channels = s_.channelMode == kMono ? 1 : 2;
        fmt_ = PcmFormat{s_.sampleRate, s_.channels, 32, true};
        vorbis_info_init(&vi_);
        if (!Setup()) {
            vorbis_info_clear(&vi_);
            throw MediaError("The Ogg Vorbis encoder cannot be set up for " + std::to_string(s_.sampleRate) + " Hz.");
        }
        vorbis_comment_init(&vc_);
        vorbis_analysis_init(&vd_, &vi_);
        vorbis_block_init(&vd_, &vb_);
        std::random_device rd;
        ogg_stream_init(&os_, static_cast<int>(rd() & 0x7FFFFFFF));
        ready_ = true;

        try {
            ogg_packet id, comment, setup;
            vorbis_analysis_headerout(&vd_, &vc_, &id, &comment, &setup);
            ogg_stream_packetin(&os_, &id);
            Flush();  // page 1: the identification header alone
            ogg_stream_packetin(&os_, &comment);
            ogg_stream_packetin(&os_, &setup);
            Flush();  // page 2 begins with the comment header
        } catch (...) {
            Release();  // a failed constructor runs no destructor
            throw;
        }
    }
    ~VorbisEncoder() override { Release(); }

    void Release() {
        if (!ready_) return;
        ready_ = false;
        ogg_stream_clear(&os_);
        vorbis_block_clear(&vb_);
        vorbis_dsp_clear(&vd_);
        vorbis_comment_clear(&vc_);
        vorbis_info_clear(&vi_);
    }
    const PcmFormat& InputFormat() const override { return fmt_; }
    EncoderSettings Effective() const override { return s_; }

    void Write(const std::uint8_t* samples, std::int64_t frames) override {
        const float* in = reinterpret_cast<const float*>(samples);
        const std::int64_t chunk = 4096;
        for (std::int64_t done = 0; done < frames; done += chunk) {
            int n = static_cast<int>(std::min(chunk, frames - done));
            float** buf = vorbis_analysis_buffer(&vd_, n);
            const float* p = in + done * s_.channels;
            for (int i = 0; i < n; ++i)
                for (int c = 0; c < s_.channels; ++c) buf[c][i] = p[i * s_.channels + c];
            vorbis_analysis_wrote(&vd_, n);
            Drain();
        }
    }

    void Finish() override {
        vorbis_analysis_wrote(&vd_, 0);
        Drain();
        Flush();
        sink_.Close();
    }

private:
    bool TryBitrate(int kbps) {
        vorbis_info_clear(&vi_);
        vorbis_info_init(&vi_);
        if (vorbis_encode_setup_managed(&vi_, s_.channels, s_.sampleRate, -1, kbps * 1000L, -1) != 0) return false;
        // An average bitrate by estimate: the exact rate manager costs several times the
        // encoding time for no audible gain.
        if (vorbis_encode_ctl(&vi_, OV_ECTL_RATEMANAGE2_SET, nullptr) != 0) return false;
        return vorbis_encode_setup_init(&vi_) == 0;
    }

    bool Setup() {
        s_.bitrateKbps = NearestVorbisBitrate(s_.sampleRate, s_.channels, s_.bitrateKbps);
        if (TryBitrate(s_.bitrateKbps)) return true;
        // A rate the rules do not know: the nearest bitrate that works, looking both ways.
        for (int step = 1; step <= 100; ++step) {
            for (int sign : {-1, 1}) {
                int k = s_.bitrateKbps + sign * step * 4;
                if (k >= 8 && k <= 500 && TryBitrate(k)) {
                    s_.bitrateKbps = k;
                    return true;
                }
            }
        }
        vorbis_info_clear(&vi_);
        vorbis_info_init(&vi_);
        if (vorbis_encode_init_vbr(&vi_, s_.channels, s_.sampleRate, 0.3f) == 0) {
            s_.bitrateKbps = static_cast<int>(vi_.bitrate_nominal / 1000);
            return true;
        }
        return false;
    }

    void Drain() {
        ogg_packet op;
        while (vorbis_analysis_blockout(&vd_, &vb_) == 1) {
            vorbis_analysis(&vb_, nullptr);
            vorbis_bitrate_addblock(&vb_);
            while (vorbis_bitrate_flushpacket(&vd_, &op) == 1) {
                ogg_stream_packetin(&os_, &op);
                ogg_page og;
                while (ogg_stream_pageout(&os_, &og) != 0) Page(og);
            }
        }
    }

    void Flush() {
        ogg_page og;
        while (ogg_stream_flush(&os_, &og) != 0) Page(og);
    }

    void Page(const ogg_page& og) {
        sink_.Write(og.header, static_cast<std::size_t>(og.header_len));
        sink_.Write(og.body, static_cast<std::size_t>(og.body_len));
    }

    FileSink sink_;
    EncoderSettings s_;
    PcmFormat fmt_;
    bool ready_ = false;
    vorbis_info vi_{};
    vorbis_comment vc_{};
    vorbis_dsp_state vd_{};
    vorbis_block vb_{};
    ogg_stream_state os_{};
};

}  // namespace

std::unique_ptr<Encoder> MakeVorbisEncoder(const std::string& path, const EncoderSettings& s) {
    return std::make_unique<VorbisEncoder>(path, s);
}

}  // namespace kez::media
