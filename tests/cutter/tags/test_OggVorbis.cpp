// TOggVorbis on files written by independent encoders (oggenc, ffmpeg) and on synthetic
// streams with the layouts encoders do not write. What the writer produced is checked by
// ogginfo, oggz-validate and vorbiscomment, by decoding, and page by page.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <sstream>

#include "OggVorbis.h"
#include "oggfixture.h"
#include "tooling.h"

#ifdef HAVE_KEZ_MEDIA
#include <cmath>

#include "AudioWriter.h"
#endif

using namespace testing_tools;
using oggfixture::Bytes;

namespace {

// A WAV of `seconds` of two sine tones, made by ffmpeg.
std::string MakeWav(const TempDir& dir, double seconds) {
    const std::string wav = dir.file("source.wav");
    std::ostringstream cmd;
    cmd << "ffmpeg -nostdin -v error -y -f lavfi -i sine=frequency=440:duration=" << seconds
        << " -f lavfi -i sine=frequency=660:duration=" << seconds
        << " -filter_complex amerge=inputs=2 -ar 44100 " << Quote(wav);
    EXPECT_EQ(RunCommand(cmd.str()).status, 0);
    return wav;
}

enum class Encoder { Oggenc, Ffmpeg, Ours };

#ifdef HAVE_KEZ_MEDIA
// The program's own Ogg Vorbis writer, fed one block of two tones.
std::string EncodeOurs(const TempDir& dir, double seconds) {
    const std::string ogg = dir.file("ours.ogg");
    const kez::media::PcmFormat fmt{44100, 2, 16, false};
    const auto frames = static_cast<std::int64_t>(seconds * fmt.sampleRate);
    std::vector<std::uint8_t> block = kez::media::NewBlock(fmt, frames);
    auto* samples = reinterpret_cast<std::int16_t*>(block.data() + kez::media::kBlockHeaderSize);
    for (std::int64_t i = 0; i < frames; ++i) {
        samples[2 * i] = std::int16_t(8000 * std::sin(2 * M_PI * 440 * i / fmt.sampleRate));
        samples[2 * i + 1] = std::int16_t(8000 * std::sin(2 * M_PI * 660 * i / fmt.sampleRate));
    }
    kez::media::EncoderSettings settings;
    settings.kind = kez::media::OutputKind::Ogg;
    kez::media::AudioWriter writer;
    writer.Create(ogg, settings);
    writer.Write(block.data(), block.size());
    writer.Close();
    return ogg;
}
#endif

std::string Encode(const TempDir& dir, Encoder encoder, double seconds = 3.0) {
#ifdef HAVE_KEZ_MEDIA
    if (encoder == Encoder::Ours) return EncodeOurs(dir, seconds);
#endif
    const std::string wav = MakeWav(dir, seconds);
    const std::string ogg = dir.file(encoder == Encoder::Oggenc ? "oggenc.ogg" : "ffmpeg.ogg");
    const std::string cmd = encoder == Encoder::Oggenc
                                ? "oggenc -Q -q 3 -o " + Quote(ogg) + " " + Quote(wav)
                                : "ffmpeg -nostdin -v error -y -i " + Quote(wav) + " -c:a libvorbis -q:a 3 " + Quote(ogg);
    EXPECT_EQ(RunCommand(cmd).status, 0) << cmd;
    return ogg;
}

std::string Decode(const std::string& path) {
    return RunCommand("ffmpeg -nostdin -v error -i " + Quote(path) + " -f s16le -").out;
}

std::string ListComments(const std::string& path) { return RunCommand("vorbiscomment -l -R " + Quote(path)).out; }

bool OggInfoClean(const std::string& path) {
    return RunCommand("ogginfo " + Quote(path)).status == 0 && RunCommand("oggz-validate " + Quote(path)).status == 0;
}

// Everything but the second page's head is as before: page count, flags, serials, sequence
// numbers, granules, every other page byte for byte, and what follows the comment packet on
// the second page. Every checksum is valid.
void ExpectOnlyCommentChanged(const Bytes& before, const Bytes& after, std::size_t start = 0) {
    bool wholeBefore = false, wholeAfter = false;
    const auto a = oggfixture::ParsePages(before, start, &wholeBefore);
    const auto b = oggfixture::ParsePages(after, start, &wholeAfter);
    ASSERT_TRUE(wholeBefore);
    ASSERT_TRUE(wholeAfter);
    ASSERT_EQ(a.size(), b.size());
    ASSERT_GE(a.size(), 3u);
    for (std::size_t i = 0; i < a.size(); ++i) {
        SCOPED_TRACE("page " + std::to_string(i));
        EXPECT_TRUE(b[i].crcValid);
        EXPECT_EQ(a[i].flags, b[i].flags);
        EXPECT_EQ(a[i].serial, b[i].serial);
        EXPECT_EQ(a[i].sequence, b[i].sequence);
        EXPECT_EQ(a[i].granule, b[i].granule);
        if (i != 1) {
            EXPECT_EQ(a[i].crc, b[i].crc);
            EXPECT_EQ(a[i].lacing, b[i].lacing);
            EXPECT_TRUE(a[i].body == b[i].body);
        }
    }
    // The second page: the comment packet ends at the first lacing value below 255; what
    // comes after it is kept.
    const auto tail = [](const oggfixture::Page& p, std::vector<std::uint8_t>& lacing) {
        std::size_t k = 0, bytes = 0;
        while (p.lacing[k] == 255) bytes += p.lacing[k++];
        bytes += p.lacing[k++];
        lacing.assign(p.lacing.begin() + k, p.lacing.end());
        return Bytes(p.body.begin() + bytes, p.body.end());
    };
    std::vector<std::uint8_t> lacingA, lacingB;
    EXPECT_TRUE(tail(a[1], lacingA) == tail(b[1], lacingB));
    EXPECT_EQ(lacingA, lacingB);
}

void SetAll(TOggVorbis& ogg) {
    ogg.TagTitle = "  Ærøskøbing — 東京 🎵 ";
    ogg.TagArtist = "Ana Ürün";
    ogg.TagAlbum = "Первый альбом";
    ogg.TagTrack = 7;
    ogg.TagDate = "2024";
    ogg.TagGenre = "Jazz";
    ogg.TagComment = "\tline one\r\n";
}

const char* kAllExpected =
    "TITLE=Ærøskøbing — 東京 🎵\nARTIST=Ana Ürün\nALBUM=Первый альбом\nTRACKNUMBER=7\n"
    "DATE=2024\nGENRE=Jazz\nCOMMENT=line one\n";

class EncodedFile : public ::testing::TestWithParam<Encoder> {
protected:
    void SetUp() override {
        for (const char* tool : {"ffmpeg", "oggenc", "ogginfo", "oggz-validate", "vorbiscomment"})
            if (!HaveTool(tool)) GTEST_SKIP() << tool << " missing";
        path = Encode(dir, GetParam());
    }
    TempDir dir;
    std::string path;
};

TEST_P(EncodedFile, WritesAllFieldsAndKeepsEverythingElse) {
    const Bytes before = ReadBytes(path);
    const std::string audio = Decode(path);
    ASSERT_FALSE(audio.empty());

    TOggVorbis ogg;
    ASSERT_TRUE(ogg.LoadFromFile(path));
    EXPECT_TRUE(ogg.IsValidStream());
    const std::string vendor = ogg.VendorText;
    EXPECT_FALSE(vendor.empty());
    SetAll(ogg);
    ASSERT_TRUE(ogg.WriteTags(path));

    EXPECT_TRUE(OggInfoClean(path));
    EXPECT_EQ(ListComments(path), kAllExpected);
    EXPECT_EQ(Decode(path), audio);
    ExpectOnlyCommentChanged(before, ReadBytes(path));
    EXPECT_FALSE(Exists(path + "~"));

    TOggVorbis again;
    ASSERT_TRUE(again.LoadFromFile(path));
    EXPECT_EQ(again.TagTitle, "Ærøskøbing — 東京 🎵");
    EXPECT_EQ(again.TagArtist, "Ana Ürün");
    EXPECT_EQ(again.TagTrack, 7);
    EXPECT_EQ(again.TagComment, "line one");
    EXPECT_EQ(again.VendorText, vendor);
    EXPECT_EQ(again.LastGranule, ogg.LastGranule);
}

TEST_P(EncodedFile, AllEmptyWritesNoEntriesAndKeepsVendor) {
    const std::string audio = Decode(path);
    TOggVorbis ogg;
    ASSERT_TRUE(ogg.LoadFromFile(path));
    const std::string vendor = ogg.VendorText;
    ogg.Clear();
    ASSERT_TRUE(ogg.WriteTags(path));
    EXPECT_TRUE(OggInfoClean(path));
    EXPECT_EQ(ListComments(path), "");
    EXPECT_EQ(Decode(path), audio);
    ASSERT_TRUE(ogg.LoadFromFile(path));
    EXPECT_EQ(ogg.VendorText, vendor);
    // The packet is now exactly: magic, vendor, a zero count and the framing byte.
    const Bytes after = ReadBytes(path);
    const auto pages = oggfixture::ParsePages(after);
    ASSERT_GE(pages.size(), 2u);
    EXPECT_EQ(pages[1].lacing[0], 7 + 4 + vendor.size() + 4 + 1);
}

TEST_P(EncodedFile, PacketOnExactMultipleOf255GetsZeroLacing) {
    TOggVorbis ogg;
    ASSERT_TRUE(ogg.LoadFromFile(path));
    // magic, vendor, count, one entry "TITLE=..." and the framing byte
    const std::size_t fixed = 7 + 4 + ogg.VendorText.size() + 4 + 4 + 6 + 1;
    const std::size_t title = 2 * 255 - fixed;
    ogg.Clear();
    ogg.TagTitle = std::string(title, 'a');
    ASSERT_TRUE(ogg.WriteTags(path));
    const auto pages = oggfixture::ParsePages(ReadBytes(path));
    ASSERT_GE(pages.size(), 2u);
    ASSERT_GE(pages[1].lacing.size(), 3u);
    EXPECT_EQ(pages[1].lacing[0], 255);
    EXPECT_EQ(pages[1].lacing[1], 255);
    EXPECT_EQ(pages[1].lacing[2], 0);
    EXPECT_TRUE(OggInfoClean(path));
    EXPECT_EQ(ListComments(path), "TITLE=" + std::string(title, 'a') + "\n");
}

TEST_P(EncodedFile, ReadsFieldsWrittenByVorbiscomment) {
    struct Row {
        std::string entry;
        std::uint16_t track;
    };
    const Row rows[] = {{"TRACKNUMBER=3/12", 3}, {"TRACKNUMBER=7", 7}, {"tracknumber=x", 0},
                        {"TRACKNUMBER=300", 44}, {"TRACKNUMBER= 12", 12}, {"TRACKNUMBER=-3", 253}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.entry);
        ASSERT_EQ(RunCommand("vorbiscomment -w -R -t " + Quote(row.entry) + " -t 'artist=Somebody' -t " +
                      Quote("TITLE=" + std::string(300, 't')) + " " + Quote(path))
                      .status,
                  0);
        TOggVorbis ogg;
        ASSERT_TRUE(ogg.LoadFromFile(path));
        EXPECT_EQ(ogg.TagTrack, row.track);
        EXPECT_EQ(ogg.TagArtist, "Somebody");
        // Entries are read into 250 bytes: "TITLE=" and 244 characters.
        EXPECT_EQ(ogg.TagTitle, std::string(244, 't'));
    }
}

