// The broadcast audio extension: the 602-byte fixed part kept byte for byte (so the UMID
// and reserved bytes survive a rewrite) and the coding history after it.
#pragma once

#include <array>
#include <string>

#include "KezAudioChunksEditor3/KezAudioChunksEditor3Lib_TLB.h"
#include "KezAudioChunksEditor3/chunk_io.h"

namespace kez::chunks {

class BextBlock {
public:
    static constexpr std::size_t kFixed = 602;

    void Reset();
    void Get(BroadcastAudioExtension* rec) const;
    void Put(const BroadcastAudioExtension* rec);
    ReadStatus Read(const Source& src, const MMCKINFO& ck, VARIANT_BOOL& enabled);
    bool Write(HMMIO h) const;

    const std::array<char, kFixed>& Fixed() const { return fixed_; }

private:
    std::array<char, kFixed> fixed_{};
    std::string history_;  // the history bytes as they go into the chunk
};

}  // namespace kez::chunks
