// The chunk walk of GetChunksInformation and the rewrite of SetChunksInformation: what is
// read, which chunks come out in which order, the format record, and the failures.
#include "chunks_test_util.h"

#include <unistd.h>

#include <cstdio>

#include "automation/oleauto.h"

namespace {

using namespace chunkstest;

LONG ErrorText(std::string* text) {
    IErrorInfo* info = nullptr;
    if (GetErrorInfo(0, &info) != S_OK || !info) return 0;
    BSTR d = nullptr;
    info->GetDescription(&d);
    *text = Text(d);
    SysFreeString(d);
    info->Release();
    return 1;
}

using Walk = ChunksTest;

TEST_F(Walk, UnreadableInputsGiveSuccessAndTheResetState) {
    const std::string notRiff = Write("a.wav", Bytes("not a riff file at all"));
    const std::string noFmt = Write("b.wav", Riff(Chunk("data", Samples(8))));
    const std::string withBext = Write("c.wav", Riff(PcmFmt() + Chunk("bext", Bytes(602, 'x')) + Chunk("data", "")));
    for (const std::string& path : {dir_ + "/missing.wav", notRiff, noFmt}) {
        ASSERT_EQ(Get(withBext), S_OK);
        VARIANT_BOOL on = 0;
        editor_->get_BroadcastAudioExtensionEnabled(&on);
        ASSERT_EQ(on, 1);
        EXPECT_EQ(Get(path), S_OK) << path;
        editor_->get_BroadcastAudioExtensionEnabled(&on);
        EXPECT_EQ(on, 0) << path;
        IAudioInfo* info = nullptr;
        editor_->get_AudioInfo(&info);
        LONG rate = -1;
        info->get_SampleRate(&rate);
        EXPECT_EQ(rate, 0) << path;
        info->Release();
    }
}

TEST_F(Walk, AChunkPastTheRiffEndEndsTheWalkAndIsNotRead) {
    // The INFO list claims more than the RIFF chunk holds: neither it nor the bext after
    // it is read, while what came before is.
    Bytes info = List("INFO", Chunk("IART", Bytes("x\0", 2)));
    Bytes body = PcmFmt() + Chunk("data", Samples(40));
    Bytes lying = "LIST" + U32(1000) + info.substr(8);
    const std::string path = Write("t.wav", Riff(body + lying + Chunk("bext", Bytes(602, 'b')), body.size() + 4 + lying.size()));
    ASSERT_EQ(Get(path), S_OK);
    VARIANT_BOOL on = 1;
    editor_->get_ExtraInformationEnabled(&on);
    EXPECT_EQ(on, 0);
    IAudioInfo* ai = nullptr;
    editor_->get_AudioInfo(&ai);
    LONG channels = 0;
    ai->get_Channels(&channels);
    EXPECT_EQ(channels, 2);
    ai->Release();
}

TEST_F(Walk, OutputNameOrderAndDroppedChunks) {
    Bytes extra("\x01\x02", 2);
    // Source order is scrambled and holds chunks the editor does not know.
    Bytes src = Riff(Chunk("junk", Bytes(5, 'j')) + Chunk("data", Samples(101)) + List("INFO", Chunk("INAM", Bytes("al\0", 3))) +
                     Chunk("bext", Bytes(602, '\0')) + Chunk("cue ", U32(1) + U32(1) + U32(5) + "data" + U32(0) + U32(0) + U32(5)) +
                     Chunk("cart", Bytes(2048, '\0')) + List("abcd", Chunk("zzzz", "q")) + PcmFmt() +
                     Chunk("mext", Bytes(12, 'm')));
    const std::string path = Write("take1.wav", src);
    ASSERT_EQ(Get(path), S_OK);
    auto out = Rewrite(path);
    EXPECT_EQ(Ids(out), (std::vector<std::string>{"bext", "cart", "fmt ", "fact", "data", "LIST/INFO", "cue ",
                                                  "LIST/adtl"}));
    EXPECT_EQ(testmedia::ReadAll(path).size(), src.size()) << "the source is only read";
    EXPECT_EQ(Find(out, "data")->data, Samples(101));
    EXPECT_EQ(Find(out, "data")->size, 101u) << "odd size kept in the size field";

    // A fresh editor writes only the audio chunks.
    IWavChunksEditor3* fresh = NewEditor();
    ASSERT_EQ(fresh->SetChunksInformation(Str(path).get()), S_OK);
    fresh->Release();
    EXPECT_EQ(Ids(ListFile(path + ".wav")), (std::vector<std::string>{"fmt ", "fact", "data"}));

    // Clearing a flag drops its chunk.
    editor_->put_BroadcastAudioExtensionEnabled(0);
    editor_->put_CuePointsEnabled(0);
    EXPECT_EQ(Ids(Rewrite(path)), (std::vector<std::string>{"cart", "fmt ", "fact", "data", "LIST/INFO"}));
}

TEST_F(Walk, PcmFormatIsRecomputedAndWrittenAtEighteenBytes) {
    // Block align 0 and a wrong rate in a 16-byte chunk; no fact chunk.
    const std::string path = Write("p.wav", Riff(Fmt(1, 2, 44100, 12345, 0, 16) + Chunk("data", Samples(16))));
    auto out = Rewrite(path);
    const Listed* fmt = Find(out, "fmt ");
    ASSERT_NE(fmt, nullptr);
    EXPECT_EQ(fmt->data, Fmt(1, 2, 44100, 176400, 4, 16).substr(8) + U16(0));
    EXPECT_EQ(Find(out, "fact")->data, U32(0));
}

TEST_F(Walk, ExtraFormatBytesAreKeptWithinTheRecord) {
    // An IMA ADPCM header with its two extra bytes and a fact chunk: carried as read.
    Bytes two("\xF9\x01", 2);
    std::string path = Write("i.wav", Riff(Fmt(0x11, 1, 22050, 11100, 512, 4, &two) + Chunk("fact", U32(220500)) +
                                           Chunk("data", Samples(64))));
    auto out = Rewrite(path);
    EXPECT_EQ(Find(out, "fmt ")->data, Fmt(0x11, 1, 22050, 11100, 512, 4, &two).substr(8));
    EXPECT_EQ(Find(out, "fact")->data, U32(220500));

    // An extra size past the record's 342 bytes (and past the chunk) never overruns:
    // the output carries what the chunk held, up to 342, with the size to match.
    Bytes big(400, 'e');
    Bytes fmt = Fmt(0x11, 1, 22050, 11100, 512, 4, &big);
    path = Write("big.wav", Riff(fmt + Chunk("data", Samples(4))));
    out = Rewrite(path);
    EXPECT_EQ(Find(out, "fmt ")->size, 18u + 342u);
    EXPECT_EQ(Get16(Find(out, "fmt ")->data, 16), 342);
    Bytes claims = Fmt(0x11, 1, 22050, 11100, 512, 4, &two);
    claims[8 + 16] = char(0x40);  // extra size 0x140, but the chunk holds two bytes
    path = Write("claims.wav", Riff(claims + Chunk("data", Samples(4))));
    out = Rewrite(path);
    EXPECT_EQ(Find(out, "fmt ")->data.size(), 20u);
}

TEST_F(Walk, MextForMpegSources) {
    std::string path = Write("m.wav", Riff(Fmt(0x55, 1, 22050, 8000, 1, 0) + Chunk("data", Samples(30))));
    auto out = Rewrite(path);
    EXPECT_EQ(Ids(out), (std::vector<std::string>{"fmt ", "fact", "mext", "data"}));
    EXPECT_EQ(Find(out, "mext")->data, U16(15) + U16(208) + Bytes(10, '\0'));
    path = Write("m2.wav", Riff(Fmt(0x50, 2, 48000, 24000, 1, 0) + Chunk("data", Samples(30))));
    EXPECT_EQ(Find(Rewrite(path), "mext")->data.substr(2, 2), U16(576));  // 24000 x 1152 / 48000
    path = Write("m3.wav", Riff(Fmt(0x55, 1, 0, 8000, 1, 0) + Chunk("data", Samples(30))));
    EXPECT_EQ(Find(Rewrite(path), "mext")->data.substr(2, 2), U16(0)) << "no rate: no frame size";
}

TEST_F(Walk, DataCopyStopsWhereTheSourceEnds) {
    // 25000 bytes declared (more than two copy blocks), 23456 present.
    Bytes body = PcmFmt() + "data" + U32(25000) + Samples(23456);
    const std::string path = Write("short.wav", Riff(body, body.size() + 4 + 1544));
    auto out = Rewrite(path);
    EXPECT_EQ(Find(out, "data")->data, Samples(23456));
}

TEST_F(Walk, FailuresOfTheRewrite) {
    std::string text;
    EXPECT_EQ(Set(dir_ + "/none.wav"), HRESULT(0x80040303));
    ASSERT_TRUE(ErrorText(&text));
    EXPECT_EQ(text, "File access error.");
    EXPECT_FALSE(testmedia::FileSize(dir_ + "/none.wav.wav") > 0);

    for (const Bytes& bad : {Bytes("plain text"), Riff(Chunk("data", Samples(4))), Riff(PcmFmt())}) {
        const std::string path = Write("bad.wav", bad);
        std::remove((path + ".wav").c_str());
        EXPECT_EQ(Set(path), HRESULT(0x80040303));
        ASSERT_TRUE(ErrorText(&text));
        EXPECT_EQ(text, "File format error.");
        EXPECT_NE(::access((path + ".wav").c_str(), F_OK), 0) << "no output file";
    }

    // A FIFO is an unreadable file at once (opening it would block); an output that is the
    // source by a hard link is not written through.
    const std::string fifo = dir_ + "/pipe.wav";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(Set(fifo), HRESULT(0x80040303));
    ASSERT_TRUE(ErrorText(&text));
    EXPECT_EQ(text, "File access error.");
    const std::string good = Write("good.wav", Riff(PcmFmt() + Chunk("data", Samples(64))));
    ASSERT_EQ(::link(good.c_str(), (good + ".wav").c_str()), 0);
    EXPECT_NE(Set(good), S_OK);
    EXPECT_EQ(testmedia::FileSize(good), testmedia::FileSize(good + ".wav"));
}

}  // namespace
