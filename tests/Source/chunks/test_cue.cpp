// Cue points: the list members (select, insert, delete, get, put), the reading of cue and
// adtl chunks with clamped identifiers, and what the write produces.
#include "chunks_test_util.h"

namespace {

using namespace chunkstest;

using Cues = ChunksTest;

Bytes CueRecord(std::uint32_t id, std::uint32_t pos) {
    return U32(id) + U32(pos) + "data" + U32(0) + U32(0) + U32(pos);
}
Bytes CueChunk(std::initializer_list<std::pair<std::uint32_t, std::uint32_t>> pts) {
    Bytes d = U32(std::uint32_t(pts.size()));
    for (auto [id, pos] : pts) d += CueRecord(id, pos);
    return Chunk("cue ", d);
}
Bytes Labl(std::uint32_t id, const std::string& t, const char* kind = "labl") {
    return Chunk(kind, U32(id) + t + '\0');
}

CuePoint Point(LONG pos, const char16_t* label = nullptr) {
    CuePoint p{};
    p.Position = pos;
    if (label) p.Label = SysAllocString(label);
    return p;
}

std::vector<LONG> Positions(IWavChunksEditor3* e) {
    std::vector<LONG> out;
    LONG n = 0, cur = 0;
    e->get_CuePointCount(&n);
    e->get_CuePointNum(&cur);
    for (LONG i = 1; i <= n; ++i) {
        e->put_CuePointNum(i);
        CuePoint p{};
        e->get_CuePointInfo(&p);
        out.push_back(p.Position);
        Free(p);
    }
    e->put_CuePointNum(cur);
    return out;
}

TEST_F(Cues, InsertSelectAndDelete) {
    LONG n = -1, cur = -1;
    editor_->DeleteCuePoint();  // empty: nothing
    editor_->put_CuePointNum(3);
    editor_->get_CuePointCount(&n);
    editor_->get_CuePointNum(&cur);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(cur, 0);
    CuePoint untouched{};
    untouched.Position = 77;
    editor_->get_CuePointInfo(&untouched);
    EXPECT_EQ(untouched.Position, 77) << "an empty list leaves the record as it was";

    for (LONG pos : {300, 100, 200}) {
        CuePoint p = Point(pos);
        ASSERT_EQ(editor_->InsertCuePoint(&p), S_OK);
    }
    EXPECT_EQ(Positions(editor_), (std::vector<LONG>{100, 200, 300}));
    editor_->get_CuePointNum(&cur);
    EXPECT_EQ(cur, 2) << "the last insert is current";

    // A negative position compares as a large unsigned one; an equal first goes after it.
    CuePoint neg = Point(-1), eq = Point(100, u"second");
    editor_->InsertCuePoint(&neg);
    editor_->get_CuePointNum(&cur);
    EXPECT_EQ(cur, 4);
    editor_->InsertCuePoint(&eq);
    editor_->get_CuePointNum(&cur);
    EXPECT_EQ(cur, 2);
    Free(eq);
    EXPECT_EQ(Positions(editor_), (std::vector<LONG>{100, 100, 200, 300, -1}));

    for (auto [asked, got] : {std::pair{0, 1}, {-9, 1}, {99, 5}, {3, 3}}) {
        editor_->put_CuePointNum(asked);
        editor_->get_CuePointNum(&cur);
        EXPECT_EQ(cur, got) << asked;
    }
    // Deleting the middle keeps the index on the next point; the last falls back.
    editor_->DeleteCuePoint();
    editor_->get_CuePointNum(&cur);
    EXPECT_EQ(cur, 3);
    EXPECT_EQ(Positions(editor_), (std::vector<LONG>{100, 100, 300, -1}));
    editor_->put_CuePointNum(4);
    editor_->DeleteCuePoint();
    editor_->get_CuePointNum(&cur);
    editor_->get_CuePointCount(&n);
    EXPECT_EQ(cur, 3);
    EXPECT_EQ(n, 3);
    for (int i = 0; i < 3; ++i) editor_->DeleteCuePoint();
    editor_->get_CuePointCount(&n);
    editor_->get_CuePointNum(&cur);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(cur, 0);
}

TEST_F(Cues, CodesKeepSixteenBitsAndPutDoesNotResort) {
    for (LONG pos : {10, 20, 30}) {
        CuePoint p = Point(pos);
        editor_->InsertCuePoint(&p);
    }
    editor_->put_CuePointNum(1);
    CuePoint p = Point(25);
    p.Country = 0x12345;
    p.Language = -1;
    p.Text = SysAllocString(u"");
    editor_->put_CuePointInfo(&p);
    Free(p);
    CuePoint back{};
    editor_->get_CuePointInfo(&back);
    EXPECT_EQ(back.Country, 0x2345);
    EXPECT_EQ(back.Language, 0xFFFF);
    EXPECT_EQ(back.Note, nullptr);
    EXPECT_NE(back.Text, nullptr);
    Free(back);
    EXPECT_EQ(Positions(editor_), (std::vector<LONG>{25, 20, 30})) << "the point keeps its place";

    const std::string path = Write("c.wav", Riff(PcmFmt() + Chunk("data", Samples(8))));
    editor_->put_CuePointsEnabled(1);
    auto out = Rewrite(path);
    const Listed* cue = Find(out, "cue ");
    ASSERT_NE(cue, nullptr);
    EXPECT_EQ(cue->data, U32(3) + CueRecord(1, 25) + CueRecord(2, 20) + CueRecord(3, 30)) << "list order";
    const Listed* adtl = Find(out, "LIST/adtl");
    ASSERT_NE(adtl, nullptr);
    // Absent note, label and text: only ltxt headers, 20 bytes; the empty text adds its zero.
    EXPECT_EQ(Ids(adtl->items), (std::vector<std::string>{"ltxt", "ltxt", "ltxt"}));
    EXPECT_EQ(adtl->items[0].data, U32(1) + U32(0) + "rgn " + U16(0x2345) + U16(0xFFFF) + U16(0) + U16(0) + Bytes(1, '\0'));
    EXPECT_EQ(adtl->items[1].size, 20u);
    LONG cur = 0;
    editor_->get_CuePointNum(&cur);
    EXPECT_EQ(cur, 3) << "writing selects each point in turn";

    editor_->put_CuePointsEnabled(0);
    EXPECT_EQ(Find(Rewrite(path), "cue "), nullptr);
}

TEST_F(Cues, ReadingClampsIdentifiersAndWritesBackPresentTexts) {
    Bytes adtl = List("adtl", Labl(7, "seven") + Labl(9, "nine") + Labl(0, "zero note", "note") +
                                  Chunk("ltxt", U32(1) + U32(500) + "rgn " + U16(1) + U16(2) + U16(3) + U16(4) + "region\0"));
    const std::string path =
        Write("r.wav", Riff(PcmFmt() + Chunk("data", Samples(8)) + CueChunk({{7, 1000}, {9, 2000}}) + adtl));
    ASSERT_EQ(Get(path), S_OK);
    VARIANT_BOOL on = 0;
    editor_->get_CuePointsEnabled(&on);
    EXPECT_EQ(on, 1);
    editor_->put_CuePointNum(1);
    CuePoint first{};
    editor_->get_CuePointInfo(&first);
    EXPECT_EQ(first.Position, 1000);
    EXPECT_EQ(Text(first.Label), "") << "7 and 9 both select the last point";
    EXPECT_EQ(Text(first.Note), "zero note");
    EXPECT_EQ(first.Length, 500);
    EXPECT_EQ(first.CodePage, 4);
    EXPECT_EQ(Text(first.Text), "region");
    Free(first);
    editor_->put_CuePointNum(2);
    CuePoint second{};
    editor_->get_CuePointInfo(&second);
    EXPECT_EQ(Text(second.Label), "nine");
    Free(second);

    // A plain file's points have present, empty texts: ltxt 21, note 5, labl 5 bytes.
    const std::string plain = Write("p.wav", Riff(PcmFmt() + Chunk("data", Samples(8)) + CueChunk({{1, 5}})));
    ASSERT_EQ(Get(plain), S_OK);
    auto written = Rewrite(plain);
    const Listed* list = Find(written, "LIST/adtl");
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(Ids(list->items), (std::vector<std::string>{"ltxt", "note", "labl"}));
    EXPECT_EQ(list->items[0].size, 21u);
    EXPECT_EQ(list->items[1].size, 5u);
    EXPECT_EQ(list->items[2].size, 5u);
}

TEST_F(Cues, AdtlBeforeCueAndShortCueChunks) {
    // The list comes first, when there are no points yet: ignored.
    std::string path = Write("a.wav", Riff(PcmFmt() + List("adtl", Labl(1, "early")) + CueChunk({{1, 10}})));
    ASSERT_EQ(Get(path), S_OK);
    CuePoint p{};
    editor_->get_CuePointInfo(&p);
    EXPECT_EQ(Text(p.Label), "");
    Free(p);

    // A count of 1000 with two records present gives the two.
    Bytes lying = U32(1000) + CueRecord(1, 1) + CueRecord(2, 2);
    path = Write("s.wav", Riff(PcmFmt() + Chunk("cue ", lying)));
    ASSERT_EQ(Get(path), S_OK);
    EXPECT_EQ(Positions(editor_), (std::vector<LONG>{1, 2}));

    // Two cue chunks append to one list.
    path = Write("t.wav", Riff(PcmFmt() + CueChunk({{1, 5}}) + CueChunk({{1, 3}, {2, 4}})));
    ASSERT_EQ(Get(path), S_OK);
    EXPECT_EQ(Positions(editor_), (std::vector<LONG>{5, 3, 4}));
}

}  // namespace
