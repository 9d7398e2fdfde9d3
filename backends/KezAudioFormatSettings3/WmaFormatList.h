// The WMA output formats offered to the user: one group (0) of 40 entries, from the lowest
// to the highest quality, each a combination the wmav2 encoder really produces (it takes
// 24 kbps at the least and sample rates up to 48 kHz). The last entry, 320 kbps at 44.1 kHz
// stereo, is the default.
//
//  idx  kbps  Hz     ch     idx  kbps  Hz     ch
//   0    24   8000   1       20    64  44100  1
//   1    24  11025   1       21    64  44100  2
//   2    24  16000   1       22    64  48000  1
//   3    24  16000   2       23    80  32000  2
//   4    24  22050   1       24    80  44100  2
//   5    32  11025   1       25    80  48000  2
//   6    32  16000   1       26    96  44100  1
//   7    32  16000   2       27    96  44100  2
//   8    32  22050   1       28    96  48000  2
//   9    32  22050   2       29   112  44100  2
//  10    40  22050   2       30   128  44100  1
//  11    40  32000   1       31   128  44100  2
//  12    40  32000   2       32   128  48000  2
//  13    48  22050   1       33   160  44100  2
//  14    48  22050   2       34   160  48000  2
//  15    48  32000   1       35   192  44100  2
//  16    48  32000   2       36   192  48000  2
//  17    48  44100   1       37   256  44100  2
//  18    64  22050   2       38   256  48000  2
//  19    64  32000   2       39   320  44100  2
#pragma once

#include <array>
#include <string>

namespace kezwma {

struct WmaFormat {
    int bitrate;     // bits per second, as handed to the encoder
    int sampleRate;  // Hz
    int channels;    // 1 or 2
};

inline constexpr std::array<WmaFormat, 40> kWmaFormats{{
    {24000, 8000, 1},   {24000, 11025, 1},  {24000, 16000, 1},  {24000, 16000, 2},  {24000, 22050, 1},
    {32000, 11025, 1},  {32000, 16000, 1},  {32000, 16000, 2},  {32000, 22050, 1},  {32000, 22050, 2},
    {40000, 22050, 2},  {40000, 32000, 1},  {40000, 32000, 2},  {48000, 22050, 1},  {48000, 22050, 2},
    {48000, 32000, 1},  {48000, 32000, 2},  {48000, 44100, 1},  {64000, 22050, 2},  {64000, 32000, 2},
    {64000, 44100, 1},  {64000, 44100, 2},  {64000, 48000, 1},  {80000, 32000, 2},  {80000, 44100, 2},
    {80000, 48000, 2},  {96000, 44100, 1},  {96000, 44100, 2},  {96000, 48000, 2},  {112000, 44100, 2},
    {128000, 44100, 1}, {128000, 44100, 2}, {128000, 48000, 2}, {160000, 44100, 2}, {160000, 48000, 2},
    {192000, 44100, 2}, {192000, 48000, 2}, {256000, 44100, 2}, {256000, 48000, 2}, {320000, 44100, 2},
}};

inline constexpr int kDefaultWmaFormat = 39;

// "128 kbps, 44 kHz, stereo": whole kbps and kHz (44100 Hz reads 44 kHz), mono or stereo.
std::u16string WmaFormatName(const WmaFormat& format);

}  // namespace kezwma
