// The INFO list and the display title: reading, the 22 items written in their order, the
// numbers, DISP, and absent versus empty texts.
#include "chunks_test_util.h"

namespace {

using namespace chunkstest;

using Info = ChunksTest;

Bytes Item(const char* id, const std::string& text) { return Chunk(id, text + '\0'); }

TEST_F(Info, ReadingMapsItemsToFields) {
    Bytes items = Item("INAM", "Album A") + Item("IART", "Artist") + Item("ICRD", "1998-05-03") +
                  Item("ITRK", "7/12") + Item("IKEY", "k1") + Chunk("IXYZ", "unknown") + Item("IKEY", "k2") +
                  Chunk("ICMT", "no zero byte");
    const std::string path = Write("i.wav", Riff(PcmFmt() + Chunk("data", Samples(4)) + List("INFO", items)));
    ASSERT_EQ(Get(path), S_OK);
    ExtraInformation r{};
    ASSERT_EQ(editor_->get_ExtraInformation(&r), S_OK);
    EXPECT_EQ(Text(r.Album), "Album A");
    EXPECT_EQ(Text(r.Title), "") << "INAM is the album; the title comes only from DISP";
    EXPECT_EQ(Text(r.Artist), "Artist");
    EXPECT_EQ(Text(r.Keywords), "k2") << "a later item replaces an earlier one";
    EXPECT_EQ(Text(r.Comments), "no zero byte");
    EXPECT_EQ(r.Year, 1998);
    EXPECT_EQ(r.Track, 7);
    EXPECT_NE(r.Copyright, nullptr) << "unread texts are empty, not absent";
    Free(r);
    VARIANT_BOOL on = 0;
    editor_->get_ExtraInformationEnabled(&on);
    EXPECT_EQ(on, 1);
}

TEST_F(Info, NumbersAsTheyAreRead) {
    struct Row {
        const char* text;
        LONG year;
    } rows[] = {{"  -12x", -12}, {"+2001", 2001}, {"May 1998", 0}, {"", 0}, {"4294967297", 1}};
    for (const Row& row : rows) {
        const std::string path = Write("n.wav", Riff(PcmFmt() + List("INFO", Item("ICRD", row.text) + Item("ITRK", "65543"))));
        ASSERT_EQ(Get(path), S_OK);
        ExtraInformation r{};
        editor_->get_ExtraInformation(&r);
        EXPECT_EQ(r.Year, row.year) << row.text;
        EXPECT_EQ(r.Track, 7) << "track truncated to 16 bits";
        Free(r);
    }
}

TEST_F(Info, EmptyListReadsAsDisabledAndDispGivesTheTitle) {
    Bytes disp = Chunk("DISP", U32(1) + Bytes("Shown title\0tail", 16));
    const std::string path = Write("d.wav", Riff(PcmFmt() + List("INFO", "") + disp));
    ASSERT_EQ(Get(path), S_OK);
    VARIANT_BOOL on = 1;
    editor_->get_ExtraInformationEnabled(&on);
    EXPECT_EQ(on, 0);
    ExtraInformation r{};
    editor_->get_ExtraInformation(&r);
    EXPECT_EQ(Text(r.Title), "Shown title");
    Free(r);
}

TEST_F(Info, AllEmptyWritesTheTwentyTwoItems) {
    const std::string path = Write("e.wav", Riff(PcmFmt() + Chunk("data", Samples(4))));
    editor_->put_ExtraInformationEnabled(-1);  // any non-zero value
    auto out = Rewrite(path);
    const Listed* list = Find(out, "LIST/INFO");
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->size, 224u);
    EXPECT_EQ(Ids(list->items),
              (std::vector<std::string>{"IART", "ICMT", "ICOP", "INAM", "IGNR", "ISFT", "IARL", "ICMS", "ICRP", "IDIM",
                                        "IDPI", "IENG", "IKEY", "ILGT", "IMED", "IPLT", "IPRD", "ISBJ", "ISHP", "ISRC",
                                        "ISRF", "ITCH"}));
    for (const Listed& item : list->items) EXPECT_EQ(item.data, Bytes(1, '\0')) << item.id;
    EXPECT_EQ(Find(out, "DISP"), nullptr) << "no title, no DISP";
}

TEST_F(Info, PutFieldsTitleNumbersAndName) {
    const std::string path = Write("w.wav", Riff(PcmFmt() + Chunk("data", Samples(4))));
    ExtraInformation r{};
    editor_->get_ExtraInformation(&r);
    Free(r);  // all absent now
    Str artist("Ärtist"), title("Title"), name("Only held"), genre("Genre");
    r.Artist = artist.get();
    r.Title = title.get();
    r.Name = name.get();
    r.Genre = genre.get();
    r.Year = 2024;
    r.Track = 3;
    ASSERT_EQ(editor_->put_ExtraInformation(&r), S_OK);
    VARIANT_BOOL on = 1;
    editor_->get_ExtraInformationEnabled(&on);
    EXPECT_EQ(on, 0) << "a put does not enable";

    ExtraInformation back{};
    editor_->get_ExtraInformation(&back);
    EXPECT_EQ(Text(back.Name), "Only held");
    EXPECT_EQ(back.Copyright, nullptr) << "an absent string stays absent";
    Free(back);

    EXPECT_EQ(Ids(Rewrite(path)), (std::vector<std::string>{"fmt ", "fact", "data"})) << "disabled: no list, no DISP";
    editor_->put_ExtraInformationEnabled(1);
    auto out = Rewrite(path);
    const Listed* list = Find(out, "LIST/INFO");
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->items.size(), 24u);
    EXPECT_EQ(Find(list->items, "IART")->data, "\xC3\x84rtist" + Bytes(1, '\0'));
    EXPECT_EQ(Find(list->items, "ITRK")->data, Bytes("3\0", 2));
    EXPECT_EQ(Find(list->items, "ICRD")->data, Bytes("2024\0", 5));
    EXPECT_EQ(list->items[22].id, "ITRK") << "track, then year, after the 22";
    const Listed* disp = Find(out, "DISP");
    ASSERT_NE(disp, nullptr);
    EXPECT_EQ(disp->data, U32(1) + Bytes("Title\0", 6));
    EXPECT_EQ(Ids(out).back(), "DISP");

    // Reading the output back: Name is not in the file.
    ASSERT_EQ(Get(path + ".wav"), S_OK);
    editor_->get_ExtraInformation(&back);
    EXPECT_EQ(Text(back.Name), "");
    EXPECT_EQ(Text(back.Artist), "Ärtist");
    EXPECT_EQ(Text(back.Title), "Title");
    EXPECT_EQ(back.Year, 2024);
    Free(back);

    // Zero and negative numbers write no item.
    r.Year = -5;
    r.Track = 0;
    editor_->put_ExtraInformation(&r);
    out = Rewrite(path);
    list = Find(out, "LIST/INFO");
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->items.size(), 22u);
}

}  // namespace
