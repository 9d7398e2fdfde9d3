#include "KezAudioArrayProcessing3/tempo.h"

#include <BPMDetect.h>

#include <memory>
#include <vector>

namespace kez::array {

float EstimateTempo(Bytes array, const std::function<void(std::size_t)>& onBlock) {
    if (array.size() <= kHeaderSize) return 0;
    WaveHeader h = WaveHeader::Read(array);
    if (h.formatTag != kFormatPcm) return 0;
    // The detector decimates to about 1 kHz and needs at least one whole channel.
    if (h.channels == 0 || h.samplesPerSec < 1000) return 0;
    std::size_t values = (array.size() - kHeaderSize) / 2;
    std::size_t channels = h.channels;
    std::size_t perBlock = kTempoBlockValues / channels * channels;
    if (perBlock == 0) perBlock = channels;
    values = values / channels * channels;  // a trailing partial frame is left out

    auto detector = std::make_unique<soundtouch::BPMDetect>(int(channels), int(h.samplesPerSec));
    std::vector<float> block(perBlock);
    const std::uint8_t* data = array.data() + kHeaderSize;
    for (std::size_t done = 0; done < values;) {
        std::size_t n = std::min(perBlock, values - done);
        for (std::size_t i = 0; i < n; ++i)
            block[i] = float(std::int16_t(ReadU16(data + 2 * (done + i)))) * (1.0f / 32768.0f);
        if (onBlock) onBlock(n);
        detector->inputSamples(block.data(), int(n / channels));
        done += n;
    }
    return detector->getBpm();
}

}  // namespace kez::array
