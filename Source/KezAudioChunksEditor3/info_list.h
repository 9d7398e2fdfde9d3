// The INFO list and the display title: the texts of ExtraInformation, read from a LIST
// chunk of type INFO and the top-level DISP chunk, and written back after the data chunk.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "KezAudioChunksEditor3/KezAudioChunksEditor3Lib_TLB.h"
#include "KezAudioChunksEditor3/chunk_io.h"

namespace kez::chunks {

class InfoList {
public:
    static constexpr std::size_t kTexts = 24;  // the record's strings, in record order

    InfoList() { Reset(); }
    void Reset();

    void Get(ExtraInformation* rec) const;
    void Put(const ExtraInformation* rec);

    // The position is at the list's data, after its type. Sets enabled to 1 per item read.
    ReadStatus ReadList(const Source& src, const MMCKINFO& list, VARIANT_BOOL& enabled);
    ReadStatus ReadDisp(const Source& src, const MMCKINFO& disp);
    // The list, then DISP when Title is not empty. Failures are not reported.
    void Write(HMMIO h) const;
    // The bytes Write puts into the file, pad bytes and headers included.
    std::uint64_t WrittenSize() const;

    // Decimal number at the start of a text, as the C library reads it (leading blanks and
    // a sign; 0 without digits), wrapped to 32 bits.
    static LONG LeadingNumber(std::u16string_view text);

private:
    std::array<std::optional<std::u16string>, kTexts> texts_;
    LONG year_ = 0;
    SHORT track_ = 0;
};

}  // namespace kez::chunks