TEST_P(EncodedFile, FallsBackToPerformerAndDescription) {
    ASSERT_EQ(RunCommand("vorbiscomment -w -R -t 'PERFORMER=Band' -t 'DESCRIPTION=About' -t 'GENRE=Folk' -t "
                  "'GENRE=Rock' -t 'ENCODER=x' " +
                  Quote(path))
                  .status,
              0);
    TOggVorbis ogg;
    ASSERT_TRUE(ogg.LoadFromFile(path));
    EXPECT_EQ(ogg.TagArtist, "Band");
    EXPECT_EQ(ogg.TagComment, "About");
    EXPECT_EQ(ogg.TagGenre, "Rock");  // a later entry of the same name wins
    // On writing, PERFORMER and DESCRIPTION give way to the fields they filled in for.
    ASSERT_TRUE(ogg.WriteTags(path));
    EXPECT_EQ(ListComments(path), "ARTIST=Band\nGENRE=Rock\nCOMMENT=About\n");
}

TEST_P(EncodedFile, LeadingId3v2TagIsSkippedAndKept) {
    Bytes id3 = {'I', 'D', '3', 3, 0, 0, 0, 0, 0x01, 0x10};  // 144 bytes of frames
    for (int i = 0; i < 144; ++i) id3.push_back(std::uint8_t(i == 0 ? 'T' : i % 251));
    const Bytes plain = ReadBytes(path);
    Bytes tagged = id3;
    oggfixture::Append(tagged, plain);
    const std::string taggedPath = dir.file("tagged.ogg");
    WriteBytes(taggedPath, tagged);

    TOggVorbis a, b;
    ASSERT_TRUE(a.LoadFromFile(path));
    ASSERT_TRUE(b.LoadFromFile(taggedPath));
    EXPECT_EQ(b.LeadingTagSize, 154);
    EXPECT_EQ(b.FileBytes, a.FileBytes + 154);
    EXPECT_EQ(b.LastGranule, a.LastGranule);
    EXPECT_DOUBLE_EQ(b.DurationSeconds(), a.DurationSeconds());
    EXPECT_EQ(b.AverageBitRate(), a.AverageBitRate());
    SetAll(a);
    SetAll(b);
    ASSERT_TRUE(a.WriteTags(path));
    ASSERT_TRUE(b.WriteTags(taggedPath));
    Bytes expected = id3;
    oggfixture::Append(expected, ReadBytes(path));
    EXPECT_TRUE(ReadBytes(taggedPath) == expected);
    ExpectOnlyCommentChanged(tagged, ReadBytes(taggedPath), id3.size());
}

