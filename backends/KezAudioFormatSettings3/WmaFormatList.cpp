#include "WmaFormatList.h"

#include <string>

namespace kezwma {

std::u16string WmaFormatName(const WmaFormat& f) {
    std::string text = std::to_string(f.bitrate / 1000) + " kbps, " + std::to_string(f.sampleRate / 1000) +
                       " kHz, " + (f.channels == 1 ? "mono" : "stereo");
    return std::u16string(text.begin(), text.end());  // ASCII only
}

}  // namespace kezwma
