// The 4 GB limit of RIFF sizes: a source whose data chunk nearly fills it, with metadata
// that would push the output past it. Writes about 4 GB, so it runs only when
// KEZ_LARGE_TESTS is set.
#include "chunks_test_util.h"

#include "KezAudioChunksEditor3/cue_points.h"
#include "KezAudioChunksEditor3/info_list.h"

#include <fcntl.h>
#include <unistd.h>

namespace {

using namespace chunkstest;

using Large = ChunksTest;

// The size check relies on these estimates: they must equal what the writes produce.
TEST_F(Large, SizeEstimatesMatchWhatIsWritten) {
    const std::string path = dir_ + "/sizes.riff";
    HMMIO h = mmioOpenUtf8(path.c_str(), nullptr, MMIO_CREATE | MMIO_READWRITE);
    ASSERT_NE(h, nullptr);
    auto written = [&](auto&& write) {
        LONGLONG before = mmioSeek64(h, 0, SEEK_CUR);
        write();
        return std::uint64_t(mmioSeek64(h, 0, SEEK_CUR) - before);
    };
    kez::chunks::InfoList info;
    EXPECT_EQ(written([&] { info.Write(h); }), info.WrittenSize());
    ExtraInformation r{};
    Str odd("odd"), even("even"), wide("Zoë — ✓"), title("T");
    r.Artist = odd.get();
    r.Album = even.get();
    r.Comments = wide.get();
    r.Title = title.get();
    r.Year = 12345;
    r.Track = 9;
    info.Put(&r);
    EXPECT_EQ(written([&] { info.Write(h); }), info.WrittenSize());

    kez::chunks::CueList cues;
    for (int i = 0; i < 3; ++i) {
        CuePoint p{};
        p.Position = i;
        p.Text = i == 0 ? wide.get() : nullptr;
        p.Note = i == 1 ? odd.get() : nullptr;
        p.Label = i != 2 ? even.get() : nullptr;
        cues.Insert(p);
    }
    cues.Append(7);  // present, empty texts
    EXPECT_EQ(written([&] { cues.Write(h); }), cues.WrittenSize());
    mmioClose(h, 0);
}

TEST_F(Large, AnOutputPastFourGigabytesFailsAndIsRemoved) {
    if (!std::getenv("KEZ_LARGE_TESTS")) GTEST_SKIP() << "set KEZ_LARGE_TESTS=1 to write 4 GB";
    const std::uint32_t dataSize = 0xFFFFFF00u;  // the source itself just fits
    Bytes head = PcmFmt() + "data" + U32(dataSize);
    const std::string path = Write("big.wav", Riff(head, std::int64_t(head.size()) + 4 + dataSize));
    {
        int fd = ::open(path.c_str(), O_WRONLY);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, off_t(12 + head.size()) + off_t(dataSize)), 0);  // a sparse source
        ::close(fd);
    }
    // Without metadata the output fits: fmt, fact and data.
    ASSERT_EQ(Get(path), S_OK);
    ASSERT_EQ(Set(path), S_OK);
    EXPECT_EQ(testmedia::FileSize(path + ".wav"), std::int64_t(12 + 26 + 12 + 8) + dataSize);
    std::remove((path + ".wav").c_str());

    // The INFO list does not fit after the data: the write fails and leaves no file.
    editor_->put_ExtraInformationEnabled(1);
    EXPECT_EQ(Set(path), HRESULT(0x8004030A));
    EXPECT_NE(::access((path + ".wav").c_str(), F_OK), 0);
}

}  // namespace