TEST_P(EncodedFile, StreamFacts) {
    TOggVorbis ogg;
    ASSERT_TRUE(ogg.LoadFromFile(path));
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(ogg.FileBytes, st.st_size);
    EXPECT_EQ(ogg.ChannelCount, 2);
    EXPECT_EQ(ogg.SamplesPerSecond, 44100);
    EXPECT_GT(ogg.NominalKbps, 0);
    // The encoders trim the last granule to the source's exact length.
    EXPECT_EQ(ogg.LastGranule, 3 * 44100);
    EXPECT_DOUBLE_EQ(ogg.DurationSeconds(), 3.0);
    EXPECT_EQ(ogg.AverageBitRate(), std::lround(st.st_size / 3.0 / 125.0));
    EXPECT_EQ(ogg.LeadingTagSize, 0);
}

TEST_P(EncodedFile, KeepsPermissionBitsAndReplacesStaleTemporary) {
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    WriteBytes(path + "~", {1, 2, 3});
    TOggVorbis ogg;
    ASSERT_TRUE(ogg.LoadFromFile(path));
    ogg.TagTitle = "Kept";
    ASSERT_TRUE(ogg.WriteTags(path));
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0444u);
    EXPECT_FALSE(Exists(path + "~"));
    EXPECT_EQ(ListComments(path), "TITLE=Kept\n");
}

