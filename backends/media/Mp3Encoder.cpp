// MP3 output with LAME: constant bitrate, the five channel modes, and the LAME/Xing info
// frame rewritten at Finish so readers know the exact length (delay and padding).
#include <lame/lame.h>

#include <cstdlib>
#include <vector>

#include "Encoder.h"
#include "FileSink.h"
#include "MediaError.h"

namespace kez::media {

namespace {

class Mp3Encoder : public Encoder {
public:
    Mp3Encoder(const std::string& path, const EncoderSettings& s) : sink_(path), s_(s) {
        s_.sampleRate = NearestMp3SampleRate(s.sampleRate);
        s_.bitrateKbps = NearestMp3Bitrate(s_.sampleRate, s.bitrateKbps);
        if (s_.channelMode < kMono || s_.channelMode > kDualChannel) s_.channelMode = kStereo;
        s_.channels = s_.channelMode == kMono ? 1 : 2;
        fmt_ = PcmFormat{s_.sampleRate, s_.channels, 32, true};
        gf_ = lame_init();
        if (!gf_) throw MediaError("The MP3 encoder cannot be started.");
        lame_set_in_samplerate(gf_, s_.sampleRate);
        lame_set_out_samplerate(gf_, s_.sampleRate);
        lame_set_num_channels(gf_, s_.channels);
        switch (s_.channelMode) {
            case kMono: lame_set_mode(gf_, MONO); break;
            case kStereo: lame_set_mode(gf_, STEREO); break;
            case kJointStereo: lame_set_mode(gf_, JOINT_STEREO); break;
            case kForcedJointStereo:
                lame_set_mode(gf_, JOINT_STEREO);
                lame_set_force_ms(gf_, 1);
                break;
            case kDualChannel: lame_set_mode(gf_, DUAL_CHANNEL); break;
        }
        // A constant-bitrate stream carries its info frame at the stream's own bitrate; when
        // that frame is too small to hold it, an average bitrate pinned to the same value
        // keeps the exact length (the info frame then gets a larger frame of its own).
        const bool mpeg1 = s_.sampleRate >= 32000;
        const int frameBytes = (mpeg1 ? 144000 : 72000) * s_.bitrateKbps / s_.sampleRate;
        const int sideInfo = mpeg1 ? (s_.channels == 1 ? 17 : 32) : (s_.channels == 1 ? 9 : 17);
        if (frameBytes >= 4 + sideInfo + 156) {
            lame_set_VBR(gf_, vbr_off);
            lame_set_brate(gf_, s_.bitrateKbps);
        } else {
            lame_set_VBR(gf_, vbr_abr);
            lame_set_VBR_mean_bitrate_kbps(gf_, s_.bitrateKbps);
            lame_set_VBR_min_bitrate_kbps(gf_, s_.bitrateKbps);
            lame_set_VBR_max_bitrate_kbps(gf_, s_.bitrateKbps);
        }
        lame_set_bWriteVbrTag(gf_, 1);
        if (lame_init_params(gf_) < 0) {
            lame_close(gf_);
            gf_ = nullptr;
            throw MediaError("The MP3 encoder does not accept " + std::to_string(s_.sampleRate) + " Hz at " +
                             std::to_string(s_.bitrateKbps) + " kbps.");
        }
    }
    ~Mp3Encoder() override {
        if (gf_) lame_close(gf_);
    }
    const PcmFormat& InputFormat() const override { return fmt_; }
    EncoderSettings Effective() const override { return s_; }

    void Write(const std::uint8_t* samples, std::int64_t frames) override {
        const float* in = reinterpret_cast<const float*>(samples);
        const std::int64_t chunk = 8192;
        for (std::int64_t done = 0; done < frames; done += chunk) {
            int n = static_cast<int>(std::min(chunk, frames - done));
            left_.resize(static_cast<std::size_t>(n));
            right_.resize(static_cast<std::size_t>(n));
            const float* p = in + done * s_.channels;
            for (int i = 0; i < n; ++i) {
                left_[i] = p[i * s_.channels];
                right_[i] = s_.channels == 2 ? p[i * 2 + 1] : left_[i];
            }
            out_.resize(static_cast<std::size_t>(n) * 5 / 4 + 7200);
            int got = lame_encode_buffer_ieee_float(gf_, left_.data(), right_.data(), n, out_.data(),
                                                    static_cast<int>(out_.size()));
            if (got < 0) throw MediaError("The MP3 encoder failed (" + std::to_string(got) + ").");
            sink_.Write(out_.data(), static_cast<std::size_t>(got));
        }
    }

    void Finish() override {
        out_.resize(7200 * 2);
        int got = lame_encode_flush(gf_, out_.data(), static_cast<int>(out_.size()));
        if (got > 0) sink_.Write(out_.data(), static_cast<std::size_t>(got));
        // The first frame was left blank for the info frame: fill it in now.
        std::vector<unsigned char> tag(8192);
        std::size_t n = lame_get_lametag_frame(gf_, tag.data(), tag.size());
        if (n > 0 && n <= tag.size() && static_cast<std::int64_t>(n) <= sink_.Size()) sink_.WriteAt(0, tag.data(), n);
        sink_.Close();
    }

private:
    FileSink sink_;
    EncoderSettings s_;
    PcmFormat fmt_;
    lame_global_flags* gf_ = nullptr;
    std::vector<float> left_, right_;
    std::vector<unsigned char> out_;
};

}  // namespace

std::unique_ptr<Encoder> MakeMp3Encoder(const std::string& path, const EncoderSettings& s) {
    return std::make_unique<Mp3Encoder>(path, s);
}

}  // namespace kez::media
