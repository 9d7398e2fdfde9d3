// Buffered RIFF I/O: chunk round trips with pad bytes and nested lists, sizes fixed on
// ascent, searches inside a parent, chunks that claim more than the file holds, the buffer
// against a plain model, sharing modes, and offsets beyond 4 GB.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "../../fuzz/riff/riff_walk.h"
#include "riff/riff.h"

namespace {

std::string makeTempDir() {
    const char* tmp = std::getenv("TMPDIR");
    std::string templ = std::string(tmp && *tmp ? tmp : "/tmp") + "/riffXXXXXX";
    std::vector<char> buf(templ.begin(), templ.end());
    buf.push_back(0);
    EXPECT_NE(::mkdtemp(buf.data()), nullptr);
    return buf.data();
}

std::string readWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void writeWhole(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::string le32(DWORD v) {
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i) s[i] = (char)(v >> (8 * i));
    return s;
}

std::string chunk(const char* id, const std::string& data, bool pad = true) {
    std::string s = std::string(id, 4) + le32((DWORD)data.size()) + data;
    if (pad && data.size() % 2) s += '\0';
    return s;
}

std::string list(const char* id, const char* type, const std::string& body) {
    return std::string(id, 4) + le32((DWORD)(body.size() + 4)) + std::string(type, 4) + body;
}

class Riff : public ::testing::Test {
protected:
    void SetUp() override { dir_ = makeTempDir(); }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::string path(const char* name) const { return dir_ + "/" + name; }
    std::string dir_;
};

void writeChunk(HMMIO h, FOURCC id, const std::string& data, DWORD claimed = 0) {
    MMCKINFO ck{};
    ck.ckid = id;
    ck.cksize = claimed;
    ASSERT_EQ(mmioCreateChunk(h, &ck, 0), (MMRESULT)MMSYSERR_NOERROR);
    ASSERT_EQ(mmioWrite(h, data.data(), (LONG)data.size()), (LONG)data.size());
    ASSERT_EQ(mmioAscend(h, &ck, 0), (MMRESULT)MMSYSERR_NOERROR);
    EXPECT_EQ(ck.cksize, (DWORD)data.size());
}

TEST_F(Riff, WrittenChunksHaveExactSizesAndPadBytes) {
    std::string file = path("out.wav");
    HMMIO h = mmioOpenUtf8(file.c_str(), nullptr, MMIO_CREATE | MMIO_READWRITE);
    ASSERT_NE(h, nullptr);
    MMCKINFO riff{};
    riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
    ASSERT_EQ(mmioCreateChunk(h, &riff, MMIO_CREATERIFF), (MMRESULT)MMSYSERR_NOERROR);
    EXPECT_EQ(riff.ckid, FOURCC_RIFF);
    EXPECT_EQ(riff.dwDataOffset, 8u);
    EXPECT_TRUE(riff.dwFlags & MMIO_DIRTY);
    writeChunk(h, mmioFOURCC('f', 'm', 't', ' '), std::string(16, '\x01'), 9999);  // claimed size is replaced
    writeChunk(h, mmioFOURCC('o', 'd', 'd', ' '), "abc");
    MMCKINFO info{};
    info.fccType = mmioFOURCC('I', 'N', 'F', 'O');
    ASSERT_EQ(mmioCreateChunk(h, &info, MMIO_CREATELIST), (MMRESULT)MMSYSERR_NOERROR);
    writeChunk(h, mmioFOURCC('I', 'N', 'A', 'M'), "Title");
    MMCKINFO inner{};
    inner.fccType = mmioFOURCC('a', 'd', 't', 'l');
    ASSERT_EQ(mmioCreateChunk(h, &inner, MMIO_CREATELIST), (MMRESULT)MMSYSERR_NOERROR);
    writeChunk(h, mmioFOURCC('l', 'a', 'b', 'l'), std::string("\x01\0\0\0x", 5));
    ASSERT_EQ(mmioAscend(h, &inner, 0), (MMRESULT)MMSYSERR_NOERROR);
    ASSERT_EQ(mmioAscend(h, &info, 0), (MMRESULT)MMSYSERR_NOERROR);
    writeChunk(h, mmioFOURCC('d', 'a', 't', 'a'), "0123456789");
    writeChunk(h, mmioFOURCC('e', 'm', 'p', 't'), "");
    ASSERT_EQ(mmioAscend(h, &riff, 0), (MMRESULT)MMSYSERR_NOERROR);
    ASSERT_EQ(mmioClose(h, 0), (MMRESULT)MMSYSERR_NOERROR);

    std::string expected = list(
        "RIFF", "WAVE",
        chunk("fmt ", std::string(16, '\x01')) + chunk("odd ", "abc") +
            list("LIST", "INFO", chunk("INAM", "Title") + list("LIST", "adtl", chunk("labl", std::string("\x01\0\0\0x", 5)))) +
            chunk("data", "0123456789") + chunk("empt", ""));
    EXPECT_EQ(readWhole(file), expected);

    // Read back with searches: a list by type, a chunk by id inside its parent.
    h = mmioOpenUtf8(file.c_str(), nullptr, MMIO_READ);
    ASSERT_NE(h, nullptr);
    MMCKINFO r{};
    r.fccType = mmioFOURCC('W', 'A', 'V', 'E');
    ASSERT_EQ(mmioDescend(h, &r, nullptr, MMIO_FINDRIFF), (MMRESULT)MMSYSERR_NOERROR);
    EXPECT_EQ(r.cksize, (DWORD)expected.size() - 8);
    EXPECT_EQ(mmioSeek(h, 0, SEEK_CUR), 12);
    MMCKINFO l{};
    l.fccType = mmioFOURCC('a', 'd', 't', 'l');
    EXPECT_EQ(mmioDescend(h, &l, &r, MMIO_FINDLIST), (MMRESULT)MMIOERR_CHUNKNOTFOUND);  // nested, not a child
    mmioSeek(h, 12, SEEK_SET);
    l.fccType = mmioFOURCC('I', 'N', 'F', 'O');
    ASSERT_EQ(mmioDescend(h, &l, &r, MMIO_FINDLIST), (MMRESULT)MMSYSERR_NOERROR);
    MMCKINFO sub{};
    ASSERT_EQ(mmioDescend(h, &sub, &l, 0), (MMRESULT)MMSYSERR_NOERROR);
    EXPECT_EQ(sub.ckid, mmioFOURCC('I', 'N', 'A', 'M'));
    EXPECT_EQ(sub.cksize, 5u);
    char text[8] = {};
    EXPECT_EQ(mmioRead(h, text, 5), 5);
    EXPECT_STREQ(text, "Title");
    ASSERT_EQ(mmioAscend(h, &sub, 0), (MMRESULT)MMSYSERR_NOERROR);
    EXPECT_EQ(mmioSeek(h, 0, SEEK_CUR), (LONG)(sub.dwDataOffset + 6));  // past the pad byte
    ASSERT_EQ(mmioAscend(h, &l, 0), (MMRESULT)MMSYSERR_NOERROR);
    MMCKINFO d{};
    d.ckid = mmioFOURCC('d', 'a', 't', 'a');
    ASSERT_EQ(mmioDescend(h, &d, &r, MMIO_FINDCHUNK), (MMRESULT)MMSYSERR_NOERROR);
    EXPECT_EQ(d.cksize, 10u);
    EXPECT_EQ(d.dwDataOffset, (DWORD)expected.find("0123456789"));
    MMCKINFO none{};
    none.ckid = mmioFOURCC('n', 'o', 'n', 'e');
    mmioSeek(h, 12, SEEK_SET);
    EXPECT_EQ(mmioDescend(h, &none, &r, MMIO_FINDCHUNK), (MMRESULT)MMIOERR_CHUNKNOTFOUND);
    mmioClose(h, 0);
}

TEST_F(Riff, SearchesStayInsideTheParent) {
    // A chunk after the RIFF chunk is not found from inside it, but is from the top level.
    std::string file = path("two.wav");
    writeWhole(file, list("RIFF", "WAVE", chunk("fmt ", "1234")) + chunk("data", "outside") +
                         list("RIFF", "AVI ", chunk("data", "x")));
    HMMIO h = mmioOpenUtf8(file.c_str(), nullptr, MMIO_READ);
    ASSERT_NE(h, nullptr);
    MMCKINFO riff{};
    riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
    ASSERT_EQ(mmioDescend(h, &riff, nullptr, MMIO_FINDRIFF), (MMRESULT)MMSYSERR_NOERROR);
    MMCKINFO d{};
    d.ckid = mmioFOURCC('d', 'a', 't', 'a');
    EXPECT_EQ(mmioDescend(h, &d, &riff, MMIO_FINDCHUNK), (MMRESULT)MMIOERR_CHUNKNOTFOUND);
    mmioSeek(h, 0, SEEK_SET);
    ASSERT_EQ(mmioDescend(h, &d, nullptr, MMIO_FINDCHUNK), (MMRESULT)MMSYSERR_NOERROR);
    EXPECT_EQ(d.cksize, 7u);
    // The second RIFF form is found by its type, skipping the odd-sized chunk and its pad.
    mmioSeek(h, 0, SEEK_SET);
    MMCKINFO avi{};
    avi.fccType = mmioFOURCC('A', 'V', 'I', ' ');
    ASSERT_EQ(mmioDescend(h, &avi, nullptr, MMIO_FINDRIFF), (MMRESULT)MMSYSERR_NOERROR);
    EXPECT_EQ(avi.dwDataOffset, (DWORD)(12 + 12 + 16 + 8));
    MMCKINFO missing{};
    missing.fccType = mmioFOURCC('R', 'M', 'I', 'D');
    mmioSeek(h, 0, SEEK_SET);
    EXPECT_EQ(mmioDescend(h, &missing, nullptr, MMIO_FINDRIFF), (MMRESULT)MMIOERR_CHUNKNOTFOUND);
    mmioClose(h, 0);
}

TEST_F(Riff, ChunksThatClaimMoreThanTheFileHolds) {
    std::string file = path("short.wav");
    // The data chunk claims 1000 bytes and 6 follow; the last odd chunk has no pad byte.
    writeWhole(file, list("RIFF", "WAVE", chunk("fmt ", "1234")) + std::string("data") + le32(1000) + "abcdef");
    HMMIO h = mmioOpenUtf8(file.c_str(), nullptr, MMIO_READ);
    ASSERT_NE(h, nullptr);
    MMCKINFO riff{};
    riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
    ASSERT_EQ(mmioDescend(h, &riff, nullptr, MMIO_FINDRIFF), (MMRESULT)MMSYSERR_NOERROR);
    MMCKINFO d{};
    d.ckid = mmioFOURCC('d', 'a', 't', 'a');
    // The RIFF size does not cover the data chunk at all, so search without the parent.
    ASSERT_EQ(mmioDescend(h, &d, nullptr, MMIO_FINDCHUNK), (MMRESULT)MMSYSERR_NOERROR);
    EXPECT_EQ(d.cksize, 1000u);
    char buf[2000];
    EXPECT_EQ(mmioRead(h, buf, 1000), 6);
    EXPECT_EQ(mmioRead(h, buf, 1000), 0);
    LONG before = mmioSeek(h, 0, SEEK_CUR);
    EXPECT_EQ(mmioAscend(h, &d, 0), (MMRESULT)MMIOERR_CANNOTSEEK);
    EXPECT_EQ(mmioSeek(h, 0, SEEK_CUR), before);
    // A size near 4 GB is taken as it is, with no wrap-around in the arithmetic.
    mmioSeek(h, 0, SEEK_SET);
    writeWhole(file, std::string("junk") + le32(0xFFFFFFFFu) + "xyz");
    mmioClose(h, 0);
    h = mmioOpenUtf8(file.c_str(), nullptr, MMIO_READ);
    ASSERT_EQ(mmioDescend(h, &d, nullptr, 0), (MMRESULT)MMSYSERR_NOERROR);
    EXPECT_EQ(d.cksize, 0xFFFFFFFFu);
    EXPECT_EQ(mmioAscend(h, &d, 0), (MMRESULT)MMIOERR_CANNOTSEEK);
    MMCKINFO next{};
    next.ckid = mmioFOURCC('n', 'e', 'x', 't');
    mmioSeek(h, 0, SEEK_SET);
    EXPECT_EQ(mmioDescend(h, &next, nullptr, MMIO_FINDCHUNK), (MMRESULT)MMIOERR_CHUNKNOTFOUND);
    mmioClose(h, 0);

    // The missing pad byte of a last odd chunk is no failure.
    writeWhole(file, chunk("odd ", "abc", false));
    h = mmioOpenUtf8(file.c_str(), nullptr, MMIO_READ);
    ASSERT_EQ(mmioDescend(h, &d, nullptr, 0), (MMRESULT)MMSYSERR_NOERROR);
    EXPECT_EQ(mmioAscend(h, &d, 0), (MMRESULT)MMSYSERR_NOERROR);
    EXPECT_EQ(mmioDescend(h, &d, nullptr, 0), (MMRESULT)MMIOERR_CHUNKNOTFOUND);
    mmioClose(h, 0);
}

TEST_F(Riff, OpenModesAndFailures) {
    MMIOINFO info{};
    std::string missing = path("missing.wav");
    EXPECT_EQ(mmioOpenUtf8(missing.c_str(), &info, MMIO_READ), nullptr);
    EXPECT_EQ(info.wErrorRet, (UINT)MMIOERR_FILENOTFOUND);
    std::string noDir = path("nodir/x.wav");
    EXPECT_EQ(mmioOpenUtf8(noDir.c_str(), &info, MMIO_CREATE | MMIO_READWRITE), nullptr);
    EXPECT_EQ(info.wErrorRet, (UINT)MMIOERR_PATHNOTFOUND);
    EXPECT_EQ(mmioOpenUtf8(dir_.c_str(), &info, MMIO_READ), nullptr);
    EXPECT_NE(info.wErrorRet, (UINT)MMSYSERR_NOERROR);

    // UTF-16 names reach the file system as UTF-8.
    std::u16string wide = std::u16string(dir_.begin(), dir_.end()) + u"/Grüße ✓ 𝄞.wav";
    HMMIO h = mmioOpenW(wide.c_str(), &info, MMIO_CREATE | MMIO_READWRITE);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(info.wErrorRet, (UINT)MMSYSERR_NOERROR);
    EXPECT_EQ(mmioWrite(h, "hello", 5), 5);
    EXPECT_EQ(mmioClose(h, 0), (MMRESULT)MMSYSERR_NOERROR);
    std::string utf8 = dir_ + "/Grüße ✓ 𝄞.wav";
    EXPECT_EQ(readWhole(utf8), "hello");

    // A read handle does not write; MMIO_CREATE truncates.
    h = mmioOpenUtf8(utf8.c_str(), nullptr, MMIO_READ);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(mmioWrite(h, "x", 1), -1);
    MMCKINFO ck{};
    EXPECT_EQ(mmioCreateChunk(h, &ck, 0), (MMRESULT)MMIOERR_CANNOTWRITE);
    ck.dwFlags = MMIO_DIRTY;
    EXPECT_EQ(mmioAscend(h, &ck, 0), (MMRESULT)MMIOERR_CANNOTWRITE);
    mmioClose(h, 0);
    h = mmioOpenUtf8(utf8.c_str(), nullptr, MMIO_CREATE | MMIO_READWRITE);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(mmioSeek(h, 0, SEEK_END), 0);
    mmioClose(h, 0);

    EXPECT_EQ(mmioStringToFOURCC("fmt", 0), mmioFOURCC('f', 'm', 't', ' '));
    EXPECT_EQ(mmioStringToFOURCC("list", MMIO_TOUPPER), FOURCC_LIST);
    EXPECT_EQ(mmioStringToFOURCC("", 0), mmioFOURCC(' ', ' ', ' ', ' '));
    EXPECT_EQ(mmioStringToFOURCC("datafile", 0), mmioFOURCC('d', 'a', 't', 'a'));
    EXPECT_EQ(mmioStringToFOURCCW(u"cue", 0), mmioFOURCC('c', 'u', 'e', ' '));
    EXPECT_EQ(mmioSeek(nullptr, 0, SEEK_SET), -1);
    EXPECT_EQ(mmioRead(nullptr, nullptr, 0), -1);
    EXPECT_EQ(mmioClose(nullptr, 0), (MMRESULT)MMSYSERR_INVALHANDLE);
}

TEST_F(Riff, DenyWriteKeepsWritersOut) {
    std::string file = path("shared.wav");
    writeWhole(file, "contents");
    HMMIO reader = mmioOpenUtf8(file.c_str(), nullptr, MMIO_READ | MMIO_DENYWRITE);
    ASSERT_NE(reader, nullptr);
    HMMIO second = mmioOpenUtf8(file.c_str(), nullptr, MMIO_READ | MMIO_DENYWRITE);
    EXPECT_NE(second, nullptr);  // readers that deny writing share
    MMIOINFO info{};
    EXPECT_EQ(mmioOpenUtf8(file.c_str(), &info, MMIO_READWRITE), nullptr);
    EXPECT_EQ(info.wErrorRet, (UINT)MMIOERR_SHARINGVIOLATION);
    EXPECT_EQ(mmioOpenUtf8(file.c_str(), &info, MMIO_CREATE | MMIO_READWRITE), nullptr);
    EXPECT_EQ(readWhole(file), "contents");  // the refused create truncated nothing
    EXPECT_EQ(mmioOpenUtf8(file.c_str(), &info, MMIO_READ | MMIO_EXCLUSIVE), nullptr);
    HMMIO plain = mmioOpenUtf8(file.c_str(), nullptr, MMIO_READ);
    EXPECT_NE(plain, nullptr);  // plain reading is always allowed
    mmioClose(plain, 0);
    mmioClose(second, 0);
    mmioClose(reader, 0);
    HMMIO writer = mmioOpenUtf8(file.c_str(), nullptr, MMIO_READWRITE);
    EXPECT_NE(writer, nullptr);
    mmioClose(writer, 0);
}

// Random reads, writes and seeks through a small buffer must match a plain byte array.
TEST_F(Riff, BufferMatchesAPlainModel) {
    std::string file = path("model.bin");
    for (LONG bufferSize : {4096, 65536}) {
        MMIOINFO info{};
        info.cchBuffer = bufferSize;
        HMMIO h = mmioOpenUtf8(file.c_str(), &info, MMIO_CREATE | MMIO_READWRITE | MMIO_ALLOCBUF);
        ASSERT_NE(h, nullptr);
        std::vector<char> model;
        std::int64_t pos = 0;
        std::mt19937 rng(bufferSize);
        for (int step = 0; step < 3000; ++step) {
            int op = (int)(rng() % 3);
            std::size_t n = rng() % 4 == 0 ? rng() % 20000 : rng() % 300;
            if (op == 0) {
                std::vector<char> data(n);
                for (char& c : data) c = (char)rng();
                ASSERT_EQ(mmioWrite(h, data.data(), (LONG)n), (LONG)n);
                if (model.size() < (std::size_t)pos + n) model.resize((std::size_t)pos + n, 0);
                if (n) std::memcpy(model.data() + pos, data.data(), n);
                pos += (std::int64_t)n;
            } else if (op == 1) {
                std::vector<char> got(n);
                LONG r = mmioRead(h, got.data(), (LONG)n);
                std::size_t expect = pos < (std::int64_t)model.size() ? std::min(n, model.size() - (std::size_t)pos) : 0;
                ASSERT_EQ(r, (LONG)expect) << "step " << step;
                if (expect) {
                    ASSERT_EQ(std::memcmp(got.data(), model.data() + pos, expect), 0) << "step " << step;
                }
                pos += r;
            } else {
                std::int64_t target = model.empty() ? 0 : (std::int64_t)(rng() % (model.size() + 100));
                int origin = (int)(rng() % 3);
                LONG off = origin == SEEK_SET ? (LONG)target
                           : origin == SEEK_CUR ? (LONG)(target - pos)
                                                : (LONG)(target - (std::int64_t)model.size());
                ASSERT_EQ(mmioSeek(h, off, origin), (LONG)target);
                pos = target;
            }
        }
        ASSERT_EQ(mmioSeek(h, 0, SEEK_END), (LONG)model.size());
        ASSERT_EQ(mmioClose(h, 0), (MMRESULT)MMSYSERR_NOERROR);
        EXPECT_EQ(readWhole(file), std::string(model.begin(), model.end()));
    }
}

TEST_F(Riff, OffsetsBeyondFourGigabytes) {
    std::string file = path("sparse.bin");
    const std::int64_t fiveGb = 5ll << 30;
    HMMIO h = mmioOpenUtf8(file.c_str(), nullptr, MMIO_CREATE | MMIO_READWRITE);
    ASSERT_NE(h, nullptr);
    ASSERT_EQ(mmioSeek64(h, fiveGb, SEEK_SET), fiveGb);
    EXPECT_EQ(mmioSeek(h, 0, SEEK_CUR), -1);  // does not fit the 32-bit answer
    EXPECT_EQ(mmioSeek64(h, 0, SEEK_CUR), fiveGb);
    if (mmioWrite(h, "tail", 4) != 4 || mmioClose(h, 0) != MMSYSERR_NOERROR) GTEST_SKIP() << "no large sparse files here";
    struct stat st;
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_size, fiveGb + 4);
    h = mmioOpenUtf8(file.c_str(), nullptr, MMIO_READ);
    EXPECT_EQ(mmioSeek64(h, -4, SEEK_END), fiveGb);
    char buf[8] = {};
    EXPECT_EQ(mmioRead(h, buf, 8), 4);
    EXPECT_STREQ(buf, "tail");
    EXPECT_EQ(mmioSeek64(h, -1, SEEK_SET), -1);
    mmioClose(h, 0);

