// Cue points: an ordered list with a current point, filled from the cue chunk and the
// associated-data list (ltxt, labl, note) and written back as both.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "KezAudioChunksEditor3/KezAudioChunksEditor3Lib_TLB.h"
#include "KezAudioChunksEditor3/chunk_io.h"

namespace kez::chunks {

struct Cue {
    LONG position = 0;
    LONG length = 0;
    USHORT country = 0, language = 0, dialect = 0, codePage = 0;
    // Absent and empty differ: an absent note or label writes no chunk, an absent text no
    // text, an empty one a single zero byte.
    std::optional<std::u16string> note, label, text;
};

class CueList {
public:
    LONG Count() const { return LONG(points_.size()); }
    LONG Index() const { return index_; }  // 1-based; 0 when empty
    void Clear();

    // Clamped to 1..count; nothing with an empty list.
    void Select(LONG index);
    // After the current point, which it becomes; note, label and text present and empty.
    void Append(LONG position);
    // At its place by unsigned position (see the rule in Insert's body); becomes current.
    void Insert(const CuePoint& rec);
    void DeleteCurrent();

    // With an empty list the record is left as it was, and a put does nothing.
    void GetCurrent(CuePoint* rec) const;
    void PutCurrent(const CuePoint& rec);
    const std::vector<Cue>& Points() const { return points_; }

    ReadStatus ReadCue(const Source& src, const MMCKINFO& ck, VARIANT_BOOL& enabled);
    ReadStatus ReadAdtl(const Source& src, const MMCKINFO& list);
    // cue chunk then the adtl list; selects each point in turn. False on any failure.
    bool Write(HMMIO h);
    // The bytes Write puts into the file, pad bytes and headers included.
    std::uint64_t WrittenSize() const;

private:
    std::vector<Cue> points_;
    LONG index_ = 0;
};

}  // namespace kez::chunks
