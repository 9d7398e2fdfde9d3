// Small FFmpeg helpers shared by the decoder and the encoders.
#pragma once

#include <cstdint>
#include <string>

struct AVFormatContext;

namespace kez::media {

// FFmpeg prints nothing: every failure reaches the caller as a MediaError.
void QuietFfmpegLog();
// Opens a local file for demuxing, by name only (no protocols, no URL parsing).
// Throws MediaError when it is not a container FFmpeg recognises.
AVFormatContext* OpenInput(const std::string& path);
// Demuxes the whole file and counts the packets of stream index si; with a blockAlign, the
// codec blocks they hold instead (a packet may carry several).
std::int64_t CountPackets(const std::string& path, int si, int blockAlign = 0);
// Decodes the whole stream and counts its frames (the last resort for the length).
std::int64_t CountDecodedFrames(const std::string& path, int si);
// The text of an FFmpeg error code.
std::string FfmpegText(int err);

}  // namespace kez::media
