#include "KezAudioChunksEditor3/bext.h"

#include <algorithm>

#include "automation/oleauto.h"
#include "text/codepage.h"

namespace kez::chunks {

namespace {

struct Field {
    BSTR BroadcastAudioExtension::*member;
    std::size_t offset, width;
};
const Field kTexts[] = {
    {&BroadcastAudioExtension::Description, 0, 256},
    {&BroadcastAudioExtension::Originator, 256, 32},
    {&BroadcastAudioExtension::OriginatorReference, 288, 32},
    {&BroadcastAudioExtension::OriginationDate, 320, 10},
    {&BroadcastAudioExtension::OriginationTime, 330, 8},
};

BSTR ToBstr(const std::u16string& s) {
    return SysAllocStringLen(reinterpret_cast<const OLECHAR*>(s.data()), UINT(s.size()));
}
std::u16string_view View(BSTR b) { return {reinterpret_cast<const char16_t*>(b), SysStringLen(b)}; }

}  // namespace

void BextBlock::Reset() {
    fixed_.fill(0);
    history_.clear();
}

void BextBlock::Get(BroadcastAudioExtension* rec) const {
    for (const Field& f : kTexts)
        rec->*f.member = ToBstr(platform::text::ReadFixedField(fixed_.data() + f.offset, f.width));
    rec->TimeReferenceLow = LONG(Le32(fixed_.data() + 338));
    rec->TimeReferenceHigh = LONG(Le32(fixed_.data() + 342));
    rec->Version = SHORT(Le16(fixed_.data() + 346));
    rec->CodingHistory = ToBstr(ChunkText(history_));
}

void BextBlock::Put(const BroadcastAudioExtension* rec) {
    for (const Field& f : kTexts)
        if (BSTR b = rec->*f.member) platform::text::WriteFixedField(View(b), fixed_.data() + f.offset, f.width);
    SetLe32(fixed_.data() + 338, std::uint32_t(rec->TimeReferenceLow));
    SetLe32(fixed_.data() + 342, std::uint32_t(rec->TimeReferenceHigh));
    SetLe16(fixed_.data() + 346, std::uint16_t(rec->Version));
    if (rec->CodingHistory)
        history_ = ChunkBytes(View(rec->CodingHistory));
    else
        history_.clear();
}

ReadStatus BextBlock::Read(const Source& src, const MMCKINFO& ck, VARIANT_BOOL& enabled) {
    // A chunk shorter than the fixed part fills what it holds; the rest stays zero.
    std::array<char, kFixed> fixed{};
    const std::size_t head = std::min<std::size_t>(kFixed, ck.cksize);
    if (!ReadExact(src.h, fixed.data(), head)) return ReadStatus::Ok;
    std::string history;
    if (ck.cksize > kFixed) {
        ReadStatus r = ReadBytes(src, ck.cksize - kFixed, history);
        if (r != ReadStatus::Ok) return r == ReadStatus::NoMemory ? r : ReadStatus::Ok;
    }
    fixed_ = fixed;
    history_ = std::move(history);
    enabled = 1;
    return ReadStatus::Ok;
}

bool BextBlock::Write(HMMIO h) const {
    std::string data(fixed_.data(), kFixed);
    data += history_;
    return WriteChunk(h, mmioFOURCC('b', 'e', 'x', 't'), data);
}

}  // namespace kez::chunks