TEST_P(EncodedFile, LinkKeepsPointingAtTheRewrittenFile) {
    const std::string link = dir.file("link.ogg");
    ASSERT_EQ(::symlink(path.c_str(), link.c_str()), 0);
    TOggVorbis ogg;
    ASSERT_TRUE(ogg.LoadFromFile(link));
    ogg.TagTitle = "Linked";
    ASSERT_TRUE(ogg.WriteTags(link));
    struct stat st {};
    ASSERT_EQ(::lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(ListComments(path), "TITLE=Linked\n");
}

INSTANTIATE_TEST_SUITE_P(Encoders, EncodedFile,
                         ::testing::Values(Encoder::Oggenc, Encoder::Ffmpeg
#ifdef HAVE_KEZ_MEDIA
                                           ,
                                           Encoder::Ours
#endif
                                           ),
                         [](const auto& info) {
                             return info.param == Encoder::Oggenc ? "oggenc"
                                    : info.param == Encoder::Ffmpeg ? "ffmpeg"
                                                                    : "ours";
                         });

// --- synthetic layouts ---

std::string Write(const TempDir& dir, const Bytes& bytes, const std::string& name = "s.ogg") {
    const std::string p = dir.file(name);
    WriteBytes(p, bytes);
    return p;
}

TEST(OggVorbisLayout, SecondPageAlsoHoldingSetupKeepsIt) {
    TempDir dir;
    const Bytes before = oggfixture::SimpleStream(oggfixture::CommentHeader("vend", {"TITLE=old"}));
    const std::string p = Write(dir, before);
    TOggVorbis ogg;
    ASSERT_TRUE(ogg.LoadFromFile(p));
    EXPECT_EQ(ogg.TagTitle, "old");
    ogg.TagTitle = std::string(600, 'n');
    ASSERT_TRUE(ogg.WriteTags(p));
    const Bytes after = ReadBytes(p);
    ExpectOnlyCommentChanged(before, after);
    const auto pages = oggfixture::ParsePages(after);
    const std::size_t packet = 7 + 4 + 4 + 4 + 4 + 6 + 600 + 1;
    std::vector<std::uint8_t> lacing = oggfixture::Lacing(packet);
    const auto setup = oggfixture::Lacing(300);
    lacing.insert(lacing.end(), setup.begin(), setup.end());
    EXPECT_EQ(pages[1].lacing, lacing);
}

TEST(OggVorbisLayout, ShortFileFindsItsLastGranule) {
    TempDir dir;
    // Smaller than one search window: the windows start at the file's beginning.
    const Bytes small = oggfixture::SimpleStream(oggfixture::CommentHeader("v", {}), true, 0, 40);
    ASSERT_LT(small.size(), 251u);
    Bytes withAudio = small;
    oggfixture::Append(withAudio, oggfixture::MakePage(4, 4321, 2, {10}, Bytes(10, 0x55)));
    TOggVorbis ogg;
    ASSERT_TRUE(ogg.LoadFromFile(Write(dir, withAudio)));
    EXPECT_EQ(ogg.LastGranule, 4321);
    EXPECT_TRUE(ogg.WriteTags(dir.file("s.ogg")));
}

TEST(OggVorbisLayout, DurationFromBitRateWithoutGranule) {
    TempDir dir;
    Bytes file = oggfixture::SimpleStream(oggfixture::CommentHeader("v", {}), true, 0);
    TOggVorbis ogg;
    ASSERT_TRUE(ogg.LoadFromFile(Write(dir, file)));
    EXPECT_EQ(ogg.LastGranule, 0);
    EXPECT_EQ(ogg.NominalKbps, 128);
    EXPECT_DOUBLE_EQ(ogg.DurationSeconds(), file.size() / 128.0 / 2 / 125 * 2);
    EXPECT_FALSE(ogg.IsValidStream());  // a few hundred bytes are far less than 0.1 s
}

TEST(OggVorbisLayout, ValidStreamAndAverageBitRate) {
    TOggVorbis ogg;
    ogg.SamplesPerSecond = 44100;
    ogg.LastGranule = 44100;
    ogg.FileBytes = 16000;
    for (int channels : {0, 1, 2, 3, 6, 8}) {
        ogg.ChannelCount = std::uint8_t(channels);
        EXPECT_EQ(ogg.IsValidStream(), channels == 1 || channels == 2 || channels == 6) << channels;
    }
    ogg.ChannelCount = 2;
    ogg.LastGranule = 4410;  // exactly 0.1 s is not enough
    EXPECT_FALSE(ogg.IsValidStream());
    ogg.LastGranule = 88200;  // 2 s
    struct Row {
        std::int32_t bytes;
        std::int64_t kbps;
    };
    const Row rows[] = {{124, 0}, {125, 0} /* 0.5 */, {126, 1}, {7812, 31}, {15625, 62} /* 62.5 */, {15875, 64} /* 63.5 */,
                        {16000, 64}};
    for (const Row& row : rows) {
        ogg.FileBytes = row.bytes;
        EXPECT_EQ(ogg.AverageBitRate(), row.kbps) << row.bytes;
        EXPECT_EQ(ogg.IsValidStream(), row.kbps != 0) << row.bytes;
    }
    ogg.FileBytes = 16000;
    ogg.LeadingTagSize = 8000;  // a leading tag does not count
    EXPECT_EQ(ogg.AverageBitRate(), 32);
    ogg.LastGranule = 0;
    ogg.SamplesPerSecond = 0;
    EXPECT_EQ(ogg.AverageBitRate(), 0);
    EXPECT_DOUBLE_EQ(ogg.DurationSeconds(), 0.0);
}

// Every layout the in-place rewrite cannot serve is refused and the file left as it was.
TEST(OggVorbisLayout, RefusedLayoutsAreLeftUntouched) {
    const Bytes ident = oggfixture::IdentificationHeader();
    const Bytes comment = oggfixture::CommentHeader("vend", {"TITLE=old"});
    struct Row {
        const char* name;
        Bytes file;
        bool loads;
    };
    std::vector<Row> rows;
    {  // the comment packet continues on the third page
        Bytes big = oggfixture::CommentHeader("vend", {"TITLE=" + std::string(2 * 255 + 40, 'x')});
        Bytes f = oggfixture::MakePage(2, 0, 0, {30}, ident);
        oggfixture::Append(f, oggfixture::MakePage(0, 0, 1, {255, 255}, Bytes(big.begin(), big.begin() + 510)));
        oggfixture::Append(f, oggfixture::MakePage(1, 0, 2, oggfixture::Lacing(big.size() - 510),
                                                   Bytes(big.begin() + 510, big.end())));
        oggfixture::Append(f, oggfixture::MakePage(4, 100, 3, {20}, Bytes(20, 9)));
        rows.push_back({"comment spans pages", f, true});
    }
    {  // no comment header: the second page starts with the setup header
        Bytes f = oggfixture::MakePage(2, 0, 0, {30}, ident);
        const Bytes setup = oggfixture::SetupHeader(100);
        oggfixture::Append(f, oggfixture::MakePage(0, 0, 1, {100}, setup));
        oggfixture::Append(f, oggfixture::MakePage(4, 100, 2, {20}, Bytes(20, 9)));
        rows.push_back({"no comment header", f, true});
    }
    {  // a setup header of 250 segments leaves no room for a longer comment
        rows.push_back({"over 255 segments", oggfixture::SimpleStream(comment, true, 1, 253 * 255 + 100), true});
    }
    {  // the first page holds more than the identification header
        Bytes body = ident;
        oggfixture::Append(body, comment);
        std::vector<std::uint8_t> lacing = {30};
        const auto more = oggfixture::Lacing(comment.size());
        lacing.insert(lacing.end(), more.begin(), more.end());
        Bytes f = oggfixture::MakePage(2, 0, 0, lacing, body);
        oggfixture::Append(f, oggfixture::MakePage(4, 100, 1, {20}, Bytes(20, 9)));
        rows.push_back({"identification not alone", f, true});
    }
    {  // the comment header claims more entries than the file holds
        Bytes lying = comment;
        lying[7 + 4 + 4] = 200;
        rows.push_back({"entry count too large", oggfixture::SimpleStream(lying, false, 1), true});
    }
    {  // the second page is cut short
        Bytes f = oggfixture::SimpleStream(comment, true, 0);
        f.resize(f.size() - 50);
        rows.push_back({"second page truncated", f, true});
    }
    {
        Bytes f = oggfixture::SimpleStream(comment);
        f[0] = 'X';
        rows.push_back({"not Ogg", f, false});
    }
    {
        Bytes f = oggfixture::SimpleStream(comment);
        f[28 + 1] = 'V';
        rows.push_back({"not Vorbis", f, false});
    }
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TempDir dir;
        const std::string p = Write(dir, row.file);
        TOggVorbis ogg;
        EXPECT_EQ(ogg.LoadFromFile(p), row.loads);
        ogg.TagTitle = std::string(300, 'z');
        EXPECT_FALSE(ogg.WriteTags(p));
        EXPECT_TRUE(ReadBytes(p) == row.file);
        EXPECT_FALSE(Exists(p + "~"));
    }
}

