// The interleaved samples a channel split holds, kept in their own coding, and the reading
// of one channel's values out of them. A PCM input whose values come out of the conversion
// component unchanged but for a fixed widening (8-bit to 16, 24-bit and float to 32) is
// read here directly: a strided copy instead of a decode.
#pragma once

#include <cstdint>
#include <optional>

#include "KezAudioArrayProcessing3/audio_array.h"

namespace kez::array {

// How one sample is stored: unsigned 8-bit, signed 16/24/32-bit little-endian integers,
// 32/64-bit floats.
enum class SampleCoding : std::uint8_t { U8, S16, S24, S32, F32, F64 };

std::size_t BytesPerSample(SampleCoding c);

// The coding of an input this library can read directly, or nothing when the conversion
// component must decode it: compressed formats, headers whose block alignment does not
// match their channels and sample size, rates or channel counts the component refuses,
// and an extensible header whose channel mask differs from the one the component was
// configured with (the component would remix). `converterMask` is that mask.
std::optional<SampleCoding> DirectCoding(Bytes array, std::uint32_t converterMask);

// The data bytes of an audio array: after the header and as many extra bytes as it holds.
Bytes DataOf(Bytes array);

// False when a float input holds a value (not finite, or far beyond full scale) for which
// the component's rounding is not pinned down; such inputs go through the component.
bool DirectlyReadable(SampleCoding c, Bytes data);

// Writes values 0 to n - 1 of channel `channel` out of `stride` interleaved channels as
// 64-bit floats (unaligned) at `out`, each the integer the component would deliver in a
// 16-bit container (U8, S16) or a 32-bit one (others).
void ReadChannel(SampleCoding c, const std::uint8_t* samples, std::size_t stride, std::size_t channel,
                 std::size_t n, std::uint8_t* out);

}  // namespace kez::array