    // A chunk past 2 GB inside a RIFF form of nearly 4 GB is found by its id.
    std::string riff = path("big.wav");
    const DWORD hugeSize = 0xC0000000u;  // 3 GB of sparse data
    h = mmioOpenUtf8(riff.c_str(), nullptr, MMIO_CREATE | MMIO_READWRITE);
    MMCKINFO form{};
    form.fccType = mmioFOURCC('W', 'A', 'V', 'E');
    ASSERT_EQ(mmioCreateChunk(h, &form, MMIO_CREATERIFF), (MMRESULT)MMSYSERR_NOERROR);
    MMCKINFO big{};
    big.ckid = mmioFOURCC('d', 'a', 't', 'a');
    ASSERT_EQ(mmioCreateChunk(h, &big, 0), (MMRESULT)MMSYSERR_NOERROR);
    ASSERT_EQ(mmioSeek64(h, (LONGLONG)big.dwDataOffset + hugeSize, SEEK_SET), (LONGLONG)big.dwDataOffset + hugeSize);
    ASSERT_EQ(mmioAscend(h, &big, 0), (MMRESULT)MMSYSERR_NOERROR);
    EXPECT_EQ(big.cksize, hugeSize);
    writeChunk(h, mmioFOURCC('t', 'a', 'i', 'l'), "end");
    ASSERT_EQ(mmioAscend(h, &form, 0), (MMRESULT)MMSYSERR_NOERROR);
    EXPECT_EQ(form.cksize, 4u + 8u + hugeSize + 8u + 4u);
    ASSERT_EQ(mmioClose(h, 0), (MMRESULT)MMSYSERR_NOERROR);

