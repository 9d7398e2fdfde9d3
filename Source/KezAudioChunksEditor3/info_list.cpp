#include "KezAudioChunksEditor3/info_list.h"

#include "automation/oleauto.h"
#include "text/codepage.h"

namespace kez::chunks {

namespace {

struct TextField {
    BSTR ExtraInformation::*member;
    FOURCC id;  // 0: not in the INFO list
};

constexpr FOURCC F(const char (&s)[5]) { return mmioFOURCC(s[0], s[1], s[2], s[3]); }

// Record order. Title travels in DISP, Name nowhere.
const TextField kFields[InfoList::kTexts] = {
    {&ExtraInformation::Copyright, F("ICOP")},   {&ExtraInformation::Title, 0},
    {&ExtraInformation::Artist, F("IART")},      {&ExtraInformation::Album, F("INAM")},
    {&ExtraInformation::Comments, F("ICMT")},    {&ExtraInformation::EncodedBy, F("ISFT")},
    {&ExtraInformation::Genre, F("IGNR")},       {&ExtraInformation::ArchivalLocation, F("IARL")},
    {&ExtraInformation::Commissioned, F("ICMS")}, {&ExtraInformation::Cropped, F("ICRP")},
    {&ExtraInformation::Dimensions, F("IDIM")},  {&ExtraInformation::DotsPerInch, F("IDPI")},
    {&ExtraInformation::Engineer, F("IENG")},    {&ExtraInformation::Keywords, F("IKEY")},
    {&ExtraInformation::Lightness, F("ILGT")},   {&ExtraInformation::Medium, F("IMED")},
    {&ExtraInformation::Name, 0},                {&ExtraInformation::PaletteSetting, F("IPLT")},
    {&ExtraInformation::Product, F("IPRD")},     {&ExtraInformation::Subject, F("ISBJ")},
    {&ExtraInformation::Sharpness, F("ISHP")},   {&ExtraInformation::Source, F("ISRC")},
    {&ExtraInformation::SourceForm, F("ISRF")},  {&ExtraInformation::Technician, F("ITCH")},
};
constexpr std::size_t kTitle = 1;

// The order items are written in.
const char* const kWriteOrder[] = {"IART", "ICMT", "ICOP", "INAM", "IGNR", "ISFT", "IARL", "ICMS",
                                   "ICRP", "IDIM", "IDPI", "IENG", "IKEY", "ILGT", "IMED", "IPLT",
                                   "IPRD", "ISBJ", "ISHP", "ISRC", "ISRF", "ITCH"};

constexpr FOURCC kYear = F("ICRD");
constexpr FOURCC kTrack = F("ITRK");

BSTR Copy(const std::optional<std::u16string>& s) {
    if (!s) return nullptr;
    return SysAllocStringLen(reinterpret_cast<const OLECHAR*>(s->data()), UINT(s->size()));
}

std::optional<std::u16string> Take(BSTR b) {
    if (!b) return std::nullopt;
    return std::u16string(reinterpret_cast<const char16_t*>(b), SysStringLen(b));
}

}  // namespace

void InfoList::Reset() {
    for (auto& t : texts_) t = std::u16string();
    year_ = 0;
    track_ = 0;
}

void InfoList::Get(ExtraInformation* rec) const {
    for (std::size_t i = 0; i < kTexts; ++i) rec->*kFields[i].member = Copy(texts_[i]);
    rec->Year = year_;
    rec->Track = track_;
}

void InfoList::Put(const ExtraInformation* rec) {
    for (std::size_t i = 0; i < kTexts; ++i) texts_[i] = Take(rec->*kFields[i].member);
    year_ = rec->Year;
    track_ = rec->Track;
}

LONG InfoList::LeadingNumber(std::u16string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == u' ' || (text[i] >= u'\t' && text[i] <= u'\r'))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
    std::uint32_t value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) value = value * 10u + (text[i] - u'0');
    return LONG(negative ? 0u - value : value);
}

ReadStatus InfoList::ReadList(const Source& src, const MMCKINFO& list, VARIANT_BOOL& enabled) {
    ReadStatus status = ReadStatus::Ok;
    WalkChunks(src.h, list, [&](MMCKINFO& item) {
        std::string data;
        ReadStatus r = ReadBytes(src, item.cksize, data);
        if (r == ReadStatus::NoMemory) {
            status = r;
            return false;
        }
        if (r != ReadStatus::Ok) return false;  // the file ends inside the item
        std::u16string text = ChunkText(data);
        if (item.ckid == kYear) {
            year_ = LeadingNumber(text);
        } else if (item.ckid == kTrack) {
            track_ = SHORT(LeadingNumber(text));
        } else {
            for (std::size_t i = 0; i < kTexts; ++i)
                if (kFields[i].id && kFields[i].id == item.ckid) texts_[i] = std::move(text);
        }
        enabled = 1;
        return true;
    });
    return status;
}

ReadStatus InfoList::ReadDisp(const Source& src, const MMCKINFO& disp) {
    std::string data;
    ReadStatus r = ReadBytes(src, disp.cksize, data);
    if (r != ReadStatus::Ok) return r == ReadStatus::NoMemory ? r : ReadStatus::Ok;
    texts_[kTitle] = ChunkText(data.size() > 4 ? std::string_view(data).substr(4) : std::string_view());
    return ReadStatus::Ok;
}

namespace {
std::uint64_t Padded(std::uint64_t n) { return n + (n & 1); }
std::uint64_t TextBytes(const std::optional<std::u16string>& t) {
    return t ? platform::text::ToAnsi(*t).size() + 1 : 1;
}
}  // namespace

std::uint64_t InfoList::WrittenSize() const {
    std::uint64_t size = 12;
    for (const char* code : kWriteOrder) {
        FOURCC id = mmioFOURCC(code[0], code[1], code[2], code[3]);
        for (std::size_t i = 0; i < kTexts; ++i)
            if (kFields[i].id == id) size += 8 + Padded(TextBytes(texts_[i]));
    }
    if (track_ > 0) size += 8 + Padded(std::to_string(track_).size() + 1);
    if (year_ > 0) size += 8 + Padded(std::to_string(year_).size() + 1);
    const auto& title = texts_[kTitle];
    if (title && !title->empty()) size += 8 + Padded(4 + TextBytes(title));
    return size;
}

void InfoList::Write(HMMIO h) const {
    MMCKINFO list{};
    list.fccType = F("INFO");
    if (mmioCreateChunk(h, &list, MMIO_CREATELIST) != MMSYSERR_NOERROR) return;
    for (const char* code : kWriteOrder) {
        FOURCC id = mmioFOURCC(code[0], code[1], code[2], code[3]);
        for (std::size_t i = 0; i < kTexts; ++i)
            if (kFields[i].id == id) WriteChunk(h, id, ChunkBytes(texts_[i] ? *texts_[i] : std::u16string()));
    }
    if (track_ > 0) WriteChunk(h, kTrack, ChunkBytes(platform::text::Utf8ToUtf16(std::to_string(track_))));
    if (year_ > 0) WriteChunk(h, kYear, ChunkBytes(platform::text::Utf8ToUtf16(std::to_string(year_))));
    mmioAscend(h, &list, 0);
    const auto& title = texts_[kTitle];
    if (title && !title->empty()) {
        std::string data;
        AppendLe32(data, 1);
        data += ChunkBytes(*title);
        WriteChunk(h, F("DISP"), data);
    }
}

}  // namespace kez::chunks
