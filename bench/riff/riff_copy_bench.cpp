// Copies the data chunk of a large WAV file the way the chunks editor does (find RIFF/WAVE,
// find data, create the output's RIFF, fmt and data chunks, copy the data, ascend), and times
// it beside `cp` and `dd` of the same file in the same run, taking turns. The data is copied
// with mmioCopy64 (piece 0) or by mmioRead/mmioWrite in pieces of the given size; each kind's
// first copy is compared with the source, untimed.
//
// riff_copy_bench [--size-mb N] [--piece BYTES]... [--rounds R] [--dir DIR] [--buffer BYTES]
// Prints one line per round and the median ratios (RIFF copy time / peer time) per piece size.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "riff/riff.h"

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

void put32(std::vector<char>& v, std::uint32_t x) {
    for (int i = 0; i < 4; ++i) v.push_back((char)(x >> (8 * i)));
}

// A PCM WAV file: RIFF/WAVE, a 16-byte fmt chunk, a data chunk of dataBytes.
bool makeWav(const std::string& path, std::uint64_t dataBytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    std::vector<char> h;
    h.insert(h.end(), {'R', 'I', 'F', 'F'});
    put32(h, (std::uint32_t)(4 + 24 + 8 + dataBytes));
    h.insert(h.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put32(h, 16);
    put32(h, 1 | (2 << 16));  // PCM, 2 channels
    put32(h, 44100);
    put32(h, 44100 * 4);
    put32(h, 4 | (16 << 16));
    h.insert(h.end(), {'d', 'a', 't', 'a'});
    put32(h, (std::uint32_t)dataBytes);
    bool ok = std::fwrite(h.data(), 1, h.size(), f) == h.size();
    std::vector<char> block(1 << 20);
    std::uint32_t seed = 12345;
    for (char& c : block) c = (char)((seed = seed * 1103515245 + 12345) >> 16);
    for (std::uint64_t left = dataBytes; ok && left > 0;) {
        std::size_t n = (std::size_t)std::min<std::uint64_t>(left, block.size());
        ok = std::fwrite(block.data(), 1, n, f) == n;
        left -= n;
    }
    return std::fclose(f) == 0 && ok;
}

LONG bufferSize = 0;  // 0: the interface's default

HMMIO open(const std::string& path, DWORD flags) {
    MMIOINFO info{};
    info.cchBuffer = bufferSize;
    return mmioOpenUtf8(path.c_str(), &info, flags | (bufferSize ? MMIO_ALLOCBUF : 0));
}

bool riffCopy(const std::string& src, const std::string& dst, std::size_t piece) {
    HMMIO in = open(src, MMIO_READ | MMIO_DENYWRITE);
    if (!in) return false;
    MMCKINFO riff{}, data{}, fmt{};
    riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
    fmt.ckid = mmioFOURCC('f', 'm', 't', ' ');
    data.ckid = mmioFOURCC('d', 'a', 't', 'a');
    char format[18] = {};
    bool ok = mmioDescend(in, &riff, nullptr, MMIO_FINDRIFF) == MMSYSERR_NOERROR &&
              mmioDescend(in, &fmt, &riff, MMIO_FINDCHUNK) == MMSYSERR_NOERROR && mmioRead(in, format, 16) == 16 &&
              mmioAscend(in, &fmt, 0) == MMSYSERR_NOERROR &&
              mmioDescend(in, &data, &riff, MMIO_FINDCHUNK) == MMSYSERR_NOERROR;
    HMMIO out = ok ? open(dst, MMIO_CREATE | MMIO_READWRITE) : nullptr;
    MMCKINFO oRiff{}, oFmt{}, oData{};
    oRiff.fccType = riff.fccType;
    oFmt.ckid = fmt.ckid;
    oData.ckid = data.ckid;
    ok = out && mmioCreateChunk(out, &oRiff, MMIO_CREATERIFF) == MMSYSERR_NOERROR &&
         mmioCreateChunk(out, &oFmt, 0) == MMSYSERR_NOERROR && mmioWrite(out, format, 18) == 18 &&
         mmioAscend(out, &oFmt, 0) == MMSYSERR_NOERROR && mmioCreateChunk(out, &oData, 0) == MMSYSERR_NOERROR;
    if (ok && piece == 0) ok = mmioCopy64(out, in, data.cksize, nullptr) == (LONGLONG)data.cksize;
    std::vector<char> buf(piece);
    for (std::uint64_t left = piece ? data.cksize : 0; ok && left > 0;) {
        LONG want = (LONG)std::min<std::uint64_t>(left, piece);
        LONG got = mmioRead(in, buf.data(), want);
        if (got <= 0) break;
        ok = mmioWrite(out, buf.data(), got) == got;
        left -= (std::uint64_t)got;
    }
    ok = ok && mmioAscend(out, &oData, 0) == MMSYSERR_NOERROR && mmioAscend(out, &oRiff, 0) == MMSYSERR_NOERROR;
    if (out) ok = mmioClose(out, 0) == MMSYSERR_NOERROR && ok;
    mmioClose(in, 0);
    return ok;
}

// Whether dst carries src's audio: the data after the 44-byte header of src, after the
// 46-byte header of dst (its fmt chunk is 2 bytes longer).
bool sameData(const std::string& src, const std::string& dst, std::uint64_t dataBytes) {
    FILE* a = std::fopen(src.c_str(), "rb");
    FILE* b = std::fopen(dst.c_str(), "rb");
    bool same = a && b && std::fseek(a, 44, SEEK_SET) == 0 && std::fseek(b, 46, SEEK_SET) == 0;
    std::vector<char> x(1 << 20), y(1 << 20);
    for (std::uint64_t left = dataBytes; same && left > 0;) {
        std::size_t n = (std::size_t)std::min<std::uint64_t>(left, x.size());
        same = std::fread(x.data(), 1, n, a) == n && std::fread(y.data(), 1, n, b) == n &&
               std::memcmp(x.data(), y.data(), n) == 0;
        left -= n;
    }
    if (a) std::fclose(a);
    if (b) std::fclose(b);
    return same;
}

bool runTool(const std::vector<std::string>& args) {
    pid_t pid = ::fork();
    if (pid == 0) {
        std::vector<char*> argv;
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        int null = ::open("/dev/null", O_WRONLY);
        if (null >= 0) ::dup2(null, 2);  // dd's transfer report
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    return pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// CPU seconds (user + system) of this process and of its waited-for children.
double cpuSeconds() {
    double total = 0;
    for (int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
        struct rusage u;
        ::getrusage(who, &u);
        total += u.ru_utime.tv_sec + u.ru_utime.tv_usec / 1e6 + u.ru_stime.tv_sec + u.ru_stime.tv_usec / 1e6;
    }
    return total;
}

std::string label(std::size_t piece) {
    return piece ? "riff/" + std::to_string(piece) : std::string("riff/mmioCopy64");
}

double best(const std::vector<double>& v) { return v.empty() ? 0 : *std::min_element(v.begin(), v.end()); }

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    std::uint64_t sizeMb = 1024;
    std::vector<std::size_t> pieces;
    int rounds = 5;
    const char* tmp = std::getenv("TMPDIR");
    std::string dir = tmp && *tmp ? tmp : "/tmp";
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string a = argv[i];
        if (a == "--size-mb") sizeMb = std::strtoull(argv[i + 1], nullptr, 10);
        else if (a == "--piece") pieces.push_back(std::strtoull(argv[i + 1], nullptr, 10));
        else if (a == "--rounds") rounds = std::atoi(argv[i + 1]);
        else if (a == "--dir") dir = argv[i + 1];
        else if (a == "--buffer") bufferSize = std::atoi(argv[i + 1]);
    }
    if (pieces.empty()) pieces.push_back(10000);
    std::string work = dir + "/riff-bench-" + std::to_string(::getpid());
    if (::mkdir(work.c_str(), 0700) != 0) {
        std::perror("mkdir");
        return 1;
    }
    std::string src = work + "/source.wav", dst = work + "/copy.wav";
    std::uint64_t dataBytes = sizeMb * 1024 * 1024 - 44;
    auto t = Clock::now();
    if (!makeWav(src, dataBytes)) {
        std::fprintf(stderr, "cannot write %s\n", src.c_str());
        return 1;
    }
    std::printf("source: %llu MiB WAV written in %.2f s\n", (unsigned long long)sizeMb, secondsSince(t));
    int rc = 0;
    // Peers: cp (copies inside the kernel where it can), and dd with 1 MiB blocks (a plain
    // read/write loop, as any copy that hands the bytes to the program must be).
    std::vector<std::pair<std::string, std::vector<std::string>>> peers = {
        {"cp", {"cp", src, dst}}, {"dd-1M", {"dd", "if=" + src, "of=" + dst, "bs=1M"}}};
    std::vector<std::vector<double>> peerTimes(peers.size()), peerCpu(peers.size());
    std::vector<std::vector<double>> riffTimes(pieces.size()), riffCpu(pieces.size());
    // Wall time, and CPU time, which the other users of a shared machine disturb less.
    auto timed = [&](auto&& copy, std::vector<double>& cpu) {
        ::unlink(dst.c_str());
        ::sync();  // the previous copy's write-back is not charged to the next one
        double cpuStart = cpuSeconds();
        auto start = Clock::now();
        bool ok = copy();
        double s = secondsSince(start);
        cpu.push_back(cpuSeconds() - cpuStart);
        if (!ok) rc = 1;
        return s;
    };
    // A copy that follows another kind of copy can find the memory in another state (on a
    // virtual machine, pages the host took back); the order turns each round so that no copy
    // always follows the same one.
    const std::size_t kinds = peers.size() + pieces.size();
    for (int r = 0; r < rounds && rc == 0; ++r) {
        std::printf("round %d:", r + 1);
        for (std::size_t k = 0; k < kinds && rc == 0; ++k) {
            std::size_t p = (k + (std::size_t)r) % kinds;
            if (p < peers.size()) {
                peerTimes[p].push_back(timed([&] { return runTool(peers[p].second); }, peerCpu[p]));
                std::printf(" %s %.3f s,", peers[p].first.c_str(), peerTimes[p].back());
                continue;
            }
            p -= peers.size();
            riffTimes[p].push_back(timed([&] { return riffCopy(src, dst, pieces[p]); }, riffCpu[p]));
            std::printf(" %s %.3f s,", label(pieces[p]).c_str(), riffTimes[p].back());
            struct stat a, b;
            if (rc == 0 && (::stat(src.c_str(), &a) != 0 || ::stat(dst.c_str(), &b) != 0 || b.st_size != a.st_size + 2)) {
                std::fprintf(stderr, "copy has the wrong size\n");  // fmt grows from 16 to 18 bytes
                rc = 1;
            }
            if (rc == 0 && r == 0 && !sameData(src, dst, dataBytes)) {  // untimed, once per kind
                std::fprintf(stderr, "%s: the copy's data differ\n", label(pieces[p]).c_str());
                rc = 1;
            }
        }
        std::printf("\n");
        std::fflush(stdout);
    }
    ::unlink(dst.c_str());
    ::unlink(src.c_str());
    ::rmdir(work.c_str());
    if (rc) {
        std::fprintf(stderr, "a copy failed\n");
        return rc;
    }
    for (std::size_t p = 0; p < peers.size(); ++p) {
        double m = median(peerTimes[p]);
        std::printf("median %s: %.3f s (%.0f MiB/s), best %.3f s, CPU %.3f s\n", peers[p].first.c_str(), m,
                    sizeMb / m, best(peerTimes[p]), median(peerCpu[p]));
    }
    for (std::size_t p = 0; p < pieces.size(); ++p) {
        double m = median(riffTimes[p]);
        double c = median(riffCpu[p]);
        std::printf("median %s: %.3f s (%.0f MiB/s), CPU %.3f s\n", label(pieces[p]).c_str(), m, sizeMb / m, c);
        for (std::size_t q = 0; q < peers.size(); ++q)
            std::printf("  ratio to %s: median %.2f, best to best %.2f, CPU %.2f\n", peers[q].first.c_str(),
                        m / median(peerTimes[q]), best(riffTimes[p]) / best(peerTimes[q]), c / median(peerCpu[q]));
        std::printf("\n");
    }
    return 0;
}
