// The broadcast extension and the cart chunk: fixed-width fields, carried bytes, the
// history and tag texts, the timers and their codes.
#include "chunks_test_util.h"

#include <cstring>

namespace {

using namespace chunkstest;

using Bext = ChunksTest;
using Cart = ChunksTest;

Bytes FixedBext() {
    Bytes b(602, '\0');
    std::memcpy(&b[0], "Desc", 4);
    std::memcpy(&b[256], "Orig", 4);
    std::memcpy(&b[320], "2024-01-02", 10);
    std::memcpy(&b[330], "10:11:12", 8);
    b.replace(338, 4, U32(0x89ABCDEF));
    b.replace(342, 4, U32(2));
    b.replace(346, 2, U16(1));
    for (int i = 348; i < 602; ++i) b[i] = char(i * 13);  // UMID and reserved
    return b;
}

TEST_F(Bext, ReadCarriesUnknownBytesAndSplitsTheTimeReference) {
    const Bytes fixed = FixedBext();
    const std::string path =
        Write("b.wav", Riff(PcmFmt() + Chunk("data", Samples(4)) + Chunk("bext", fixed + "A=PCM\r\n")));
    ASSERT_EQ(Get(path), S_OK);
    BroadcastAudioExtension r{};
    editor_->get_BroadcastAudioExtension(&r);
    EXPECT_EQ(Text(r.Description), "Desc");
    EXPECT_EQ(Text(r.OriginationDate), "2024-01-02") << "a full-width field without a zero";
    EXPECT_EQ(Text(r.OriginationTime), "10:11:12");
    EXPECT_EQ(std::uint32_t(r.TimeReferenceLow), 0x89ABCDEFu);
    EXPECT_EQ(r.TimeReferenceHigh, 2);
    EXPECT_EQ(r.Version, 1);
    EXPECT_EQ(Text(r.CodingHistory), "A=PCM\r\n");
    Free(r);
    // Written back without a put: byte for byte, history as read (odd size, padded).
    auto out = Rewrite(path);
    ASSERT_EQ(Ids(out).front(), "bext");
    EXPECT_EQ(out.front().data, fixed + "A=PCM\r\n");
}

TEST_F(Bext, PutTruncatesKeepsAbsentFieldsAndWritesTheHistory) {
    const std::string path = Write("p.wav", Riff(PcmFmt() + Chunk("data", Samples(4)) + Chunk("bext", FixedBext())));
    ASSERT_EQ(Get(path), S_OK);
    BroadcastAudioExtension r{};
    Str exact(std::string(256, 'd')), empty{std::string()}, hist{std::string()};
    r.Description = exact.get();
    r.OriginatorReference = empty.get();  // cleared
    r.CodingHistory = hist.get();         // one zero byte
    r.Version = 2;
    ASSERT_EQ(editor_->put_BroadcastAudioExtension(&r), S_OK);
    auto out = Rewrite(path);
    const Listed& bext = out.front();
    ASSERT_EQ(bext.id, "bext");
    EXPECT_EQ(bext.size, 603u);
    EXPECT_EQ(bext.data.substr(0, 256), std::string(256, 'd'));
    EXPECT_EQ(bext.data.substr(256, 4), "Orig") << "absent originator unchanged";
    EXPECT_EQ(bext.data.substr(288, 32), Bytes(32, '\0'));
    EXPECT_EQ(bext.data.substr(348, 254), FixedBext().substr(348)) << "UMID and reserved carried";
    EXPECT_EQ(Get16(bext.data, 346), 2);
    BroadcastAudioExtension back{};
    editor_->get_BroadcastAudioExtension(&back);
    EXPECT_EQ(Text(back.Description), std::string(256, 'd'));
    Free(back);

    // 300 characters keep their first 256; a multi-byte character is never split.
    Str longer(std::string(300, 'x')), split(std::string(255, 'a') + "é");
    BroadcastAudioExtension r2{};
    r2.Description = longer.get();
    editor_->put_BroadcastAudioExtension(&r2);
    editor_->get_BroadcastAudioExtension(&back);
    EXPECT_EQ(Text(back.Description), std::string(256, 'x'));
    EXPECT_EQ(Text(back.CodingHistory), "") << "absent history: none";
    Free(back);
    r2.Description = split.get();
    editor_->put_BroadcastAudioExtension(&r2);
    editor_->get_BroadcastAudioExtension(&back);
    EXPECT_EQ(Text(back.Description), std::string(255, 'a'));
    Free(back);
    out = Rewrite(path);
    EXPECT_EQ(out.front().size, 602u) << "absent history writes no bytes";
}

TEST_F(Bext, ShortChunkFillsWhatItHolds) {
    const std::string path = Write("s.wav", Riff(PcmFmt() + Chunk("bext", Bytes("Tiny", 4))));
    ASSERT_EQ(Get(path), S_OK);
    VARIANT_BOOL on = 0;
    editor_->get_BroadcastAudioExtensionEnabled(&on);
    EXPECT_EQ(on, 1);
    BroadcastAudioExtension r{};
    editor_->get_BroadcastAudioExtension(&r);
    EXPECT_EQ(Text(r.Description), "Tiny");
    EXPECT_EQ(r.TimeReferenceLow, 0);
    Free(r);
}

Bytes FixedCart() {
    Bytes c(2048, '\0');
    std::memcpy(&c[0], "0101", 4);
    std::memcpy(&c[4], "Cart title", 10);
    c.replace(680, 4, U32(std::uint32_t(-30)));
    const char* codes[8] = {"MRK ", "mrk ", "SEGs", "EOD ", "\0\0\0\0", "AUDe", "XXXX", "TERe"};
    for (int k = 0; k < 8; ++k) {
        std::memcpy(&c[684 + 8 * k], codes[k], 4);
        c.replace(688 + 8 * k, 4, U32(std::uint32_t(1000 * (k + 1))));
    }
    for (int i = 748; i < 1024; ++i) c[i] = char(i);  // reserved
    std::memcpy(&c[1024], "http://example.invalid/", 23);
    return c;
}

TEST_F(Cart, ReadReportsUsagesAndRoundTripsByteForByte) {
    const Bytes fixed = FixedCart();
    const std::string path = Write("c.wav", Riff(PcmFmt() + Chunk("data", Samples(4)) + Chunk("cart", fixed + Bytes("tags\0", 5))));
    ASSERT_EQ(Get(path), S_OK);
    CartAudioExtension r{};
    editor_->get_CartAudioExtension(&r);
    EXPECT_EQ(Text(r.Version), "0101");
    EXPECT_EQ(Text(r.Title), "Cart title");
    EXPECT_EQ(r.LevelReference, -30);
    EXPECT_EQ(Text(r.URL), "http://example.invalid/");
    EXPECT_EQ(Text(r.TagText), "tags");
    const CartAudioTimer* t = &r.PostTimer1;
    const LONG usages[8] = {MRK, NONE_TIMERS, SEGs, EOD, NONE_TIMERS, AUDe, NONE_TIMERS, TERe};
    for (int k = 0; k < 8; ++k) {
        EXPECT_EQ(t[k].Usage, usages[k]) << "timer " << k + 1;
        EXPECT_EQ(t[k].Value, 1000 * (k + 1));
    }
    Free(r);
    auto out = Rewrite(path);
    ASSERT_EQ(Ids(out).front(), "cart");
    EXPECT_EQ(out.front().data, fixed + Bytes("tags\0", 5));
}

TEST_F(Cart, PutWritesCodesTruncatesAndTagText) {
    const std::string path = Write("p.wav", Riff(PcmFmt() + Chunk("data", Samples(4)) + Chunk("cart", FixedCart())));
    ASSERT_EQ(Get(path), S_OK);
    CartAudioExtension r{};
    Str title(std::string(70, 't')), tag{std::string()};
    r.Title = title.get();
    r.TagText = tag.get();
    CartAudioTimer* t = &r.PostTimer1;
    t[0] = {NONE_TIMERS, 5};
    t[1] = {MRK, 6};
    t[2] = {BasicTimerConstants(99), 7};
    ASSERT_EQ(editor_->put_CartAudioExtension(&r), S_OK);
    auto out = Rewrite(path);
    const Listed& cart = out.front();
    ASSERT_EQ(cart.id, "cart");
    EXPECT_EQ(cart.size, 2049u) << "an empty tag text is one zero byte";
    EXPECT_EQ(cart.data.substr(0, 4), "0101") << "absent version unchanged";
    EXPECT_EQ(cart.data.substr(4, 64), std::string(64, 't'));
    EXPECT_EQ(cart.data.substr(684, 8), "    " + U32(5));
    EXPECT_EQ(cart.data.substr(692, 8), "MRK " + U32(6));
    EXPECT_EQ(cart.data.substr(700, 4), "    ") << "a usage without a code";
    EXPECT_EQ(cart.data.substr(748, 276), FixedCart().substr(748, 276)) << "reserved carried";
    EXPECT_EQ(cart.data.substr(1024, 23), "http://example.invalid/");
    CartAudioExtension back{};
    editor_->get_CartAudioExtension(&back);
    EXPECT_EQ(Text(back.Title), std::string(64, 't'));
    EXPECT_EQ(back.PostTimer3.Usage, 99) << "the pair is kept as put";
    Free(back);

    r.TagText = nullptr;
    editor_->put_CartAudioExtension(&r);
    out = Rewrite(path);
    EXPECT_EQ(out.front().size, 2048u) << "an absent tag text writes none";
    editor_->put_CartAudioExtensionEnabled(0);
    out = Rewrite(path);
    EXPECT_EQ(Find(out, "cart"), nullptr);
}

}  // namespace
