// WMA packets handed to the decoder one codec block at a time. A packet (an ASF media
// object) may carry several blocks; each block then gets the time of its own first sample,
// so that the first frame decoded after a seek tells where it lies, whatever the layout.
#pragma once

extern "C" {
#include <libavformat/avformat.h>
}

namespace kez::media {

class WmaBlocks {
public:
    // blockAlign: bytes per codec block; frameLength: samples per block.
    WmaBlocks(int blockAlign, int frameLength, int sampleRate);
    ~WmaBlocks();
    WmaBlocks(const WmaBlocks&) = delete;
    WmaBlocks& operator=(const WmaBlocks&) = delete;

    // The next block of stream si (packets of other streams pass whole) into pkt, which
    // the caller unrefs; av_read_frame's result otherwise. tb: the stream's time base.
    int Next(AVFormatContext* fmt, int si, AVRational tb, AVPacket* pkt);
    // Forgets the rest of the packet in hand (after a seek or a reopen).
    void Reset();

private:
    AVPacket* whole_ = nullptr;
    int offset_ = 0;
    int index_ = 0;
    int blockAlign_;
    int frameLength_;
    int sampleRate_;
};

}  // namespace kez::media
