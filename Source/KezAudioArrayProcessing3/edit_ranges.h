// The byte ranges of the editing operations. Each function takes a whole audio array of at
// least 18 bytes (PCM data from byte 18) and returns the pieces its result is made of, in
// order; the caller copies them into one new array. Frame positions become byte offsets by
// multiplying by the block align in 64 bits, so no product wraps, and every offset is
// clamped to the data before it is used.
#pragma once

#include <array>
#include <optional>

#include "KezAudioArrayProcessing3/audio_array.h"

namespace kez::array {

struct Pieces {
    std::array<Bytes, 4> items{};
    std::size_t count = 0;

    void Add(Bytes b) { items[count++] = b; }
    std::span<const Bytes> span() const { return {items.data(), count}; }
    std::size_t Total() const {
        std::size_t t = 0;
        for (std::size_t i = 0; i < count; ++i) t += items[i].size();
        return t;
    }
};

// Frames first up to (not including) last, in either order, clamped to the data.
Pieces CropRanges(Bytes array, LONG firstSample, LONG lastSample);
// The array without frames first up to (not including) last.
Pieces DeleteRanges(Bytes array, LONG firstSample, LONG lastSample);

struct SplitRanges {
    bool beyondEnd = false;  // the split lies past the data: a copy and an empty array
    Pieces first;
    Pieces second;
};
SplitRanges SplitAt(Bytes array, LONG splitSample);

// Both arrays of at least 18 bytes with matching format fields; otherwise no result.
std::optional<Pieces> MergeRanges(Bytes first, Bytes second);

// inserted's data (from byte 18) placed before frame insertSample of main.
Pieces InsertRanges(Bytes main, Bytes inserted, LONG insertSample);

}  // namespace kez::array
