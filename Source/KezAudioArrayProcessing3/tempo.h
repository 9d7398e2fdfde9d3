// Tempo estimate of a decoded audio array with the beat detector of SoundTouch.
#pragma once

#include <functional>

#include "KezAudioArrayProcessing3/audio_array.h"

namespace kez::array {

// Values go to the detector in blocks of this many 16-bit values.
inline constexpr std::size_t kTempoBlockValues = 2048;

// The beats per minute of a PCM array (format tag 1, 16-bit values from byte 18), or 0
// when it is too short, not PCM, or has no tempo. Each call uses a new detector, so the
// same array always gives the same estimate. With more than one channel the detector is
// given whole frames only. onBlock, when set, sees the number of values of each block.
float EstimateTempo(Bytes array, const std::function<void(std::size_t)>& onBlock = {});

}  // namespace kez::array