    h = mmioOpenUtf8(riff.c_str(), nullptr, MMIO_READ);
    ASSERT_EQ(mmioDescend(h, &form, nullptr, MMIO_FINDRIFF), (MMRESULT)MMSYSERR_NOERROR);
    MMCKINFO t{};
    t.ckid = mmioFOURCC('t', 'a', 'i', 'l');
    ASSERT_EQ(mmioDescend(h, &t, &form, MMIO_FINDCHUNK), (MMRESULT)MMSYSERR_NOERROR);
    EXPECT_EQ(t.dwDataOffset, 12u + 8u + hugeSize + 8u);
    EXPECT_EQ(mmioRead(h, buf, 3), 3);
    EXPECT_EQ(std::string(buf, 3), "end");
    mmioClose(h, 0);
}

// Inputs kept from fuzzing the chunk walk: walking and copying them works, and the copy walks
// to the same chunks and bytes.
TEST_F(Riff, RegressionInputsWalkAndCopy) {
    std::filesystem::path dir(RIFF_REGRESSIONS_DIR);
    int files = 0;
    std::string copyPath = path("copy.riff");
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        SCOPED_TRACE(entry.path().filename().string());
        HMMIO in = mmioOpenUtf8(entry.path().c_str(), nullptr, MMIO_READ);
        ASSERT_NE(in, nullptr);
        HMMIO out = mmioOpenUtf8(copyPath.c_str(), nullptr, MMIO_CREATE | MMIO_READWRITE);
        ASSERT_NE(out, nullptr);
        RiffWalk first;
        walkRiff(in, nullptr, 0, first, out);
        mmioClose(in, 0);
        ASSERT_EQ(mmioClose(out, 0), (MMRESULT)MMSYSERR_NOERROR);
        in = mmioOpenUtf8(copyPath.c_str(), nullptr, MMIO_READ);
        RiffWalk second;
        walkRiff(in, nullptr, 0, second, nullptr);
        mmioClose(in, 0);
        EXPECT_EQ(second.chunks, first.chunks);
        EXPECT_EQ(second.bytes, first.bytes);
        ++files;
    }
    EXPECT_GT(files, 0);
}

}  // namespace
