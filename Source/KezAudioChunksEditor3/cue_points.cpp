#include "KezAudioChunksEditor3/cue_points.h"

#include <algorithm>

#include "automation/oleauto.h"
#include "text/codepage.h"

namespace kez::chunks {

namespace {

constexpr FOURCC F(const char (&s)[5]) { return mmioFOURCC(s[0], s[1], s[2], s[3]); }

BSTR Copy(const std::optional<std::u16string>& s) {
    if (!s) return nullptr;
    return SysAllocStringLen(reinterpret_cast<const OLECHAR*>(s->data()), UINT(s->size()));
}

std::optional<std::u16string> Take(BSTR b) {
    if (!b) return std::nullopt;
    return std::u16string(reinterpret_cast<const char16_t*>(b), SysStringLen(b));
}

Cue FromRecord(const CuePoint& rec) {
    Cue c;
    c.position = rec.Position;
    c.length = rec.Length;
    c.country = USHORT(rec.Country);
    c.language = USHORT(rec.Language);
    c.dialect = USHORT(rec.Dialect);
    c.codePage = USHORT(rec.CodePage);
    c.note = Take(rec.Note);
    c.label = Take(rec.Label);
    c.text = Take(rec.Text);
    return c;
}

}  // namespace

void CueList::Clear() {
    points_.clear();
    index_ = 0;
}

void CueList::Select(LONG index) {
    if (points_.empty()) return;
    index_ = std::clamp<LONG>(index, 1, Count());
}

void CueList::Append(LONG position) {
    Cue c;
    c.position = position;
    c.note = c.label = c.text = std::u16string();
    points_.insert(points_.begin() + index_, std::move(c));
    ++index_;
}

void CueList::Insert(const CuePoint& rec) {
    Cue c = FromRecord(rec);
    const auto pos = std::uint32_t(c.position);
    if (points_.empty()) {
        points_.push_back(std::move(c));
        index_ = 1;
        return;
    }
    if (std::uint32_t(points_.front().position) > pos) {
        points_.insert(points_.begin(), std::move(c));
        index_ = 1;
        return;
    }
    // After every point with a smaller position; a first point equal to the new one is
    // passed as well, since the walk starts on it.
    std::size_t at = 0;
    while (at + 1 < points_.size() && std::uint32_t(points_[at + 1].position) < pos) ++at;
    points_.insert(points_.begin() + LONG(at) + 1, std::move(c));
    index_ = LONG(at) + 2;
}

void CueList::DeleteCurrent() {
    if (points_.empty()) return;
    points_.erase(points_.begin() + (index_ - 1));
    if (index_ > Count()) index_ = Count();  // no next point: the previous one, or none
}

void CueList::GetCurrent(CuePoint* rec) const {
    if (points_.empty()) return;
    const Cue& c = points_[std::size_t(index_ - 1)];
    rec->Position = c.position;
    rec->Length = c.length;
    rec->Country = c.country;
    rec->Language = c.language;
    rec->Dialect = c.dialect;
    rec->CodePage = c.codePage;
    rec->Note = Copy(c.note);
    rec->Label = Copy(c.label);
    rec->Text = Copy(c.text);
}

void CueList::PutCurrent(const CuePoint& rec) {
    if (points_.empty()) return;
    points_[std::size_t(index_ - 1)] = FromRecord(rec);
}

ReadStatus CueList::ReadCue(const Source& src, const MMCKINFO& ck, VARIANT_BOOL& enabled) {
    char head[4];
    if (ck.cksize < 4 || !ReadExact(src.h, head, 4)) return ReadStatus::Ok;
    // Only the records the chunk really holds are taken, whatever its count claims.
    std::uint64_t count = std::min<std::uint64_t>(Le32(head), (ck.cksize - 4) / 24);
    std::string records;
    ReadStatus r = ReadBytes(src, count * 24, records);
    if (r == ReadStatus::NoMemory) return r;
    if (r != ReadStatus::Ok) return ReadStatus::Ok;
    for (std::uint64_t i = 0; i < count; ++i) Append(LONG(Le32(records.data() + i * 24 + 4)));
    enabled = 1;
    return ReadStatus::Ok;
}

ReadStatus CueList::ReadAdtl(const Source& src, const MMCKINFO& list) {
    ReadStatus status = ReadStatus::Ok;
    WalkChunks(src.h, list, [&](MMCKINFO& sub) {
        const bool ltxt = sub.ckid == F("ltxt");
        if (points_.empty() || !(ltxt || sub.ckid == F("labl") || sub.ckid == F("note"))) return true;
        std::string data;
        ReadStatus r = ReadBytes(src, sub.cksize, data);
        if (r == ReadStatus::NoMemory) {
            status = r;
            return false;
        }
        const std::size_t head = ltxt ? 20 : 4;
        if (r != ReadStatus::Ok || data.size() < head) return true;
        Select(LONG(Le32(data.data())));
        Cue& c = points_[std::size_t(index_ - 1)];
        std::u16string text = ChunkText(std::string_view(data).substr(head));
        if (ltxt) {
            c.length = LONG(Le32(data.data() + 4));
            c.country = Le16(data.data() + 12);
            c.language = Le16(data.data() + 14);
            c.dialect = Le16(data.data() + 16);
            c.codePage = Le16(data.data() + 18);
            c.text = std::move(text);
        } else if (sub.ckid == F("labl")) {
            c.label = std::move(text);
        } else {
            c.note = std::move(text);
        }
        return true;
    });
    return status;
}

std::uint64_t CueList::WrittenSize() const {
    auto padded = [](std::uint64_t n) { return n + (n & 1); };
    auto text = [](const std::optional<std::u16string>& t) { return platform::text::ToAnsi(*t).size() + 1; };
    std::uint64_t size = 8 + 4 + 24 * points_.size() + 12;
    for (const Cue& c : points_) {
        size += 8 + padded(20 + (c.text ? text(c.text) : 0));
        if (c.note) size += 8 + padded(4 + text(c.note));
        if (c.label) size += 8 + padded(4 + text(c.label));
    }
    return size;
}

bool CueList::Write(HMMIO h) {
    std::string cue;
    AppendLe32(cue, std::uint32_t(Count()));
    for (LONG i = 1; i <= Count(); ++i) {
        Select(i);
        const Cue& c = points_[std::size_t(i - 1)];
        AppendLe32(cue, std::uint32_t(i));
        AppendLe32(cue, std::uint32_t(c.position));
        AppendLe32(cue, F("data"));
        AppendLe32(cue, 0);
        AppendLe32(cue, 0);
        AppendLe32(cue, std::uint32_t(c.position));
    }
    if (!WriteChunk(h, F("cue "), cue)) return false;

    MMCKINFO list{};
    list.fccType = F("adtl");
    if (mmioCreateChunk(h, &list, MMIO_CREATELIST) != MMSYSERR_NOERROR) return false;
    for (LONG i = 1; i <= Count(); ++i) {
        Select(i);
        const Cue& c = points_[std::size_t(i - 1)];
        std::string d;
        AppendLe32(d, std::uint32_t(i));
        AppendLe32(d, std::uint32_t(c.length));
        AppendLe32(d, F("rgn "));
        AppendLe16(d, c.country);
        AppendLe16(d, c.language);
        AppendLe16(d, c.dialect);
        AppendLe16(d, c.codePage);
        if (c.text) d += ChunkBytes(*c.text);
        if (!WriteChunk(h, F("ltxt"), d)) return false;
    }
    for (FOURCC kind : {F("note"), F("labl")}) {
        for (LONG i = 1; i <= Count(); ++i) {
            Select(i);
            const Cue& c = points_[std::size_t(i - 1)];
            const auto& text = kind == F("note") ? c.note : c.label;
            if (!text) continue;
            std::string d;
            AppendLe32(d, std::uint32_t(i));
            d += ChunkBytes(*text);
            if (!WriteChunk(h, kind, d)) return false;
        }
    }
    return mmioAscend(h, &list, 0) == MMSYSERR_NOERROR;
}

}  // namespace kez::chunks
