// The cart chunk: the 2048-byte fixed part kept byte for byte (reserved bytes carried),
// the tag text after it, and the eight post timers as (usage, value) pairs.
#pragma once

#include <array>
#include <string>

#include "KezAudioChunksEditor3/KezAudioChunksEditor3Lib_TLB.h"
#include "KezAudioChunksEditor3/chunk_io.h"

namespace kez::chunks {

class CartBlock {
public:
    static constexpr std::size_t kFixed = 2048;
    static constexpr std::size_t kTimers = 8;

    void Reset();
    void Get(CartAudioExtension* rec) const;
    void Put(const CartAudioExtension* rec);
    ReadStatus Read(const Source& src, const MMCKINFO& ck, VARIANT_BOOL& enabled);
    bool Write(HMMIO h) const;

    // The four-character code of a usage value (four spaces when it has none), and the
    // value of a code (0 when no code matches).
    static std::array<char, 4> UsageCode(LONG usage);
    static LONG UsageOf(const char* code);

private:
    std::array<char, kFixed> fixed_{};
    std::string tag_;
    std::array<CartAudioTimer, kTimers> timers_{};
};

}  // namespace kez::chunks
