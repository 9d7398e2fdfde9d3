#include "KezAudioChunksEditor3/cart.h"

#include <algorithm>
#include <cstring>

#include "automation/oleauto.h"
#include "text/codepage.h"

namespace kez::chunks {

namespace {

struct Field {
    BSTR CartAudioExtension::*member;
    std::size_t offset, width;
};
const Field kTexts[] = {
    {&CartAudioExtension::Version, 0, 4},
    {&CartAudioExtension::Title, 4, 64},
    {&CartAudioExtension::Artist, 68, 64},
    {&CartAudioExtension::CutID, 132, 64},
    {&CartAudioExtension::ClientID, 196, 64},
    {&CartAudioExtension::Category, 260, 64},
    {&CartAudioExtension::Classification, 324, 64},
    {&CartAudioExtension::OutCue, 388, 64},
    {&CartAudioExtension::StartDate, 452, 10},
    {&CartAudioExtension::StartTime, 462, 8},
    {&CartAudioExtension::EndDate, 470, 10},
    {&CartAudioExtension::EndTime, 480, 8},
    {&CartAudioExtension::ProducerAppID, 488, 64},
    {&CartAudioExtension::ProducerAppVersion, 552, 64},
    {&CartAudioExtension::UserDef, 616, 64},
    {&CartAudioExtension::URL, 1024, 1024},
};
constexpr std::size_t kLevel = 680;
constexpr std::size_t kTimerBase = 684;

CartAudioTimer CartAudioExtension::*const kTimerFields[CartBlock::kTimers] = {
    &CartAudioExtension::PostTimer1, &CartAudioExtension::PostTimer2, &CartAudioExtension::PostTimer3,
    &CartAudioExtension::PostTimer4, &CartAudioExtension::PostTimer5, &CartAudioExtension::PostTimer6,
    &CartAudioExtension::PostTimer7, &CartAudioExtension::PostTimer8,
};

// Indexed by BasicTimerConstants; compared and written byte for byte.
const char kCodes[15][5] = {"    ", "SEGs", "SEGe", "AUDs", "AUDe", "INTs", "INTe", "OUTs",
                            "OUTe", "SECs", "SECe", "TERs", "TERe", "MRK ", "EOD "};

BSTR ToBstr(const std::u16string& s) {
    return SysAllocStringLen(reinterpret_cast<const OLECHAR*>(s.data()), UINT(s.size()));
}
std::u16string_view View(BSTR b) { return {reinterpret_cast<const char16_t*>(b), SysStringLen(b)}; }

}  // namespace

std::array<char, 4> CartBlock::UsageCode(LONG usage) {
    std::array<char, 4> code;
    std::memcpy(code.data(), kCodes[usage >= 0 && usage < 15 ? usage : 0], 4);
    return code;
}

LONG CartBlock::UsageOf(const char* code) {
    for (LONG v = 0; v < 15; ++v)
        if (std::memcmp(code, kCodes[v], 4) == 0) return v;
    return 0;
}

void CartBlock::Reset() {
    fixed_.fill(0);
    tag_.clear();
    timers_.fill(CartAudioTimer{NONE_TIMERS, 0});
}

void CartBlock::Get(CartAudioExtension* rec) const {
    for (const Field& f : kTexts)
        rec->*f.member = ToBstr(platform::text::ReadFixedField(fixed_.data() + f.offset, f.width));
    rec->LevelReference = LONG(Le32(fixed_.data() + kLevel));
    for (std::size_t k = 0; k < kTimers; ++k) rec->*kTimerFields[k] = timers_[k];
    rec->TagText = ToBstr(ChunkText(tag_));
}

void CartBlock::Put(const CartAudioExtension* rec) {
    for (const Field& f : kTexts)
        if (BSTR b = rec->*f.member) platform::text::WriteFixedField(View(b), fixed_.data() + f.offset, f.width);
    SetLe32(fixed_.data() + kLevel, std::uint32_t(rec->LevelReference));
    for (std::size_t k = 0; k < kTimers; ++k) {
        timers_[k] = rec->*kTimerFields[k];
        char* slot = fixed_.data() + kTimerBase + 8 * k;
        std::array<char, 4> code = UsageCode(timers_[k].Usage);
        std::memcpy(slot, code.data(), 4);
        SetLe32(slot + 4, std::uint32_t(timers_[k].Value));
    }
    if (rec->TagText)
        tag_ = ChunkBytes(View(rec->TagText));
    else
        tag_.clear();
}

ReadStatus CartBlock::Read(const Source& src, const MMCKINFO& ck, VARIANT_BOOL& enabled) {
    // A chunk shorter than the fixed part fills what it holds; the rest stays zero.
    std::array<char, kFixed> fixed{};
    const std::size_t head = std::min<std::size_t>(kFixed, ck.cksize);
    if (!ReadExact(src.h, fixed.data(), head)) return ReadStatus::Ok;
    std::string tag;
    if (ck.cksize > kFixed) {
        ReadStatus r = ReadBytes(src, ck.cksize - kFixed, tag);
        if (r != ReadStatus::Ok) return r == ReadStatus::NoMemory ? r : ReadStatus::Ok;
    }
    fixed_ = fixed;
    tag_ = std::move(tag);
    for (std::size_t k = 0; k < kTimers; ++k) {
        const char* slot = fixed_.data() + kTimerBase + 8 * k;
        timers_[k] = CartAudioTimer{BasicTimerConstants(UsageOf(slot)), LONG(Le32(slot + 4))};
    }
    enabled = 1;
    return ReadStatus::Ok;
}

bool CartBlock::Write(HMMIO h) const {
    std::string data(fixed_.data(), kFixed);
    data += tag_;
    return WriteChunk(h, mmioFOURCC('c', 'a', 'r', 't'), data);
}

}  // namespace kez::chunks
