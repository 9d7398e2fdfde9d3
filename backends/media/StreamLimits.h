// The stream facts a real audio file can have. A header outside them (a rate of 1 Hz or
// 2 GHz, a block align that does not fit the channels and sample size) is damage, and
// taking it at its word makes jobs write gigabytes or loop forever.
#pragma once

#include <cstdint>
#include <string>

#include "Decoder.h"

namespace kez::media {

inline constexpr int kMinSampleRate = 1000;
inline constexpr int kMaxSampleRate = 768000;
inline constexpr int kMaxChannels = 64;

// Comments beyond any real file's count: the demuxer's metadata store takes time that grows
// with the square of their number (minutes for 200,000). An Ogg file that begins with a
// Vorbis stream never meets the demuxer (the reference library reads it in linear time);
// this bound is for the Vorbis comments of other Ogg layouts.
inline constexpr std::uint32_t kMaxOggComments = 20000;

// Throws MediaError before the file is handed to the demuxer when its metadata would take
// unbounded time to read (a Vorbis comment header with more than kMaxOggComments).
void CheckMetadataBudget(const std::string& path);

// Throws MediaError ("... is damaged: ...") when info, or the WAV format chunk of the file
// at path, holds what no real file holds.
void CheckStreamFacts(const std::string& path, const StreamInfo& info);

}  // namespace kez::media