TEST(OggVorbisLayout, NoCommentHeaderLoadsWithEmptyTexts) {
    TempDir dir;
    Bytes f = oggfixture::MakePage(2, 0, 0, {30}, oggfixture::IdentificationHeader(1, 22050, 64000));
    oggfixture::Append(f, oggfixture::MakePage(0, 0, 1, {100}, oggfixture::SetupHeader(100)));
    oggfixture::Append(f, oggfixture::MakePage(4, 22050, 2, {20}, Bytes(20, 9)));
    TOggVorbis ogg;
    ogg.TagTitle = "stale";
    ASSERT_TRUE(ogg.LoadFromFile(Write(dir, f)));
    EXPECT_EQ(ogg.TagTitle, "");
    EXPECT_EQ(ogg.VendorText, "");
    EXPECT_EQ(ogg.ChannelCount, 1);
    EXPECT_EQ(ogg.NominalKbps, 64);
    EXPECT_EQ(ogg.LastGranule, 22050);
}

TEST(OggVorbisLayout, TwoGigabyteFileIsRefused) {
    TempDir dir;
    const Bytes head = oggfixture::SimpleStream(oggfixture::CommentHeader("v", {}));
    const std::string p = Write(dir, head);
    ASSERT_EQ(::truncate(p.c_str(), 0x80000000LL), 0);  // sparse: no disk space used
    TOggVorbis ogg;
    EXPECT_FALSE(ogg.LoadFromFile(p));
    EXPECT_FALSE(ogg.WriteTags(p));
    struct stat st {};
    ASSERT_EQ(::stat(p.c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 0x80000000LL);
    EXPECT_FALSE(Exists(p + "~"));
}

TEST(OggVorbisLayout, MissingFileOrFolderIsFalse) {
    TempDir dir;
    TOggVorbis ogg;
    EXPECT_FALSE(ogg.LoadFromFile(dir.file("none.ogg")));
    EXPECT_FALSE(ogg.WriteTags(dir.file("none.ogg")));
    EXPECT_FALSE(ogg.LoadFromFile(dir.path()));
    EXPECT_FALSE(Exists(dir.file("none.ogg~")));
}

TEST(OggVorbisLayout, VendorBytesKeptExactly) {
    // A vendor with "=" and blanks is shown as the parser sees it but written back as stored.
    TempDir dir;
    const std::string vendor = " libX a=b ";
    const std::string p = Write(dir, oggfixture::SimpleStream(oggfixture::CommentHeader(vendor, {"ALBUM=a"})));
    TOggVorbis ogg;
    ASSERT_TRUE(ogg.LoadFromFile(p));
    ogg.TagAlbum = "b";
    ASSERT_TRUE(ogg.WriteTags(p));
    const auto pages = oggfixture::ParsePages(ReadBytes(p));
    ASSERT_GE(pages.size(), 2u);
    const Bytes& body = pages[1].body;
    EXPECT_EQ(std::string(body.begin() + 11, body.begin() + 11 + vendor.size()), vendor);
}

TEST(OggCrc, MatchesPagesWrittenByAnEncoder) {
    if (!HaveTool("oggenc") || !HaveTool("ffmpeg")) GTEST_SKIP();
    TempDir dir;
    Bytes file = ReadBytes(Encode(dir, Encoder::Oggenc, 1.0));
    const auto pages = oggfixture::ParsePages(file);
    ASSERT_GE(pages.size(), 3u);
    for (const auto& page : pages) {
        Bytes bytes(file.begin() + page.offset, file.begin() + page.offset + page.size);
        std::fill(bytes.begin() + 22, bytes.begin() + 26, 0);
        EXPECT_EQ(OggCrc32(0, bytes.data(), bytes.size()), page.crc);
        // In two pieces, as the writer runs it over header and body.
        EXPECT_EQ(OggCrc32(OggCrc32(0, bytes.data(), 27), bytes.data() + 27, bytes.size() - 27), page.crc);
    }
}

}  // namespace
