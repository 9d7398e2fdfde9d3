// What the MP3 and Ogg Vorbis encoders can honour: the bitrates each allows at a sample
// rate and channel count, and the one used for a request it cannot honour. Plain rules with
// no codec headers, so the encoders follow them and the program can tell the user
// beforehand what a job will write.
#pragma once

#include <cstdlib>
#include <span>

namespace kez::media {

struct BitrateRange {
    int lowest = 0, highest = 0;  // kbps
};

// The sample rate nearest to rate among those an MP3 can carry (ties go to the lower).
inline int NearestMp3SampleRate(int rate) {
    static constexpr int kRates[] = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000};
    int best = kRates[0];
    for (int r : kRates)
        if (std::abs(r - rate) < std::abs(best - rate)) best = r;
    return best;
}

// The bitrates of the MPEG version that carries sampleRate (one of NearestMp3SampleRate's).
// The lowest rates (8 to 12 kHz) take at most 64 kbps in the encoder.
inline std::span<const int> Mp3Bitrates(int sampleRate) {
    static constexpr int kMpeg1[] = {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
    static constexpr int kMpeg2[] = {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
    static constexpr int kMpeg25[] = {8, 16, 24, 32, 40, 48, 56, 64};
    if (sampleRate >= 32000) return kMpeg1;
    if (sampleRate >= 16000) return kMpeg2;
    return kMpeg25;
}

// The allowed bitrate nearest to kbps at sampleRate (ties go to the lower).
inline int NearestMp3Bitrate(int sampleRate, int kbps) {
    std::span<const int> list = Mp3Bitrates(NearestMp3SampleRate(sampleRate));
    int best = list.front();
    for (int b : list)
        if (std::abs(b - kbps) < std::abs(best - kbps)) best = b;
    return best;
}

// The average bitrates the Ogg Vorbis encoder takes at a sample rate and channel count
// (1 or 2); every whole kbps between the two ends is taken. Rates between the listed ones
// take the range of the next lower one; an empty range means the encoder is asked.
inline BitrateRange VorbisBitrateRange(int sampleRate, int channels) {
    struct Row {
        int rate;
        BitrateRange mono, stereo;
    };
    static constexpr Row kRows[] = {
        {8000, {8, 42}, {12, 84}},     {11025, {12, 50}, {16, 100}},  {16000, {16, 100}, {24, 200}},
        {22050, {16, 90}, {30, 180}},  {32000, {30, 190}, {36, 380}}, {44100, {32, 240}, {45, 500}},
    };
    if (sampleRate < kRows[0].rate || sampleRate > 48000) return {};
    const Row* row = &kRows[0];
    for (const Row& r : kRows)
        if (r.rate <= sampleRate) row = &r;
    return channels == 1 ? row->mono : row->stereo;
}

// The bitrate used for a request of kbps: kbps itself within the range, else its nearer end.
inline int NearestVorbisBitrate(int sampleRate, int channels, int kbps) {
    const BitrateRange r = VorbisBitrateRange(sampleRate, channels);
    if (r.highest == 0) return kbps;
    return kbps < r.lowest ? r.lowest : kbps > r.highest ? r.highest : kbps;
}

}  // namespace kez::media
