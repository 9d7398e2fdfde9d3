#include "AudioIo.h"

#include <cmath>

namespace workflow {

std::int64_t PlayBlockUnits(int sampleRate, int channels, int sampleSize, double compressRate) {
    const double second = double(sampleRate) * double(channels) * double(sampleSize) / 8.0;
    // A rate of 0 would make the block endless; such a reader is read by its PCM second.
    const double units = compressRate > 0 ? second / compressRate : second;
    if (!(units > 0)) return 0;
    if (units >= 9.0e18) return 9000000000000000000LL;
    double whole = std::floor(units);
    const double frac = units - whole;
    if (frac > 0.5 || (frac == 0.5 && std::fmod(whole, 2.0) != 0.0)) whole += 1.0;
    return static_cast<std::int64_t>(whole);
}

}  // namespace workflow
