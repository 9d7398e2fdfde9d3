// mmioCopy64 against the loop of mmioRead and mmioWrite it stands for: the same bytes, the same
// positions and the same later reads and writes, whatever the buffers held before; chunk sizes
// and pad bytes on ascent; copies past the end of the source; files the system cannot copy;
// failures of either side.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
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

#include "riff/riff.h"

namespace {

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

std::string randomBytes(std::size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::string s(n, '\0');
    for (char& c : s) c = (char)rng();
    return s;
}

class RiffCopy : public ::testing::Test {
protected:
    void SetUp() override {
        const char* tmp = std::getenv("TMPDIR");
        std::string templ = std::string(tmp && *tmp ? tmp : "/tmp") + "/riffcopyXXXXXX";
        std::vector<char> buf(templ.begin(), templ.end());
        buf.push_back(0);
        ASSERT_NE(::mkdtemp(buf.data()), nullptr);
        dir_ = buf.data();
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::string path(const std::string& name) const { return dir_ + "/" + name; }
    std::string dir_;
};

HMMIO openWith(const std::string& file, LONG bufferSize, DWORD flags) {
    MMIOINFO info{};
    info.cchBuffer = bufferSize;
    return mmioOpenUtf8(file.c_str(), &info, flags | (bufferSize ? MMIO_ALLOCBUF : 0));
}

// What the copy stands for: 10000-byte pieces read and written until count or end of file.
LONGLONG loopCopy(HMMIO dst, HMMIO src, LONGLONG count) {
    std::vector<char> piece(10000);
    LONGLONG total = 0;
    while (total < count) {
        LONG got = mmioRead(src, piece.data(), (LONG)std::min<LONGLONG>(count - total, (LONGLONG)piece.size()));
        if (got < 0) return -1;
        if (got == 0) break;
        if (mmioWrite(dst, piece.data(), got) != got) return -1;
        total += got;
    }
    return total;
}

struct Scenario {
    LONG buffer;        // both handles' buffer size, 0 for the default
    LONGLONG srcStart;  // where the copy starts in the source
    bool srcRead;       // reach srcStart by reading (buffer loaded) rather than seeking
    std::size_t dstPrefix;  // bytes written to dst first (still in its buffer)
    LONGLONG count;
    std::size_t dstRewind = 0;  // then dst moved back over them: the copy overwrites pending bytes
    bool dstExisting = false;   // dst a file with content, read first (its window loaded)
};

// Everything a caller can observe of one run.
struct Outcome {
    LONGLONG copied = 0;
    LONGLONG srcPos = 0, dstPos = 0;
    std::string srcAfter, srcHead, dstFront, dstBack, file;
    bool operator==(const Outcome&) const = default;
};

Outcome run(const Scenario& s, const std::string& source, const std::string& out, bool withCopy64) {
    Outcome o;
    HMMIO src = openWith(source, s.buffer, MMIO_READ);
    if (s.dstExisting) writeWhole(out, randomBytes(500000, 9));
    HMMIO dst = openWith(out, s.buffer, s.dstExisting ? MMIO_READWRITE : MMIO_CREATE | MMIO_READWRITE);
    EXPECT_TRUE(src && dst);
    if (!src || !dst) return o;
    char piece[3000];
    if (s.dstExisting) {
        EXPECT_EQ(mmioRead(dst, piece, 2000), 2000);
        EXPECT_EQ(mmioSeek64(dst, 0, SEEK_SET), 0);
    }
    if (s.srcRead) {
        std::string skip((std::size_t)s.srcStart, '\0');
        EXPECT_EQ(mmioRead(src, skip.data(), (LONG)skip.size()), (LONG)skip.size());
    } else {
        EXPECT_EQ(mmioSeek64(src, s.srcStart, SEEK_SET), s.srcStart);
    }
    std::string prefix = randomBytes(s.dstPrefix, 7);
    EXPECT_EQ(mmioWrite(dst, prefix.data(), (LONG)prefix.size()), (LONG)prefix.size());
    const LONGLONG copyAt = (LONGLONG)(s.dstPrefix - s.dstRewind);
    EXPECT_EQ(mmioSeek64(dst, copyAt, SEEK_SET), copyAt);

    if (withCopy64) {
        UINT error = 12345;
        o.copied = mmioCopy64(dst, src, s.count, &error);
        EXPECT_EQ(error, (UINT)MMSYSERR_NOERROR);
    } else {
        o.copied = loopCopy(dst, src, s.count);
    }
    o.srcPos = mmioSeek64(src, 0, SEEK_CUR);
    o.dstPos = mmioSeek64(dst, 0, SEEK_CUR);

    // Reading on, and back in the window loaded before the copy.
    LONG n = mmioRead(src, piece, 1000);
    o.srcAfter.assign(piece, n > 0 ? (std::size_t)n : 0);
    mmioSeek64(src, 0, SEEK_SET);
    n = mmioRead(src, piece, 64);
    o.srcHead.assign(piece, n > 0 ? (std::size_t)n : 0);
    mmioSeek64(dst, copyAt, SEEK_SET);
    n = mmioRead(dst, piece, sizeof piece);
    o.dstFront.assign(piece, n > 0 ? (std::size_t)n : 0);
    mmioSeek64(dst, o.dstPos, SEEK_SET);
    // Writing on, then reading back across what was copied and what was written.
    EXPECT_EQ(mmioWrite(dst, "tail", 4), 4);
    LONGLONG back = std::max<LONGLONG>(0, o.dstPos - 1500);
    mmioSeek64(dst, back, SEEK_SET);
    n = mmioRead(dst, piece, sizeof piece);
    o.dstBack.assign(piece, n > 0 ? (std::size_t)n : 0);
    // And overwriting a few copied bytes through the handle.
    mmioSeek64(dst, copyAt + o.copied / 2, SEEK_SET);
    EXPECT_EQ(mmioWrite(dst, "XY", 2), 2);
    mmioClose(src, 0);
    EXPECT_EQ(mmioClose(dst, 0), (MMRESULT)MMSYSERR_NOERROR);
    o.file = readWhole(out);
    return o;
}

TEST_F(RiffCopy, MatchesTheReadWriteLoop) {
    const std::string source = path("source.bin");
    const LONGLONG size = 400001;
    writeWhole(source, randomBytes((std::size_t)size, 1));
    const Scenario rows[] = {
        // buffer, start, read, prefix, count[, rewind, existing]
        {0, 44, false, 46, 300001},     // offsets differ within a page: through one buffer
        {0, 44, false, 44, 300001},     // offsets agree within a page: in the system
        {0, 4096, false, 0, 200000},
        {0, 0, false, 0, size},         // the whole file
        {0, 44, true, 46, 300001},      // mostly served from src's window, the rest through the handles
        {4096, 44, true, 46, 300001},   // src's window served, then one buffer
        {4096, 4000, true, 4000, 250000},  // src's window served, then the system
        {0, 5000, true, 3, 70000},
        {4096, 10, true, 7000, 60000},
        {0, 100, false, 10, 30001},     // short: through the handles
        {0, 44, false, 46, 1},
        {0, 44, false, 46, 0},
        {0, 44, false, 46, size + 5000},     // more than the source holds
        {0, 44, false, 44, size + 5000},
        {4096, 44, true, 44, size + 5000},
        {0, size - 100, true, 20, 100000},   // more than it holds, the rest in src's window
        {0, size + 10, false, 20, 100000},   // starting past its end
        // Over bytes still pending in dst's buffer, and over a window dst has read.
        {0, 44, false, 3000, 300001, 2954},
        {0, 44, false, 3000, 300001, 2956},
        {0, 44, false, 3000, 30001, 2956},
        {0, 44, false, 46, 300001, 0, true},
        {0, 44, false, 44, 300001, 0, true},
        {4096, 44, false, 46, 300001, 0, true},
    };
    for (const Scenario& s : rows) {
        SCOPED_TRACE("buffer " + std::to_string(s.buffer) + " start " + std::to_string(s.srcStart) + " prefix " +
                     std::to_string(s.dstPrefix) + " count " + std::to_string(s.count));
        Outcome expected = run(s, source, path("loop.bin"), false);
        Outcome got = run(s, source, path("copy.bin"), true);
        EXPECT_EQ(got.copied, expected.copied);
        EXPECT_EQ(got.copied, std::max<LONGLONG>(0, std::min(s.count, size - s.srcStart)));
        EXPECT_EQ(got.srcPos, expected.srcPos);
        EXPECT_EQ(got.dstPos, expected.dstPos);
        EXPECT_EQ(got.srcAfter, expected.srcAfter);
        EXPECT_EQ(got.srcHead, expected.srcHead);
        EXPECT_EQ(got.dstFront, expected.dstFront);
        EXPECT_EQ(got.dstBack, expected.dstBack);
        EXPECT_TRUE(got.file == expected.file) << "output files differ";
    }
}

// A data chunk filled by the copy: sizes fixed on ascent, the pad byte after an odd size, the
// chunks after it in place; the file is the one the loop writes.
TEST_F(RiffCopy, ChunkSizesAndPadBytesOnAscent) {
    const std::string source = path("source.bin");
    writeWhole(source, randomBytes(300000, 2));
    for (LONGLONG count : {1ll, 65537ll, 200001ll, 299955ll}) {
        for (std::size_t fmtSize : {16u, 18u}) {  // data offsets that agree with the source's or not
            SCOPED_TRACE("count " + std::to_string(count) + " fmt " + std::to_string(fmtSize));
            std::string files[2];
            for (int useCopy = 0; useCopy < 2; ++useCopy) {
                files[useCopy] = path(useCopy ? "copy.wav" : "loop.wav");
                HMMIO src = mmioOpenUtf8(source.c_str(), nullptr, MMIO_READ);
                HMMIO out = mmioOpenUtf8(files[useCopy].c_str(), nullptr, MMIO_CREATE | MMIO_READWRITE);
                ASSERT_TRUE(src && out);
                ASSERT_EQ(mmioSeek64(src, 44, SEEK_SET), 44);
                MMCKINFO riff{}, fmt{}, data{}, tail{};
                riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
                ASSERT_EQ(mmioCreateChunk(out, &riff, MMIO_CREATERIFF), (MMRESULT)MMSYSERR_NOERROR);
                fmt.ckid = mmioFOURCC('f', 'm', 't', ' ');
                ASSERT_EQ(mmioCreateChunk(out, &fmt, 0), (MMRESULT)MMSYSERR_NOERROR);
                std::string f(fmtSize, '\x01');
                ASSERT_EQ(mmioWrite(out, f.data(), (LONG)f.size()), (LONG)f.size());
                ASSERT_EQ(mmioAscend(out, &fmt, 0), (MMRESULT)MMSYSERR_NOERROR);
                data.ckid = mmioFOURCC('d', 'a', 't', 'a');
                ASSERT_EQ(mmioCreateChunk(out, &data, 0), (MMRESULT)MMSYSERR_NOERROR);
                LONGLONG copied = useCopy ? mmioCopy64(out, src, count, nullptr) : loopCopy(out, src, count);
                ASSERT_EQ(copied, count);
                ASSERT_EQ(mmioAscend(out, &data, 0), (MMRESULT)MMSYSERR_NOERROR);
                EXPECT_EQ(data.cksize, (DWORD)count);
                tail.ckid = mmioFOURCC('t', 'a', 'i', 'l');
                ASSERT_EQ(mmioCreateChunk(out, &tail, 0), (MMRESULT)MMSYSERR_NOERROR);
                ASSERT_EQ(mmioWrite(out, "end", 3), 3);
                ASSERT_EQ(mmioAscend(out, &tail, 0), (MMRESULT)MMSYSERR_NOERROR);
                ASSERT_EQ(mmioAscend(out, &riff, 0), (MMRESULT)MMSYSERR_NOERROR);
                EXPECT_EQ(riff.cksize, 4 + 8 + fmtSize + 8 + count + (count & 1) + 8 + 3 + 1);
                mmioClose(src, 0);
                ASSERT_EQ(mmioClose(out, 0), (MMRESULT)MMSYSERR_NOERROR);
            }
            std::string copy = readWhole(files[1]);
            EXPECT_TRUE(copy == readWhole(files[0])) << "output files differ";
            const std::size_t at = 12 + 8 + fmtSize + 8;
            EXPECT_TRUE(copy.compare(at, (std::size_t)count, readWhole(source), 44, (std::size_t)count) == 0);
            if (count & 1) {
                EXPECT_EQ(copy[at + (std::size_t)count], '\0');
            }
            EXPECT_EQ(copy.substr(copy.size() - 12, 4), "tail");
        }
    }
}

// A character device has no file the system could copy from, and its reads answer anyway.
TEST_F(RiffCopy, DeviceSourceGoesThroughTheBuffer) {
    HMMIO zero = mmioOpenUtf8("/dev/zero", nullptr, MMIO_READ);
    if (!zero) GTEST_SKIP() << "no /dev/zero";
    const std::string out = path("zeros.bin");
    HMMIO dst = mmioOpenUtf8(out.c_str(), nullptr, MMIO_CREATE | MMIO_READWRITE);
    ASSERT_NE(dst, nullptr);
    ASSERT_EQ(mmioWrite(dst, "head", 4), 4);
    UINT error = 1;
    EXPECT_EQ(mmioCopy64(dst, zero, 300000, &error), 300000);
    EXPECT_EQ(error, (UINT)MMSYSERR_NOERROR);
    EXPECT_EQ(mmioSeek64(dst, 0, SEEK_CUR), 300004);
    mmioClose(zero, 0);
    ASSERT_EQ(mmioClose(dst, 0), (MMRESULT)MMSYSERR_NOERROR);
    EXPECT_EQ(readWhole(out), "head" + std::string(300000, '\0'));
}

// A pipe has no positions: reading it fails as mmioRead does, and so does writing to one.
TEST_F(RiffCopy, PipesFailOnTheirSide) {
    const std::string fifo = path("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    int keep = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK);  // so opening either end does not wait
    ASSERT_GE(keep, 0);
    ASSERT_EQ(::write(keep, "abcdef", 6), 6);
    const std::string file = path("file.bin");
    writeWhole(file, randomBytes(200000, 3));

    HMMIO pipeIn = mmioOpenUtf8(fifo.c_str(), nullptr, MMIO_READ);
    HMMIO out = mmioOpenUtf8(path("out.bin").c_str(), nullptr, MMIO_CREATE | MMIO_READWRITE);
    ASSERT_TRUE(pipeIn && out);
    char c;
    EXPECT_EQ(mmioRead(pipeIn, &c, 1), -1);
    for (LONGLONG count : {100ll, 200000ll}) {
        UINT error = 0;
        EXPECT_EQ(mmioCopy64(out, pipeIn, count, &error), -1);
        EXPECT_EQ(error, (UINT)MMIOERR_CANNOTREAD);
        EXPECT_EQ(mmioSeek64(out, 0, SEEK_CUR), 0);
    }
    mmioClose(pipeIn, 0);
    mmioClose(out, 0);

    HMMIO in = mmioOpenUtf8(file.c_str(), nullptr, MMIO_READ);
    HMMIO pipeOut = mmioOpenUtf8(fifo.c_str(), nullptr, MMIO_WRITE);
    ASSERT_TRUE(in && pipeOut);
    UINT error = 0;
    EXPECT_EQ(mmioCopy64(pipeOut, in, 200000, &error), -1);
    EXPECT_EQ(error, (UINT)MMIOERR_CANNOTWRITE);
    mmioClose(in, 0);
    mmioClose(pipeOut, 0);
    ::close(keep);
}

TEST_F(RiffCopy, UnusableArguments) {
    const std::string file = path("a.bin");
    writeWhole(file, "0123456789");
    HMMIO reader = mmioOpenUtf8(file.c_str(), nullptr, MMIO_READ);
    HMMIO other = mmioOpenUtf8(file.c_str(), nullptr, MMIO_READ);
    HMMIO writer = mmioOpenUtf8(path("b.bin").c_str(), nullptr, MMIO_CREATE | MMIO_READWRITE);
    ASSERT_TRUE(reader && other && writer);
    struct Row {
        HMMIO dst, src;
        LONGLONG count;
        LONGLONG result;
        UINT error;
    } rows[] = {
        {nullptr, reader, 5, -1, MMSYSERR_INVALHANDLE},
        {writer, nullptr, 5, -1, MMSYSERR_INVALHANDLE},
        {writer, writer, 5, -1, MMSYSERR_INVALPARAM},
        {writer, reader, -1, -1, MMSYSERR_INVALPARAM},
        {other, reader, 5, -1, MMIOERR_CANNOTWRITE},  // a read handle does not write
        {writer, reader, 0, 0, MMSYSERR_NOERROR},
        {writer, reader, 4, 4, MMSYSERR_NOERROR},
    };
    for (const Row& r : rows) {
        UINT error = 999;
        EXPECT_EQ(mmioCopy64(r.dst, r.src, r.count, &error), r.result);
        EXPECT_EQ(error, r.error);
    }
    EXPECT_EQ(mmioSeek64(reader, 0, SEEK_CUR), 4);
    EXPECT_EQ(mmioSeek64(other, 0, SEEK_CUR), 0);
    EXPECT_EQ(mmioCopy64(writer, reader, 100, nullptr), 6);  // no error record wanted
    mmioClose(reader, 0);
    mmioClose(other, 0);
    ASSERT_EQ(mmioClose(writer, 0), (MMRESULT)MMSYSERR_NOERROR);
    EXPECT_EQ(readWhole(path("b.bin")), "0123456789");
}

// A destination that cannot grow (here a file size limit) fails the copy as a write failure,
// on either way of copying, after the bytes that fitted.
TEST_F(RiffCopy, WriteFailureIsReported) {
    const std::string source = path("source.bin");
    const std::string bytes = randomBytes(300000, 4);
    writeWhole(source, bytes);
    struct rlimit old;
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    struct sigaction ignore{}, previous{};
    ignore.sa_handler = SIG_IGN;
    ASSERT_EQ(::sigaction(SIGXFSZ, &ignore, &previous), 0);
    struct rlimit limit = old;
    limit.rlim_cur = 100000;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
    for (std::size_t prefix : {0u, 2u}) {
        SCOPED_TRACE("prefix " + std::to_string(prefix));
        HMMIO src = mmioOpenUtf8(source.c_str(), nullptr, MMIO_READ);
        const std::string out = path("out" + std::to_string(prefix));
        HMMIO dst = mmioOpenUtf8(out.c_str(), nullptr, MMIO_CREATE | MMIO_READWRITE);
        ASSERT_TRUE(src && dst);
        ASSERT_EQ(mmioWrite(dst, "ab", (LONG)prefix), (LONG)prefix);
        UINT error = 0;
        EXPECT_EQ(mmioCopy64(dst, src, 300000, &error), -1);
        EXPECT_EQ(error, (UINT)MMIOERR_CANNOTWRITE);
        mmioClose(src, 0);
        mmioClose(dst, 0);
        std::string got = readWhole(out);
        EXPECT_LE(got.size(), 100000u);
        EXPECT_TRUE(got.compare(prefix, std::string::npos, bytes, 0, got.size() - prefix) == 0);
    }
    ::setrlimit(RLIMIT_FSIZE, &old);
    ::sigaction(SIGXFSZ, &previous, nullptr);
}

}  // namespace
